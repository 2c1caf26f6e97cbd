#include "optics/layer_propagation.h"

#include <gtest/gtest.h>

#include <cmath>

#include "tests/support/trace_helpers.h"

namespace brelix {
namespace {

using test::AddPlane;
using test::SetHorizontal;

struct LayerFixture {
    LayerFixture(double alpha, double scatt) {
        CLayer& layer = batch.model.Append();
        layer.SetConstants(1.5, alpha, 0, scatt);
        SetHorizontal(AddPlane(layer, "Bottom", PlanarReflector), 0, false, 100);
    }
    CLayer& Layer() { return batch.model[0]; }
    CRay& Launch(double distance, double intensity) {
        CRay& ray = batch.rayQueue.Push();
        ray.SetPosition(0, 0, distance);
        ray.SetDirection(0, 0, -1);
        ray.step = distance;
        ray.intensity = intensity;
        ray.wavelength = 600;
        ray.lastPlane = &Layer()[0];
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

TEST(PropagateInLayer, AbsorptionOverTheDistance) {
    LayerFixture f(10000, 0);  // 10000 per cm = 1 per um
    f.Launch(1, 1.0);
    EXPECT_EQ(f.Step(), ELayerStep::ReachedPlane);
    EXPECT_NEAR(f.Layer().results[0].absorbed, 1 - std::exp(-1.0), 1e-15);
    EXPECT_NEAR(f.batch.rayQueue.Head().intensity, std::exp(-1.0), 1e-15);
    EXPECT_EQ(f.batch.rayQueue.Head().z, 1.0);  // the plane step moves the ray, not the layer

    LayerFixture clear(0, 0);
    clear.Launch(20, 0.5);
    EXPECT_EQ(clear.Step(), ELayerStep::ReachedPlane);
    EXPECT_EQ(clear.batch.rayQueue.Head().intensity, 0.5);
    EXPECT_EQ(clear.Layer().results[0].absorbed, 0.0);
}

TEST(PropagateInLayer, PathLengthModeTalliesIntensityTimesLength) {
    LayerFixture f(10000, 0);
    f.Layer().SetPathLength(1);
    f.Launch(20, 0.5);
    EXPECT_EQ(f.Step(), ELayerStep::ReachedPlane);
    EXPECT_EQ(f.Layer().results[0].pathLength, 10.0);
    EXPECT_EQ(f.Layer().results[0].absorbed, 0.0);
    EXPECT_EQ(f.batch.rayQueue.Head().intensity, 0.5);
}

TEST(PropagateInLayer, EnteringAScatteringLayerOnlySplits) {
    LayerFixture f(0, 100);
    f.Launch(50, 1.0);
    const CRandom before = f.random;
    EXPECT_EQ(f.Step(), ELayerStep::OpFinished);
    ASSERT_EQ(f.batch.rayQueue.GetCount(), 2u);
    for (uint32_t i = 0; i < 2; ++i) {
        const CRay& copy = f.batch.rayQueue.FromHead(i);
        EXPECT_EQ(copy.intensity, 0.5);
        EXPECT_EQ(copy.scatterSubdivided, 1u);
        EXPECT_EQ(copy.lastPlane, nullptr);
        EXPECT_EQ(copy.z, 50.0);
        EXPECT_EQ(copy.step, 50.0);  // normalised: unit direction, the step kept as its length
        EXPECT_EQ(copy.dz, -1.0);
    }
    CRandom after = f.random, expected = before;
    EXPECT_EQ(after.Next(), expected.Next()) << "no draw at the split";
}

TEST(PropagateInLayer, ScatteringEventReemitsIsotropically) {
    LayerFixture f(5000, 1e6);  // mean free path 0.01 um: a scattering event is certain before 50 um
    CRay& ray = f.Launch(50, 1.0);
    ray.scatterSubdivided = 1;
    EXPECT_EQ(f.Step(), ELayerStep::OpFinished);
    ASSERT_EQ(f.batch.rayQueue.GetCount(), 64u);
    const CRay& child = f.batch.rayQueue.Head();
    const double travelled = 50 - child.z;
    EXPECT_GT(travelled, 0);
    EXPECT_LT(travelled, 1);
    // Each child carries a 64th of what is left after absorption over the distance travelled.
    EXPECT_NEAR(child.intensity * 64, std::exp(-0.5 * travelled), 1e-12);
    EXPECT_NEAR(f.Layer().results[0].absorbed + child.intensity * 64, 1.0, 1e-12);
    EXPECT_EQ(child.thetaXiSubdivided, 1u);
    EXPECT_EQ(child.resultIndex, 0);
    EXPECT_EQ(child.wavelength, 600.0);

    // A ray already split over the strata is only redirected.
    f.batch.rayQueue.RemoveAll();
    CRay& again = f.Launch(50, 1.0);
    again.scatterSubdivided = 1;
    again.thetaXiSubdivided = 1;
    EXPECT_EQ(f.Step(), ELayerStep::OpFinished);
    EXPECT_EQ(f.batch.rayQueue.GetCount(), 1u);
}

TEST(PropagateInLayer, StokesReemissionTalliesUnderTheNewWavelength) {
    LayerFixture f(0, 1e6);
    CLayer& layer = f.Layer();
    layer.SetMode(LayerStokes);
    for (double w : {500.0, 700.0}) {
        COpticalPoint row;
        row.wavelength = w;
        row.rindx = 1.5;
        row.scatt = 1e6;
        row.emissionWeight = w == 700 ? 1 : 0;
        layer.optics.InsertSorted(row, ERowCount::Stokes);
    }
    CRay& ray = f.Launch(50, 1.0);
    ray.scatterSubdivided = 1;
    EXPECT_EQ(f.Step(), ELayerStep::OpFinished);
    ASSERT_EQ(f.batch.rayQueue.GetCount(), 64u);
    EXPECT_EQ(f.batch.rayQueue.Head().wavelength, 700.0);
    EXPECT_EQ(f.batch.rayQueue.Head().resultIndex, 1);
    ASSERT_EQ(f.batch.model.results.GetSize(), 2u);
    EXPECT_EQ(f.batch.model.results[1].key.wavelength, 700.0);
    EXPECT_EQ(layer.results[1].key.wavelength, 700.0);
}

TEST(PropagateInLayer, ScatteringDistancesAreExponential) {
    // Mean free path 1/(scatt/10000) = 100 um; the share scattered before 100 um is 1 - 1/e.
    LayerFixture f(0, 100);
    int scattered = 0;
    const int n = 20000;
    f.batch.subdivideTheta = 1;
    f.batch.subdivideXi = 1;
    for (int i = 0; i < n; ++i) {
        CRay& ray = f.Launch(100, 1.0);
        ray.scatterSubdivided = 1;
        scattered += f.Step() == ELayerStep::OpFinished;
        f.batch.rayQueue.RemoveAll();
    }
    EXPECT_NEAR(scattered / double(n), 1 - std::exp(-1.0), 0.012);
}

}  // namespace
}  // namespace brelix
