// The results as numbers for programs (CollectResults, WriteResultForm) and the results table with the
// standard errors of repeated traces.

#include <gtest/gtest.h>

#include <bit>
#include <charconv>
#include <cmath>
#include <limits>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "cli/result_forms.h"
#include "cli/runner.h"
#include "core/batch_list.h"
#include "core/format.h"
#include "document/results_export.h"

namespace brelix {
namespace {

// Two rows of a layer with a plane, swept in wavelength: tallies of the layer, the plane, the remainder
// and the lost intensity.
void FillTwoRows(CBatch& batch, const std::string& layerName = "L", const std::string& planeName = "P") {
    batch.name = "Sums";
    batch.wavelengthVaries = 1;
    CLayer& layer = batch.model.Append();
    layer.name = layerName;
    CPlane& plane = layer.Append();
    plane.name = planeName;
    const double tallies[2][4] = {{0.2, 0.05, 0.4, 0.3}, {0.1, 0, 0.3, 0.6}};
    for (int k = 0; k < 2; ++k) {
        CRay ray;
        ray.wavelength = 500 + 100 * k;
        ray.resultIndex = batch.model.FindOrAddResult(ray);
        layer.results.AddAbsorbed(ray, tallies[k][0]);
        plane.results.AddAbsorbed(ray, tallies[k][1]);
        batch.model.results.AddRemainder(ray, tallies[k][2]);
        batch.model.results.AddLost(ray, tallies[k][3]);
    }
}

TEST(ResultsTableWithErrors, CellsReadValuePlusMinusErrorAndColumnTotalsAddVariances) {
    CBatch batch;
    FillTwoRows(batch);
    // Per row: layer, plane, remainder, lost; each column's two errors make a 3-4-5 triangle.
    const std::vector<double> errors = {0.03, 0.006, 0.05, 0, 0.04, 0.008, 0.12, 0.0005};
    EXPECT_EQ(FormatBatchResults(batch, 0, errors),
              "Batch 0:\tSums (0.00 Million Trace Ops)\n"
              "\tWlen\tL\tP\tRemndr\tLost\tTotal\n"
              "Ray 0:\t500.0 \t0.200 ± 0.030\t0.050 ± 0.006\t0.400 ± 0.050\t0.300 ± 0.000\t0.950\t\n"
              "Ray 1:\t600.0 \t0.100 ± 0.040\t0.000 ± 0.008\t0.300 ± 0.120\t0.600 ± 5.0e-4\t1.000\t\n"
              "----\t----\t----\t----\t----\t----\t----\t\n"
              "Totals\t\t0.300 ± 0.050\t0.050 ± 0.010\t0.700 ± 0.130\t0.900 ± 5.0e-4\t1.950\t\n");

    // Errors for the first row only: the second row's cells stay bare, the totals' errors are the first's.
    const std::string partial = FormatBatchResults(batch, 0, std::span(errors).first(4));
    EXPECT_NE(partial.find("Ray 1:\t600.0 \t0.100\t0.000\t0.300\t0.600\t1.000\t\n"), std::string::npos)
        << partial;
    EXPECT_NE(partial.find("Totals\t\t0.300 ± 0.030\t0.050 ± 0.006\t0.700 ± 0.050\t0.900 ± 0.000\t1.950\t\n"),
              std::string::npos)
        << partial;

    // Taking the errors out gives the table without them, byte for byte.
    const std::string plain = FormatBatchResults(batch, 0);
    std::string withErrors = FormatBatchResults(batch, 0, errors);
    for (size_t at = withErrors.find(" ± "); at != std::string::npos; at = withErrors.find(" ± ", at))
        withErrors.erase(at, withErrors.find_first_of("\t\n", at) - at);
    EXPECT_EQ(withErrors, plain);
    EXPECT_EQ(plain.find("±"), std::string::npos);
}

std::vector<std::string> Split(const std::string& text, const std::string& separator) {
    std::vector<std::string> parts;
    size_t start = 0;
    for (size_t end; (end = text.find(separator, start)) != std::string::npos; start = end + separator.size())
        parts.push_back(text.substr(start, end - start));
    parts.push_back(text.substr(start));
    return parts;
}

std::string Written(EResultForm form, std::span<const CResultTable> tables) {
    std::string text;
    EXPECT_TRUE(WriteResultForm(form, tables, [&](std::string_view piece) {
        text += piece;
        return true;
    }));
    return text;
}

// The example textured cell traced by the runner: its table as text, and the document traced.
struct CTracedCell {
    CTracedCell() {
        std::ostringstream out, err;
        CCliEnvironment environment{out, err, false, nullptr, &document};
        EXPECT_EQ(
            RunCli({"trace", std::string(BRELIX_EXAMPLES) + "/textured_cell.brx", "--quiet"}, environment),
            ExitOk)
            << err.str();
        table = out.str();
    }
    std::unique_ptr<CBatchList> document;
    std::string table;
};

// Reads a number as the forms write it, failing the test on anything else.
double Read(const std::string& text) {
    double value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    EXPECT_TRUE(error == std::errc() && end == text.data() + text.size()) << text;
    return value;
}

TEST(CollectResults, HoldsTheTablesNumbersAtFullPrecisionWithPlaneColumnsNamedByTheirLayers) {
    const CTracedCell traced;
    ASSERT_TRUE(traced.document);
    const CResultTable table = CollectResults((*traced.document)[0], 0);
    const std::vector<std::string> lines = Split(traced.table, "\n");
    EXPECT_EQ(lines[0], "Batch 0:\tCell (" + FormatFixed(static_cast<double>(table.traceOps) / 1e6, 1, 2) +
                            " Million Trace Ops)");
    EXPECT_GT(table.traceOps, 0u);
    EXPECT_EQ(table.index, 0u);
    EXPECT_EQ(table.name, "Cell");

    // The table's header: "", X, Ele, then the columns, then Total.
    const std::vector<std::string> header = Split(lines[1], "\t");
    ASSERT_EQ(header.size(), 3 + table.columns.size() + 1);
    for (size_t c = 0; c + 2 < table.columns.size(); ++c) {
        const std::string& name = table.columns[c];
        EXPECT_TRUE(name == header[3 + c] || name.ends_with("/" + header[3 + c])) << name;
    }
    EXPECT_EQ(header.end()[-3], "Remndr");
    EXPECT_EQ(table.columns[0], "Air");
    EXPECT_EQ(table.columns[1], "Air/Front");
    EXPECT_EQ(table.columns[7], "Wafer");
    EXPECT_EQ(table.columns[8], "Wafer/Front");
    EXPECT_EQ(table.columns.end()[-2], "Remainder");
    EXPECT_EQ(table.columns.end()[-1], "Lost");
    EXPECT_FALSE(table.HasErrors());

    // Every row: the sweeps and every cell as the table prints them.
    ASSERT_EQ(table.rows.size(), 50u);
    for (size_t r = 0; r < table.rows.size(); ++r) {
        const CResultRow& row = table.rows[r];
        const std::vector<std::string> cells = Split(lines.at(2 + r), "\t");
        ASSERT_EQ(row.values.size(), table.columns.size());
        EXPECT_EQ(cells[1], FormatSweepValue(row.key.x)) << r;
        EXPECT_EQ(cells[2], FormatSweepValue(row.key.declination)) << r;
        double total = 0;
        for (size_t c = 0; c < row.values.size(); ++c) {
            EXPECT_EQ(cells[3 + c], FormatResultValue(row.values[c])) << r << " " << table.columns[c];
            total += row.values[c];
        }
        EXPECT_EQ(cells[3 + row.values.size()], FormatResultValue(total)) << r;
    }
}

TEST(WriteResultForm, NumbersReadBackBitForBit) {
    const CTracedCell traced;
    ASSERT_TRUE(traced.document);
    CResultTable table = CollectResults((*traced.document)[0], 0);
    // Beside the traced numbers, the awkward ones: subnormal, extremes, a negative zero, no number.
    constexpr double kInf = std::numeric_limits<double>::infinity();
    table.rows.push_back({{0.1, 1.0 / 3, -0.0, 5e-324, 1e300, 0, 1}, {}, {}});
    for (double v : {std::numeric_limits<double>::max(), std::numeric_limits<double>::min(), 0.1 + 0.2, 1e-7,
                     -2.5, kInf, -kInf, std::nan("")})
        table.rows.back().values.push_back(v);
    table.rows.back().values.resize(table.columns.size(), 123456789.0);
    const auto same = [](double read, double value) {
        return std::isnan(value) ? std::isnan(read)
                                 : std::bit_cast<uint64_t>(read) == std::bit_cast<uint64_t>(value);
    };

    const std::vector<std::string> lines = Split(Written(EResultForm::Csv, std::span(&table, 1)), "\r\n");
    ASSERT_EQ(lines.size(), 1 + table.rows.size() + 1);  // the header, the rows, nothing after the last end
    for (size_t r = 0; r < table.rows.size(); ++r) {
        const CResultRow& row = table.rows[r];
        const std::vector<std::string> fields = Split(lines[1 + r], ",");
        ASSERT_EQ(fields.size(), 6 + table.columns.size());
        EXPECT_EQ(fields[0], "0");
        const double key[] = {row.key.wavelength, row.key.x, row.key.y, row.key.azimuth, row.key.declination};
        for (size_t k = 0; k < 5; ++k) EXPECT_TRUE(same(Read(fields[1 + k]), key[k])) << fields[1 + k];
        for (size_t c = 0; c < row.values.size(); ++c)
            EXPECT_TRUE(same(Read(fields[6 + c]), row.values[c])) << r << ": " << fields[6 + c];
    }

    // JSON has no infinities or NaN: those are null, the rest read back exactly.
    const std::string json = Written(EResultForm::Json, std::span(&table, 1));
    const size_t last = json.rfind("\"values\": [") + 11;
    const std::vector<std::string> values = Split(json.substr(last, json.find(']', last) - last), ", ");
    const CResultRow& row = table.rows.back();
    ASSERT_EQ(values.size(), row.values.size());
    for (size_t c = 0; c < values.size(); ++c) {
        if (std::isfinite(row.values[c]))
            EXPECT_TRUE(same(Read(values[c]), row.values[c])) << values[c];
        else
            EXPECT_EQ(values[c], "null");
    }
}

TEST(WriteResultForm, CsvQuotesAndTsvFlattensNamesThatWouldBreakTheirFields) {
    CBatch batch;
    FillTwoRows(batch, "Wafer, \"thick\"", "Front\nside\tlit");
    const CResultTable table = CollectResults(batch, 3);
    EXPECT_EQ(Written(EResultForm::Csv, std::span(&table, 1)),
              "batch,wavelength,x,y,azimuth,declination,\"Wafer, \"\"thick\"\"\","
              "\"Wafer, \"\"thick\"\"/Front\nside\tlit\",Remainder,Lost\r\n"
              "3,500,0,0,0,0,0.2,0.05,0.4,0.3\r\n"
              "3,600,0,0,0,0,0.1,0,0.3,0.6\r\n");
    EXPECT_EQ(Written(EResultForm::Tsv, std::span(&table, 1)),
              "batch\twavelength\tx\ty\tazimuth\tdeclination\tWafer, \"thick\"\t"
              "Wafer, \"thick\"/Front side lit\tRemainder\tLost\n"
              "3\t500\t0\t0\t0\t0\t0.2\t0.05\t0.4\t0.3\n"
              "3\t600\t0\t0\t0\t0\t0.1\t0\t0.3\t0.6\n");
}

// Three tables: the second has errors, so it gets a header of its own with the error columns; the third
// has the same header and follows under it. In JSON only the tables with errors have them.
TEST(WriteResultForm, ErrorColumnsHeadersPerChangeAndJsonEscaping) {
    std::vector<CResultTable> tables(3);
    tables[0] = {0,
                 "Plain",
                 7,
                 {"A", "A/F"},
                 {{{.wavelength = 500, .azimuth = 3, .declination = 4, .x = 1, .y = 2}, {0.25, 0.5}, {}}}};
    tables[1] = {
        1, "Q\"\\\n\x01\xff\xe2\x82µ", 8, {"A", "A/F"}, {{{.wavelength = 600}, {0.75}, {0.125, 0.0625}}}};
    tables[2] = {2, "Same", 9, {"A", "A/F"}, {{{.wavelength = 700}, {1, 2}, {}}, {{}, {3, 4}, {5, 6}}}};
    EXPECT_FALSE(tables[0].HasErrors());
    EXPECT_TRUE(tables[1].HasErrors());
    EXPECT_TRUE(tables[2].HasErrors());

    // A row's missing cells are empty: the second table's value of A/F, the third's errors of its first row.
    EXPECT_EQ(Written(EResultForm::Csv, tables),
              "batch,wavelength,x,y,azimuth,declination,A,A/F\r\n"
              "0,500,1,2,3,4,0.25,0.5\r\n"
              "batch,wavelength,x,y,azimuth,declination,A,A/F,A se,A/F se\r\n"
              "1,600,0,0,0,0,0.75,,0.125,0.0625\r\n"
              "2,700,0,0,0,0,1,2,,\r\n"
              "2,0,0,0,0,0,3,4,5,6\r\n");
    // Control characters as \u00XX, each byte of what is not UTF-8 (a stray byte, a character cut short)
    // as U+FFFD; valid UTF-8 passes.
    EXPECT_EQ(
        Written(EResultForm::Json, std::span(tables).first(2)),
        "{\"batches\": [\n"
        "{\"index\": 0, \"name\": \"Plain\", \"traceOps\": 7, \"columns\": [\"A\", \"A/F\"], \"rows\": [\n"
        "{\"key\": {\"wavelength\": 500, \"x\": 1, \"y\": 2, \"azimuth\": 3, \"declination\": 4}, "
        "\"values\": [0.25, 0.5]}]},\n"
        "{\"index\": 1, \"name\": \"Q\\\"\\\\\\u000a\\u0001\\ufffd\\ufffd\\ufffdµ\", \"traceOps\": 8, "
        "\"columns\": [\"A\", \"A/F\"], \"rows\": [\n"
        "{\"key\": {\"wavelength\": 600, \"x\": 0, \"y\": 0, \"azimuth\": 0, \"declination\": 0}, "
        "\"values\": [0.75, null], \"errors\": [0.125, 0.0625]}]}\n"
        "]}\n");
}

TEST(WriteResultForm, WritesInPiecesAndStopsAtAFailedWrite) {
    CResultTable table{0, "Long", 0, {"A"}, {}};
    table.rows.assign(20000, {{.wavelength = 500}, {0.123456789}, {0.000123456789}});
    for (EResultForm form : {EResultForm::Csv, EResultForm::Tsv, EResultForm::Json}) {
        std::string text;
        size_t pieces = 0, largest = 0;
        EXPECT_TRUE(WriteResultForm(form, std::span(&table, 1), [&](std::string_view piece) {
            text += piece;
            ++pieces;
            largest = std::max(largest, piece.size());
            return true;
        }));
        EXPECT_GT(pieces, 5u);
        EXPECT_LT(largest, 70000u);
        EXPECT_EQ(text, Written(form, std::span(&table, 1)));

        size_t calls = 0;
        EXPECT_FALSE(
            WriteResultForm(form, std::span(&table, 1), [&](std::string_view) { return ++calls, false; }));
        EXPECT_EQ(calls, 1u);
    }
    EXPECT_FALSE(WriteResultForm(EResultForm::Table, std::span(&table, 1), [](std::string_view) {
        ADD_FAILURE() << "the table form is not written here";
        return true;
    }));

    EXPECT_EQ(ParseResultForm("table"), EResultForm::Table);
    EXPECT_EQ(ParseResultForm("tsv"), EResultForm::Tsv);
    EXPECT_EQ(ParseResultForm("csv"), EResultForm::Csv);
    EXPECT_EQ(ParseResultForm("json"), EResultForm::Json);
    for (const char* other : {"", "JSON", "csv ", "xml"})
        EXPECT_EQ(ParseResultForm(other), std::nullopt) << other;
}

}  // namespace
}  // namespace brelix
