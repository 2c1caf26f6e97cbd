#include "trace/trace_op.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "examples/feature_documents.h"
#include "tests/support/trace_helpers.h"

namespace brelix {
namespace {

using namespace test;

// Every launched bit of intensity ends in exactly one tally or is still queued, in every batch of the
// feature documents, traced to the end or stopped early. Re-emission moves light to the keys of new
// wavelengths: where it makes new keys the balance holds over all keys, elsewhere per key.
TEST(Conservation, EveryBitOfLaunchedIntensityIsAccountedFor) {
    for (const CFeatureDocument& document : kFeatureDocuments) {
        for (uint64_t maxOps : {uint64_t{300}, UINT64_MAX}) {
            CBatchList list;
            document.build(list);
            for (CBatch& batch : list) {
                SCOPED_TRACE(::testing::Message() << batch.name << " stopped after " << maxOps);
                std::vector<double> launched = TraceSynchronously(batch, maxOps);
                const bool newKeys = batch.model.results.GetSize() > launched.size();
                launched.resize(batch.model.results.GetSize(), 0.0);
                double total = 0, accounted = 0;
                for (const CBalance& b : Balance(batch, launched)) {
                    if (!newKeys) {
                        EXPECT_NEAR(b.accounted, b.launched, 1e-12 * b.launched);
                    }
                    total += b.launched;
                    accounted += b.accounted;
                }
                EXPECT_NEAR(accounted, total, 1e-12 * total);
            }
        }
    }
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
    EXPECT_EQ(RaysLeft(catcher), 0u);
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

// A ray ends as remainder once weaker than the minimum intensity shared out over every division a source
// ray may undergo (a subdivision of 0 dividing nothing). Between two mirrors of R = 0.5 a ray halves at
// each bounce, so the remainder is the first power of 1/2 below that share.
TEST(TraceOp, RaysEndBelowTheSharedOutMinimumIntensity) {
    auto remainder = [](uint32_t position, uint32_t divides) {
        CBatch batch;
        CLayer& layer = batch.model.Append();
        SetHorizontal(AddPlane(layer, "Floor", PlanarReflector), -10, false, 100);
        SetHorizontal(AddPlane(layer, "Ceiling", PlanarReflector), 10, true, 100);
        for (CPlane& mirror : layer) mirror.SetConstants(0, 0, 0.5);
        SetNormalIncidenceSources(batch, 1);
        batch.minIntensity = 0.1;
        batch.subdividePosition = position;
        batch.subdivideTheta = batch.subdivideXi = batch.subdivideScatter = 2;
        batch.interfaceDivides = divides;
        TraceSynchronously(batch);
        return batch.model.results[0].remainder;
    };
    EXPECT_EQ(remainder(0, 0), 1.0 / 128);   // 0.1 / 8 = 0.0125: 1/64 goes on
    EXPECT_EQ(remainder(1, 0), 1.0 / 128);
    EXPECT_EQ(remainder(4, 2), 1.0 / 2048);  // 0.1 / (4 x 8 x 2^2) = 0.00078: 1/1024 goes on
}

}  // namespace
}  // namespace brelix
