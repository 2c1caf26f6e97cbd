#include "trace/trace_op.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>

#include "tests/support/trace_helpers.h"

namespace brelix {
namespace {

using namespace test;

// Builds a batch, traces it (optionally stopping after `maxOps` ops) and checks that every launched bit of
// intensity is accounted for, per key.
void ExpectConservation(const std::function<void(CBatch&)>& build, uint64_t maxOps = UINT64_MAX) {
    CBatch batch;
    build(batch);
    const std::vector<double> launched = TraceSynchronously(batch, maxOps);
    ASSERT_FALSE(launched.empty());
    const std::vector<CBalance> balance = Balance(batch, launched);
    for (size_t k = 0; k < balance.size(); ++k)
        EXPECT_NEAR(balance[k].accounted, balance[k].launched, 1e-12 * balance[k].launched) << "key " << k;
}

TEST(Conservation, PlanarSlabWithAndWithoutSplitting) {
    for (uint32_t divides : {0u, 1u, 12u}) {
        SCOPED_TRACE(divides);
        ExpectConservation([&](CBatch& batch) {
            BuildSlab(batch, 3.5, 100, 100);
            SetNormalIncidenceSources(batch, 50);
            batch.declinationSweep = {0, 60, 20, 0};
            batch.interfaceDivides = divides;
        });
    }
}

TEST(Conservation, LambertianRearTexturedCellAndScattering) {
    ExpectConservation([](CBatch& batch) {
        BuildLambertianSlab(batch, 3.5, 30, 100, 0.9);
        SetNormalIncidenceSources(batch, 20);
    });
    for (bool randomised : {false, true}) {
        ExpectConservation([&](CBatch& batch) {
            BuildTexturedCell(batch, randomised);
            SetNormalIncidenceSources(batch, 10);
            batch.xOffset = 0.5;
            batch.yOffset = 5;
            batch.declinationSweep = {0, 40, 40, 0};
            batch.azimuthSweep = {0, 30, 30, 0};
        });
    }
    ExpectConservation([](CBatch& batch) {
        BuildScatteringBox(batch, false);
        SetNormalIncidenceSources(batch, 5);
        batch.subdivideTheta = 2;
        batch.subdivideXi = 4;
    });
}

TEST(Conservation, EarlyEndCountsTheQueuedRays) {
    ExpectConservation(
        [](CBatch& batch) {
            BuildLambertianSlab(batch, 3.5, 30, 100, 0.9);
            SetNormalIncidenceSources(batch, 20);
            batch.interfaceDivides = 4;
        },
        500);
}

TEST(Conservation, ReemittedLightIsAccountedForInTotal) {
    // Re-emitted rays continue under the key of their new wavelength, so the balance holds over all keys.
    CBatch batch;
    BuildScatteringBox(batch, true);
    SetNormalIncidenceSources(batch, 4, 600);
    batch.subdivideTheta = 2;
    batch.subdivideXi = 2;
    const std::vector<double> launched = TraceSynchronously(batch);
    EXPECT_GT(batch.model.results.GetSize(), launched.size()) << "new keys for re-emitted wavelengths";
    double total = 0, accounted = 0;
    for (double l : launched) total += l;
    for (const CBalance& b : Balance(batch, std::vector<double>(batch.model.results.GetSize(), 0.0)))
        accounted += b.accounted;
    EXPECT_NEAR(accounted, total, 1e-12 * total);
}

TEST(Determinism, OneSeedGivesIdenticalTallies) {
    auto run = [](uint32_t seed) {
        auto batch = std::make_unique<CBatch>();
        BuildTexturedCell(*batch, true);
        SetNormalIncidenceSources(*batch, 10);
        batch->xOffset = 0.5;
        batch->yOffset = 5;
        batch->declinationSweep = {0, 30, 30, 0};
        batch->seed = seed;
        TraceSynchronously(*batch);
        return batch;
    };
    auto a = run(11), b = run(11), c = run(12);
    EXPECT_EQ(Tallies(a->model), Tallies(b->model));
    EXPECT_NE(Tallies(a->model), Tallies(c->model));
    EXPECT_EQ(a->traceOps.load(), b->traceOps.load());
}

// The incoherent multiple-reflection solution for a slab between two half-spaces of index 1.
struct SlabFractions {
    double reflected, absorbed, transmitted;
};
SlabFractions ClosedForm(double n, double alphaPerCm, double thicknessUm) {
    const double R = std::pow((n - 1) / (n + 1), 2);
    const double a = std::exp(-alphaPerCm / 10000 * thicknessUm);
    const double d = 1 - R * R * a * a;
    return {R + (1 - R) * (1 - R) * R * a * a / d, (1 - R) * (1 - a) * (1 + R * a) / d,
            (1 - R) * (1 - R) * a / d};
}

struct Estimate {
    double mean, standardError;
};
Estimate MeanOverKeys(const CResultList& list, double CResultRecord::*field) {
    const uint32_t n = list.GetSize();
    double sum = 0, sumSq = 0;
    for (uint32_t k = 0; k < n; ++k) {
        const double v = list[k].*field;
        sum += v;
        sumSq += v * v;
    }
    const double mean = sum / n;
    return {mean, std::sqrt(std::max(0.0, sumSq / n - mean * mean) / (n - 1))};
}

TEST(Physics, PlanarSlabMatchesTheClosedForm) {
    const SlabFractions expected = ClosedForm(3.5, 100, 100);
    for (uint32_t divides : {0u, 20u}) {
        SCOPED_TRACE(divides);
        CBatch batch;
        BuildSlab(batch, 3.5, 100, 100);
        const int rays = divides ? 10 : 40000;
        SetNormalIncidenceSources(batch, rays);
        batch.interfaceDivides = divides;
        batch.seed = 2024;
        TraceSynchronously(batch);
        const CModel& model = batch.model;
        const Estimate reflected = MeanOverKeys(model[0][1].results, &CResultRecord::absorbed);
        const Estimate absorbed = MeanOverKeys(model[1].results, &CResultRecord::absorbed);
        const Estimate transmitted = MeanOverKeys(model[2][1].results, &CResultRecord::absorbed);
        const Estimate remainder = MeanOverKeys(model.results, &CResultRecord::remainder);
        if (divides) {
            // Deterministic splitting: only the terms below the termination threshold are missing.
            EXPECT_NEAR(reflected.mean, expected.reflected, 1e-9);
            EXPECT_NEAR(absorbed.mean, expected.absorbed, 1e-9);
            EXPECT_NEAR(transmitted.mean, expected.transmitted, 1e-9);
        } else {
            EXPECT_NEAR(reflected.mean, expected.reflected, 3 * reflected.standardError);
            EXPECT_NEAR(absorbed.mean, expected.absorbed, 3 * absorbed.standardError);
            EXPECT_NEAR(transmitted.mean, expected.transmitted, 3 * transmitted.standardError);
            EXPECT_LT(absorbed.standardError, 0.005);
        }
        EXPECT_LT(remainder.mean, 1e-5);
        EXPECT_EQ(MeanOverKeys(model.results, &CResultRecord::lost).mean, 0.0);
    }
}

TEST(TraceOp, LostRaysAndZeroIntensityRays) {
    // No plane in the way: the whole intensity is lost.
    CBatch open;
    BuildSlab(open, 1.5, 0, 10);
    open.model[0].RemoveAll();
    SetNormalIncidenceSources(open, 3);
    TraceSynchronously(open);
    for (uint32_t k = 0; k < 3; ++k) EXPECT_EQ(open.model.results[k].lost, 1.0);
    EXPECT_EQ(open.traceOps.load(), 3u);

    // A zero-reflectance reflector leaves a ray of intensity 0, which ends as remainder at its next op,
    // even with a threshold of 0.
    CBatch catcher;
    BuildSlab(catcher, 1.0, 0, 10);
    catcher.model[0][0].planeType = PlanarReflector;
    catcher.minIntensity = 0;
    SetNormalIncidenceSources(catcher, 1);
    TraceSynchronously(catcher, 100);
    EXPECT_TRUE(catcher.rayQueue.IsEmpty());
    EXPECT_EQ(catcher.model[0][0].results[0].absorbed, 1.0);
    EXPECT_EQ(catcher.traceOps.load(), 2u);
}

TEST(TraceOp, PlanesWithoutEffectArePassedBy) {
    // A type-10 plane and a translate plane without a target between the front and the rear.
    CBatch batch;
    BuildSlab(batch, 1.0, 100, 100);
    CLayer& slab = batch.model[1];
    SetHorizontal(AddPlane(slab, "No effect", TransmitSubdivideAngle), -90, false, 1e6);
    CPlane& dangling = AddPlane(slab, "Dangling", TranslateAcrossProportional);
    SetHorizontal(dangling, -110, false, 1e6);
    dangling.PlnTransmit = 9;
    SetNormalIncidenceSources(batch, 1);
    batch.interfaceDivides = 0;
    TraceSynchronously(batch);
    // Air-slab-air of equal index: everything crosses; absorbed once over the 100 um.
    EXPECT_NEAR(slab.results[0].absorbed, 1 - std::exp(-1.0), 1e-15);
    EXPECT_NEAR(batch.model[2][1].results[0].absorbed, std::exp(-1.0), 1e-15);
}

TEST(TraceOp, ThresholdFormula) {
    CBatch batch;
    EXPECT_DOUBLE_EQ(TerminationThreshold(batch), 0.001 / (100.0 * 4 * 16 * 2 * 2));
    batch.interfaceDivides = 0;
    batch.subdividePosition = 0;  // treated as 1
    EXPECT_DOUBLE_EQ(TerminationThreshold(batch), 0.001 / (4.0 * 16 * 2));
}

}  // namespace
}  // namespace brelix
