#include "optics/plane_models.h"

#include <gtest/gtest.h>

#include <cmath>

#include "tests/support/trace_helpers.h"

namespace brelix {
namespace {

using test::AddPlane;
using test::SetHorizontal;

// Two layers of indices n1 (the ray's) and n2 meeting at a plane at z = 0 that faces down, out of
// layer 0; rays arrive from above.
struct PlaneFixture {
    PlaneFixture(uint32_t type, double n1 = 1.0, double n2 = 1.5) {
        CLayer& upper = batch.model.Append();
        upper.SetConstants(n1, 0, 0, 0);
        SetHorizontal(AddPlane(upper, "Interface", type, 1), 0, false, 100);
        CLayer& lower = batch.model.Append();
        lower.SetConstants(n2, 0, 0, 0);
    }
    CPlane& Plane() { return batch.model[0][0]; }

    // Pushes a ray at (0, 0, 10) in direction d that has just been found to reach the plane.
    CRay& Launch(double dx, double dy, double dz, double intensity = 1.0, uint32_t divides = 0) {
        CRay& ray = batch.rayQueue.Push();
        ray.SetPosition(0, 0, 10);
        ray.SetDirection(dx, dy, dz);
        ray.Normalize();
        ray.step = 10 / -ray.dz;
        ray.intensity = intensity;
        ray.wavelength = 600;
        ray.dividesLeft = divides;
        ray.lastPlane = &Plane();
        batch.model.FindOrAddResult(ray);
        return ray;
    }
    void Interact() {
        CTraceContext context(batch, random, nullptr);
        InteractWithPlane(context, Plane());
    }

    CBatch batch;
    CRandom random{7};
};

TEST(RefractingInterface, SplitsWhileDividesAreLeft) {
    PlaneFixture f(PlanarBare);
    f.Launch(0, 0, -1, 1.0, 1);
    f.Interact();
    ASSERT_EQ(f.batch.rayQueue.GetCount(), 2u);
    const CRay& transmitted = f.batch.rayQueue.FromHead(0);
    const CRay& reflected = f.batch.rayQueue.FromHead(1);
    EXPECT_NEAR(transmitted.intensity, 0.96, 1e-15);
    EXPECT_NEAR(reflected.intensity, 0.04, 1e-15);
    EXPECT_EQ(transmitted.intensity + reflected.intensity, 1.0);
    EXPECT_EQ(transmitted.layer, 1);
    EXPECT_EQ(reflected.layer, 0);
    EXPECT_EQ(transmitted.dividesLeft, 0u);
    EXPECT_EQ(reflected.dividesLeft, 0u);
    EXPECT_NEAR(transmitted.dz, -1.0, 1e-15);
    EXPECT_NEAR(reflected.dz, 1.0, 1e-15);
    EXPECT_NEAR(reflected.z, 0.0, 1e-12);  // both moved onto the plane
    EXPECT_NEAR(transmitted.z, 0.0, 1e-12);
}

TEST(RefractingInterface, RandomChoiceFollowsTWithoutDivides) {
    PlaneFixture f(PlanarBare);
    int transmitted = 0;
    const int n = 20000;
    for (int i = 0; i < n; ++i) {
        f.Launch(0, 0, -1);
        f.Interact();
        ASSERT_EQ(f.batch.rayQueue.GetCount(), 1u);
        transmitted += f.batch.rayQueue.Head().layer == 1;
        EXPECT_EQ(f.batch.rayQueue.Head().intensity, 1.0);
        f.batch.rayQueue.RemoveHead();
    }
    const double sigma = std::sqrt(0.96 * 0.04 / n);
    EXPECT_NEAR(transmitted / double(n), 0.96, 4 * sigma);
}

TEST(RefractingInterface, TotalInternalReflectionAlwaysReflects) {
    for (uint32_t divides : {0u, 3u}) {
        PlaneFixture f(PlanarBare, 1.5, 1.0);
        for (int i = 0; i < 200; ++i) {
            f.Launch(0.7, 0, -std::sqrt(1 - 0.49), 1.0, divides);
            f.Interact();
            ASSERT_EQ(f.batch.rayQueue.GetCount(), 1u);
            const CRay& ray = f.batch.rayQueue.Head();
            EXPECT_EQ(ray.layer, 0);
            EXPECT_GT(ray.dz, 0);
            EXPECT_EQ(ray.dividesLeft, divides);
            EXPECT_EQ(ray.intensity, 1.0);
            f.batch.rayQueue.RemoveHead();
        }
    }
}

TEST(RefractingInterface, IdealBetweenEqualIndicesTransmitsWithoutSplit) {
    PlaneFixture f(PlanarIdeal, 1.5, 1.5);
    f.Launch(0.3, 0.2, -1, 1.0, 4);
    const double dx = f.batch.rayQueue.Head().dx, dz = f.batch.rayQueue.Head().dz;
    f.Interact();
    ASSERT_EQ(f.batch.rayQueue.GetCount(), 1u);
    const CRay& ray = f.batch.rayQueue.Head();
    EXPECT_EQ(ray.layer, 1);
    EXPECT_EQ(ray.dividesLeft, 4u);
    EXPECT_NEAR(ray.dx, dx, 1e-15);
    EXPECT_NEAR(ray.dz, dz, 1e-15);
}

TEST(RefractingInterface, CoatedInterfaceUsesThePlanesCoating) {
    // A quarter-wave coating of index sqrt(n1 n2) transmits everything at its wavelength.
    PlaneFixture f(PlanarSingleLayerAR, 1.0, 2.25);
    f.Plane().SetConstants(600 / 4.0 / 1.5, 1.5, 0);
    f.Launch(0, 0, -1, 1.0, 1);
    f.Interact();
    double transmitted = 0;
    for (uint32_t i = 0; i < f.batch.rayQueue.GetCount(); ++i)
        if (f.batch.rayQueue.FromHead(i).layer == 1) transmitted += f.batch.rayQueue.FromHead(i).intensity;
    EXPECT_NEAR(transmitted, 1.0, 1e-12);

    // Without the coating's index matched the interface reflects as a bare one would at normal incidence.
    f.batch.rayQueue.RemoveAll();
    f.Plane().SetConstants(0, 1.0, 0);
    f.Launch(0, 0, -1, 1.0, 1);
    f.Interact();
    ASSERT_EQ(f.batch.rayQueue.GetCount(), 2u);
    EXPECT_NEAR(f.batch.rayQueue.FromHead(0).intensity, 1 - std::pow(1.25 / 3.25, 2), 1e-12);
}

TEST(RefractingInterface, MissingTargetLayerLosesTheRay) {
    for (uint32_t type : {PlanarBare, PlanarIdeal, RandomiseTailTransmit, RandomiseTailTransmitSubdivide}) {
        PlaneFixture f(type);
        f.Plane().LyrTransmit = 7;
        f.Launch(0, 0, -1, 0.5, 2);
        CRandom before = f.random;
        f.Interact();
        EXPECT_TRUE(f.batch.rayQueue.IsEmpty()) << type;
        EXPECT_EQ(f.batch.model.results[0].lost, 0.5) << type;
        EXPECT_EQ(f.random.Next(), before.Next()) << "no draw for type " << type;
    }
}

TEST(Reflector, AbsorbsOneMinusRAndReflects) {
    PlaneFixture full(PlanarReflector);
    full.Plane().SetConstants(0, 0, 1.0);
    full.Launch(0.6, 0, -0.8, 0.5);
    full.Interact();
    EXPECT_EQ(full.Plane().results[0].absorbed, 0.0);
    EXPECT_EQ(full.batch.rayQueue.Head().intensity, 0.5);
    EXPECT_NEAR(full.batch.rayQueue.Head().dz, 0.8, 1e-15);
    EXPECT_NEAR(full.batch.rayQueue.Head().dx, 0.6, 1e-15);

    PlaneFixture none(PlanarReflector);
    none.Launch(0, 0, -1, 0.5);
    none.Interact();
    EXPECT_EQ(none.Plane().results[0].absorbed, 0.5);
    ASSERT_EQ(none.batch.rayQueue.GetCount(), 1u);
    EXPECT_EQ(none.batch.rayQueue.Head().intensity, 0.0);
}

TEST(Lambertian, FirstReflectionSplitsIntoStrataThenRedirects) {
    PlaneFixture f(LambertianReflector);
    f.Plane().SetConstants(0, 0, 0.8);
    f.Launch(0, 0, -1, 1.0);
    f.Interact();
    EXPECT_NEAR(f.Plane().results[0].absorbed, 0.2, 1e-15);
    ASSERT_EQ(f.batch.rayQueue.GetCount(), 64u);
    double total = 0, meanCos = 0;
    for (uint32_t i = 0; i < 64; ++i) {
        const CRay& child = f.batch.rayQueue.FromHead(i);
        EXPECT_NEAR(child.intensity, 0.8 / 64, 1e-17);
        EXPECT_EQ(child.thetaXiSubdivided, 1u);
        EXPECT_GT(child.dz, 0) << "reflected back up";
        EXPECT_NEAR(child.dx * child.dx + child.dy * child.dy + child.dz * child.dz, 1.0, 1e-12);
        total += child.intensity;
        meanCos += child.dz / 64;
    }
    EXPECT_NEAR(total, 0.8, 1e-15);
    // Cosine-weighted: the mean of cos(theta) is 2/3; the strata make it close even with 64 rays.
    EXPECT_NEAR(meanCos, 2.0 / 3.0, 0.02);

    // A child meeting a Lambertian reflector again is only redirected.
    CRay child = f.batch.rayQueue.Head();
    f.batch.rayQueue.RemoveAll();
    CRay& again = f.Launch(0.1, 0, -1, child.intensity);
    again.thetaXiSubdivided = 1;
    f.Interact();
    EXPECT_EQ(f.batch.rayQueue.GetCount(), 1u);
    EXPECT_GT(f.batch.rayQueue.Head().dz, 0);
}

TEST(Lambertian, ReflectedDirectionsFollowTheCosineLaw) {
    PlaneFixture f(LambertianReflector);
    f.Plane().SetConstants(0, 0, 1.0);
    f.batch.subdivideTheta = 1;
    f.batch.subdivideXi = 1;
    // Histogram of cos(theta)^2, which is uniform for a Lambertian law.
    int bins[4] = {};
    const int n = 40000;
    for (int i = 0; i < n; ++i) {
        CRay& ray = f.Launch(0, 0, -1);
        ray.thetaXiSubdivided = 1;
        f.Interact();
        const double c = f.batch.rayQueue.Head().dz;
        ++bins[std::min(3, static_cast<int>(c * c * 4))];
        f.batch.rayQueue.RemoveHead();
    }
    for (int b : bins) EXPECT_NEAR(b / double(n), 0.25, 0.01);
}

TEST(TranslateAcross, MovesOntoTheTargetPlaneAndClearsTheLastPlane) {
    PlaneFixture f(TranslateAcrossProportional);
    CLayer& layer = f.batch.model[0];
    CPlane& target = AddPlane(layer, "Target", PlanarBare);
    SetHorizontal(target, 50, true, 100);
    f.Plane().PlnTransmit = 1;
    f.Launch(0, 0, -1);
    f.Interact();
    const CRay& ray = f.batch.rayQueue.Head();
    EXPECT_NEAR(ray.z, 50, 1e-12);
    EXPECT_EQ(ray.lastPlane, nullptr);
    EXPECT_EQ(ray.dz, -1.0);
    EXPECT_EQ(ray.layer, 0);
}

TEST(TranslateAcross, TargetOutsideTheLayerMakesAPlaneWithoutEffect) {
    PlaneFixture f(TranslateAcrossRandomizeTail);
    f.Plane().PlnTransmit = 3;
    EXPECT_TRUE(IsPlaneWithoutEffect(f.Plane(), f.batch.model[0]));
    f.Plane().PlnTransmit = 0;
    EXPECT_FALSE(IsPlaneWithoutEffect(f.Plane(), f.batch.model[0]));
    f.Plane().planeType = TransmitSubdivideAngle;
    EXPECT_TRUE(IsPlaneWithoutEffect(f.Plane(), f.batch.model[0]));
    f.Plane().planeType = 99;
    EXPECT_TRUE(IsPlaneWithoutEffect(f.Plane(), f.batch.model[0]));
    f.Launch(0, 0, -1);
    f.Interact();
    EXPECT_EQ(f.batch.rayQueue.Head().z, 10.0);  // untouched
}

TEST(RandomiseTail, SubdivideSpreadsOverThePlaneIntoTheTargetLayer) {
    PlaneFixture f(RandomiseTailTransmitSubdivide);
    f.batch.subdividePosition = 10;
    f.Launch(0, 0, -1, 1.0);
    f.Interact();
    ASSERT_EQ(f.batch.rayQueue.GetCount(), 10u);
    double total = 0;
    for (uint32_t i = 0; i < 10; ++i) {
        const CRay& child = f.batch.rayQueue.FromHead(i);
        total += child.intensity;
        EXPECT_EQ(child.layer, 1);
        EXPECT_EQ(child.positionSubdivided, 1u);
        EXPECT_LE(std::abs(child.x), 50.0);
        EXPECT_NEAR(child.z, 0.0, 1e-12);
    }
    EXPECT_NEAR(total, 1.0, 1e-15);

    PlaneFixture reflect(RandomiseTailReflect);
    reflect.Launch(0, 0, -1);
    reflect.Interact();
    EXPECT_EQ(reflect.batch.rayQueue.Head().dz, 1.0);
    EXPECT_EQ(reflect.batch.rayQueue.Head().layer, 0);
    PlaneFixture transmit(RandomiseTailTransmit);
    transmit.Launch(0, 0, -1);
    transmit.Interact();
    EXPECT_EQ(transmit.batch.rayQueue.Head().dz, -1.0);
    EXPECT_EQ(transmit.batch.rayQueue.Head().layer, 1);
}

}  // namespace
}  // namespace brelix
