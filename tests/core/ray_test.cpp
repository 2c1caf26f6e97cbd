#include "core/ray.h"

#include <gtest/gtest.h>

namespace brelix {
namespace {

CRay Direction(double dx, double dy, double dz, double step) {
    CRay ray;
    ray.SetDirection(dx, dy, dz);
    ray.step = step;
    return ray;
}

TEST(CRay, NormalizeTurnsDirectionAndStepIntoUnitAndLength) {
    struct Case {
        CRay ray;
        double dx, dy, dz, step;
    } cases[] = {
        {Direction(3, 4, 0, 2), 0.6, 0.8, 0, 10},
        {Direction(0, 0, -5, 0), 0, 0, -1, 5},  // step 0: from the direction alone
        {Direction(0, 0, 0, 7), 0, 0, 0, 0},    // a zero vector stays zero
    };
    for (Case& c : cases) {
        c.ray.Normalize();
        EXPECT_DOUBLE_EQ(c.ray.dx, c.dx);
        EXPECT_DOUBLE_EQ(c.ray.dy, c.dy);
        EXPECT_DOUBLE_EQ(c.ray.dz, c.dz);
        EXPECT_DOUBLE_EQ(c.ray.step, c.step);
    }
}

TEST(CRay, AdvanceAndCross) {
    CRay ray = Direction(0, 0, 1, 0);
    ray.SetPosition(1, 2, 3);
    ray.Advance();
    EXPECT_EQ(ray.z, 3.0);  // step 0 stays put
    ray.step = 2.5;
    ray.Advance();
    EXPECT_EQ(ray.z, 5.5);

    // The cross product of the full vectors; the arguments are normalised in place.
    CRay a = Direction(2, 0, 0, 1), b = Direction(0, 3, 0, 1), c;
    a.SetPosition(1, 1, 1);
    c.Cross(a, b);
    EXPECT_EQ(a.step, 2.0);
    EXPECT_EQ(a.dx, 1.0);
    EXPECT_EQ(c.dz, 6.0);
    EXPECT_EQ(c.x, 1.0);
}

}  // namespace
}  // namespace brelix
