// The document format: its bytes field by field (a round trip cannot see a field in the wrong place), a
// rich document read back unchanged, and damaged input refused without crashing or allocating. Document
// files: a failed save never damages the file it would have replaced, a failed open the open document.
#include "document/archive.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <sstream>
#include <tuple>

#include "core/batch_list.h"
#include "document/document_file.h"

namespace brelix {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

Bytes DoubleBytes(double value) {
    CArchiveWriter writer;
    writer.Double(value);
    return writer.TakeBytes();
}

// A record's values as text, read by its shape ('d' a double, 't' a text in quotes; spaces only group);
// the shape must take every byte.
std::string Decode(const Bytes& bytes, std::string_view shape) {
    CArchiveReader reader(bytes);
    std::ostringstream out;
    for (char kind : shape) {
        double value = 0;
        std::string text;
        if (kind == 'd' && reader.Double(value, "value")) out << value << ' ';
        if (kind == 't' && reader.Text(text, "text")) out << '"' << text << "\" ";
    }
    EXPECT_TRUE(reader.ExpectEnd()) << reader.Error();
    return out.str();
}

std::string Sequence(int from, int to) {
    std::string run;
    for (int v = from; v <= to; ++v) run += std::to_string(v) + ' ';
    return run;
}

template <class Record>
Bytes Write(const Record& record) {
    CArchiveWriter writer;
    Serialize(writer, record, DocumentVersion);
    return writer.TakeBytes();
}

template <class Record>
void Read(const Bytes& bytes, Record& record) {
    CArchiveReader reader(bytes);
    Serialize(reader, record, DocumentVersion);
    EXPECT_TRUE(reader.ExpectEnd()) << reader.Error();
}

// Every column distinct, in stored order: base, base+1, ..., base+17; the row flag -base.
COpticalPoint Row(int base) {
    using P = COpticalPoint;
    double P::*columns[] = {&P::wavelength, &P::rindx, &P::extnc, &P::alpha, &P::scatt, &P::emissionWeight,
                            &P::reflectance, &P::tDielectric, &P::nDielectric, &P::inbandAlpha,
                            &P::outbandAlpha, &P::inbandScatt, &P::outbandScatt, &P::inbandRindx,
                            &P::outbandRindx, &P::centerWavelength, &P::bandwidth, &P::emissionShift};
    COpticalPoint row;
    for (int i = 0; i < 18; ++i) row.*columns[i] = base + i;
    row.rowFlag = -base;
    return row;
}

TEST(CArchive, DoublesCountedIntegersAndTextLengths) {
    EXPECT_EQ(DoubleBytes(-2.5), (Bytes{0, 0, 0, 0, 0, 0, 0x04, 0xC0})) << "little-endian binary64";
    // {stored, signed, value read}; 99: refused, and the target keeps its 99.
    const std::tuple<double, bool, int64_t> integers[] = {
        {3.9, false, 3}, {-0.9, false, 0}, {4294967295.9, false, 4294967295}, {-1, false, 99},
        {NAN, false, 99}, {4294967296.0, false, 99}, {-3.7, true, -3}, {2147483647.9, true, 2147483647},
        {INFINITY, true, 99}, {-2147483648.5, true, -2147483648}, {2147483648.0, true, 99},
        {-2147483649.0, true, 99}};
    for (const auto& [stored, isSigned, value] : integers) {
        const Bytes bytes = DoubleBytes(stored);
        CArchiveReader reader(bytes);
        int32_t s = 99;
        uint32_t u = 99;
        EXPECT_EQ(isSigned ? reader.Signed(s, "flag") : reader.Unsigned(u, "count"), value != 99) << stored;
        EXPECT_EQ(isSigned ? int64_t{s} : int64_t{u}, value) << stored;
    }
    // A text's length takes one, three or seven bytes.
    const std::pair<size_t, Bytes> texts[] = {
        {254, {254}}, {255, {0xFF, 0xFF, 0x00}}, {300, {0xFF, 0x2C, 0x01}}, {65533, {0xFF, 0xFD, 0xFF}},
        {65534, {0xFF, 0xFF, 0xFF, 0xFE, 0xFF, 0, 0}}, {70000, {0xFF, 0xFF, 0xFF, 0x70, 0x11, 0x01, 0}}};
    for (const auto& [length, prefix] : texts) {
        CArchiveWriter writer;
        writer.Text(std::string(length, 'a'));
        EXPECT_EQ(Bytes(writer.Bytes().begin(), writer.Bytes().begin() + prefix.size()), prefix) << length;
        CArchiveReader reader(writer.Bytes());
        std::string back;
        EXPECT_TRUE(reader.Text(back, "name") && reader.ExpectEnd()) << reader.Error();
        EXPECT_EQ(back, std::string(length, 'a'));
    }
}

TEST(DocumentLayout, NewDocument) {
    const Bytes bytes = WriteDocument(CBatchList());
    ASSERT_EQ(bytes.size(), 506u);
    // Document version, count, current; spectrum and layer counts; tilt.
    for (auto [at, value] : {std::pair{0, 6.0}, {16, 1.0}, {24, 0.0}, {330, 0.0}, {354, 0.0}, {378, 3.1416}})
        EXPECT_EQ(Bytes(bytes.begin() + at, bytes.begin() + at + 8), DoubleBytes(value)) << at;
    // Every value: the list's head; the batch's sweeps, minimum intensity, subdivisions, flags (spare 1; draw
    // 1; view 1, 0, 0), spectrum switches and intensity; the empty spectrum and model; the drawing tools.
    EXPECT_EQ(Decode(bytes, "dddd dt" + std::string(34, 'd') + "td" + std::string(23, 'd')),
              "6 6 1 0 6 \"\" 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0.001 1 100 4 16 2 0 0 1 0 0 0 1 1 0 0 1 0 1 "
              "\"\" 0 6 0 0 6 0 0 6 3.1416 0 -1 0 1 300 300 0 0 0 1 0.9 0 0 1 0 ");

    CBatchList batches;  // two of the smallest batches, and layers, ending the input pass the count checks
    CModel layers;
    batches.Append(), layers.Append(), layers.Append();
    Read(Write(batches), batches), Read(Write(layers), layers);
}

TEST(DocumentLayout, BatchFieldsInStoredOrder) {
    CBatch b;
    double next = 1;
    for (CSweep* sweep : {&b.azimuthSweep, &b.declinationSweep, &b.wavelengthSweep, &b.xSweep, &b.ySweep})
        *sweep = {next++, next++, next++, 1000};
    b.minIntensity = 16, b.interfaceDivides = 17, b.subdividePosition = 18, b.subdivideTheta = 19;
    b.subdivideXi = 20, b.subdivideScatter = 21, b.azimuthVaries = 22, b.declinationVaries = 23;
    b.spareFlag = 24, b.wavelengthVaries = 25, b.xVaries = 26, b.yVaries = 27, b.drawOnRaytrace = 28;
    b.viewFlags[0] = 29, b.viewFlags[1] = 31, b.viewFlags[2] = 30;  // stored first, third, second
    b.constantSpectrum = 32, b.fileSpectrum = 33, b.constantIntensity = 34, b.useSpectrumFile = -35;
    b.name = "B", b.spectrumFile = "S";
    CDrawTools& t = b.drawTools;
    t.tilt = 50, t.sinTilt = 51, t.cosTilt = 52, t.rotation = 53, t.scale = 54, t.originX = 55;
    t.originY = 56, t.compressX = 57, t.compressY = 58, t.compressZ = 59, t.intensityStart = 60;
    t.stepFactor = 61, t.wavelengthStart = 62, t.wavelengthStop = 63, t.scaleByIntensity = 64;
    t.scaleByWavelength = 65;
    EXPECT_EQ(Decode(Write(b), "dt" + std::string(34, 'd') + "td" + std::string(23, 'd')),
              "6 \"B\" " + Sequence(1, 34) + "\"S\" -35 6 0 0 6 0 0 6 " + Sequence(50, 65));
}

TEST(DocumentLayout, TablePlaneStoresRowsOf176BytesAfterItsHeader) {
    CPlane plane;
    plane.planeType = 9, plane.shape = 1, plane.LyrTransmit = -1, plane.PlnTransmit = 4, plane.name = "P";
    double next = 10;
    for (CRay* r : {&plane.edge1, &plane.edge2, &plane.normal})
        for (double* v : {&r->x, &r->y, &r->z, &r->dx, &r->dy, &r->dz, &r->step, &r->intensity}) *v = next++;
    for (int i = 0; i < 4; ++i) plane.drawEdge[i] = 40 + i;
    COpticalData& optics = plane.optics;
    optics.dataFile = "d", optics.stokesFile = "ss", optics.planeFile = "ppp", optics.spareText = "qqqq";
    // A plane's table is stored whatever its layer mode says.
    optics.layerMode = 7, optics.pathLength = -2, optics.planeMode = PlaneTable;
    for (int base : {400, 200, 500, 100, 300}) optics.InsertSorted(Row(base), ERowCount::Table);
    optics.constants = Row(600);

    const Bytes bytes = Write(plane);
    const size_t header = 33 * 8 + 2 + 6 * 8 + 14;  // the plane's fields, then the optical data's
    ASSERT_EQ(bytes.size(), header + 6 * 176u) << "five rows in wavelength order, then the constant row";
    std::string expected = "6 9 1 -1 4 \"P\" " + Sequence(10, 33) + Sequence(40, 43) +
                           "6 5 \"d\" 7 -2 0 \"ss\" \"ppp\" \"qqqq\" 21 ";
    for (int b = 100; b <= 600; b += 100)
        expected += "6 " + Sequence(b, b + 5) + "0 0 " + Sequence(b + 6, b + 17) + std::to_string(-b) + ' ';
    EXPECT_EQ(Decode(bytes, "ddddd t" + std::string(28, 'd') + "dd t ddd ttt d" + std::string(6 * 22, 'd')),
              expected);

    Bytes garbage = bytes;  // whatever a row's two ignored doubles hold, reading drops them
    std::fill_n(garbage.begin() + header + 7 * 8, 16, 0x7F);
    CPlane back;
    Read(garbage, back);
    EXPECT_EQ(Write(back), bytes);
}

TEST(DocumentLayout, BandLayerStoresNoRows) {
    CLayer layer, back;
    for (int base : {100, 200, 300}) layer.optics.InsertSorted(Row(base), ERowCount::Table);
    layer.SetMode(LayerBand);
    const Bytes bytes = Write(layer);
    EXPECT_EQ(bytes.size(), 3 * 8 + 1 + 6 * 8 + 4 + 176u) << "the layer's and optical data's fields, no rows";
    Read(bytes, back);
    EXPECT_EQ(back.optics.GetCount(), 0u);
    EXPECT_EQ(back.GetPointCount(LayerTable), 0u);
}

// Two batches: one with each kind of optical data, a spectrum and fields a document does not carry; a copy
// of it with a 300-character name.
CBatchList& BuildRichDocument(CBatchList& list) {
    CBatch& cell = list[0];
    for (double w : {500.0, 400.0, 450.0}) cell.spectrum.InsertSorted(w, w / 1000);
    CLayer& air = cell.model.Append();
    air.Append().SetConstants(80, 1.9, 0.1);
    air.Append().SetPlaneMode(PlaneTable);
    for (int base : {300, 100, 200}) air[1].optics.InsertSorted(Row(base), ERowCount::Table);
    // Rows loaded into a band layer are not stored.
    const std::pair<ELayerMode, ERowCount> modes[] = {
        {LayerTable, ERowCount::Table}, {LayerStokes, ERowCount::Stokes}, {LayerBand, ERowCount::None}};
    for (auto [mode, count] : modes) {
        CLayer& layer = cell.model.Append();
        layer.SetMode(mode);
        for (int base : {400, 500}) layer.optics.InsertSorted(Row(base), count);
    }
    cell.model[2].optics.stokesCount = 9;  // more than its rows: stored as the two there are
    cell.model.SetCurrent(1), cell.model[3].SetCurrent(1);  // the band layer's is out of range, taken as read
    cell.zSweep = {5, 6, 1, 5}, cell.wavelengthSweep.plotValue = 450, cell.zVaries = 1, cell.seed = 12345;
    cell.xOffset = 0.25, cell.yOffset = -0.5, cell.zOffset = 1, cell.azimuthOffset = 2;
    cell.declinationOffset = 3, cell.pendingRays = 7, cell.traceOps = 9;
    list.Append().CopyFrom(cell);
    list[1].name = std::string(300, 'c');
    return list;
}

// Identical bytes show every stored value came back, counts and current indices included.
TEST(DocumentRoundTrip, WriteReadWriteIsByteIdenticalAndLeavesWhatIsNotStoredAtDefaults) {
    CBatchList list;
    const Bytes bytes = WriteDocument(BuildRichDocument(list));
    std::string error;
    ASSERT_TRUE(ReadDocument(bytes, list, error)) << error;
    EXPECT_EQ(WriteDocument(list), bytes);
    for (const CBatch& b : list) {
        EXPECT_EQ(b.wavelengthSweep.plotValue + b.zSweep.start + b.zSweep.stop + b.zSweep.step, 0);
        EXPECT_EQ(b.xOffset + b.yOffset + b.zOffset + b.azimuthOffset + b.declinationOffset, 0);
        EXPECT_EQ(b.zVaries + b.seed + b.pendingRays + b.traceOps, 0u);
    }
}

TEST(DocumentCorruption, DamageIsRefusedWithAMessageBeforeAnythingIsAllocated) {
    CBatchList list;
    CLayer& layer = list[0].model.Append();
    layer.SetMode(LayerStokes), layer.Append().SetPlaneMode(PlaneTable);
    layer[0].optics.InsertSorted(Row(500), ERowCount::Table);
    const Bytes document = WriteDocument(list), absurd = DoubleBytes(4e9);
    // How each message starts (the file tests check whole messages). No patch bytes: the document is cut
    // there. An absurd count is refused on its own: had the reader started creating elements, it would have
    // run out of bytes and said so.
    const std::tuple<size_t, Bytes, std::string> cases[] = {
        {1423, {}, "unexpected end of the document at byte 1420 while reading the scale-by-wavelength"},
        {40, {0xFF, 0x88, 0x13}, "the name at byte 40 (batch 0) is 5000 characters long, past the end of"},
        {169, DoubleBytes(-1), "invalid number of interface divides at byte 169 (batch 0): expected a whole "
                               "number in 0..4294967295, found -1"},
        {1428, {0}, "unexpected data after the end of the document at byte 1428 (1 byte more)"},
        {16, absurd, "batch count at byte 16 is 4000000000, more than the 1404 bytes left can hold"},
        {330, absurd, "point count at byte 330 (batch 0, spectrum) is 4000000000, more than the"},
        {354, absurd, "layer count at byte 354 (batch 0, model) is 4000000000, more than the"},
        {378, DoubleBytes(4294967295.0), "plane count at byte 378 (batch 0, model, layer 0) is 4294967295"},
        {668, absurd, "table row count at byte 668 (batch 0, model, layer 0, plane 0, optical data) is 4000"},
        {1097, absurd, "Stokes row count at byte 1097 (batch 0, model, layer 0, optical data) is 4000000000"},
        // A table row's wavelength must have a place in the order for lookups to bracket it.
        {720, DoubleBytes(NAN), "invalid wavelength at byte 720 (batch 0, model, layer 0, plane 0, optical "
                                "data, row 0): expected a finite number, found nan"},
        {720, DoubleBytes(-INFINITY), "invalid wavelength at byte 720 (batch 0, model, layer 0, plane 0,"},
    };
    for (const auto& [at, patch, message] : cases) {
        Bytes bytes = document;
        bytes.resize(patch.empty() ? at : std::max(bytes.size(), at + patch.size()));
        std::copy(patch.begin(), patch.end(), bytes.begin() + static_cast<ptrdiff_t>(at));
        std::string error;
        EXPECT_FALSE(ReadDocument(bytes, list, error));
        EXPECT_EQ(error.substr(0, message.size()), message) << error;
    }
}

TEST(DocumentCorruption, RandomDamageNeverCrashes) {
    CBatchList list;
    const Bytes original = WriteDocument(BuildRichDocument(list));
    const double specials[] = {NAN, INFINITY, -1, -2147483649.0, 4e9, 1e300, 3.5, 0, 21, 5, 1};
    std::mt19937 random(20240611);
    auto below = [&](size_t n) { return std::uniform_int_distribution<size_t>(0, n - 1)(random); };
    int readable = 0;
    for (int round = 0; round < 3000; ++round) {
        Bytes bytes = original;
        for (size_t edits = 1 + below(3); edits > 0; --edits) {
            const size_t at = below(bytes.size() - 8), kind = below(3);
            const Bytes special = DoubleBytes(specials[below(std::size(specials))]);
            if (kind == 0) bytes[at] ^= static_cast<uint8_t>(1u << below(8));
            if (kind == 1) std::copy(special.begin(), special.end(), bytes.begin() + at);
            if (kind == 2) bytes.insert(bytes.begin() + at, static_cast<uint8_t>(below(256)));
        }
        std::string error;
        const bool read = ReadDocument(bytes, list, error);
        ASSERT_EQ(read, error.empty()) << round;  // a refusal always says why
        if (!read) continue;
        ++readable;  // whatever was accepted must save and reopen as it is
        const Bytes written = WriteDocument(list);
        ASSERT_TRUE(ReadDocument(written, list, error) && WriteDocument(list) == written) << round << error;
    }
    EXPECT_GT(readable, 100);
}

class DocumentFile : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_NE(::mkdtemp(dir_.data()), nullptr); }
    void TearDown() override { fs::remove_all(dir_); }
    std::string PathOf(const char* name) const { return dir_ + "/" + name; }
    // The entries of the folder: a temporary file left behind would add one.
    long Files() const { return std::distance(fs::directory_iterator(dir_), fs::directory_iterator()); }
    static Bytes Contents(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return Bytes(std::istreambuf_iterator<char>(in), {});
    }

    std::string dir_ = ::testing::TempDir() + "brelix-document-XXXXXX";
    CBatchList list_;
    std::string error_;
};

TEST_F(DocumentFile, SaveReplacesTheFileOrWhatALinkPointsToAndOpenReadsItBack) {
    const std::string path = PathOf("cell.doc"), link = PathOf("link.doc");
    std::ofstream(path) << std::string(2000, 'x');
    ::chmod(path.c_str(), 0640);
    ASSERT_EQ(::symlink("cell.doc", link.c_str()), 0);
    ASSERT_TRUE(SaveDocument(path, list_, error_)) << error_;
    EXPECT_EQ(Contents(path), WriteDocument(list_));
    struct stat info;
    EXPECT_EQ(::stat(path.c_str(), &info) == 0 ? info.st_mode & 0777 : 0, 0640u) << "permissions are kept";

    list_.Append().model.Append().SetName("Layer");
    ASSERT_TRUE(SaveDocument(link, list_, error_)) << error_;
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(Contents(path), WriteDocument(list_));
    EXPECT_EQ(Files(), 2);
    CBatchList opened;
    ASSERT_TRUE(OpenDocument(link, opened, error_)) << error_;
    EXPECT_EQ(WriteDocument(opened), WriteDocument(list_));
}

TEST_F(DocumentFile, FailedSavesLeaveTheOldFileAndNoTemporary) {
    const std::string missing = PathOf("missing/cell.doc");
    EXPECT_FALSE(SaveDocument(missing, list_, error_));
    EXPECT_EQ(error_, "Cannot write file " + missing + ": No such file or directory.");

    // A write that fails part way, as on a full disk: files may not grow past 100 bytes.
    const std::string path = PathOf("cell.doc");
    std::ofstream(path) << std::string(300, 'p');
    rlimit previous;
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &previous), 0);
    const rlimit small{100, previous.rlim_max};
    auto* handler = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool saved = SaveDocument(path, list_, error_);
    ::setrlimit(RLIMIT_FSIZE, &previous);
    std::signal(SIGXFSZ, handler);
    EXPECT_FALSE(saved);
    EXPECT_EQ(error_, "Cannot write file " + path + ": File too large.");
    EXPECT_EQ(Contents(path), Bytes(300, 'p'));
    EXPECT_EQ(Files(), 1);
}

// A list is never empty: a document without batches opens with a new default batch, and says so.
TEST_F(DocumentFile, ADocumentWithoutBatchesOpensWithANotice) {
    const std::string empty = PathOf("empty.doc"), full = PathOf("full.doc");
    CArchiveWriter writer;
    for (double value : {6.0, 6.0, 0.0, 0.0}) writer.Double(value);  // versions, no batches, current 0
    std::ofstream(empty, std::ios::binary).write(reinterpret_cast<const char*>(writer.Bytes().data()), 32);
    ASSERT_TRUE(SaveDocument(full, list_, error_)) << error_;
    std::vector<std::string> notices;
    ASSERT_TRUE(OpenDocument(full, list_, error_, &notices) && OpenDocument(empty, list_, error_, &notices))
        << error_;
    EXPECT_EQ(notices, std::vector<std::string>{"The document holds no batches; it was opened with one new "
                                                "default batch."});
    EXPECT_EQ(WriteDocument(list_), WriteDocument(CBatchList()));
}

TEST_F(DocumentFile, FailedOpensLeaveTheDocumentAlone) {
    const std::string zeros = PathOf("zeros.doc"), missing = PathOf("missing.doc");
    std::ofstream(zeros) << std::string(500, '\0');
    list_.Append().name = "Open";
    const Bytes before = WriteDocument(list_);
    const std::pair<std::string, std::string> cases[] = {
        {missing, "No such file or directory."},
        {dir_, "Is a directory."},
        {zeros, "unexpected data after the end of the document at byte 32 (468 bytes more)."},
    };
    for (const auto& [path, reason] : cases) {
        EXPECT_FALSE(OpenDocument(path, list_, error_)) << path;
        EXPECT_EQ(error_, "Cannot open file " + path + ": " + reason);
        EXPECT_EQ(WriteDocument(list_), before) << path;
    }
}

}  // namespace
}  // namespace brelix
