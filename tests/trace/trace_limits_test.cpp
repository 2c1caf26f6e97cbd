// Batches that must not crash, hang, exhaust memory or give NaN: they are refused before they start, or
// their trace ends with every bit of intensity accounted for.

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <functional>
#include <mutex>
#include <new>
#include <string>
#include <thread>

#include "optics/plane_models.h"
#include "optics/ray_split.h"
#include "tests/support/trace_helpers.h"
#include "trace/batch_check.h"
#include "trace/batch_memory.h"
#include "trace/ray_sources.h"
#include "trace/trace_op.h"
#include "trace/trace_worker.h"

namespace brelix {
namespace {

using namespace test;

void ExpectBalanced(CBatch& batch, const std::vector<double>& launched) {
    for (const CBalance& b : Balance(batch, launched)) EXPECT_NEAR(b.accounted, b.launched, 1e-12 * b.launched);
}

TEST(PathLimits, TranslatePlaneTargetingItselfHasNoEffect) {
    // A translate type chosen for plane 0 keeps its default target, plane 0: rays leaving the slab upward
    // would be moved onto the plane they stand on, and meet it again, for ever.
    CBatch batch;
    BuildSlab(batch, 3.5, 0, 100);
    SetNormalIncidenceSources(batch, 20);
    CLayer& slab = batch.model[1];
    slab[0].planeType = TranslateAcrossProportional;
    slab[0].PlnTransmit = 0;
    EXPECT_STREQ(NoEffectReason(slab[0], slab), "its target plane is itself");

    const std::vector<double> launched = TraceSynchronously(batch, 100000);
    ASSERT_EQ(RaysLeft(batch), 0u) << "still tracing after 100000 ops";
    ExpectBalanced(batch, launched);
    // The light reflected back up inside the slab passes the inert plane and leaves the model.
    double lost = 0;
    for (uint32_t k = 0; k < batch.model.results.GetSize(); ++k) lost += batch.model.results[k].lost;
    EXPECT_GT(lost, 0.0);
}

TEST(PathLimits, RayBetweenPerfectMirrorsEndsAsRemainderAtItsLifetime) {
    CBatch batch;
    CLayer& layer = batch.model.Append();
    SetHorizontal(AddPlane(layer, "Floor", PlanarReflector), -10, false, 100);
    SetHorizontal(AddPlane(layer, "Ceiling", PlanarReflector), 10, true, 100);
    for (CPlane& mirror : layer) mirror.SetConstants(0, 0, 1.0);
    SetNormalIncidenceSources(batch, 1);
    batch.minIntensity = 0;

    const std::vector<double> launched = TraceSynchronously(batch, 2 * kMaxPathInteractions);
    ASSERT_EQ(RaysLeft(batch), 0u) << "still tracing";
    EXPECT_EQ(batch.expiredRays.load(), 1u);
    EXPECT_EQ(batch.traceOps.load(), kMaxPathInteractions + 1);
    EXPECT_EQ(batch.model.results[0].remainder, 1.0);
    ExpectBalanced(batch, launched);
}

// Each case spoils a good batch in one way; the check names what is wrong.
TEST(BatchCheck, RefusesWhatWouldMakeNaNNeverEndOrNotFit) {
    const std::pair<std::function<void(CBatch&)>, std::string> cases[] = {
        {[](CBatch& b) { b.model[1].optics.constants.rindx = NAN; }, "layer 1 \"Slab\": refractive index is nan; values must be finite numbers no larger than 1e100"},
        {[](CBatch& b) { b.model[0][0].edge1.dx = INFINITY; }, "plane 0 \"Front\" of layer 0 \"Air above\": edge 1 direction is inf"},
        {[](CBatch& b) {
             b.model[0][0].planeType = PlanarSingleLayerAR;
             b.model[0][0].optics.constants.nDielectric = -INFINITY;
         },
         "coating index is -inf"},
        {[](CBatch& b) {
             b.model[1].SetMode(LayerTable);
             COpticalPoint row;
             row.wavelength = NAN;
             b.model[1].optics.AppendCounted(row);
         },
         "layer 1 \"Slab\", table row 0: wavelength is nan"},
        {[](CBatch& b) { b.model[0][0].planeType = PlanarSingleLayerAR; b.wavelengthSweep = {0, 10, 10, 0}; },
         "start at the wavelength 0 nm, but plane 0 \"Front\" of layer 0 \"Air above\" has a coating, which needs "
         "wavelengths of at least 1e-100 nm"},
        // Finite values whose squares or quotients overflow in the Fresnel and coating formulas.
        {[](CBatch& b) { b.model[1].optics.constants.rindx = 1e-170; }, "refractive index is 1e-170; at a refracting"},
        {[](CBatch& b) { b.model[1].optics.constants.rindx = 1e160; }, "refractive index is 1e+160; values must be"},
        {[](CBatch& b) { b.model[1][1].edge2.x = 1e200; }, "edge 2 position is 1e+200; values must be finite"},
        {[](CBatch& b) { b.model[0][0].planeType = PlanarSingleLayerAR; b.wavelengthSweep = {1e-306, 1, 1, 0}; },
         "start at the wavelength 1e-306 nm"},
        // A reflectance outside 0..1 absorbs more than arrives, or gains light.
        {[](CBatch& b) { b.model[0][1].SetConstants(0, 0, -1e60); }, "reflectance is -1e+60; a reflectance must be"},
        {[](CBatch& b) { b.model[0][1].SetConstants(0, 0, 90); }, "\"Top catcher\" of layer 0 \"Air above\": "
                                                                 "reflectance is 90; a reflectance must be from 0 to 1"},
        {[](CBatch& b) { b.xSweep.start = NAN; }, "the X Position sweep: Start is nan"},
        {[](CBatch& b) { b.constantIntensity = INFINITY; }, "Constant Intensity is inf"},
        {[](CBatch& b) { b.useSpectrumFile = 1; }, "the spectrum holds no points"},
        {[](CBatch& b) { b.ySweep = {600, 601, 1e-14, 0}; }, "Y Position sweep's Step (1e-14) is too small"},
        {[](CBatch& b) {
             b.model[1][1].planeType = LambertianReflector;
             b.subdivideTheta = b.subdivideXi = 10000000;
         },
         "a Lambertian reflection splits a ray into Subdivide (theta) x Subdivide (xi) = 10000000 x 10000000 rays"},
        {[](CBatch& b) { b.xSweep = {0, 3e9, 1, 0}; }, "results rows, more than the"},
        {[](CBatch& b) {
             // Three million rows, fine; but three billion source rays, more than a batch can count.
             b.xSweep = {0, 3e6, 1, 0};
             b.useSpectrumFile = 1;
             b.wavelengthSweep = {0, 1, 1, 0};
             for (int r = 0; r < 1000; ++r) b.spectrum.InsertSorted(600, 1.0);
         },
         "source rays, more than a batch can hold"},
    };
    for (const auto& [spoil, expected] : cases) {
        SCOPED_TRACE(expected);
        CBatch batch;
        BuildSlab(batch, 3.5, 10, 100);
        SetNormalIncidenceSources(batch, 2);
        batch.name = "Slab";
        CRandom random;
        std::string error;
        ASSERT_TRUE(BeginBatch(batch, random, nullptr, error)) << error;
        spoil(batch);
        EXPECT_FALSE(BeginBatch(batch, random, nullptr, error));
        EXPECT_NE(error.find("Batch \"Slab\" cannot be traced: "), std::string::npos) << error;
        EXPECT_NE(error.find(expected), std::string::npos) << error;
        EXPECT_EQ(RaysLeft(batch), 0u);
        EXPECT_EQ(batch.model.results.GetSize(), 0u);
    }
}

// Source rays are made when launched: a batch needs the memory of its rows, so a hundred million rays
// that share their rows fit where a tenth of them with a row each do not.
TEST(BatchCheck, RowsMustFitTheMemoryAvailable) {
    CBatch batch;
    BuildSlab(batch, 3.5, 10, 100);
    SetNormalIncidenceSources(batch, 1000);
    EXPECT_EQ(CountResultRows(batch), 1000u);
    const uint64_t need = BatchMemoryBytes(batch, 1000);
    std::string error;
    EXPECT_TRUE(CheckBatch(batch, error, need));
    EXPECT_FALSE(CheckBatch(batch, error, need - 1));
    EXPECT_NE(error.find("its 1000 source rays give 1000 results rows, which with the rays split off them would "
                         "need about"),
              std::string::npos)
        << error;

    constexpr uint64_t k100MB = 100000000;
    SetNormalIncidenceSources(batch, 100000);
    batch.constantSpectrum = 0;
    batch.fileSpectrum = 1;
    batch.useSpectrumFile = 1;
    batch.wavelengthSweep = {0, 1, 1, 0};
    for (int r = 0; r < 1000; ++r) batch.spectrum.InsertSorted(600, 1.0);
    EXPECT_EQ(CountSourceRays(batch, kMaxSourceRays), 100000000u);
    EXPECT_EQ(CountResultRows(batch), 100000u);
    EXPECT_TRUE(CheckBatch(batch, error, k100MB)) << error;

    SetNormalIncidenceSources(batch, 10000000);
    batch.useSpectrumFile = 0;
    EXPECT_FALSE(CheckBatch(batch, error, k100MB));
    EXPECT_NE(error.find("its sweeps give more than 625000 results rows, more than the 100.0 MB of memory"),
              std::string::npos)
        << error;
}

TEST(BatchCheck, MemoryEstimateCountsRowsQueueAndSplits) {
    CBatch batch;
    BuildLambertianSlab(batch, 3.5, 10, 100, 0.9);  // 2 layers, 4 planes
    batch.interfaceDivides = 3;
    batch.subdivideTheta = 10;
    batch.subdivideXi = 20;
    // One ray left per divide and the Lambertian split; no position or scatter split in this model.
    EXPECT_EQ(QueueHeadroom(batch), 1u + 3 + 200);
    // A row: its key, the model's lost and remainder, a tally per layer and plane, its slots in the key
    // index; and the six one-value sweeps with the wavelength's weight and row.
    EXPECT_EQ(BatchMemoryBytes(batch, 100),
              100 * (sizeof(CResultKey) + 8 * sizeof(double) + 16) + 204 * sizeof(CRay) + 18 * sizeof(double));
}

TEST(LongWork, GenerationAndSplitsStopWhenAskedAndKeepTheBalance) {
    std::atomic<uint32_t> stop{1};
    CBatch batch;
    BuildSlab(batch, 3.5, 10, 100);
    SetNormalIncidenceSources(batch, 100000);
    EXPECT_EQ(GenerateRays(batch, nullptr, nullptr, 0, &stop), EGeneration::Stopped);
    EXPECT_LT(batch.sources.Left(), 5000u);
    EXPECT_EQ(batch.model.results.GetSize(), batch.sources.Left());

    // A split asked to stop puts the ray back as it was.
    for (int i = 0; i < 2; ++i) ASSERT_TRUE(batch.sources.LaunchNext(batch.rayQueue.Push()));
    batch.rayQueue.Head().intensity = 0.25;
    CRandom random;
    CTraceContext context(batch, random, nullptr, &stop);
    EXPECT_FALSE(ReplaceHeadByCopies(context, 1000000, [](CRay& copy, uint64_t) { copy.intensity = 0; }));
    EXPECT_EQ(batch.rayQueue.GetCount(), 2u);
    EXPECT_EQ(batch.rayQueue.Head().intensity, 0.25);

    // So does one whose copies cannot be made.
    stop = 0;
    EXPECT_THROW(ReplaceHeadByCopies(context, 10, [](CRay&, uint64_t k) { if (k == 5) throw std::bad_alloc(); }),
                 std::bad_alloc);
    EXPECT_EQ(batch.rayQueue.GetCount(), 2u);
    EXPECT_EQ(batch.rayQueue.Head().intensity, 0.25);
}

TEST(LongWork, AGivenUpTraceEndsItsQueuedRaysAsRemainder) {
    CBatch batch;
    BuildLambertianSlab(batch, 3.5, 30, 100, 0.9);
    SetNormalIncidenceSources(batch, 20);
    const std::vector<double> launched = TraceSynchronously(batch, 300);
    ASSERT_FALSE(batch.rayQueue.IsEmpty());
    ASSERT_GT(batch.sources.Left(), 0u);
    double queued = 0;
    for (uint32_t i = 0; i < batch.rayQueue.GetCount(); ++i) queued += batch.rayQueue.FromHead(i).intensity;
    for (uint64_t i = 0; i < batch.sources.Left(); ++i) queued += launched[i];  // one ray per key, index i
    const uint64_t count = RaysLeft(batch);

    const CInFlight inFlight = EndQueuedRaysAsRemainder(batch);
    EXPECT_EQ(inFlight.rays, count);
    EXPECT_NEAR(inFlight.intensity, queued, 1e-12);
    EXPECT_EQ(RaysLeft(batch), 0u);
    ExpectBalanced(batch, launched);
}

// A surface that fails like an allocation deep inside a trace op would.
class CFailingSurface : public IDrawSurface {
public:
    explicit CFailingSurface(int linesBeforeFailing) : left_(linesBeforeFailing) {}
    const CPen* SelectPen(const CPen*) override { return nullptr; }
    void MoveTo(int, int) override {}
    void LineTo(int, int) override {
        if (--left_ == 0) throw std::bad_alloc();
    }

private:
    int left_;
};

struct CCollected : IMessages {
    void Show(const std::string& text, const std::string& caption) override {
        std::lock_guard lock(mutex);
        shown.push_back(caption + ": " + text);
    }
    std::mutex mutex;
    std::vector<std::string> shown;
};

TEST(LongWork, RunningOutOfMemoryStopsTheTraceAndKeepsItsResults) {
    CBatch batch;
    BuildLambertianSlab(batch, 3.5, 30, 100, 0.9);
    SetNormalIncidenceSources(batch, 20);
    batch.name = "Rear";
    CThTrace worker;
    CFailingSurface surface(5000);
    CCollected messages;
    batch.tracing = 1;
    worker.batchRequest = 1;
    worker.Start(&batch, &surface, &messages);
    worker.Resume();
    for (int i = 0; i < 60000 && worker.IsAlive(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    ASSERT_FALSE(worker.IsAlive());
    worker.Stop();

    EXPECT_EQ(worker.failure.load(), CThTrace::OutOfMemory);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0],
              "CThTrace Error: Not enough memory to go on tracing batch \"Rear\": the trace was stopped. The results "
              "so far are kept.");
    EXPECT_GT(batch.traceOps.load(), 0u);
    EXPECT_GT(RaysLeft(batch), 0u);
    ExpectBalanced(batch, std::vector<double>(batch.model.results.GetSize(), 1.0));
}

}  // namespace
}  // namespace brelix
