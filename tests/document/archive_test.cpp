// The byte layout of documents: the stream primitives and every record's field order, checked against
// the bytes themselves so that a field written and read back in the wrong place cannot hide behind a
// round trip.
#include "document/archive.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstring>
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

// The doubles of a record, read in order; `texts` lists the byte offsets of empty texts (one 0 byte)
// met on the way.
std::vector<double> DoublesOf(const Bytes& bytes, std::vector<size_t> texts = {}) {
    std::vector<double> values;
    for (size_t at = 0; at < bytes.size();) {
        if (!texts.empty() && texts.front() == at) {
            EXPECT_EQ(bytes[at], 0) << "expected an empty text at byte " << at;
            texts.erase(texts.begin());
            ++at;
            continue;
        }
        values.push_back(DoubleAt(bytes, at));
        at += 8;
    }
    return values;
}

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
    CArchiveWriter writer;
    writer.Double(1.0);
    writer.Double(-2.5);
    const uint64_t signallingNaN = 0x7FF0000000000123u;
    writer.Double(std::bit_cast<double>(signallingNaN));
    const Bytes& bytes = writer.Bytes();
    EXPECT_EQ(Bytes(bytes.begin(), bytes.begin() + 8), (Bytes{0, 0, 0, 0, 0, 0, 0xF0, 0x3F}));
    EXPECT_EQ(Bytes(bytes.begin() + 8, bytes.begin() + 16), (Bytes{0, 0, 0, 0, 0, 0, 0x04, 0xC0}));

    CArchiveReader reader(bytes);
    double one, minus, nan;
    ASSERT_TRUE(reader.Double(one, "a") && reader.Double(minus, "b") && reader.Double(nan, "c"));
    EXPECT_EQ(one, 1.0);
    EXPECT_EQ(minus, -2.5);
    EXPECT_EQ(std::bit_cast<uint64_t>(nan), signallingNaN);  // the bit pattern, payload and all
}

TEST(CArchive, CountedIntegersAreTruncatedAndRangeChecked) {
    struct Case {
        double stored;
        bool isSigned;
        bool accepted;
        int64_t value;
    };
    const double inf = std::numeric_limits<double>::infinity();
    const Case cases[] = {
        {3.9, false, true, 3},
        {-0.9, false, true, 0},  // truncates to 0, which fits
        {4294967295.9, false, true, 4294967295},
        {-1.0, false, false, 0},
        {4294967296.0, false, false, 0},
        {-3.7, true, true, -3},
        {-2147483648.5, true, true, -2147483648},
        {2147483647.9, true, true, 2147483647},
        {2147483648.0, true, false, 0},
        {-2147483649.0, true, false, 0},
        {std::nan(""), false, false, 0},
        {std::nan(""), true, false, 0},
        {inf, false, false, 0},
        {-inf, true, false, 0},
        {1e300, true, false, 0},
    };
    for (const Case& c : cases) {
        CArchiveWriter writer;
        writer.Double(c.stored);
        CArchiveReader reader(writer.Bytes());
        // A rejected value leaves its target alone.
        int64_t value = 99;
        bool ok;
        if (c.isSigned) {
            int32_t v = 99;
            ok = reader.Signed(v, "flag");
            value = v;
        } else {
            uint32_t v = 99;
            ok = reader.Unsigned(v, "count");
            value = v;
        }
        EXPECT_EQ(ok, c.accepted) << c.stored << (c.isSigned ? " signed" : " unsigned");
        EXPECT_EQ(value, c.accepted ? c.value : 99) << c.stored;
    }

    CArchiveWriter writer;
    writer.Unsigned(4294967295u);
    writer.Signed(-5);
    writer.Double(-1.0);
    EXPECT_EQ(DoubleAt(writer.Bytes(), 0), 4294967295.0);
    EXPECT_EQ(DoubleAt(writer.Bytes(), 8), -5.0);
    CArchiveReader reader(writer.Bytes());
    uint32_t u;
    int32_t s;
    ASSERT_TRUE(reader.Unsigned(u, "a") && reader.Signed(s, "b"));
    auto scope = reader.Enter("layer", 2);
    EXPECT_FALSE(reader.Unsigned(u, "plane count"));
    EXPECT_EQ(reader.Error(),
              "invalid plane count at byte 16 (layer 2): expected a whole number in 0..4294967295, found -1");
    EXPECT_EQ(reader.ErrorOffset(), 16u);
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

TEST(CArchive, ReaderStopsAtTheEndWithAMessage) {
    // A text whose 32-bit length runs past the end.
    const Bytes longText = {0xFF, 0xFF, 0xFF, 0x70, 0x11, 0x01, 0x00, 'a', 'b'};
    CArchiveReader reader(longText);
    std::string text = "kept";
    auto batch = reader.Enter("batch", 1);
    EXPECT_FALSE(reader.Text(text, "name"));
    EXPECT_EQ(reader.Error(),
              "the name at byte 0 (batch 1) is 70000 characters long, past the end of the document (2 bytes left)");
    EXPECT_EQ(text, "kept");
    // Every later read fails too and keeps the first message.
    double value = 7;
    EXPECT_FALSE(reader.Double(value, "step"));
    EXPECT_EQ(value, 7);
    EXPECT_NE(reader.Error().find("70000"), std::string::npos);

    const Bytes sevenBytes(7, 0);
    CArchiveReader shortReader(sevenBytes);
    auto model = shortReader.Enter("model");
    auto layer = shortReader.Enter("layer", 3);
    EXPECT_FALSE(shortReader.Double(value, "step"));
    EXPECT_EQ(shortReader.Error(), "unexpected end of the document at byte 0 while reading the step (model, layer 3)");

    const Bytes count = {0, 0, 0, 0, 0, 0, 0xF0, 0x3F, 1, 2, 3};  // 1.0, then 3 bytes
    CArchiveReader countReader(count);
    uint32_t n = 0;
    EXPECT_FALSE(countReader.Count(n, 4, "point count"));
    EXPECT_EQ(countReader.Error(),
              "point count at byte 0 is 1, more than the 3 bytes left can hold (each takes at least 4 bytes)");
}

TEST(DocumentLayout, NewDocumentSavedAtOnce) {
    const CBatchList list;
    const Bytes bytes = WriteDocument(list);
    // Document version; list version, count, current; a batch of 474 bytes.
    ASSERT_EQ(bytes.size(), 506u);
    struct Field {
        size_t offset;
        double value;
    };
    const Field fields[] = {
        {0, 6.0},      {8, 6.0},   {16, 1.0},    {24, 0.0},    // document, batch list
        {32, 6.0},     {161, 0.001},                              // batch version, minimum intensity
        {169, 1},      {177, 100}, {185, 4},     {193, 16},   {201, 2},  // subdivision controls
        {225, 1},      {257, 1},   {265, 1},     {289, 1},    {305, 1.0},  // spare, draw, view, spectrum
        {322, 6.0},    {330, 0},   {338, 0},                      // empty spectrum
        {346, 6.0},    {354, 0},   {362, 0},                      // empty model
        {370, 6.0},    {378, 3.1416}, {386, 0.0}, {394, -1.0}, {410, 1.0}, {418, 300}, {426, 300},
        {458, 1.0},    {466, 0.9}, {490, 1},     {498, 0},    // drawing tools
    };
    for (const Field& field : fields) EXPECT_EQ(DoubleAt(bytes, field.offset), field.value) << "byte " << field.offset;
    EXPECT_EQ(bytes[40], 0) << "empty batch name";
    EXPECT_EQ(bytes[313], 0) << "empty spectrum file name";
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
    CDrawTools& tools = batch.drawTools;
    tools.tilt = 50, tools.sinTilt = 51, tools.cosTilt = 52, tools.rotation = 53, tools.scale = 54;
    tools.originX = 55, tools.originY = 56, tools.compressX = 57, tools.compressY = 58, tools.compressZ = 59;
    tools.intensityStart = 60, tools.stepFactor = 61, tools.wavelengthStart = 62, tools.wavelengthStop = 63;
    tools.scaleByIntensity = 64, tools.scaleByWavelength = 65;

    std::vector<double> expected = {6};
    for (double v = 1; v <= 34; ++v) expected.push_back(v);
    expected.insert(expected.end(), {-35, 6, 0, 0, 6, 0, 0, 6});  // spectrum, model
    for (double v = 50; v <= 65; ++v) expected.push_back(v);
    EXPECT_EQ(DoublesOf(Write(batch), {8, 8 + 1 + 34 * 8}), expected);
}

TEST(DocumentLayout, PlaneFieldsAndTableRows) {
    CPlane plane;
    plane.planeType = 9, plane.shape = 1, plane.LyrTransmit = -1, plane.PlnTransmit = 4;
    double next = 10;
    for (CRay* ray : {&plane.edge1, &plane.edge2, &plane.normal})
        for (double* v : {&ray->x, &ray->y, &ray->z, &ray->dx, &ray->dy, &ray->dz, &ray->step, &ray->intensity})
            *v = next++;
    plane.edge1.wavelength = 1000;  // not part of the record
    for (int i = 0; i < 4; ++i) plane.drawEdge[i] = 40 + i;
    plane.SetPlaneMode(PlaneTable);
    for (double wavelength : {900.0, 500.0, 700.0, 300.0, 1100.0}) {
        COpticalPoint row;
        row.wavelength = wavelength;
        row.reflectance = wavelength / 1000;
        plane.optics.InsertSorted(row, ERowCount::Table);
    }
    plane.SetConstants(80, 1.9, 0.25);

    const Bytes bytes = Write(plane);
    const size_t header = 33 * 8 + 1;              // plane fields and the empty name
    const size_t opticalHeader = 6 * 8 + 4;        // counts, modes, flag and four empty texts
    ASSERT_EQ(bytes.size(), header + opticalHeader + 5 * 176 + 176);

    // The plane's fields, then the optical data: version, tableCount 5, dataFile, layerMode 0, pathLength 0,
    // stokesCount 0, three texts, planeMode 21.
    const std::vector<double> fields =
        DoublesOf(Bytes(bytes.begin(), bytes.begin() + header + opticalHeader),
                  {5 * 8, header + 2 * 8, header + 5 * 8 + 1, header + 5 * 8 + 2, header + 5 * 8 + 3});
    EXPECT_EQ(fields, (std::vector<double>{6,  9,  1,  -1, 4,  10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20,
                                           21, 22, 23, 24, 25, 26, 27, 28, 29, 30, 31, 32, 33, 40, 41, 42,
                                           43, 6,  5,  0,  0,  0,  21}));
    const double sorted[] = {300, 500, 700, 900, 1100};
    for (int i = 0; i < 5; ++i) {
        const size_t row = header + opticalHeader + i * 176;
        EXPECT_EQ(DoubleAt(bytes, row), 6.0);
        EXPECT_EQ(DoubleAt(bytes, row + 8), sorted[i]);
        EXPECT_EQ(DoubleAt(bytes, row + 9 * 8), sorted[i] / 1000) << "reflectance of row " << i;
    }
    EXPECT_EQ(DoubleAt(bytes, bytes.size() - 176 + 9 * 8), 0.25) << "the constant row comes last";

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
    EXPECT_EQ(DoublesOf(bytes), (std::vector<double>{6, 101, 102, 103, 104, 105, 106, 0, 0, 107, 108, 109, 110,
                                                      111, 112, 113, 114, 115, 116, 117, 118, -7}));
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
