// The byte layout of documents: the stream primitives and every record's field order, checked against
// the bytes themselves so that a field written and read back in the wrong place cannot hide behind a
// round trip.
#include "document/archive.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <sstream>
#include <limits>
#include <string>
#include <vector>

#include "core/batch_list.h"
#include "document/document_file.h"

namespace brelix {
namespace {

using Bytes = std::vector<uint8_t>;

double DoubleAt(const Bytes& bytes, size_t offset) {
    double value = std::numeric_limits<double>::quiet_NaN();
    CArchiveReader reader{std::span(bytes).subspan(offset)};
    EXPECT_TRUE(reader.Double(value, "value")) << "no double at byte " << offset;
    return value;
}

// A record's values as text, read by its shape: 'd' a double, 't' a text (in quotes); the shape must
// take every byte.
std::string Decode(const Bytes& bytes, std::string_view shape) {
    CArchiveReader reader(bytes);
    std::ostringstream out;
    for (char kind : shape) {  // spaces only group the shape
        double value = 0;
        std::string text;
        if (kind == 'd' && reader.Double(value, "value")) out << value << ' ';
        if (kind == 't' && reader.Text(text, "text")) out << '"' << text << "\" ";
    }
    EXPECT_TRUE(reader.ExpectEnd()) << reader.Error();
    return out.str();
}

// "from from+1 ... to " in Decode's form.
std::string Sequence(int from, int to) {
    std::string run;
    for (int v = from; v <= to; ++v) run += std::to_string(v) + ' ';
    return run;
}

std::string Repeat(const std::string& text, int times) {
    std::string repeated;
    for (int i = 0; i < times; ++i) repeated += text;
    return repeated;
}

std::string Shape(int doubles) { return Repeat("d", doubles); }

template <class Record>
Bytes Write(const Record& record) {
    CArchiveWriter writer;
    Serialize(writer, record, DocumentVersion);
    return writer.TakeBytes();
}

template <class Record>
void ReadBack(const Bytes& bytes, Record& record) {
    CArchiveReader reader(bytes);
    Serialize(reader, record, DocumentVersion);
    EXPECT_TRUE(reader.ExpectEnd()) << reader.Error();
}

TEST(CArchive, DoublesAreLittleEndianBinary64) {
    const uint64_t signallingNaN = 0x7FF0000000000123u;
    CArchiveWriter writer;
    writer.Double(-2.5);
    writer.Double(std::bit_cast<double>(signallingNaN));
    EXPECT_EQ(Bytes(writer.Bytes().begin(), writer.Bytes().begin() + 8), (Bytes{0, 0, 0, 0, 0, 0, 0x04, 0xC0}));
    EXPECT_EQ(DoubleAt(writer.Bytes(), 0), -2.5);
    EXPECT_EQ(std::bit_cast<uint64_t>(DoubleAt(writer.Bytes(), 8)), signallingNaN) << "bit pattern kept";
}

TEST(CArchive, CountedIntegersAreTruncatedAndRangeChecked) {
    struct Case {
        double stored;
        bool isSigned;
        int64_t value;  // 99: rejected, and the target keeps its 99
    };
    const double inf = std::numeric_limits<double>::infinity(), nan = std::nan("");
    const Case cases[] = {
        {3.9, false, 3},           {-0.9, false, 0},  // truncates to 0, which fits
        {4294967295.9, false, 4294967295},            {-1.0, false, 99},
        {4294967296.0, false, 99}, {nan, false, 99},  {inf, false, 99},
        {-3.7, true, -3},          {-2147483648.5, true, -2147483648},
        {2147483647.9, true, 2147483647},             {2147483648.0, true, 99},
        {-2147483649.0, true, 99}, {nan, true, 99},   {-inf, true, 99},
    };
    for (const Case& c : cases) {
        CArchiveWriter writer;
        writer.Double(c.stored);
        CArchiveReader reader(writer.Bytes());
        int32_t s = 99;
        uint32_t u = 99;
        const bool ok = c.isSigned ? reader.Signed(s, "flag") : reader.Unsigned(u, "count");
        EXPECT_EQ(ok, c.value != 99) << c.stored;
        EXPECT_EQ(c.isSigned ? int64_t{s} : int64_t{u}, c.value) << c.stored;
    }
    CArchiveWriter writer;
    writer.Unsigned(4294967295u);
    writer.Signed(-5);
    EXPECT_EQ(DoubleAt(writer.Bytes(), 0), 4294967295.0);
    EXPECT_EQ(DoubleAt(writer.Bytes(), 8), -5.0);
}

TEST(CArchive, TextLengthTakesOneThreeOrSevenBytes) {
    struct Case {
        size_t length;
        Bytes prefix;
    };
    const Case cases[] = {
        {0, {0}},
        {254, {254}},
        {255, {0xFF, 0xFF, 0x00}},
        {300, {0xFF, 0x2C, 0x01}},
        {65533, {0xFF, 0xFD, 0xFF}},
        {65534, {0xFF, 0xFF, 0xFF, 0xFE, 0xFF, 0x00, 0x00}},
        {70000, {0xFF, 0xFF, 0xFF, 0x70, 0x11, 0x01, 0x00}},
    };
    for (const Case& c : cases) {
        std::string text(c.length, 'a');
        for (size_t i = 0; i < text.size(); ++i) text[i] = static_cast<char>('a' + i % 26);
        CArchiveWriter writer;
        writer.Text(text);
        const Bytes& bytes = writer.Bytes();
        ASSERT_EQ(bytes.size(), c.prefix.size() + c.length) << c.length;
        EXPECT_EQ(Bytes(bytes.begin(), bytes.begin() + c.prefix.size()), c.prefix) << c.length;

        CArchiveReader reader(bytes);
        std::string back;
        EXPECT_TRUE(reader.Text(back, "name") && reader.ExpectEnd()) << reader.Error();
        EXPECT_EQ(back, text);
    }
}

TEST(DocumentLayout, NewDocumentSavedAtOnce) {
    const Bytes bytes = WriteDocument(CBatchList());
    // Document version; list version, count, current; a batch of 474 bytes.
    ASSERT_EQ(bytes.size(), 506u);
    EXPECT_EQ(DoubleAt(bytes, 16), 1.0) << "batch count";
    EXPECT_EQ(DoubleAt(bytes, 24), 0.0) << "current batch";
    EXPECT_EQ(DoubleAt(bytes, 330), 0.0) << "spectrum point count";
    EXPECT_EQ(DoubleAt(bytes, 354), 0.0) << "layer count";
    EXPECT_EQ(DoubleAt(bytes, 378), 3.1416) << "tilt";
    // Every value: the batch's sweeps, minimum intensity, subdivisions, flags (spare 1; draw 1; view 1, 0,
    // 0), spectrum switches and intensity, then the empty spectrum and model and the default drawing tools.
    EXPECT_EQ(Decode(bytes, "dddd dt" + Shape(34) + "td" + Shape(6) + Shape(17)),
              "6 6 1 0 6 \"\" " + Repeat("0 ", 15) +
                  "0.001 1 100 4 16 2 0 0 1 0 0 0 1 1 0 0 1 0 1 \"\" 0 6 0 0 6 0 0 "
                  "6 3.1416 0 -1 0 1 300 300 0 0 0 1 0.9 0 0 1 0 ");
}

TEST(DocumentLayout, BatchFieldsInStoredOrder) {
    CBatch batch;
    double next = 1;
    for (CSweep* sweep : {&batch.azimuthSweep, &batch.declinationSweep, &batch.wavelengthSweep, &batch.xSweep,
                          &batch.ySweep}) {
        sweep->start = next++;
        sweep->stop = next++;
        sweep->step = next++;
        sweep->plotValue = 1000;
    }
    batch.minIntensity = 16;
    batch.interfaceDivides = 17, batch.subdividePosition = 18, batch.subdivideTheta = 19;
    batch.subdivideXi = 20, batch.subdivideScatter = 21;
    batch.azimuthVaries = 22, batch.declinationVaries = 23, batch.spareFlag = 24;
    batch.wavelengthVaries = 25, batch.xVaries = 26, batch.yVaries = 27;
    batch.drawOnRaytrace = 28;
    batch.viewFlags[0] = 29, batch.viewFlags[1] = 31, batch.viewFlags[2] = 30;  // stored first, third, second
    batch.constantSpectrum = 32, batch.fileSpectrum = 33;
    batch.constantIntensity = 34;
    batch.useSpectrumFile = -35;
    batch.name = "B";
    batch.spectrumFile = "S";
    CDrawTools& tools = batch.drawTools;
    tools.tilt = 50, tools.sinTilt = 51, tools.cosTilt = 52, tools.rotation = 53, tools.scale = 54;
    tools.originX = 55, tools.originY = 56, tools.compressX = 57, tools.compressY = 58, tools.compressZ = 59;
    tools.intensityStart = 60, tools.stepFactor = 61, tools.wavelengthStart = 62, tools.wavelengthStop = 63;
    tools.scaleByIntensity = 64, tools.scaleByWavelength = 65;

    EXPECT_EQ(Decode(Write(batch), "dt" + Shape(34) + "td" + Shape(6) + Shape(17)),
              "6 \"B\" " + Sequence(1, 34) + "\"S\" -35 6 0 0 6 0 0 6 " + Sequence(50, 65));
}

TEST(DocumentLayout, PlaneFieldsAndTableRows) {
    CPlane plane;
    plane.planeType = 9, plane.shape = 1, plane.LyrTransmit = -1, plane.PlnTransmit = 4;
    plane.name = "P";
    double next = 10;
    for (CRay* ray : {&plane.edge1, &plane.edge2, &plane.normal})
        for (double* v : {&ray->x, &ray->y, &ray->z, &ray->dx, &ray->dy, &ray->dz, &ray->step, &ray->intensity})
            *v = next++;
    plane.edge1.wavelength = 1000;  // not part of the record
    for (int i = 0; i < 4; ++i) plane.drawEdge[i] = 40 + i;
    COpticalData& optics = plane.optics;
    optics.dataFile = "d", optics.stokesFile = "ss", optics.planeFile = "ppp", optics.spareText = "qqqq";
    optics.layerMode = 7;  // a plane's table is stored whatever its layer mode says
    optics.pathLength = -2;
    plane.SetPlaneMode(PlaneTable);
    for (double wavelength : {900.0, 500.0, 700.0, 300.0, 1100.0}) {
        COpticalPoint row;
        row.wavelength = wavelength;
        row.reflectance = wavelength / 1000;
        optics.InsertSorted(row, ERowCount::Table);
    }
    plane.SetConstants(80, 1.9, 0.25);

    // The plane's fields, the optical data's header, the five rows in wavelength order, the constant row.
    const Bytes bytes = Write(plane);
    std::string shape = "ddddd t" + Shape(24) + "dddd" + "dd t ddd ttt d";
    std::string expected = "6 9 1 -1 4 \"P\" " + Sequence(10, 33) + Sequence(40, 43) +
                           "6 5 \"d\" 7 -2 0 \"ss\" \"ppp\" \"qqqq\" 21 ";
    for (int wavelength : {300, 500, 700, 900, 1100, 0}) {
        shape += Shape(22);
        std::ostringstream row;
        row << "6 " << wavelength << " 1 0 0 0 0 0 0 " << (wavelength ? wavelength / 1000.0 : 0.25)
            << (wavelength ? " 0 0 " : " 80 1.9 ") << "0 0 0 0 0 0 0 0 0 0 ";
        expected += row.str();
    }
    EXPECT_EQ(Decode(bytes, shape), expected);

    CPlane back;
    ReadBack(bytes, back);
    ASSERT_EQ(back.optics.GetCount(), 5u);
    EXPECT_EQ(back.GetPointCount(), 5u);
    EXPECT_EQ(back.GetReflectance(600), 0.6);
    EXPECT_EQ(back.LyrTransmit, -1);
    EXPECT_EQ(back.normal.intensity, 33);
    EXPECT_EQ(Write(back), bytes);
}

TEST(DocumentLayout, RowRecordIs176BytesWithTwoIgnoredDoubles) {
    using P = COpticalPoint;
    double P::*columns[] = {&P::wavelength,   &P::rindx,        &P::extnc,        &P::alpha,
                            &P::scatt,        &P::emissionWeight, &P::reflectance, &P::tDielectric,
                            &P::nDielectric,  &P::inbandAlpha,  &P::outbandAlpha, &P::inbandScatt,
                            &P::outbandScatt, &P::inbandRindx,  &P::outbandRindx, &P::centerWavelength,
                            &P::bandwidth,    &P::emissionShift};
    COpticalPoint row;
    for (int i = 0; i < 18; ++i) row.*columns[i] = 101 + i;
    row.rowFlag = -7;

    Bytes bytes = Write(row);
    ASSERT_EQ(bytes.size(), 176u);
    EXPECT_EQ(Decode(bytes, Shape(22)), "6 " + Sequence(101, 106) + "0 0 " + Sequence(107, 118) + "-7 ");
    // Whatever the two unused doubles hold, reading ignores them.
    CArchiveWriter garbage;
    garbage.Double(12345);
    garbage.Double(std::nan(""));
    std::copy(garbage.Bytes().begin(), garbage.Bytes().end(), bytes.begin() + 7 * 8);
    COpticalPoint back;
    ReadBack(bytes, back);
    for (int i = 0; i < 18; ++i) EXPECT_EQ(back.*columns[i], 101 + i) << "column " << i;
    EXPECT_EQ(back.rowFlag, -7);
    EXPECT_EQ(Write(back), Write(row));
}

TEST(DocumentLayout, BandLayerStoresNoRowsEvenWhenRowsWereLoaded) {
    CLayer layer;
    layer.SetName("Band");
    for (double wavelength : {400.0, 500.0, 600.0}) {
        COpticalPoint row;
        row.wavelength = wavelength;
        layer.optics.InsertSorted(row, ERowCount::Table);
    }
    layer.SetMode(LayerBand);
    layer.optics.SetBand(1, 2, 3, 4, 5, 6, 500, 100, 20);

    const Bytes bytes = Write(layer);
    // Version, count, current, the name, then the optical data with its constant row and no row records.
    EXPECT_EQ(bytes.size(), 3 * 8 + 1 + 4 + 6 * 8 + 4 + 176u);
    CLayer back;
    ReadBack(bytes, back);
    EXPECT_EQ(back.optics.GetCount(), 0u);
    EXPECT_EQ(back.GetPointCount(LayerTable), 0u) << "the rows are counted as read, and none were";
    EXPECT_EQ(back.GetMode(), LayerBand);
    EXPECT_EQ(back.GetRefractiveIndex(480), 5);
    EXPECT_EQ(back.GetRefractiveIndex(600), 6);
}

TEST(DocumentLayout, ACountThatPromisesMissingRowsIsStoredAsTheRowsThereAre) {
    // Should a count ever run ahead of the table, the file must still read back.
    COpticalData data;
    data.SetMode(LayerStokes);
    COpticalPoint row;
    row.wavelength = 550;
    row.emissionWeight = 1;
    data.InsertSorted(row, ERowCount::Stokes);
    data.stokesCount = 4;
    data.tableCount = 9;  // not the deciding count: stored as it is

    const Bytes bytes = Write(data);
    COpticalData back;
    ReadBack(bytes, back);
    EXPECT_EQ(back.GetCount(), 1u);
    EXPECT_EQ(back.stokesCount, 1u);
    EXPECT_EQ(DoubleAt(bytes, 8), 9.0);
}

}  // namespace
}  // namespace brelix
