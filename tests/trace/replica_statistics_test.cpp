#include "trace/replica_statistics.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "core/batch.h"
#include "examples/sample_models.h"
#include "trace/parallel_trace.h"
#include "trace/tally_columns.h"

namespace brelix {
namespace {

using namespace samples;

// Gives the batch the rows of `keys` (x positions), with the lost intensity of each.
void SetLost(CBatch& batch, const std::vector<std::pair<double, double>>& rows) {
    batch.model.ClearResults();
    for (const auto& [x, lost] : rows) {
        CResultKey key;
        key.x = x;
        batch.model.results.AddLost(static_cast<uint32_t>(batch.model.FindOrAddResult(key)), lost);
    }
}

// Three replicas by hand: a row every replica makes, and one that only the second meets (0 in the others).
TEST(ReplicaStatistics, MeansAndErrorsCountARowMissingFromAReplicaAsZero) {
    CBatch batch;
    BuildSlab(batch, 3.5, 100, 100);
    CReplicaStatistics statistics;
    SetLost(batch, {{1, 1.0}});
    statistics.Add(batch);
    EXPECT_TRUE(std::isnan(statistics.LargestTableError(batch)));
    SetLost(batch, {{1, 3.0}, {2, 2.0}});
    statistics.Add(batch);
    SetLost(batch, {{1, 5.0}});
    statistics.Add(batch);
    ASSERT_EQ(statistics.Replicas(), 3u);
    ASSERT_EQ(statistics.Rows(), 2u);

    statistics.WriteMeans(batch);
    ASSERT_EQ(batch.model.results.GetSize(), 2u);
    EXPECT_EQ(batch.model.results.Key(0).x, 1.0);
    EXPECT_EQ(batch.model.results.Key(1).x, 2.0);
    EXPECT_DOUBLE_EQ(batch.model.results.Lost(0), 3.0);
    EXPECT_DOUBLE_EQ(batch.model.results.Lost(1), 2.0 / 3);

    // Values 1, 3, 5: sd 2, error 2 / sqrt 3. Values 0, 2, 0: sd sqrt(4/3), error 2/3. The lost
    // intensity is the table's last column; every other cell was 0 in every replica.
    const std::vector<double> errors = statistics.TableErrors(batch);
    const size_t width = TableTallyColumns(batch.model).size();
    ASSERT_EQ(errors.size(), 2 * width);
    EXPECT_DOUBLE_EQ(errors[width - 1], 2 / std::sqrt(3.0));
    EXPECT_DOUBLE_EQ(errors[2 * width - 1], 2.0 / 3);
    for (size_t c = 0; c + 1 < width; ++c) EXPECT_EQ(errors[c] + errors[width + c], 0.0);
    EXPECT_DOUBLE_EQ(statistics.LargestTableError(batch), 2 / std::sqrt(3.0));
}

// The reported errors are the spread the means really have: 30 repeated traces of a slab (each 5
// replicas, random interface choices) at independent seeds; the variance of their 30 absorbed totals,
// over the mean reported variance, times 29 lies in the central 95 % of chi-square with 29 degrees of
// freedom. An error off by a factor of sqrt 2 or more falls outside.
TEST(ReplicaStatistics, ErrorsAgreeWithTheSpreadOfIndependentRuns) {
    constexpr int kRuns = 30, kReplicas = 5;
    double sum = 0, sumSq = 0, reportedVariance = 0;
    for (int run = 0; run < kRuns; ++run) {
        CBatch batch;
        BuildSlab(batch, 3.5, 30, 100);
        SetNormalIncidenceSources(batch, 200);
        batch.interfaceDivides = 0;
        CReplicaStatistics statistics;
        for (uint32_t replica = 0; replica < kReplicas; ++replica) {
            batch.seed = ReplicaSeed(1000 + run, replica);
            ASSERT_EQ(TraceInParallel(batch, 2).end, CParallelTrace::Complete);
            statistics.Add(batch);
        }
        statistics.WriteMeans(batch);
        const std::vector<double> errors = statistics.TableErrors(batch);
        const size_t width = TableTallyColumns(batch.model).size();
        // The slab is the second layer, after the air and its two planes: table column 3.
        double total = 0, variance = 0;
        for (uint32_t row = 0; row < batch.model.results.GetSize(); ++row) {
            total += batch.model[1].results.Absorbed(row);
            variance += errors[row * width + 3] * errors[row * width + 3];
        }
        sum += total;
        sumSq += total * total;
        reportedVariance += variance / kRuns;
    }
    const double spread = (sumSq - sum * sum / kRuns) / (kRuns - 1);
    const double statistic = (kRuns - 1) * spread / reportedVariance;
    EXPECT_GT(statistic, 16.05);
    EXPECT_LT(statistic, 45.72);
}

TEST(ReplicaStatistics, ReplicaSeedsDifferFromEachOtherAndFromTheSeed) {
    EXPECT_NE(ReplicaSeed(0, 0), 0u);
    EXPECT_NE(ReplicaSeed(0, 1), ReplicaSeed(1, 0));
    EXPECT_NE(ReplicaSeed(5, 0), SourceRaySeed(5, 0));
}

}  // namespace
}  // namespace brelix
