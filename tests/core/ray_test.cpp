#include "core/ray.h"

#include <gtest/gtest.h>

#include "core/model.h"

namespace brelix {
namespace {

TEST(CRay, NormalizeTurnsDirectionAndStepIntoUnitAndLength) {
    CRay ray;
    ray.SetDirection(3, 4, 0);
    ray.step = 2;
    ray.Normalize();
    EXPECT_DOUBLE_EQ(ray.dx, 0.6);
    EXPECT_DOUBLE_EQ(ray.dy, 0.8);
    EXPECT_EQ(ray.dz, 0.0);
    EXPECT_DOUBLE_EQ(ray.step, 10.0);

    // Step 0: normalised from the direction alone.
    ray.SetDirection(0, 0, -5);
    ray.step = 0;
    ray.Normalize();
    EXPECT_EQ(ray.dz, -1.0);
    EXPECT_EQ(ray.step, 5.0);

    // A zero vector stays zero with step 0.
    ray.SetDirection(0, 0, 0);
    ray.step = 7;
    ray.Normalize();
    EXPECT_EQ(ray.step, 0.0);
    EXPECT_EQ(ray.dx, 0.0);
    EXPECT_EQ(ray.dy, 0.0);
    EXPECT_EQ(ray.dz, 0.0);
}

TEST(CRay, AdvanceVectorsAndEndPoints) {
    CRay ray;
    ray.SetPosition(1, 2, 3);
    ray.SetDirection(0, 0, 1);
    ray.step = 0;
    ray.Advance();
    EXPECT_EQ(ray.z, 3.0);
    ray.step = 2.5;
    ray.Advance();
    EXPECT_EQ(ray.z, 5.5);

    CRay target;
    target.step = 9;
    ray.GetVector(target);
    EXPECT_EQ(target.x, 1.0);
    EXPECT_EQ(target.dz, 2.5);
    EXPECT_EQ(target.step, 9.0);  // unchanged
    ray.GetEndPoints(target);
    EXPECT_EQ(target.dz, 8.0);
    EXPECT_EQ(target.dx, 1.0);

    CRay toward;
    toward.SetPosition(1, 1, 1);
    toward.SetDirectionToward(ray);
    EXPECT_EQ(toward.dy, 1.0);
    EXPECT_EQ(toward.dz, 4.5);
}

TEST(CRay, CopyFromTakesTheBookkeeping) {
    CPlane plane;
    CRay ray;
    ray.SetPosition(1, 2, 3);
    ray.thetaXiSubdivided = 1;
    ray.positionSubdivided = 1;
    ray.scatterSubdivided = 1;
    ray.reserved = 7;
    ray.layer = 3;
    ray.dividesLeft = 5;
    ray.lastPlane = &plane;
    ray.resultIndex = 11;
    ray.sourceIntensity = 0.25;
    CRay copy;
    copy.CopyFrom(ray);
    EXPECT_EQ(copy.layer, 3);
    EXPECT_EQ(copy.dividesLeft, 5u);
    EXPECT_EQ(copy.lastPlane, &plane);
    EXPECT_EQ(copy.resultIndex, 11);
    EXPECT_EQ(copy.thetaXiSubdivided + copy.positionSubdivided + copy.scatterSubdivided, 3u);
    EXPECT_EQ(copy.reserved, 7u);
    EXPECT_EQ(copy.sourceIntensity, 0.25);
    EXPECT_EQ(copy.z, 3.0);
}

TEST(CRay, CrossOfFullVectorsNormalisesItsArguments) {
    CRay a, b, c;
    a.SetPosition(1, 1, 1);
    a.SetDirection(2, 0, 0);
    b.SetDirection(0, 3, 0);
    c.Cross(a, b);
    EXPECT_EQ(a.step, 2.0);
    EXPECT_EQ(a.dx, 1.0);
    EXPECT_EQ(b.step, 3.0);
    EXPECT_EQ(c.dz, 6.0);
    EXPECT_EQ(c.x, 1.0);
    EXPECT_EQ(a.Dot(b), 0.0);
}

}  // namespace
}  // namespace brelix
