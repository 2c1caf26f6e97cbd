// Whole documents: a rich one survives writing and reading unchanged, and no damaged file can crash the
// reader or make it allocate what the file cannot hold.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <initializer_list>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "core/batch_list.h"
#include "document/archive.h"
#include "document/document_file.h"

namespace brelix {
namespace {

using Bytes = std::vector<uint8_t>;

COpticalPoint Row(double wavelength, double value) {
    COpticalPoint row;
    row.wavelength = wavelength;
    row.rindx = value;
    row.alpha = value * 100;
    row.reflectance = value / 10;
    row.emissionWeight = value;
    row.rowFlag = static_cast<int32_t>(wavelength);
    return row;
}

CPlane& AddPlane(CLayer& layer, uint32_t type, uint32_t shape, double z) {
    CPlane& plane = layer.Append();
    plane.planeType = type;
    plane.shape = shape;
    plane.edge1.SetPosition(0, 0, z);
    plane.edge2.SetPosition(0, 0, z);
    plane.edge1.step = 10;
    plane.edge2.step = 20;
    plane.ComputeNormal();
    plane.SetName("Plane z=" + std::to_string(z));
    return plane;
}

// Three batches: one with every kind of layer table, plane type and shape, a spectrum and non-default
// drawing settings; a copy of it with a long name and fewer layers; and a default one.
void BuildRichDocument(CBatchList& list) {
    CBatch& cell = list[0];
    cell.name = "Textured cell, 2 \xC2\xB5m";
    cell.wavelengthSweep = {400, 1100, 50, 450};
    cell.xSweep = {-1, 1, 0.5, 0};
    cell.ySweep = {-2, 2, 1, 0};
    cell.azimuthSweep = {0, 90, 45, 0};
    cell.declinationSweep = {0, 60, 30, 0};
    cell.minIntensity = 1e-4;
    cell.interfaceDivides = 3, cell.subdividePosition = 7, cell.subdivideTheta = 5;
    cell.subdivideXi = 9, cell.subdivideScatter = 1;
    cell.xVaries = cell.yVaries = cell.wavelengthVaries = 1;
    cell.spareFlag = 0;
    cell.drawOnRaytrace = 0;
    cell.viewFlags[0] = 0, cell.viewFlags[1] = 1, cell.viewFlags[2] = 0;
    cell.constantSpectrum = 0, cell.fileSpectrum = 1, cell.useSpectrumFile = 1;
    cell.spectrumFile = "/data/am15g.txt";
    cell.constantIntensity = 0.75;
    for (auto [w, i] : {std::pair{500.0, 0.8}, {400.0, 0.5}, {450.0, 0.7}}) cell.spectrum.InsertSorted(w, i);
    cell.spectrum[1].extra[2] = 3.5;

    CDrawTools& tools = cell.drawTools;
    tools.tilt = 1.2;
    tools.UpdateTilt();
    tools.rotation = 0.3, tools.scale = 2.5, tools.originX = 120, tools.originY = 80;
    tools.compressX = 1, tools.compressZ = 1;
    tools.intensityStart = 0.5, tools.stepFactor = 0.8, tools.wavelengthStart = 400, tools.wavelengthStop = 1100;
    tools.scaleByIntensity = 0, tools.scaleByWavelength = 1;

    CLayer& air = cell.model.Append();
    air.SetName("Air");
    CPlane& coating = AddPlane(air, PlanarSingleLayerAR, ShapeTriangle, 0);
    coating.SetConstants(80, 1.9, 0);
    coating.SetPlaneMode(PlaneConstant);
    coating.LyrTransmit = 1;
    coating.drawEdge[1] = 2, coating.drawEdge[2] = 0;
    CPlane& escape = AddPlane(air, LambertianReflector, ShapeParallelogram, 5);
    escape.LyrTransmit = -1;  // the outside of the model
    escape.PlnTransmit = 2;
    CPlane& mirror = AddPlane(air, PlanarReflector, ShapeParallelogram, -5);
    mirror.SetPlaneMode(PlaneTable);
    mirror.SetFileName("mirror.txt");
    for (double w : {300.0, 500.0, 700.0, 900.0, 1100.0}) mirror.optics.InsertSorted(Row(w, w / 1000), ERowCount::Table);

    CLayer& silicon = cell.model.Append();
    silicon.SetName("Silicon");
    silicon.SetMode(LayerTable);
    silicon.SetPathLength(1);
    silicon.SetFileName("si-wnk.txt", LayerTable);
    silicon.SetConstants(3.5, 10, 0.01, 2);
    for (double w : {400.0, 600.0, 800.0, 1000.0}) silicon.optics.InsertSorted(Row(w, 4 - w / 1000), ERowCount::Table);
    AddPlane(silicon, TranslateAcrossProportional, ShapeParallelogram, 0).PlnTransmit = 1;
    AddPlane(silicon, RandomiseTailTransmit, ShapeTriangle, 0.5).LyrTransmit = 0;

    CLayer& phosphor = cell.model.Append();
    phosphor.SetName("Phosphor");
    phosphor.SetMode(LayerStokes);
    phosphor.SetFileName("stokes.txt", LayerStokes);
    phosphor.optics.spareText = "spare";
    for (double w : {550.0, 600.0, 650.0}) phosphor.optics.InsertSorted(Row(w, w / 500), ERowCount::Stokes);

    CLayer& band = cell.model.Append();
    band.SetName("Band");
    band.SetMode(LayerBand);
    band.optics.SetBand(1, 2, 3, 4, 5, 6, 500, 100, 20);
    // A layer whose planes were all removed keeps its old current index, out of range.
    band.Append();
    band.Append();
    band.RemoveAll();
    cell.model.SetCurrent(1);

    // Fields a document does not carry.
    cell.zSweep = {5, 6, 1, 5};
    cell.xOffset = 0.25, cell.yOffset = -0.5, cell.zOffset = 1, cell.azimuthOffset = 2, cell.declinationOffset = 3;
    cell.zVaries = 1;
    cell.seed = 12345;
    cell.pendingRays = 7;
    cell.traceOps = 9;

    CBatch& copy = list.Append();
    copy.CopyFrom(cell);
    copy.name = std::string(300, 'c');
    copy.model.RemoveAt(2);
    copy.model.RemoveAt(2);
    copy.spectrum.RemoveAll();

    list.Append().name = "Defaults";
    list.SetCurrent(1);
}

void Doubles(CArchiveWriter& writer, std::initializer_list<double> values) {
    for (double value : values) writer.Double(value);
}

Bytes RichDocument() {
    CBatchList list;
    BuildRichDocument(list);
    return WriteDocument(list);
}

void ExpectNotStored(const CBatch& batch) {
    for (const CSweep* sweep : {&batch.wavelengthSweep, &batch.xSweep, &batch.ySweep, &batch.zSweep,
                                &batch.azimuthSweep, &batch.declinationSweep})
        EXPECT_EQ(sweep->plotValue, 0);
    EXPECT_EQ(batch.zSweep.start + batch.zSweep.stop + batch.zSweep.step, 0);
    EXPECT_EQ(batch.zVaries, 0);
    for (double offset : {batch.xOffset, batch.yOffset, batch.zOffset, batch.azimuthOffset, batch.declinationOffset})
        EXPECT_EQ(offset, 0);
    EXPECT_EQ(batch.seed, 0u);
    EXPECT_EQ(batch.pendingRays, 0u);
    EXPECT_EQ(batch.traceOps, 0u);
    EXPECT_EQ(batch.tracing, 0u);
}

TEST(DocumentRoundTrip, WriteReadWriteIsByteIdentical) {
    CBatchList source;
    BuildRichDocument(source);
    const Bytes first = WriteDocument(source);
    CBatchList read;
    std::string error;
    ASSERT_TRUE(ReadDocument(first, read, error)) << error;
    EXPECT_EQ(WriteDocument(read), first);

    // Identical bytes show every stored value came back; what remains is what reading itself decides.
    ASSERT_EQ(read.GetCount(), 3u);
    EXPECT_EQ(read.GetCurrent(), 1u);
    const CModel& model = read[0].model;
    ASSERT_EQ(model.GetCount(), 4u);
    EXPECT_EQ(model.GetCurrent(), 1u);
    EXPECT_EQ(model[0][2].optics.GetCount(), 5u);
    EXPECT_EQ(model[0][2].GetPointCount(), 5u);
    EXPECT_EQ(model[1].GetPointCount(LayerTable), 4u);
    EXPECT_EQ(model[2].GetPointCount(LayerStokes), 3u);
    EXPECT_EQ(model[2].GetPointCount(LayerTable), 0u);
    EXPECT_EQ(model[3].GetCount(), 0u);
    EXPECT_EQ(model[3].GetCurrent(), 1u) << "a current index is taken as read";
    for (const CBatch& batch : read) ExpectNotStored(batch);
}

TEST(DocumentRoundTrip, BatchCountAndCurrentIndexFromTheFile) {
    CBatchList list;
    BuildRichDocument(list);
    std::string error;

    // A count of 0 leaves the one default batch a list always holds.
    CArchiveWriter empty;
    Doubles(empty, {6, 6, 0, 0});
    ASSERT_TRUE(ReadDocument(empty.Bytes(), list, error)) << error;
    ASSERT_EQ(list.GetCount(), 1u);
    EXPECT_EQ(list.GetCurrent(), 0u);
    EXPECT_EQ(WriteDocument(list), WriteDocument(CBatchList()));

    // A current index past the last batch is clamped to it.
    Bytes bytes = RichDocument();
    CArchiveWriter seven;
    seven.Double(7);
    std::copy(seven.Bytes().begin(), seven.Bytes().end(), bytes.begin() + 24);
    ASSERT_TRUE(ReadDocument(bytes, list, error)) << error;
    EXPECT_EQ(list.GetCurrent(), 2u);
}

TEST(DocumentRoundTrip, MinimumSizesAdmitTheSmallestRecords) {
    // A count is checked against the smallest size of its elements: records that are exactly that small,
    // ending the input, must still be read.
    CModel model;
    model.Append();
    model.Append();
    CArchiveWriter writer;
    Serialize(writer, model, DocumentVersion);
    CArchiveReader reader(writer.Bytes());
    CModel back;
    Serialize(reader, back, DocumentVersion);
    EXPECT_TRUE(reader.ExpectEnd()) << reader.Error();
    EXPECT_EQ(back.GetCount(), 2u);

    CBatchList three;
    three.Append();
    three.Append();
    CBatchList read;
    std::string error;
    EXPECT_TRUE(ReadDocument(WriteDocument(three), read, error)) << error;
    EXPECT_EQ(read.GetCount(), 3u);
}

TEST(DocumentCorruption, EveryTruncationFailsWithAMessage) {
    const Bytes bytes = RichDocument();
    for (size_t length = 0; length < bytes.size(); ++length) {
        CBatchList list;
        std::string error;
        ASSERT_FALSE(ReadDocument(std::span(bytes).first(length), list, error)) << length;
        ASSERT_NE(error.find(" byte "), std::string::npos) << length << ": " << error;
    }
}

TEST(DocumentCorruption, MessagesNameTheFieldAndTheByte) {
    const Bytes fresh = WriteDocument(CBatchList());
    struct Case {
        Bytes bytes;
        const char* error;
    };
    Case cases[] = {
        {Bytes(fresh.begin(), fresh.begin() + 500),
         "unexpected end of the document at byte 498 while reading the scale-by-wavelength switch (batch 1, "
         "drawing tools)"},
        {fresh, "the name at byte 40 (batch 1) is 1000 characters long, past the end of the document (463 bytes left)"},
        {fresh, "invalid number of interface divides at byte 169 (batch 1): expected a whole number in "
                "0..4294967295, found -1"},
        {fresh, "unexpected data after the end of the document at byte 506 (1 byte more)"},
    };
    cases[1].bytes[40] = 0xFF, cases[1].bytes[41] = 0xE8, cases[1].bytes[42] = 0x03;  // 0xFF, then 1000
    cases[2].bytes[176] ^= 0x80;                                                      // 1.0 made -1.0
    cases[3].bytes.push_back(0);
    for (const Case& c : cases) {
        CBatchList list;
        std::string error;
        EXPECT_FALSE(ReadDocument(c.bytes, list, error));
        EXPECT_EQ(error, c.error);
    }
}

template <class Record>
std::string ErrorReading(std::initializer_list<double> head, std::initializer_list<std::string> texts = {},
                         std::initializer_list<double> tail = {}) {
    CArchiveWriter writer;
    Doubles(writer, head);
    for (const std::string& text : texts) writer.Text(text);
    Doubles(writer, tail);
    for (int i = 0; i < 40; ++i) writer.Double(0);
    CArchiveReader reader(writer.Bytes());
    Record record;
    Serialize(reader, record, DocumentVersion);
    return reader.Error();
}

TEST(DocumentCorruption, AbsurdCountsFailBeforeAnythingIsAllocated) {
    // Each count is about 4e9 in front of a few hundred bytes. Had the reader started creating elements, it
    // would have run out of bytes and said so; the count's own message shows it stopped first.
    const double n = 4e9;
    const std::string results[] = {
        ErrorReading<CBatchList>({6, n, 0}),
        ErrorReading<CModel>({6, n, 0}),
        ErrorReading<CLayer>({6, 4294967295.0, 0}, {"layer"}),
        ErrorReading<CSpectrum>({6, n, 0}),
        ErrorReading<COpticalData>({6, n}, {""}, {LayerTable, 0, 0, 0, 0, 0, 0}),
        ErrorReading<COpticalData>({6, 0}, {""}, {LayerStokes, 0, n, 0, 0, 0, 0}),
    };
    const char* expected[] = {
        "batch count at byte 8 is 4000000000, more than the ",
        "layer count at byte 8 (model) is 4000000000, more than the ",
        "plane count at byte 8 is 4294967295, more than the ",
        "point count at byte 8 (spectrum) is 4000000000, more than the ",
        "table row count at byte 8 (optical data) is 4000000000, more than the ",
        "Stokes row count at byte 33 (optical data) is 4000000000, more than the ",
    };
    for (int i = 0; i < 6; ++i) EXPECT_EQ(results[i].substr(0, std::strlen(expected[i])), expected[i]) << results[i];
}

TEST(DocumentCorruption, RandomDamageNeverCrashes) {
    const Bytes original = RichDocument();
    const double specials[] = {std::nan(""), std::numeric_limits<double>::infinity(), -1, -2147483649.0, 4e9, 1e300, 3.5, 0, 21, 5, 1};
    std::mt19937 random(20240611);
    auto below = [&](size_t n) { return std::uniform_int_distribution<size_t>(0, n - 1)(random); };
    int readable = 0, rejected = 0;
    for (int round = 0; round < 3000; ++round) {
        Bytes bytes = original;
        const size_t edits = 1 + below(3);
        for (size_t e = 0; e < edits && !bytes.empty(); ++e) {
            const size_t at = below(bytes.size());
            switch (below(5)) {
                case 0:
                    bytes[at] ^= static_cast<uint8_t>(1u << below(8));
                    break;
                case 1:
                    bytes[at] = static_cast<uint8_t>(below(256));
                    break;
                case 2: {
                    CArchiveWriter value;
                    value.Double(specials[below(std::size(specials))]);
                    for (size_t i = 0; i < 8 && at + i < bytes.size(); ++i) bytes[at + i] = value.Bytes()[i];
                    break;
                }
                case 3:
                    bytes.resize(at);
                    break;
                default:
                    bytes.insert(bytes.begin() + static_cast<ptrdiff_t>(at), static_cast<uint8_t>(below(256)));
            }
        }
        CBatchList list;
        std::string error;
        if (!ReadDocument(bytes, list, error)) {
            ++rejected;
            ASSERT_FALSE(error.empty()) << "round " << round;
            continue;
        }
        // Whatever was accepted must save and reopen as it is.
        ++readable;
        const Bytes written = WriteDocument(list);
        CBatchList again;
        ASSERT_TRUE(ReadDocument(written, again, error)) << "round " << round << ": " << error;
        ASSERT_EQ(WriteDocument(again), written) << "round " << round;
    }
    EXPECT_GT(readable, 100);
    EXPECT_GT(rejected, 100);
}

}  // namespace
}  // namespace brelix
