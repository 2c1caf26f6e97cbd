// Whole documents: a rich one survives writing and reading unchanged, and no damaged file can crash the
// reader or make it allocate what the file cannot hold.
#include <gtest/gtest.h>

#include <cmath>
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
    EXPECT_EQ(batch.zSweep.start, 0);
    EXPECT_EQ(batch.zSweep.stop, 0);
    EXPECT_EQ(batch.zSweep.step, 0);
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

    ASSERT_EQ(read.GetCount(), 3u);
    EXPECT_EQ(read.GetCurrent(), 1u);
    const CBatch& cell = read[0];
    EXPECT_EQ(cell.name, source[0].name);
    EXPECT_EQ(read[1].name, std::string(300, 'c'));
    EXPECT_EQ(read[2].name, "Defaults");
    EXPECT_EQ(cell.viewFlags[1], 1);
    EXPECT_EQ(cell.spectrum.GetCount(), 3u);
    EXPECT_EQ(cell.GetSourceIntensity(420), 0.7);
    EXPECT_EQ(cell.spectrum[1].extra[2], 3.5);
    EXPECT_EQ(cell.drawTools.sinTilt, std::sin(1.2));

    ASSERT_EQ(cell.model.GetCount(), 4u);
    EXPECT_EQ(cell.model.GetCurrent(), 1u);
    const CLayer& air = cell.model[0];
    ASSERT_EQ(air.GetCount(), 3u);
    EXPECT_EQ(air[1].LyrTransmit, -1);
    EXPECT_EQ(air[0].drawEdge[1], 2);
    EXPECT_EQ(air[2].GetPointCount(), 5u);
    EXPECT_EQ(air[2].GetReflectance(600), source[0].model[0][2].GetReflectance(600));
    EXPECT_EQ(cell.model[1].GetPointCount(LayerTable), 4u);
    EXPECT_EQ(cell.model[1].GetRefractiveIndex(700), source[0].model[1].GetRefractiveIndex(700));
    EXPECT_EQ(cell.model[2].GetPointCount(LayerStokes), 3u);
    EXPECT_EQ(cell.model[2].optics.spareText, "spare");
    EXPECT_EQ(cell.model[3].GetCount(), 0u);
    EXPECT_EQ(cell.model[3].GetCurrent(), 1u) << "a current index is taken as read";
    EXPECT_EQ(cell.model[3].GetAbsorption(520), 1);

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

    CSpectrum spectrum;
    spectrum.InsertSorted(500, 1);
    CArchiveWriter spectrumWriter;
    Serialize(spectrumWriter, spectrum, DocumentVersion);
    CArchiveReader spectrumReader(spectrumWriter.Bytes());
    CSpectrum spectrumBack;
    Serialize(spectrumReader, spectrumBack, DocumentVersion);
    EXPECT_TRUE(spectrumReader.ExpectEnd()) << spectrumReader.Error();

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

    const Bytes fresh = WriteDocument(CBatchList());
    CBatchList list;
    std::string error;
    EXPECT_FALSE(ReadDocument(std::span(fresh).first(500), list, error));
    EXPECT_EQ(error, "unexpected end of the document at byte 498 while reading the scale-by-wavelength switch "
                     "(batch 1, drawing tools)");
    // The batch name's length made 0xFF and 1000 in 16 bits.
    Bytes named = fresh;
    named[40] = 0xFF, named[41] = 0xE8, named[42] = 0x03;
    EXPECT_FALSE(ReadDocument(named, list, error));
    EXPECT_EQ(error,
              "the name at byte 40 (batch 1) is 1000 characters long, past the end of the document (463 bytes left)");
}

TEST(DocumentCorruption, TrailingBytesAreAnError) {
    Bytes bytes = WriteDocument(CBatchList());
    bytes.push_back(0);
    CBatchList list;
    std::string error;
    EXPECT_FALSE(ReadDocument(bytes, list, error));
    EXPECT_EQ(error, "unexpected data after the end of the document at byte 506 (1 byte more)");
}

TEST(DocumentCorruption, AbsurdCountsFailBeforeAnythingIsAllocated) {
    // Each count is 4e9 in front of a few hundred bytes. Had the reader started creating elements, it would
    // have run out of bytes and said so; the count message shows it stopped first.
    struct Case {
        const char* name;
        void (*write)(CArchiveWriter&);
        bool (*read)(const Bytes&, std::string&);
        const char* expected;
    };
    auto readModel = [](const Bytes& bytes, std::string& error) {
        CArchiveReader reader(bytes);
        CModel model;
        Serialize(reader, model, DocumentVersion);
        error = reader.Error();
        return !reader.Failed();
    };
    auto readLayer = [](const Bytes& bytes, std::string& error) {
        CArchiveReader reader(bytes);
        CLayer layer;
        Serialize(reader, layer, DocumentVersion);
        error = reader.Error();
        return !reader.Failed();
    };
    auto readData = [](const Bytes& bytes, std::string& error) {
        CArchiveReader reader(bytes);
        COpticalData data;
        Serialize(reader, data, DocumentVersion);
        error = reader.Error();
        return !reader.Failed();
    };
    auto readDocument = [](const Bytes& bytes, std::string& error) {
        CBatchList list;
        return ReadDocument(bytes, list, error);
    };
    auto padding = [](CArchiveWriter& writer) {
        for (int i = 0; i < 40; ++i) writer.Double(0);
    };
    const Case cases[] = {
        {"batches", [](CArchiveWriter& w) { Doubles(w, {6, 6, 4e9, 0}); }, readDocument,
         "batch count at byte 16 is 4000000000"},
        {"layers", [](CArchiveWriter& w) { Doubles(w, {6, 4e9, 0}); }, readModel,
         "layer count at byte 8 (model) is 4000000000"},
        {"planes",
         [](CArchiveWriter& w) {
             Doubles(w, {6, 4294967295.0, 0});
             w.Text("layer");
         },
         readLayer, "plane count at byte 8 is 4294967295"},
        {"table rows",
         [](CArchiveWriter& w) {
             Doubles(w, {6, 4e9});
             w.Text("");
             Doubles(w, {LayerTable, 0, 0});
             for (int i = 0; i < 3; ++i) w.Text("");
             w.Double(0);
         },
         readData, "table row count at byte 8 (optical data) is 4000000000"},
        {"Stokes rows",
         [](CArchiveWriter& w) {
             Doubles(w, {6, 0});
             w.Text("");
             Doubles(w, {LayerStokes, 0, 4e9});
             for (int i = 0; i < 3; ++i) w.Text("");
             w.Double(0);
         },
         readData, "Stokes row count at byte 33 (optical data) is 4000000000"},
    };
    for (const Case& c : cases) {
        CArchiveWriter writer;
        c.write(writer);
        padding(writer);
        std::string error;
        EXPECT_FALSE(c.read(writer.Bytes(), error)) << c.name;
        EXPECT_EQ(error.substr(0, std::string(c.expected).size()), c.expected) << c.name << ": " << error;
        EXPECT_NE(error.find(", more than the "), std::string::npos) << c.name << ": " << error;
    }
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
