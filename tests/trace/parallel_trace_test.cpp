#include "trace/parallel_trace.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <map>
#include <string>

#include "examples/feature_documents.h"
#include "tests/support/trace_helpers.h"
#include "trace/trace_op.h"

namespace brelix {
namespace {

using namespace test;

// Launched intensity per row after a parallel trace: every source ray, made again from its index.
std::vector<double> Launched(const CBatch& batch) {
    std::vector<double> launched(batch.model.results.GetSize(), 0.0);
    for (uint64_t i = 0; i < batch.sources.GetCount(); ++i) {
        CRay ray;
        batch.sources.Make(i, ray);
        launched[static_cast<size_t>(ray.resultIndex)] += ray.intensity;
    }
    return launched;
}

// Every batch of the feature documents (scattering, re-emission at new wavelengths, every plane type and
// split), traced on 1, 2 and 7 threads: the same rows, tallies and counters to the last bit; and every bit
// of launched intensity accounted for.
TEST(ParallelTrace, SameTalliesOnAnyNumberOfThreadsAndEveryBitAccountedFor) {
    for (const CFeatureDocument& document : kFeatureDocuments) {
        CBatchList lists[3];
        const unsigned threads[3] = {1, 2, 7};
        for (int run = 0; run < 3; ++run) {
            document.build(lists[run]);
            for (CBatch& batch : lists[run]) {
                batch.seed = 77;
                ASSERT_EQ(TraceInParallel(batch, threads[run]).end, CParallelTrace::Complete) << batch.name;
            }
        }
        for (uint32_t b = 0; b < lists[0].GetCount(); ++b) {
            SCOPED_TRACE(lists[0][b].name);
            const CBatch& one = lists[0][b];
            for (int run = 1; run < 3; ++run) {
                const CBatch& other = lists[run][b];
                EXPECT_EQ(Tallies(other.model), Tallies(one.model)) << threads[run] << " threads";
                ASSERT_EQ(other.model.results.GetSize(), one.model.results.GetSize());
                for (uint32_t k = 0; k < one.model.results.GetSize(); ++k)
                    EXPECT_EQ(other.model.results.Key(k), one.model.results.Key(k));
                EXPECT_EQ(other.traceOps.load(), one.traceOps.load());
                EXPECT_EQ(other.expiredRays.load(), one.expiredRays.load());
            }
            CBatch& batch = lists[0][b];
            std::vector<double> launched = Launched(batch);
            double total = 0, accounted = 0;
            for (const CBalance& balance : Balance(batch, launched)) {
                total += balance.launched;
                accounted += balance.accounted;
            }
            EXPECT_GT(total, 0.0);
            EXPECT_NEAR(accounted, total, 1e-12 * total);
        }
    }
}

TEST(ParallelTrace, PlanarSlabMatchesTheClosedFormWithinThreeStandardErrors) {
    const SlabFractions expected = ClosedForm(3.5, 100, 100);
    CBatch batch;
    BuildSlab(batch, 3.5, 100, 100);
    SetNormalIncidenceSources(batch, 40000);
    batch.interfaceDivides = 0;
    batch.seed = 2024;
    ASSERT_EQ(TraceInParallel(batch, 2).end, CParallelTrace::Complete);
    const CModel& model = batch.model;
    const Estimate reflected = MeanOverKeys(model[0][1].results, &CResultRecord::absorbed);
    const Estimate absorbed = MeanOverKeys(model[1].results, &CResultRecord::absorbed);
    const Estimate transmitted = MeanOverKeys(model[2][1].results, &CResultRecord::absorbed);
    EXPECT_NEAR(reflected.mean, expected.reflected, 3 * reflected.standardError);
    EXPECT_NEAR(absorbed.mean, expected.absorbed, 3 * absorbed.standardError);
    EXPECT_NEAR(transmitted.mean, expected.transmitted, 3 * transmitted.standardError);
    EXPECT_LT(absorbed.standardError, 0.005);
    EXPECT_LT(MeanOverKeys(model.results, &CResultRecord::remainder).mean, 1e-5);
}

// Every batch of the feature documents cut into 1, 2, 3 and 7 slices, each slice traced on its own (on a
// different number of threads), and the slices' chunks added in chunk order: the rows, tallies and
// counters of the unsliced trace, to the last bit. Every chunk is in exactly one slice.
TEST(ParallelTrace, SlicesAddedInChunkOrderAreTheUnslicedTrace) {
    for (const CFeatureDocument& document : kFeatureDocuments) {
        CBatchList whole;
        document.build(whole);
        for (CBatch& batch : whole) {
            batch.seed = 31;
            ASSERT_EQ(TraceInParallel(batch, 2).end, CParallelTrace::Complete) << batch.name;
        }
        for (const uint32_t count : {1u, 2u, 3u, 7u}) {
            CBatchList sliced, merged;
            document.build(sliced);
            document.build(merged);
            for (uint32_t b = 0; b < whole.GetCount(); ++b) {
                SCOPED_TRACE(whole[b].name + ", " + std::to_string(count) + " slices");
                std::map<uint64_t, CChunkTallies> chunks;
                sliced[b].seed = 31;
                for (uint32_t index = 0; index < count; ++index) {
                    const CSlice slice{index, count};
                    const CParallelTrace outcome = TraceSliceInParallel(
                        sliced[b], 1 + index % 3, slice, [&](uint64_t chunk, const CChunkTallies& tallies) {
                            EXPECT_EQ(chunk % count, index);
                            EXPECT_TRUE(chunks.emplace(chunk, tallies).second) << "chunk " << chunk << " twice";
                        });
                    ASSERT_EQ(outcome.end, CParallelTrace::Complete);
                }
                CBatch& batch = merged[b];
                batch.seed = 31;
                uint64_t rays = 0, chunkCount = 0;
                std::string error;
                ASSERT_TRUE(PrepareChunkedBatch(batch, rays, chunkCount, error)) << error;
                ASSERT_EQ(chunks.size(), chunkCount);
                for (const auto& [chunk, tallies] : chunks) AddChunkTallies(batch, tallies);
                EXPECT_EQ(Tallies(batch.model), Tallies(whole[b].model));
                ASSERT_EQ(batch.model.results.GetSize(), whole[b].model.results.GetSize());
                for (uint32_t k = 0; k < batch.model.results.GetSize(); ++k)
                    EXPECT_EQ(batch.model.results.Key(k), whole[b].model.results.Key(k));
                EXPECT_EQ(batch.traceOps.load(), whole[b].traceOps.load());
            }
        }
    }
}

// splitmix64 of (seed * 2^32 + index), high half; and seeds of neighbouring rays that are far apart, so
// that their first draws are not: raw consecutive seeds of the generator differ by about 3 in their
// first draw.
TEST(ParallelTrace, SourceRaySeedsAreMixed) {
    EXPECT_EQ(SourceRaySeed(0, 0), 0xe220a839u);  // splitmix64's first output from state 0
    EXPECT_NE(SourceRaySeed(0, 1), SourceRaySeed(1, 0));
    double gap = 0;
    constexpr int kRays = 10000;
    for (int i = 0; i < kRays; ++i) {
        CRandom a(SourceRaySeed(5, static_cast<uint64_t>(i))), b(SourceRaySeed(5, static_cast<uint64_t>(i) + 1));
        gap += std::abs(a.Next() - b.Next());
    }
    // Independent uniform draws on 0..32767 lie 32768 / 3 apart on average.
    EXPECT_NEAR(gap / kRays, 32768.0 / 3, 300);
}

// A stop ends every ray not traced to its end as remainder: the balance holds and the rows are complete.
TEST(ParallelTrace, AStoppedTraceEndsItsRaysAsRemainder) {
    CBatch batch;
    BuildLambertianSlab(batch, 3.5, 30, 100, 0.9);
    SetNormalIncidenceSources(batch, 300);
    const std::atomic<uint32_t> stop{1};
    const CParallelTrace outcome = TraceInParallel(batch, 2, &stop);
    EXPECT_EQ(outcome.end, CParallelTrace::Stopped);
    EXPECT_EQ(outcome.raysInFlight, 300u);
    EXPECT_DOUBLE_EQ(outcome.intensityInFlight, 300.0);
    EXPECT_EQ(batch.model.results.GetSize(), 300u);
    EXPECT_EQ(RaysLeft(batch), 0u);
    for (const CBalance& balance : Balance(batch, Launched(batch))) EXPECT_EQ(balance.accounted, balance.launched);

    batch.model[0][0].SetConstants(0, 0, NAN);
    batch.model[0][0].planeType = PlanarReflector;
    const CParallelTrace refused = TraceInParallel(batch, 2);
    EXPECT_EQ(refused.end, CParallelTrace::Refused);
    EXPECT_NE(refused.error.find("cannot be traced"), std::string::npos) << refused.error;
}

}  // namespace
}  // namespace brelix
