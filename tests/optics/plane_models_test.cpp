#include "optics/plane_models.h"

#include <gtest/gtest.h>

#include <cmath>

#include "tests/support/trace_helpers.h"

namespace brelix {
namespace {

using namespace test;

// Two layers of indices n1 (the ray's) and n2 meeting at a plane at z = 0 that faces down, out of
// layer 0; rays arrive from above.
struct PlaneFixture {
    explicit PlaneFixture(uint32_t type, double n1 = 1.0, double n2 = 1.5) {
        batch.model.Append().SetConstants(n1, 0, 0, 0);
        SetHorizontal(AddPlane(batch.model[0], "Interface", type, 1), 0, false, 100);
        batch.model.Append().SetConstants(n2, 0, 0, 0);
    }
    CPlane& Plane() { return batch.model[0][0]; }
    CRayQueue& Queue() { return batch.rayQueue; }

    // Pushes a ray at (0, 0, 10) in direction d that has just been found to reach the plane, and applies
    // the plane to it.
    CRay& Launch(double dx, double dy, double dz, double intensity = 1.0, uint32_t divides = 0) {
        CRay& ray = batch.rayQueue.Push();
        ray.SetPosition(0, 0, 10);
        ray.SetDirection(dx, dy, dz);
        ray.Normalize();
        ray.step = 10 / -ray.dz;
        ray.intensity = intensity;
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

TEST(RefractingInterface, SplitsWhileDividesAreLeftAndChoosesBelow) {
    PlaneFixture f(PlanarBare);
    f.Launch(0, 0, -1, 1.0, 1);
    f.Interact();
    ASSERT_EQ(f.Queue().GetCount(), 2u);
    const CRay& transmitted = f.Queue().FromHead(0);
    const CRay& reflected = f.Queue().FromHead(1);
    EXPECT_NEAR(transmitted.intensity, 0.96, 1e-15);
    EXPECT_EQ(transmitted.intensity + reflected.intensity, 1.0);
    EXPECT_EQ(transmitted.layer, 1);
    EXPECT_EQ(reflected.layer, 0);
    EXPECT_EQ(transmitted.dividesLeft + reflected.dividesLeft, 0u);
    EXPECT_NEAR(reflected.dz, 1.0, 1e-15);
    EXPECT_NEAR(reflected.z, 0.0, 1e-12);

    // Without divides: one ray, transmitted with probability T.
    f.Queue().RemoveAll();
    int crossed = 0;
    const int n = 20000;
    for (int i = 0; i < n; ++i) {
        f.Launch(0, 0, -1);
        f.Interact();
        ASSERT_EQ(f.Queue().GetCount(), 1u);
        crossed += f.Queue().Head().layer == 1;
        f.Queue().RemoveHead();
    }
    EXPECT_NEAR(crossed / double(n), 0.96, 4 * std::sqrt(0.96 * 0.04 / n));
}

TEST(RefractingInterface, TotalInternalReflectionAndIdealPlanesDoNotSplit) {
    for (uint32_t divides : {0u, 3u}) {
        PlaneFixture f(PlanarBare, 1.5, 1.0);
        for (int i = 0; i < 100; ++i) {
            f.Launch(0.7, 0, -std::sqrt(1 - 0.49), 1.0, divides);  // sin 0.7, above 1/1.5
            f.Interact();
            ASSERT_EQ(f.Queue().GetCount(), 1u);
            EXPECT_EQ(f.Queue().Head().layer, 0);
            EXPECT_EQ(f.Queue().Head().dividesLeft, divides);
            f.Queue().RemoveHead();
        }
    }
    PlaneFixture ideal(PlanarIdeal, 1.5, 1.5);
    ideal.Launch(0.3, 0.2, -1, 1.0, 4);
    const CRay before = ideal.Queue().Head();
    ideal.Interact();
    ASSERT_EQ(ideal.Queue().GetCount(), 1u);  // transmitted without a split or a turn
    EXPECT_EQ(ideal.Queue().Head().layer, 1);
    EXPECT_NEAR(ideal.Queue().Head().dx, before.dx, 1e-15);
}

TEST(RefractingInterface, MissingTargetLayerLosesTheRayWithoutADraw) {
    for (uint32_t type : {PlanarBare, PlanarIdeal, RandomiseTailTransmit, RandomiseTailTransmitSubdivide}) {
        PlaneFixture f(type);
        f.Plane().LyrTransmit = 7;
        f.Launch(0, 0, -1, 0.5, 2);
        CRandom before = f.random;
        f.Interact();
        EXPECT_TRUE(f.Queue().IsEmpty()) << type;
        EXPECT_EQ(f.batch.model.results[0].lost, 0.5) << type;
        EXPECT_EQ(f.random.Next(), before.Next()) << type;
    }
}

TEST(Reflectors, AbsorbOneMinusRWithRFromATable) {
    PlaneFixture none(PlanarReflector);  // R = 0: all absorbed, a ray of intensity 0 reflected
    none.Launch(0, 0, -1, 0.5);
    none.Interact();
    EXPECT_EQ(none.Plane().results[0].absorbed, 0.5);
    EXPECT_EQ(none.Queue().Head().intensity, 0.0);
    EXPECT_NEAR(none.Queue().Head().dz, 1.0, 1e-15);

    // Between the rows at 500 nm (R = 0.2) and 700 nm (R = 0.6), 550 nm reflects 0.3.
    PlaneFixture table(PlanarReflector);
    table.Plane().SetPlaneMode(PlaneTable);
    for (auto [w, R] : {std::pair{500.0, 0.2}, {700.0, 0.6}})
        table.Plane().optics.InsertSorted(COpticalPoint{.wavelength = w, .reflectance = R}, ERowCount::Table);
    table.Launch(0, 0, -1, 2.0).wavelength = 550;
    table.Interact();
    EXPECT_NEAR(table.Plane().results[0].absorbed, 1.4, 1e-15);
    EXPECT_NEAR(table.Queue().Head().intensity, 0.6, 1e-15);
}

// The plane faces down with edge 1 along +x. A ray reflected at azimuth phi and polar angle theta leaves
// upward along (-sin theta cos phi, -sin theta sin phi, cos theta): phi turns from -x toward -y.
TEST(Reflectors, LambertianSplitPairsEveryAzimuthWithEveryPolarStratumOnce) {
    PlaneFixture f(LambertianReflector);
    f.Plane().SetConstants(0, 0, 0.8);
    f.batch.subdivideTheta = 4;  // azimuth strata: the four quadrants
    f.batch.subdivideXi = 3;     // polar strata: thirds of sin^2 theta, equal shares of a cosine law
    f.Launch(0, 0, -1);
    f.Interact();
    EXPECT_NEAR(f.Plane().results[0].absorbed, 0.2, 1e-15);
    ASSERT_EQ(f.Queue().GetCount(), 12u);
    // Azimuth first: child k takes quadrant k / 3 and polar third k % 3; the first child is the deepest.
    for (uint32_t k = 0; k < 12; ++k) {
        const CRay& child = f.Queue().FromHead(11 - k);
        const double phi = std::atan2(-child.dy, -child.dx) + (child.dy > 0 ? 2 * M_PI : 0);
        EXPECT_EQ(static_cast<uint32_t>(phi / (M_PI / 2)), k / 3) << k;
        EXPECT_EQ(static_cast<uint32_t>((1 - child.dz * child.dz) * 3), k % 3) << k;
        EXPECT_GT(child.dz, 0) << k;
        EXPECT_NEAR(child.intensity, 0.8 / 12, 1e-17);
        EXPECT_EQ(child.thetaXiSubdivided, 1u);
    }

    // Later reflections only redirect, by the cosine law: cos^2 of the angle is uniform.
    f.Queue().RemoveAll();
    int bins[4] = {};
    const int n = 40000;
    for (int i = 0; i < n; ++i) {
        f.Launch(0, 0, -1).thetaXiSubdivided = 1;
        f.Interact();
        ASSERT_EQ(f.Queue().GetCount(), 1u);
        const double c = f.Queue().Head().dz;
        ++bins[std::min(3, static_cast<int>(c * c * 4))];
        f.Queue().RemoveHead();
    }
    for (int b : bins) EXPECT_NEAR(b / double(n), 0.25, 0.01);
}

TEST(MovingPlanes, TranslateAndRandomiseTails) {
    PlaneFixture across(TranslateAcrossProportional);
    SetHorizontal(AddPlane(across.batch.model[0], "Target", PlanarBare), 50, true, 100);
    across.Plane().PlnTransmit = 1;
    across.Launch(0, 0, -1);
    across.Interact();
    EXPECT_NEAR(across.Queue().Head().z, 50, 1e-12);
    EXPECT_EQ(across.Queue().Head().lastPlane, nullptr);  // the target may be met next
    EXPECT_EQ(across.Queue().Head().dz, -1.0);

    across.Plane().PlnTransmit = 3;  // no such plane in the layer
    EXPECT_TRUE(IsPlaneWithoutEffect(across.Plane(), across.batch.model[0]));
    across.Plane().planeType = TransmitSubdivideAngle;
    across.Plane().PlnTransmit = 1;
    EXPECT_TRUE(IsPlaneWithoutEffect(across.Plane(), across.batch.model[0]));

    PlaneFixture subdivide(RandomiseTailTransmitSubdivide);
    subdivide.batch.subdividePosition = 10;
    subdivide.Launch(0, 0, -1);
    subdivide.Interact();
    ASSERT_EQ(subdivide.Queue().GetCount(), 10u);
    double total = 0;
    for (uint32_t i = 0; i < 10; ++i) {
        const CRay& child = subdivide.Queue().FromHead(i);
        total += child.intensity;
        EXPECT_EQ(child.layer, 1);  // every child goes on into the target layer
        EXPECT_LE(std::abs(child.x), 50.0);
    }
    EXPECT_NEAR(total, 1.0, 1e-15);
    // Only a ray's first such plane spreads it: a child meeting another goes on whole.
    CRay child = subdivide.Queue().Head();
    subdivide.Queue().RemoveAll();
    child.layer = 0;
    subdivide.Queue().Push(child).lastPlane = &subdivide.Plane();
    subdivide.Interact();
    ASSERT_EQ(subdivide.Queue().GetCount(), 1u);
    EXPECT_EQ(subdivide.Queue().Head().intensity, 0.1);
    EXPECT_EQ(subdivide.Queue().Head().layer, 1);

    for (uint32_t type : {RandomiseTailReflect, RandomiseTailTransmit}) {
        PlaneFixture f(type);
        f.Launch(0, 0, -1);
        f.Interact();
        EXPECT_EQ(f.Queue().Head().dz, type == RandomiseTailReflect ? 1.0 : -1.0);
        EXPECT_EQ(f.Queue().Head().layer, type == RandomiseTailReflect ? 0 : 1);
    }
}

}  // namespace
}  // namespace brelix
