// The results as numbers for programs (CollectResults, WriteResultForm) and the results table with the
// standard errors of repeated traces.

#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <vector>

#include "core/batch.h"
#include "document/results_export.h"

namespace brelix {
namespace {

// Two rows of a layer "L" with a plane "P", swept in wavelength: tallies of the layer, the plane, the
// remainder and the lost intensity.
void FillTwoRows(CBatch& batch) {
    batch.name = "Sums";
    batch.wavelengthVaries = 1;
    CLayer& layer = batch.model.Append();
    layer.name = "L";
    CPlane& plane = layer.Append();
    plane.name = "P";
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
    EXPECT_EQ(std::regex_replace(FormatBatchResults(batch, 0, errors), std::regex(" ± [^\t]*"), ""), plain);
    EXPECT_EQ(plain.find("±"), std::string::npos);
}

}  // namespace
}  // namespace brelix
