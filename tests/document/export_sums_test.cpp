// The row totals and the Totals line of a results table add every tally: absorbed, remainder and lost.

#include <gtest/gtest.h>

#include "core/batch.h"
#include "document/results_export.h"

namespace brelix {
namespace {

TEST(FormatBatchResults, RowAndColumnTotalsIncludeTheRemainderAndTheLost) {
    CBatch batch;
    batch.name = "Sums";
    batch.wavelengthVaries = 1;
    CLayer& layer = batch.model.Append();
    layer.name = "L";
    CPlane& plane = layer.Append();
    plane.name = "P";
    const double tallies[2][4] = {{0.2, 0.05, 0.4, 0.3},
                                  {0.1, 0, 0.3, 0.6}};  // layer, plane, remainder, lost
    for (int k = 0; k < 2; ++k) {
        CRay ray;
        ray.wavelength = 500 + 100 * k;
        ray.resultIndex = batch.model.FindOrAddResult(ray);
        layer.results.AddAbsorbed(ray, tallies[k][0]);
        plane.results.AddAbsorbed(ray, tallies[k][1]);
        batch.model.results.AddRemainder(ray, tallies[k][2]);
        batch.model.results.AddLost(ray, tallies[k][3]);
    }
    EXPECT_EQ(FormatBatchResults(batch, 0),
              "Batch 0:\tSums (0.00 Million Trace Ops)\n"
              "\tWlen\tL\tP\tRemndr\tLost\tTotal\n"
              "Ray 0:\t500.0 \t0.200\t0.050\t0.400\t0.300\t0.950\t\n"
              "Ray 1:\t600.0 \t0.100\t0.000\t0.300\t0.600\t1.000\t\n"
              "----\t----\t----\t----\t----\t----\t----\t\n"
              "Totals\t\t0.300\t0.050\t0.700\t0.900\t1.950\t\n");
}

}  // namespace
}  // namespace brelix
