#include "document/data_readers.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "core/batch.h"
#include "core/messages.h"

namespace brelix {
namespace {

using Values = std::vector<double>;
using Shown = std::vector<std::pair<std::string, std::string>>;

struct CShown : IMessages {
    void Show(const std::string& text, const std::string& tag) override { shown.push_back({text, tag}); }
    Shown shown;
};

constexpr int kPlaneTable = -100;  // stands for the plane reader in the tables below
// A value as the readers store it: read at single precision, then widened.
constexpr auto F = [](double v) { return double(float(v)); };

void Read(const std::string& text, int format, COpticalData& table) {
    std::istringstream in(text);
    format == kPlaneTable ? ReadPlaneTable(in, table) : ReadLayerTable(in, format, table);
}

Values Column(const COpticalData& table, double COpticalPoint::*column) {
    Values values;
    for (const COpticalPoint& row : table) values.push_back(row.*column);
    return values;
}

TEST(DataReaders, ColumnsOfEveryFormat) {
    // Expected: tableCount, stokesCount, then wavelength, rindx, extnc, scatt, reflectance, emissionWeight
    // of the one row; and its alpha. Each reader first empties the table the case before filled.
    // clang-format off
    const std::tuple<int, std::string, Values, double> cases[] = {
        {FormatStokes, "700\t11\t12\t1.3\t0.5\t0.25\n", {0, 1, 700, F(1.3), 0.5, 12, 0, 0.25}, 11},
        {FormatWNAS, "400\t1.5\t20\t3\n", {1, 0, 400, 1.5, 0, 3, 0, 0}, 20},
        {FormatWNAS, "500\n", {1, 0, 500, 0, 0, 0, 0, 0}, 0},  // before the first line every column is 0
        {FormatWNKS, "500\t1.5\t0.01\t2\n", {1, 0, 500, 1.5, F(0.01), 2, 0, 0}, 2513.274},
        {FormatWNKS, "0\t1.5\t0.01\t2\n", {1, 0, 0, 1.5, F(0.01), 2, 0, 0}, 0},  // no absorption at 0 nm
        // Three header lines are skipped, numbers or not; a fourth column is not part of the format.
        {FormatWNK, "Title\n1 2 3\n\n600 3.9 0.02 99\n", {1, 0, 600, F(3.9), F(0.02), 0, 0, 0}, 4188.79},
        {kPlaneTable, "600\t0.3\t9\n", {1, 0, 600, 1, 0, 0, F(0.3), 0}, 0},
        {3, "10 1 0 0\n", {0, 0}, 0},  // a format without a reader only empties the table
    };
    // clang-format on
    COpticalData table;
    for (const auto& [format, text, expected, alpha] : cases) {
        Read(text, format, table);
        Values got{double(table.tableCount), double(table.stokesCount)};
        for (const COpticalPoint& r : table) {
            got.insert(got.end(), {r.wavelength, r.rindx, r.extnc, r.scatt, r.reflectance, r.emissionWeight});
            EXPECT_NEAR(r.alpha, alpha, 1e-3) << text;
            EXPECT_EQ(r.alpha, F(r.alpha)) << "alpha is stored at single precision";
        }
        EXPECT_EQ(got, expected) << text;
    }
}

// Each line follows the row "-5 8" and the row it gives, the last in order, is compared. A line keeps the
// previous line's values in the columns it does not supply, so a blank or text line repeats that row. A
// number ends where scanf's "%f" would end it.
TEST(DataReaders, LinesKeepThePreviousColumnsTheyDoNotSupply) {
    // clang-format off
    const std::pair<std::string, Values> cases[] = {
        {"410", {410, 8}}, {"", {-5, 8}}, {"410 x 0.25", {410, 8}}, {"410,5 0.25", {410, 8}},
        {std::string("410\0 0.25", 9), {410, 8}}, {"+-1 2", {-5, 8}}, {"  410\t\t 0.25  ", {410, 0.25}},
        {"x 1", {-5, 8}}, {"410\v\f0.125\r", {410, 0.125}}, {"1.5-2", {1.5, -2}}, {"+400 -0.5", {400, -0.5}},
        {"1 -1e39", {1, -HUGE_VALF}}, {"1e-5000 1e5000", {0, HUGE_VALF}}, {"1e-50 -1e-60", {0, 0}},
    };
    // clang-format on
    COpticalData table;
    for (const auto& [line, expected] : cases) {
        Read("-5 8\n" + line + "\n", kPlaneTable, table);
        const COpticalPoint& row = table[table.GetCount() - 1];
        EXPECT_EQ((Values{row.wavelength, row.reflectance}), expected) << line;
    }
    Read("500 1.5 0.01 2\n1000\n", FormatWNKS, table);
    EXPECT_NEAR(table[1].alpha, 1256.637, 1e-3) << "from the carried k at the new wavelength";
}

// A wavelength that is not a finite number has no place in the order: the line is not a row, and the line
// after it carries on from the row before it. A title such as "Nanocrystal" reads as NaN.
TEST(DataReaders, LinesWithoutAFiniteWavelengthAreNotRows) {
    // clang-format off
    const std::pair<std::string, Values> cases[] = {
        {"nan 0.5\n", {}}, {"-5 8\nnan 3\n7\n", {-5, 8, 7, 8}}, {"\nNaN\n300 2", {0, 0, 300, 2}},
        {"500 1\n-inf 2\n400 3\n1e39 4\n\n", {400, 3, 400, 3, 500, 1}},
    };
    // clang-format on
    COpticalData table;
    for (const auto& [text, expected] : cases) {
        Read(text, kPlaneTable, table);
        Values rows;
        for (const COpticalPoint& row : table) rows.insert(rows.end(), {row.wavelength, row.reflectance});
        EXPECT_EQ(rows, expected) << text;
        EXPECT_EQ(table.tableCount * 2, expected.size()) << text;
    }
    CSpectrum spectrum;
    std::istringstream title("Nanocrystal silicon\n"), again("Nanocrystal silicon\n");
    ReadSpectrum(title, spectrum);
    ReadLayerTable(again, FormatStokes, table);
    EXPECT_EQ(spectrum.GetCount() + table.GetCount() + table.stokesCount, 0u);
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

    // A long file in no order, with many ties: enough rows that only a stable sort keeps them in file order.
    std::string text;
    for (int i = 0; i < 3000; ++i) text += std::to_string(i * 7919 % 200) + " " + std::to_string(i) + "\n";
    Read(text, kPlaneTable, table);
    for (uint32_t i = 1; i < table.GetCount(); ++i)
        ASSERT_LT(std::pair(table[i - 1].wavelength, table[i - 1].reflectance),
                  std::pair(table[i].wavelength, table[i].reflectance));
}

TEST(DataReaders, FilesAndTheirMessages) {
    const std::string file =
        std::filesystem::temp_directory_path() / ("brelix-readers-" + std::to_string(::getpid()) + ".txt");
    std::ofstream(file) << "700 1 2 3 4 5\n600 6\n";
    CShown messages;
    CLayer layer;
    CPlane plane;
    CBatch batch;
    layer.SetFileName(file, FormatStokes);  // the layer's other file stays unset
    plane.SetFileName(file);
    batch.spectrumFile = file;
    EXPECT_TRUE(LoadDataFile(layer, FormatStokes, messages) && LoadDataFile(plane, messages) &&
                LoadSpectrumFile(batch, messages));
    EXPECT_EQ(Column(layer.optics, &COpticalPoint::emissionWeight), (Values{5, 5}));
    EXPECT_EQ(Column(plane.optics, &COpticalPoint::reflectance), (Values{6, 1}));
    EXPECT_EQ(messages.shown, (Shown{{"Number of Points Loaded: 2 ", "Brelix"}}));
    std::filesystem::remove(file);

    // A missing file, or a folder (which opens like a file on some systems), is reported and empties the
    // table; a failed spectrum shows no count.
    for (const std::string& name : {file, std::filesystem::temp_directory_path().string()}) {
        CShown failures;
        layer.SetFileName(name, FormatWNKS);
        plane.SetFileName(name);
        batch.spectrumFile = name;
        EXPECT_FALSE(LoadDataFile(layer, FormatWNKS, failures) || LoadDataFile(plane, failures) ||
                     LoadSpectrumFile(batch, failures));
        EXPECT_EQ(layer.optics.GetCount() + plane.optics.GetCount() + batch.spectrum.GetCount(), 0u);
        EXPECT_EQ(failures.shown, Shown(3, {"Error could not open \"" + name + "\"", "Brelix"}));
    }
}

TEST(SharedData, SiliconTableAndAm15gSpectrum) {
    if (!std::filesystem::exists(BRELIX_SHARED_DATA "/am15g.txt")) GTEST_SKIP() << "no shared data folder";
    CShown messages;
    CLayer layer;
    layer.SetFileName(BRELIX_SHARED_DATA "/si-green-2008-wnk.txt", FormatWNK);
    layer.SetMode(LayerTable);
    ASSERT_TRUE(LoadDataFile(layer, FormatWNK, messages));
    EXPECT_EQ(layer.GetPointCount(FormatWNK), 121u);
    EXPECT_EQ(layer.GetRefractiveIndex(500), F(4.294));
    EXPECT_NEAR(layer.GetAbsorption(500), 11100, 1);

    CBatch batch;
    batch.spectrumFile = BRELIX_SHARED_DATA "/am15g.txt";
    ASSERT_TRUE(LoadSpectrumFile(batch, messages));
    EXPECT_EQ(messages.shown, (Shown{{"Number of Points Loaded: 2002 ", "Brelix"}}));
}

}  // namespace
}  // namespace brelix
