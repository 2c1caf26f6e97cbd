#include "document/data_readers.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <charconv>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <limits>
#include <numbers>
#include <sstream>

#include "core/batch.h"
#include "core/messages.h"
#include "core/model.h"
#include "core/random.h"

namespace brelix {
namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;
using Values = std::vector<double>;
using Shown = std::vector<std::pair<std::string, std::string>>;

class CShown : public IMessages {
public:
    void Show(const std::string& text, const std::string& caption) override {
        shown.push_back({text, caption});
    }
    Shown shown;
};

constexpr int kPlaneTable = -100;  // stands for the plane reader in the tables below

// A value as the readers store it: read at single precision, then widened.
double F(double v) {
    return static_cast<float>(v);
}
// 4πk/λ per cm, λ in nm.
double AlphaOf(double k, double wavelength) {
    return 4 * std::numbers::pi * k / (wavelength * 1e-7);
}

void Read(const std::string& text, int format, COpticalData& table) {
    std::istringstream in(text);
    if (format == kPlaneTable)
        ReadPlaneTable(in, table);
    else
        ReadLayerTable(in, format, table);
}

Values Column(const COpticalData& table, double COpticalPoint::*column) {
    Values values;
    for (const COpticalPoint& row : table) values.push_back(row.*column);
    return values;
}

TEST(DataReaders, ColumnsOfEveryFormat) {
    struct Case {
        int format;
        std::string text;
        Values row;  // wavelength, rindx, extnc, scatt, reflectance, emissionWeight of the one row
        double alpha;
        uint32_t tableCount, stokesCount;
    };
    // clang-format off
    const Case cases[] = {
        {FormatWNAS, "400\t1.5\t20\t3\n", {400, 1.5, 0, 3, 0, 0}, 20, 1, 0},
        {FormatWNKS, "500\t1.5\t0.01\t2\n", {500, 1.5, F(0.01), 2, 0, 0}, 2513.274, 1, 0},
        // Three header lines, numbers or not, are skipped; a fourth column is not part of the format.
        {FormatWNK, "Title\n1 2 3\nnm\tn\tk\n600\t3.9\t0.02\t99\n", {600, F(3.9), F(0.02), 0, 0, 0},
         AlphaOf(F(0.02), 600), 1, 0},
        {FormatStokes, "700\t11\t12\t1.3\t0.5\t0.25\n", {700, F(1.3), 0.5, 12, 0, 0.25}, 11, 0, 1},
        {kPlaneTable, "600\t0.3\t9\n", {600, 1, 0, 0, F(0.3), 0}, 0, 1, 0},
        // No absorption at a wavelength of 0 or below.
        {FormatWNKS, "0\t1.5\t0.01\t2\n", {0, 1.5, F(0.01), 2, 0, 0}, 0, 1, 0},
        {FormatWNK, "\n\n\n-5\t1.5\t0.01\n", {-5, 1.5, F(0.01), 0, 0, 0}, 0, 1, 0},
    };
    // clang-format on
    for (const Case& c : cases) {
        COpticalData table;
        Read(c.text, c.format, table);
        ASSERT_EQ(table.GetCount(), 1u) << c.text;
        const COpticalPoint& row = table[0];
        EXPECT_EQ(
            (Values{row.wavelength, row.rindx, row.extnc, row.scatt, row.reflectance, row.emissionWeight}),
            c.row)
            << c.text;
        EXPECT_NEAR(row.alpha, c.alpha, 1e-3) << c.text;
        EXPECT_EQ(row.alpha, F(row.alpha)) << "alpha is stored at single precision";
        EXPECT_EQ(table.tableCount, c.tableCount) << c.text;
        EXPECT_EQ(table.stokesCount, c.stokesCount) << c.text;
    }
}

TEST(DataReaders, EmptyTheTableFirst) {
    COpticalData table;
    Read("1 1 1 1 1 1\n2 2 2 2 2 2\n", FormatStokes, table);
    Read("10 1 0 0\n", FormatWNAS, table);
    EXPECT_EQ(Column(table, &COpticalPoint::wavelength), Values{10});
    EXPECT_EQ(table.stokesCount, 0u);
    // A "W N K" file of header lines only, and a format without a reader, leave it empty.
    for (int format : {static_cast<int>(FormatWNK), 3, 4, -1}) {
        Read("10 1 0 0\n", FormatWNAS, table);
        Read("10 1 0 0\n20 1 0 0\n30 1 0 0\n", format, table);
        EXPECT_EQ(table.GetCount(), 0u) << "format " << format;
        EXPECT_EQ(table.tableCount, 0u) << "format " << format;
    }
}

TEST(DataReaders, ShortBlankAndTextLinesKeepThePreviousColumns) {
    COpticalData table;
    Read("500\n", FormatWNAS, table);
    EXPECT_EQ(table[0].rindx, 0.0) << "before the first line every column is 0";

    Read("400 1.5 20 3\n410 1.6\n\n420\nnot a number\n", FormatWNAS, table);
    EXPECT_EQ(Column(table, &COpticalPoint::wavelength), (Values{400, 410, 410, 420, 420}));
    EXPECT_EQ(Column(table, &COpticalPoint::rindx), (Values{1.5, F(1.6), F(1.6), F(1.6), F(1.6)}));
    EXPECT_EQ(Column(table, &COpticalPoint::alpha), (Values{20, 20, 20, 20, 20}));
    EXPECT_EQ(Column(table, &COpticalPoint::scatt), (Values{3, 3, 3, 3, 3}));
    EXPECT_EQ(table.tableCount, 5u);

    // The absorption follows the carried k at the new wavelength.
    Read("500 1 0.01 0\n1000\n", FormatWNKS, table);
    EXPECT_NEAR(table[1].alpha, AlphaOf(F(0.01), 1000), 1e-3);
}

// Each line follows the row "7 8"; the row it gives is compared.
TEST(DataReaders, SeparatorsAndNumberSyntaxOfPercentF) {
    const double inf = std::numeric_limits<float>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    // clang-format off
    const std::pair<std::string, Values> cases[] = {
        {"  410\t\t 0.25  ",  {410, 0.25}},
        {"410\v\f0.125\r",    {410, 0.125}},
        {"410,5 0.25",        {410, 8}},      // a decimal comma ends the number, as in the "C" locale
        {"410 x 0.25",        {410, 8}},      // so does any text, even with numbers after it
        {"410\0 0.25"s,       {410, 8}},      // and a NUL, as it ends a C string
        {"+-1 2",             {7, 8}},        // no number at all: the previous row again
        {"+400 +0.5",         {400, 0.5}},
        {"-400 -0.5",         {-400, -0.5}},
        {".5 5.",             {0.5, 5}},
        {"4e2 2.5E-1",        {400, 0.25}},
        {"1.5-2",             {1.5, -2}},     // no white space is needed between numbers
        {"400.1 0.1",         {F(400.1), F(0.1)}},
        {"1e39 -1e39",        {inf, -inf}},   // beyond the float range
        {"1e-50 -1e-400",     {0, 0}},        // below it
        {"1e5000 1e-5000",    {inf, 0}},      // beyond even long double
        {"1e-40 0",           {F(1e-40), 0}}, // a subnormal float
        {"inf -infinity",     {inf, -inf}},
        {"nan 0.5",           {nan, 0.5}},
    };
    // clang-format on
    for (const auto& [line, expected] : cases) {
        COpticalData table;
        Read("7 8\n" + line + "\n", kPlaneTable, table);
        ASSERT_EQ(table.GetCount(), 2u) << line;
        const COpticalPoint& row = table[expected[0] < 7 ? 0 : 1];
        if (std::isnan(expected[0]))
            EXPECT_TRUE(std::isnan(row.wavelength)) << line;
        else
            EXPECT_EQ(row.wavelength, expected[0]) << line;
        EXPECT_EQ(row.reflectance, expected[1]) << line;
    }
}

TEST(DataReaders, RowsAscendWithEqualWavelengthsInFileOrder) {
    COpticalData table;
    Read("500 1\n400 2\n500 3\n300 4\n500 5\n400 6\n", kPlaneTable, table);
    EXPECT_EQ(Column(table, &COpticalPoint::wavelength), (Values{300, 400, 400, 500, 500, 500}));
    EXPECT_EQ(Column(table, &COpticalPoint::reflectance), (Values{4, 2, 6, 1, 3, 5}));

    CSpectrum spectrum;
    std::istringstream in("500\t0.8\n400\t0.5\n\n450 0.25 7\n");
    ReadSpectrum(in, spectrum);
    Values points;
    for (const CSpectrumPoint& p : spectrum) points.insert(points.end(), {p.wavelength, p.intensity});
    EXPECT_EQ(points, (Values{400, 0.5, 400, 0.5, 450, 0.25, 500, F(0.8)}));
}

// The readers sort a whole file before inserting it; that must give what inserting each row in file
// order gives, with ties and NaN wavelengths.
TEST(DataReaders, AgreeWithSortedInsertionInFileOrder) {
    for (bool withNan : {false, true}) {
        CRandom random(12111);
        std::string text;
        COpticalData expected;
        for (int i = 0; i < 3000; ++i) {
            COpticalPoint row;
            row.wavelength = (random.Next() % 200) * 0.5;
            if (withNan && i % 97 == 5) row.wavelength = std::numeric_limits<double>::quiet_NaN();
            row.reflectance = i;  // the line number identifies the row
            expected.InsertSorted(row, ERowCount::Table);
            char buffer[64];
            text.append(buffer, std::to_chars(buffer, buffer + 64, row.wavelength).ptr);
            text += "\t" + std::to_string(i) + "\n";
        }
        COpticalData table;
        Read(text, kPlaneTable, table);
        EXPECT_EQ(Column(table, &COpticalPoint::reflectance), Column(expected, &COpticalPoint::reflectance))
            << (withNan ? "with NaN wavelengths" : "");
    }
}

class DataFiles : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("brelix-readers-" + std::to_string(::getpid()) + "-" +
                                            ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }
    std::string Write(const std::string& name, const std::string& text) {
        std::ofstream(dir_ / name) << text;
        return (dir_ / name).string();
    }

    fs::path dir_;
    CShown messages_;
};

TEST_F(DataFiles, EachReaderReadsItsOwnFile) {
    CLayer layer;
    layer.SetFileName(Write("wnks.txt", "500 1.5 0.01 2\n400 1.4 0.02 1\n"), FormatWNKS);
    layer.SetFileName(Write("stokes.txt", "700 1 2 3 4 5\n"), FormatStokes);
    EXPECT_TRUE(LoadDataFile(layer, FormatWNKS, messages_));
    EXPECT_EQ(Column(layer.optics, &COpticalPoint::wavelength), (Values{400, 500}));
    EXPECT_TRUE(LoadDataFile(layer, FormatStokes, messages_));
    EXPECT_EQ(Column(layer.optics, &COpticalPoint::emissionWeight), Values{5});
    EXPECT_EQ(layer.GetPointCount(FormatStokes), 1u);

    CPlane plane;
    plane.SetFileName(Write("wr.txt", "500\t0.5\n\n400\t0.25\n"));
    EXPECT_TRUE(LoadDataFile(plane, messages_));
    EXPECT_EQ(Column(plane.optics, &COpticalPoint::reflectance), (Values{0.25, 0.5, 0.5}));
    EXPECT_TRUE(messages_.shown.empty());

    CBatch batch;
    batch.spectrumFile = Write("spectrum.txt", "400 0.5\n500 0.8\n450 0.6\n");
    EXPECT_TRUE(LoadSpectrumFile(batch, messages_));
    EXPECT_EQ(batch.spectrum.GetCount(), 3u);
    batch.spectrumFile = Write("empty.txt", "");
    EXPECT_TRUE(LoadSpectrumFile(batch, messages_));
    EXPECT_EQ(messages_.shown,
              (Shown{{"Number of Points Loaded: 3 ", "Brelix"}, {"Number of Points Loaded: 0 ", "Brelix"}}));
}

TEST_F(DataFiles, FileThatCannotBeOpenedIsReportedAndEmptiesTheTable) {
    // A folder opens like a file on some systems, then reads as empty; it is reported the same way.
    for (const std::string& name : {(dir_ / "missing.txt").string(), dir_.string()}) {
        CLayer layer;
        Read("1 1 1 1\n2 2 2 2\n", FormatWNAS, layer.optics);
        layer.SetFileName(name, FormatWNAS);
        EXPECT_FALSE(LoadDataFile(layer, FormatWNAS, messages_));
        EXPECT_EQ(layer.optics.GetCount() + layer.GetPointCount(FormatWNAS), 0u);

        CPlane plane;
        Read("1 1\n", kPlaneTable, plane.optics);
        plane.SetFileName(name);
        EXPECT_FALSE(LoadDataFile(plane, messages_));
        EXPECT_EQ(plane.optics.GetCount() + plane.GetPointCount(), 0u);

        CBatch batch;
        batch.spectrum.InsertSorted(500, 1);
        batch.spectrumFile = name;
        EXPECT_FALSE(LoadSpectrumFile(batch, messages_));
        EXPECT_EQ(batch.spectrum.GetCount(), 0u);

        // One message each, and no count of points after a failed spectrum.
        const std::pair<std::string, std::string> message{"Error could not open \"" + name + "\"", "Brelix"};
        EXPECT_EQ(messages_.shown, (Shown{message, message, message}));
        messages_.shown.clear();
    }
}

std::string SharedFile(const char* name) {
    return std::string(BRELIX_SHARED_DATA) + "/" + name;
}

TEST(SharedData, SiliconWNKTable) {
    CLayer layer;
    layer.SetFileName(SharedFile("si-green-2008-wnk.txt"), FormatWNK);
    if (!fs::exists(layer.GetFileName(FormatWNK))) GTEST_SKIP() << "no shared data folder";
    layer.SetMode(LayerTable);
    CShown messages;
    ASSERT_TRUE(LoadDataFile(layer, FormatWNK, messages));
    ASSERT_EQ(layer.GetPointCount(FormatWNK), 121u);
    EXPECT_EQ(layer.optics[0].wavelength, 250.0);
    EXPECT_EQ(layer.optics[120].wavelength, 1450.0);
    EXPECT_EQ(layer.GetRefractiveIndex(500), F(4.294));
    EXPECT_EQ(layer.GetExtinction(500), F(0.044165));
    EXPECT_NEAR(layer.GetAbsorption(500), 11100, 1);
    // Silicon absorbs less and less towards its band gap.
    EXPECT_GT(layer.GetAbsorption(505), layer.GetAbsorption(510));
    EXPECT_LT(layer.GetAbsorption(1200), 1);
}

TEST(SharedData, Am15gSpectrum) {
    CBatch batch;
    batch.spectrumFile = SharedFile("am15g.txt");
    if (!fs::exists(batch.spectrumFile)) GTEST_SKIP() << "no shared data folder";
    CShown messages;
    ASSERT_TRUE(LoadSpectrumFile(batch, messages));
    EXPECT_EQ(messages.shown, (Shown{{"Number of Points Loaded: 2002 ", "Brelix"}}));
    ASSERT_EQ(batch.spectrum.GetCount(), 2002u);
    // Every line was read: the trapezoid integral of the single-precision values is 1000.371 W/m².
    double integral = 0;
    for (uint32_t i = 1; i < batch.spectrum.GetCount(); ++i) {
        const CSpectrumPoint& a = batch.spectrum[i - 1];
        const CSpectrumPoint& b = batch.spectrum[i];
        integral += (b.wavelength - a.wavelength) * (a.intensity + b.intensity) / 2;
    }
    EXPECT_NEAR(integral, 1000.371, 0.0005);
    EXPECT_EQ(batch.spectrum[2001].wavelength, 4000.0);
}

}  // namespace
}  // namespace brelix
