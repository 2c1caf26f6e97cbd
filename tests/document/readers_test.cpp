#include "document/data_readers.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <charconv>
#include <clocale>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <limits>
#include <numbers>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "core/batch.h"
#include "core/messages.h"
#include "core/model.h"
#include "core/random.h"

namespace brelix {
namespace {

namespace fs = std::filesystem;

// Keeps every message shown.
class CShown : public IMessages {
  public:
    void Show(const std::string& text, const std::string& caption) override {
        shown.push_back({text, caption});
    }
    std::vector<std::pair<std::string, std::string>> shown;
};

// A value as a reader stores it: read at single precision and widened.
double F(double v) {
    return static_cast<float>(v);
}

// The absorption coefficient of extinction k at a wavelength in nm, per cm: 4πk/λ.
double AlphaOf(double k, double wavelength) {
    return 4 * std::numbers::pi * k / (wavelength * 1e-7);
}

void ReadLayer(const std::string& text, int format, COpticalData& table) {
    std::istringstream in(text);
    ReadLayerTable(in, format, table);
}

void ReadPlane(const std::string& text, COpticalData& table) {
    std::istringstream in(text);
    ReadPlaneTable(in, table);
}

std::vector<double> Column(const COpticalData& table, double COpticalPoint::*column) {
    std::vector<double> values;
    for (const COpticalPoint& row : table) values.push_back(row.*column);
    return values;
}

using Values = std::vector<double>;

// ---- Layer formats ----

TEST(LayerTable, WNASStoresTheColumnsAndNoExtinction) {
    COpticalData table;
    ReadLayer("400\t1.5\t20\t3\n500\t1.6\t10\t4\n", FormatWNAS, table);
    ASSERT_EQ(table.GetCount(), 2u);
    EXPECT_EQ(table.tableCount, 2u);
    EXPECT_EQ(table.stokesCount, 0u);
    EXPECT_EQ(Column(table, &COpticalPoint::wavelength), (Values{400, 500}));
    EXPECT_EQ(Column(table, &COpticalPoint::rindx), (Values{F(1.5), F(1.6)}));
    EXPECT_EQ(Column(table, &COpticalPoint::alpha), (Values{20, 10}));
    EXPECT_EQ(Column(table, &COpticalPoint::scatt), (Values{3, 4}));
    EXPECT_EQ(Column(table, &COpticalPoint::extnc), (Values{0, 0}));
    EXPECT_EQ(Column(table, &COpticalPoint::emissionWeight), (Values{0, 0}));
}

TEST(LayerTable, WNKSTurnsExtinctionIntoAbsorption) {
    COpticalData table;
    ReadLayer("500\t1.5\t0.01\t0\n", FormatWNKS, table);
    ASSERT_EQ(table.GetCount(), 1u);
    const COpticalPoint& row = table[0];
    EXPECT_EQ(row.rindx, 1.5);
    EXPECT_EQ(row.extnc, F(0.01));
    EXPECT_EQ(row.scatt, 0.0);
    EXPECT_NEAR(row.alpha, 2513.27, 0.01);  // 4π·0.01 / 500 nm, per cm
    // Stored at single precision like the values read.
    EXPECT_EQ(row.alpha, F(row.alpha));

    ReadLayer("1000\t1\t0.02\t7\n", FormatWNKS, table);
    EXPECT_NEAR(table[0].alpha, 2513.27, 0.01);
    EXPECT_EQ(table[0].scatt, 7.0);
}

TEST(LayerTable, ZeroOrNegativeWavelengthGivesNoAbsorption) {
    COpticalData table;
    ReadLayer("0\t1.5\t0.01\t0\n-5\t1.5\t0.01\t0\n", FormatWNKS, table);
    ASSERT_EQ(table.GetCount(), 2u);
    EXPECT_EQ(Column(table, &COpticalPoint::alpha), (Values{0, 0}));
    EXPECT_EQ(Column(table, &COpticalPoint::extnc), (Values{F(0.01), F(0.01)}));
}

TEST(LayerTable, WNKSkipsThreeHeaderLinesAndHasNoScattering) {
    COpticalData table;
    // The header lines are skipped even when they look like numbers.
    ReadLayer("Title\n1 2 3\nnm\tn\tk\n600\t3.9\t0.02\n500\t4.3\t0.04\t99\n", FormatWNK, table);
    ASSERT_EQ(table.GetCount(), 2u);
    EXPECT_EQ(table.tableCount, 2u);
    EXPECT_EQ(Column(table, &COpticalPoint::wavelength), (Values{500, 600}));
    EXPECT_EQ(Column(table, &COpticalPoint::rindx), (Values{F(4.3), F(3.9)}));
    EXPECT_EQ(Column(table, &COpticalPoint::extnc), (Values{F(0.04), F(0.02)}));
    // A fourth number is not part of the format.
    EXPECT_EQ(Column(table, &COpticalPoint::scatt), (Values{0, 0}));
    EXPECT_NEAR(table[0].alpha, AlphaOf(F(0.04), 500), 1e-3);
    EXPECT_NEAR(table[1].alpha, AlphaOf(F(0.02), 600), 1e-3);

    // A file that is all header, or shorter, gives an empty table.
    ReadLayer("a\nb\nc\n", FormatWNK, table);
    EXPECT_EQ(table.GetCount(), 0u);
    ReadLayer("500 1 1\n", FormatWNK, table);
    EXPECT_EQ(table.GetCount(), 0u);
    EXPECT_EQ(table.tableCount, 0u);
}

TEST(LayerTable, StokesColumnsAreWASNKEAndCountedApart) {
    COpticalData table;
    ReadLayer("700\t11\t12\t1.3\t0.5\t0.25\n650\t21\t22\t1.4\t0.6\t0.75\n", FormatStokes, table);
    ASSERT_EQ(table.GetCount(), 2u);
    EXPECT_EQ(table.stokesCount, 2u);
    EXPECT_EQ(table.tableCount, 0u);
    const COpticalPoint& row = table[1];
    EXPECT_EQ(row.wavelength, 700.0);
    EXPECT_EQ(row.alpha, 11.0);
    EXPECT_EQ(row.scatt, 12.0);
    EXPECT_EQ(row.rindx, F(1.3));
    EXPECT_EQ(row.extnc, 0.5);  // no conversion in this format
    EXPECT_EQ(row.emissionWeight, 0.25);
    EXPECT_EQ(table[0].emissionWeight, 0.75);
}

TEST(LayerTable, ReadingEmptiesTheTableAndBothCountsFirst) {
    COpticalData table;
    ReadLayer("1 1 1 1 1 1\n2 2 2 2 2 2\n3 3 3 3 3 3\n", FormatStokes, table);
    ReadLayer("10 1 0 0\n", FormatWNAS, table);
    EXPECT_EQ(table.GetCount(), 1u);
    EXPECT_EQ(table.tableCount, 1u);
    EXPECT_EQ(table.stokesCount, 0u);

    // A format number without a reader only empties the table.
    for (int format : {3, 4, 6, -1}) {
        ReadLayer("10 1 0 0\n20 1 0 0\n", FormatWNAS, table);
        ReadLayer("30 1 0 0\n", format, table);
        EXPECT_EQ(table.GetCount(), 0u) << "format " << format;
        EXPECT_EQ(table.tableCount, 0u) << "format " << format;
    }
}

// ---- Scanning a line ----

TEST(LineScanning, AnyRunOfWhiteSpaceSeparatesNumbers) {
    COpticalData table;
    ReadPlane("400 0.5\n  410\t\t 0.25  \n420\v\f0.125\r\n430\t0.75\r\n", table);
    EXPECT_EQ(Column(table, &COpticalPoint::wavelength), (Values{400, 410, 420, 430}));
    EXPECT_EQ(Column(table, &COpticalPoint::reflectance), (Values{0.5, 0.25, 0.125, 0.75}));
}

TEST(LineScanning, ShortLinesKeepThePreviousLinesColumns) {
    COpticalData table;
    // Before the first line every column is 0, the index included.
    ReadLayer("500\n", FormatWNAS, table);
    ASSERT_EQ(table.GetCount(), 1u);
    EXPECT_EQ(table[0].rindx, 0.0);

    ReadLayer("400 1.5 20 3\n410 1.6\n420\n", FormatWNAS, table);
    EXPECT_EQ(Column(table, &COpticalPoint::wavelength), (Values{400, 410, 420}));
    EXPECT_EQ(Column(table, &COpticalPoint::rindx), (Values{F(1.5), F(1.6), F(1.6)}));
    EXPECT_EQ(Column(table, &COpticalPoint::alpha), (Values{20, 20, 20}));
    EXPECT_EQ(Column(table, &COpticalPoint::scatt), (Values{3, 3, 3}));

    // The absorption follows the carried wavelength and k.
    ReadLayer("500 1 0.01 0\n1000\n", FormatWNKS, table);
    EXPECT_NEAR(table[1].alpha, AlphaOf(F(0.01), 1000), 1e-3);
}

TEST(LineScanning, BlankAndTextLinesRepeatThePreviousRow) {
    COpticalData table;
    ReadPlane("400 0.5\n\n500 0.25\nnot a number\n", table);
    EXPECT_EQ(Column(table, &COpticalPoint::wavelength), (Values{400, 400, 500, 500}));
    EXPECT_EQ(Column(table, &COpticalPoint::reflectance), (Values{0.5, 0.5, 0.25, 0.25}));
    EXPECT_EQ(table.tableCount, 4u);
}

TEST(LineScanning, StopsAtTheFirstFieldThatIsNotANumber) {
    COpticalData table;
    // A decimal comma ends the number before it, as in the "C" locale.
    ReadPlane("400 0.5\n410,5 0.25\n", table);
    EXPECT_EQ(Column(table, &COpticalPoint::wavelength), (Values{400, 410}));
    EXPECT_EQ(Column(table, &COpticalPoint::reflectance), (Values{0.5, 0.5}));
    // A text field ends the line even when numbers follow it.
    ReadPlane("400 0.5\n410 x 0.25\n", table);
    EXPECT_EQ(Column(table, &COpticalPoint::reflectance), (Values{0.5, 0.5}));
    // A NUL ends the line, as it ends a C string.
    ReadPlane(std::string("400 0.5\n410\0 0.25\n", 17), table);
    EXPECT_EQ(Column(table, &COpticalPoint::reflectance), (Values{0.5, 0.5}));
}

TEST(LineScanning, NumberSyntaxOfPercentF) {
    struct Case {
        const char* line;
        double wavelength, reflectance;
    };
    const float inf = std::numeric_limits<float>::infinity();
    // clang-format off
    const Case cases[] = {
        {"+400 +0.5",      400,       0.5},
        {"-400 -0.5",     -400,      -0.5},
        {".5 5.",          0.5,       5},
        {"4e2 2.5E-1",     400,       0.25},
        {"1.5-2",          1.5,      -2},     // no white space is needed between numbers
        {"400 0.5abc",     400,       0.5},
        {"1e39 -1e39",     inf,      -inf},   // beyond the float range: infinite
        {"1e-50 -1e-400",  0,         0},     // below it: zero
        {"1e-40 0",        F(1e-40),  0},     // a subnormal float is kept
        {"inf -infinity",  inf,      -inf},
    };
    // clang-format on
    for (const Case& c : cases) {
        COpticalData table;
        ReadPlane(std::string("7 8\n") + c.line + "\n", table);
        ASSERT_EQ(table.GetCount(), 2u) << c.line;
        const COpticalPoint& row = table[c.wavelength < 7 ? 0 : 1];
        EXPECT_EQ(row.wavelength, c.wavelength) << c.line;
        EXPECT_EQ(row.reflectance, c.reflectance) << c.line;
    }

    // Signs: "+-" is not a number, so the line keeps the previous row; "-0" is a negative zero.
    COpticalData table;
    ReadPlane("7 8\n+-1 2\n-0 2\n", table);
    ASSERT_EQ(table.GetCount(), 3u);
    EXPECT_EQ(table[0].reflectance, 2.0);
    EXPECT_TRUE(std::signbit(table[0].wavelength));
    EXPECT_EQ(table[1].wavelength, 7.0);
    EXPECT_EQ(table[2].wavelength, 7.0);
    EXPECT_EQ(table[2].reflectance, 8.0);

    ReadPlane("nan 0.5\n", table);
    ASSERT_EQ(table.GetCount(), 1u);
    EXPECT_TRUE(std::isnan(table[0].wavelength));
}

TEST(LineScanning, ValuesCarrySinglePrecision) {
    COpticalData table;
    ReadPlane("500.1 0.1\n", table);
    EXPECT_EQ(table[0].wavelength, F(500.1));
    EXPECT_NE(table[0].wavelength, 500.1);
    EXPECT_EQ(table[0].reflectance, F(0.1));
}

TEST(LineScanning, IgnoresTheProcessLocale) {
    const std::string previous = std::setlocale(LC_NUMERIC, nullptr);
    bool found = false;
    for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "fr_FR.utf8"})
        if (std::setlocale(LC_NUMERIC, name)) {
            found = true;
            break;
        }
    if (!found) GTEST_SKIP() << "no locale with a decimal comma is installed";
    COpticalData table;
    ReadPlane("400.5 0.25\n410,5 0,75\n", table);
    std::setlocale(LC_NUMERIC, previous.c_str());
    EXPECT_EQ(Column(table, &COpticalPoint::wavelength), (Values{400.5, 410}));
    EXPECT_EQ(Column(table, &COpticalPoint::reflectance), (Values{0.25, 0.25}));
}

// ---- Order of the rows ----

TEST(RowOrder, DescendingFileIsStoredAscending) {
    COpticalData table;
    ReadPlane("900 0.9\n700 0.7\n800 0.8\n500 0.5\n", table);
    EXPECT_EQ(Column(table, &COpticalPoint::wavelength), (Values{500, 700, 800, 900}));
    EXPECT_EQ(Column(table, &COpticalPoint::reflectance), (Values{0.5, F(0.7), F(0.8), F(0.9)}));
    // The lookup interpolates in the stored order.
    table.planeMode = PlaneTable;
    EXPECT_NEAR(table.GetReflectance(750), 0.75, 1e-7);
}

TEST(RowOrder, EqualWavelengthsKeepTheirFileOrder) {
    COpticalData table;
    ReadPlane("500 1\n400 2\n500 3\n400 4\n500 5\n", table);
    EXPECT_EQ(Column(table, &COpticalPoint::wavelength), (Values{400, 400, 500, 500, 500}));
    EXPECT_EQ(Column(table, &COpticalPoint::reflectance), (Values{2, 4, 1, 3, 5}));
}

// The readers sort a whole file at once; that must give what inserting each row in file order gives,
// ties and NaN wavelengths included.
TEST(RowOrder, AgreesWithSortedInsertionInFileOrder) {
    for (bool withNan : {false, true}) {
        CRandom random(12111);
        std::string text;
        COpticalData expected;
        for (int i = 0; i < 3000; ++i) {
            float w = static_cast<float>(random.Next() % 200) * 0.5f;  // many ties
            if (withNan && i % 97 == 5) w = std::numeric_limits<float>::quiet_NaN();
            const float r = static_cast<float>(i);
            char buffer[64];
            char* end = std::to_chars(buffer, buffer + sizeof buffer, w).ptr;
            text.append(buffer, end) += '\t';
            end = std::to_chars(buffer, buffer + sizeof buffer, r).ptr;
            text.append(buffer, end) += '\n';
            COpticalPoint row;
            row.wavelength = w;
            row.reflectance = r;
            expected.InsertSorted(row, ERowCount::Table);
        }
        COpticalData table;
        ReadPlane(text, table);
        ASSERT_EQ(table.GetCount(), expected.GetCount());
        EXPECT_EQ(table.tableCount, 3000u);
        // The reflectance is the line number, so equal columns mean the same rows in the same order.
        EXPECT_EQ(Column(table, &COpticalPoint::reflectance), Column(expected, &COpticalPoint::reflectance))
            << (withNan ? "with NaN wavelengths" : "");
    }
}

// ---- Plane table and spectrum ----

TEST(PlaneTable, StoresWavelengthAndReflectanceOnly) {
    COpticalData table;
    ReadPlane("600 0.3 9 9\n500 0.2\n", table);
    ASSERT_EQ(table.GetCount(), 2u);
    EXPECT_EQ(table.tableCount, 2u);
    EXPECT_EQ(table.stokesCount, 0u);
    EXPECT_EQ(Column(table, &COpticalPoint::reflectance), (Values{F(0.2), F(0.3)}));
    EXPECT_EQ(Column(table, &COpticalPoint::rindx), (Values{1, 1}));
    EXPECT_EQ(Column(table, &COpticalPoint::alpha), (Values{0, 0}));
}

TEST(Spectrum, ReadsSortedPointsAndRepeatsBlankLines) {
    CSpectrum spectrum;
    spectrum.InsertSorted(1, 1);
    std::istringstream in("500\t0.8\n400\t0.5\n\n450 0.25 7\n");
    ReadSpectrum(in, spectrum);
    ASSERT_EQ(spectrum.GetCount(), 4u);
    std::vector<std::pair<double, double>> points;
    for (const CSpectrumPoint& p : spectrum) points.push_back({p.wavelength, p.intensity});
    EXPECT_EQ(points,
              (std::vector<std::pair<double, double>>{{400, 0.5}, {400, 0.5}, {450, 0.25}, {500, F(0.8)}}));
}

// ---- Files ----

class DataFiles : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("brelix-readers-" + std::to_string(::getpid()) + "-" +
                                            ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    std::string Write(const std::string& name, const std::string& text) {
        const std::string path = (dir_ / name).string();
        std::ofstream(path) << text;
        return path;
    }
    std::string Missing() const { return (dir_ / "missing.txt").string(); }

    fs::path dir_;
    CShown messages_;
};

TEST_F(DataFiles, LayerReadsDataFileOrStokesFileByFormat) {
    CLayer layer;
    layer.SetFileName(Write("wnks.txt", "500 1.5 0.01 2\n400 1.4 0.02 1\n"), FormatWNKS);
    layer.SetFileName(Write("stokes.txt", "700 1 2 3 4 5\n"), FormatStokes);

    EXPECT_TRUE(LoadDataFile(layer, FormatWNKS, messages_));
    EXPECT_EQ(layer.GetPointCount(FormatWNKS), 2u);
    EXPECT_EQ(layer.optics[0].wavelength, 400.0);
    EXPECT_NEAR(layer.optics[0].alpha, AlphaOf(F(0.02), 400), 1e-3);

    EXPECT_TRUE(LoadDataFile(layer, FormatStokes, messages_));
    ASSERT_EQ(layer.optics.GetCount(), 1u);
    EXPECT_EQ(layer.GetPointCount(FormatStokes), 1u);
    EXPECT_EQ(layer.GetPointCount(FormatWNKS), 0u);
    EXPECT_EQ(layer.optics[0].emissionWeight, 5.0);
    EXPECT_TRUE(messages_.shown.empty());

    // A format without a reader still opens the data file, then leaves the table empty.
    EXPECT_TRUE(LoadDataFile(layer, 3, messages_));
    EXPECT_EQ(layer.optics.GetCount(), 0u);
}

TEST_F(DataFiles, PlaneReadsItsPlaneFile) {
    CPlane plane;
    plane.SetFileName(Write("wr.txt", "500\t0.9\n\n400\t0.1\n"));
    EXPECT_TRUE(LoadDataFile(plane, messages_));
    EXPECT_EQ(plane.GetPointCount(), 3u);
    EXPECT_EQ(Column(plane.optics, &COpticalPoint::reflectance), (Values{F(0.1), F(0.9), F(0.9)}));
    EXPECT_TRUE(messages_.shown.empty());
}

TEST_F(DataFiles, FileThatCannotBeOpenedIsReportedAndEmptiesTheTable) {
    const std::string expected = "Error could not open \"" + Missing() + "\"";
    {
        CLayer layer;
        ReadLayer("1 1 1 1\n2 2 2 2\n", FormatWNAS, layer.optics);
        layer.SetFileName(Missing(), FormatWNAS);
        EXPECT_FALSE(LoadDataFile(layer, FormatWNAS, messages_));
        EXPECT_EQ(layer.optics.GetCount(), 0u);
        EXPECT_EQ(layer.GetPointCount(FormatWNAS), 0u);
    }
    {
        CPlane plane;
        ReadPlane("1 1\n", plane.optics);
        plane.SetFileName(Missing());
        EXPECT_FALSE(LoadDataFile(plane, messages_));
        EXPECT_EQ(plane.optics.GetCount(), 0u);
        EXPECT_EQ(plane.GetPointCount(), 0u);
    }
    {
        CBatch batch;
        batch.spectrum.InsertSorted(500, 1);
        batch.spectrumFile = Missing();
        EXPECT_FALSE(LoadSpectrumFile(batch, messages_));
        EXPECT_EQ(batch.spectrum.GetCount(), 0u);
    }
    // One message each, and no point count after a failed spectrum.
    const std::pair<std::string, std::string> shown{expected, "Brelix"};
    EXPECT_EQ(messages_.shown, (std::vector{shown, shown, shown}));
}

TEST_F(DataFiles, FolderIsReportedLikeAMissingFile) {
    CPlane plane;
    plane.SetFileName(dir_.string());
    EXPECT_FALSE(LoadDataFile(plane, messages_));
    ASSERT_EQ(messages_.shown.size(), 1u);
    EXPECT_EQ(messages_.shown[0].first, "Error could not open \"" + dir_.string() + "\"");
}

TEST_F(DataFiles, SpectrumShowsThePointsLoaded) {
    CBatch batch;
    batch.spectrumFile = Write("spectrum.txt", "400 0.5\n500 0.8\n450 0.6\n");
    EXPECT_TRUE(LoadSpectrumFile(batch, messages_));
    EXPECT_EQ(batch.spectrum.GetCount(), 3u);
    ASSERT_EQ(messages_.shown.size(), 1u);
    EXPECT_EQ(messages_.shown[0].first, "Number of Points Loaded: 3 ");
    EXPECT_EQ(messages_.shown[0].second, "Brelix");

    // The file spectrum weights the source rays.
    batch.constantSpectrum = 0;
    batch.fileSpectrum = 1;
    EXPECT_EQ(batch.GetSourceIntensity(420), F(0.6));

    batch.spectrumFile = Write("empty.txt", "");
    EXPECT_TRUE(LoadSpectrumFile(batch, messages_));
    EXPECT_EQ(batch.spectrum.GetCount(), 0u);
    EXPECT_EQ(messages_.shown.back().first, "Number of Points Loaded: 0 ");
}

// ---- Reference data ----

std::string SharedFile(const char* name) {
    return std::string(BRELIX_SHARED_DATA) + "/" + name;
}

TEST(SharedData, SiliconWNKTable) {
    const std::string path = SharedFile("si-green-2008-wnk.txt");
    if (!fs::exists(path)) GTEST_SKIP() << path << " is not there";
    CLayer layer;
    layer.SetFileName(path, FormatWNK);
    layer.SetMode(LayerTable);
    CShown messages;
    ASSERT_TRUE(LoadDataFile(layer, FormatWNK, messages));
    EXPECT_TRUE(messages.shown.empty());
    ASSERT_EQ(layer.GetPointCount(FormatWNK), 121u);
    EXPECT_EQ(layer.optics[0].wavelength, 250.0);
    EXPECT_EQ(layer.optics[120].wavelength, 1450.0);

    EXPECT_EQ(layer.GetRefractiveIndex(500), F(4.294));
    EXPECT_EQ(layer.GetExtinction(500), F(0.044165));
    EXPECT_NEAR(layer.GetAbsorption(500), 11100, 1);
    // Between the 10 nm rows the absorption is interpolated; it falls with wavelength towards the gap.
    EXPECT_GT(layer.GetAbsorption(505), layer.GetAbsorption(510));
    EXPECT_LT(layer.GetAbsorption(505), layer.GetAbsorption(500));
    EXPECT_LT(layer.GetAbsorption(1200), 10);
}

TEST(SharedData, Am15gSpectrum) {
    const std::string path = SharedFile("am15g.txt");
    if (!fs::exists(path)) GTEST_SKIP() << path << " is not there";
    CBatch batch;
    batch.spectrumFile = path;
    CShown messages;
    ASSERT_TRUE(LoadSpectrumFile(batch, messages));
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].first, "Number of Points Loaded: 2002 ");
    ASSERT_EQ(batch.spectrum.GetCount(), 2002u);
    EXPECT_EQ(batch.spectrum[0].wavelength, 280.0);
    EXPECT_EQ(batch.spectrum[2001].wavelength, 4000.0);

    // Every line read right: the trapezoid integral of the single-precision values is the reference
    // 1000.371 W/m².
    double integral = 0;
    for (uint32_t i = 1; i < batch.spectrum.GetCount(); ++i) {
        const CSpectrumPoint& a = batch.spectrum[i - 1];
        const CSpectrumPoint& b = batch.spectrum[i];
        ASSERT_LT(a.wavelength, b.wavelength);
        integral += (b.wavelength - a.wavelength) * (a.intensity + b.intensity) / 2;
    }
    EXPECT_NEAR(integral, 1000.371, 0.0005);
}

}  // namespace
}  // namespace brelix
