#include "optics/plane_search.h"

#include <gtest/gtest.h>

#include "examples/sample_models.h"
#include "optics/formulas.h"
#include "optics/plane_models.h"

namespace brelix {
namespace {

using namespace samples;

// The nearest front-side hit as the trace searched for it before the planes were laid out.
const CPlane* NearestByHitTest(const CLayer& layer, const CRay& ray, const CPlane* skipped, double& t) {
    const CPlane* found = nullptr;
    double best = 99999999999999.9;
    for (const CPlane& plane : layer) {
        if (&plane == skipped || IsPlaneWithoutEffect(plane, layer)) continue;
        const CHit hit = HitTest(plane, ray);
        if (hit.kind == EHit::Front && hit.t < best) best = hit.t, found = &plane;
    }
    t = best;
    return found;
}

// Random planes (parallelograms and triangles, some with parallel edges, some without effect) and rays at
// random or at their edges: the search finds the plane HitTest finds, at the same distance to the last bit.
TEST(CPlaneSearch, FindsWhatHitTestFindsToTheLastBit) {
    uint32_t state = 12345;
    auto draw = [&](double lo, double hi) {
        state = state * 214013u + 2531011u;
        return lo + (hi - lo) * ((state >> 8) & 0xFFFF) / 65535.0;
    };
    CModel model;
    for (int l = 0; l < 3; ++l) {
        CLayer& layer = model.Append();
        for (int p = 0; p < 12; ++p) {
            CPlane& plane = AddPlane(layer, "p", p % 11 == 10 ? TransmitSubdivideAngle : PlanarBare);
            const Vec e1{draw(-5, 5), draw(-5, 5), draw(-5, 5)};
            const Vec e2 = p % 7 == 0 ? Vec{2 * e1.x, 2 * e1.y, 2 * e1.z} : Vec{draw(-5, 5), draw(-5, 5), draw(-5, 5)};
            SetPlane(plane, {draw(-3, 3), draw(-3, 3), draw(-3, 3)}, e1, e2,
                     p % 3 == 0 ? ShapeTriangle : ShapeParallelogram);
        }
    }
    CPlaneSearch search;
    search.Build(model);
    ASSERT_TRUE(search.IsBuilt());
    int hits = 0;
    // Rays at random, and rays aimed at the edges, corners and tolerance lines of a plane, where the
    // search places the hit as HitTest does, not by its estimate.
    const double edgeFractions[] = {0, 1, 1.001, 0.5, 1e-17, 1.0010000000000001, 0.9990000000000001};
    for (int r = 0; r < 40000; ++r) {
        CRay ray;
        const uint32_t l = static_cast<uint32_t>(r % 3);
        ray.SetPosition(draw(-4, 4), draw(-4, 4), draw(-4, 4));
        if (r % 2 == 0) {
            ray.SetDirection(draw(-1, 1), draw(-1, 1), draw(-1, 1));
        } else {
            const CPlane& target = model[l][static_cast<uint32_t>(r / 3 % 12)];
            const double a = edgeFractions[r / 7 % 7], b = r % 5 == 1 ? draw(0, 1) : edgeFractions[r / 49 % 7];
            const CRay& e1 = target.edge1;
            const CRay& e2 = target.edge2;
            ray.SetDirectionToward(e1.x + a * e1.dx * e1.step + b * e2.dx * e2.step,
                                   e1.y + a * e1.dy * e1.step + b * e2.dy * e2.step,
                                   e1.z + a * e1.dz * e1.step + b * e2.dz * e2.step);
        }
        ray.Normalize();
        const CPlane* skipped = r % 5 == 0 ? &model[l][static_cast<uint32_t>(r % 12)] : nullptr;
        double expectedT = 0, t = 0;
        const CPlane* expected = NearestByHitTest(model[l], ray, skipped, expectedT);
        const CPlane* found = search.FindNearest(l, ray, skipped, t);
        ASSERT_EQ(found, expected) << r;
        if (found) {
            ASSERT_EQ(t, expectedT) << r;
            ++hits;
        }
    }
    EXPECT_GT(hits, 2000);
    // A layer beyond the model has no planes.
    CRay ray;
    double t = 0;
    EXPECT_EQ(search.FindNearest(3, ray, nullptr, t), nullptr);
}

}  // namespace
}  // namespace brelix
