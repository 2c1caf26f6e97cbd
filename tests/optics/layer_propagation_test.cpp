#include "optics/layer_propagation.h"

#include <gtest/gtest.h>

#include <cmath>

#include "optics/formulas.h"
#include "tests/support/trace_helpers.h"

namespace brelix {
namespace {

using namespace test;

// A layer (absorption and scattering per cm) whose plane at z = 0 the ray is about to reach.
struct LayerFixture {
    LayerFixture(double alpha, double scatt) {
        batch.model.Append().SetConstants(1.5, alpha, 0, scatt);
        SetHorizontal(AddPlane(Layer(), "Bottom", PlanarReflector), 0, false, 100);
    }
    CLayer& Layer() { return batch.model[0]; }
    CRay& Launch(double distance, double intensity, bool scatterSplit = false) {
        CRay& ray = batch.rayQueue.Push();
        ray.SetPosition(0, 0, distance);
        ray.SetDirection(0, 0, -1);
        ray.step = distance;
        ray.intensity = intensity;
        ray.wavelength = 600;
        ray.scatterSubdivided = scatterSplit;
        batch.model.FindOrAddResult(ray);
        return ray;
    }
    ELayerStep Step() {
        CTraceContext context(batch, random, nullptr);
        return PropagateInLayer(context, Layer(), Layer()[0]);
    }
    CBatch batch;
    CRandom random{3};
};

TEST(PropagateInLayer, AbsorptionAndPathLength) {
    LayerFixture f(10000, 0);  // 10000 per cm = 1 per um
    f.Launch(1, 1.0);
    EXPECT_EQ(f.Step(), ELayerStep::ReachedPlane);
    EXPECT_NEAR(f.Layer().results[0].absorbed, 1 - std::exp(-1.0), 1e-15);
    EXPECT_NEAR(f.batch.rayQueue.Head().intensity, std::exp(-1.0), 1e-15);

    LayerFixture path(10000, 0);
    path.Layer().SetPathLength(1);
    path.Launch(20, 0.5);
    EXPECT_EQ(path.Step(), ELayerStep::ReachedPlane);
    EXPECT_EQ(path.Layer().results[0].pathLength, 10.0);
    EXPECT_EQ(path.Layer().results[0].absorbed, 0.0);
    EXPECT_EQ(path.batch.rayQueue.Head().intensity, 0.5);
}

TEST(PropagateInLayer, EnteringAScatteringLayerOnlySplits) {
    LayerFixture f(0, 100);
    f.Launch(50, 1.0);
    CRandom before = f.random;
    EXPECT_EQ(f.Step(), ELayerStep::OpFinished);
    ASSERT_EQ(f.batch.rayQueue.GetCount(), 2u);
    for (uint32_t i = 0; i < 2; ++i) {
        const CRay& copy = f.batch.rayQueue.FromHead(i);
        EXPECT_EQ(copy.intensity, 0.5);
        EXPECT_EQ(copy.scatterSubdivided, 1u);
        EXPECT_EQ(copy.z, 50.0);
    }
    EXPECT_EQ(f.random.Next(), before.Next()) << "no draw at the split";
}

TEST(PropagateInLayer, ScatteringEventsAttenuateToTheEventAndShareWhatIsLeft) {
    LayerFixture f(5000, 1e6);  // mean free path 0.01 um: an event is certain before 50 um
    f.Launch(50, 1.0, true);
    EXPECT_EQ(f.Step(), ELayerStep::OpFinished);
    ASSERT_EQ(f.batch.rayQueue.GetCount(), 64u);
    const CRay& child = f.batch.rayQueue.Head();
    const double travelled = 50 - child.z;
    EXPECT_GT(travelled, 0);
    EXPECT_LT(travelled, 1);
    // A 64th each of what is left after absorption over the distance travelled.
    EXPECT_NEAR(child.intensity * 64, std::exp(-0.5 * travelled), 1e-12);
    EXPECT_NEAR(f.Layer().results[0].absorbed + child.intensity * 64, 1.0, 1e-12);
    EXPECT_EQ(child.thetaXiSubdivided, 1u);

    // Mean free path 100 um: the share scattered before 100 um is 1 - 1/e.
    LayerFixture sparse(0, 100);
    int scattered = 0;
    const int n = 20000;
    for (int i = 0; i < n; ++i) {
        sparse.Launch(100, 1.0, true).thetaXiSubdivided = 1;
        scattered += sparse.Step() == ELayerStep::OpFinished;
        sparse.batch.rayQueue.RemoveAll();
    }
    EXPECT_NEAR(scattered / double(n), 1 - std::exp(-1.0), 0.012);
}

// Every re-emitted ray draws its direction (three draws), then its wavelength (one draw), after the one
// draw of the scattering distance: the generator's own functions, fed the draws in that order, give
// each child exactly.
TEST(PropagateInLayer, ReemissionDrawsTheDirectionThenTheWavelength) {
    for (bool alreadySplit : {false, true}) {
        SCOPED_TRACE(alreadySplit);
        LayerFixture f(0, 1e6);
        f.Layer().SetMode(LayerStokes);
        for (double w : {500.0, 700.0})
            f.Layer().optics.InsertSorted(
                COpticalPoint{.wavelength = w, .rindx = 1.5, .scatt = 1e6, .emissionWeight = 1},
                ERowCount::Stokes);
        f.Launch(50, 1.0, true).thetaXiSubdivided = alreadySplit;
        CRandom draws = f.random;
        draws.Next();  // the scattering distance
        EXPECT_EQ(f.Step(), ELayerStep::OpFinished);
        const uint32_t children = alreadySplit ? 1 : 64;
        ASSERT_EQ(f.batch.rayQueue.GetCount(), children);
        for (uint32_t k = 0; k < children; ++k) {
            CRay expected;
            IsotropicDirection(expected, draws);
            const double wavelength = f.Layer().GetEmissionWavelength(600, draws);
            const CRay& child = f.batch.rayQueue.FromHead(children - 1 - k);
            EXPECT_NEAR(child.dx, expected.dx, 1e-15) << k;
            EXPECT_NEAR(child.dz, expected.dz, 1e-15) << k;
            EXPECT_EQ(child.wavelength, wavelength) << k;
        }
        // The split's rays are tallied under their new wavelength's key.
        const CRay& head = f.batch.rayQueue.Head();
        const uint32_t key = alreadySplit ? 0 : static_cast<uint32_t>(head.resultIndex);
        EXPECT_EQ(f.Layer().results[key].key.wavelength, alreadySplit ? 600 : head.wavelength);
    }
}

}  // namespace
}  // namespace brelix
