#include "optics/plane_search.h"

#include <cmath>

#include "optics/plane_models.h"

namespace brelix {

// The fractions of the hit along the edges as HitTest computes them, to the last bit, and its test of
// the shape: 0.001 edge fractions of tolerance past the far edges, none before the near ones.
bool CPlaneSearch::IsInShape(const CPlaneData& plane, const double D[3]) {
    const int i = plane.i, j = plane.j;
    double a = 0, b = 0;
    const double lengthD = std::sqrt(D[0] * D[0] + D[1] * D[1] + D[2] * D[2]);
    if (lengthD > 0) {
        const double unitDi = D[i] / lengthD, unitDj = D[j] / lengthD;
        a = ((unitDi * plane.e2[j] - unitDj * plane.e2[i]) / plane.det) * lengthD / plane.length1;
        b = ((unitDj * plane.e1[i] - unitDi * plane.e1[j]) / plane.det) * lengthD / plane.length2;
    }
    if (plane.shape == ShapeTriangle) return a >= 0 && b >= 0 && a + b - 1 <= 0.001;
    if (plane.shape == ShapeParallelogram) return a >= 0 && b >= 0 && a - 1 <= 0.001 && b - 1 <= 0.001;
    return false;
}

// The same fractions from products with the reciprocal determinants. Both ways round the same exact
// fractions by a few units in the last place of the terms they add, some 1e-15 of their size; a hit
// further than 1e-12 of that size (and the smallest normal numbers) from every edge of the test is placed
// alike by both. NaN and overflow leave the test unsure.
CPlaneSearch::EShape CPlaneSearch::EstimateShape(const CPlaneData& plane, const double D[3]) {
    constexpr double kMargin = 1e-12, kSmallest = 1e-300, kFar = 1.001;
    const int i = plane.i, j = plane.j;
    const double pa = D[i] * plane.e2[j], qa = D[j] * plane.e2[i];
    const double pb = D[j] * plane.e1[i], qb = D[i] * plane.e1[j];
    const double a = (pa - qa) * plane.inverse1, b = (pb - qb) * plane.inverse2;
    const double ma = kMargin * (std::fabs(pa) + std::fabs(qa)) * std::fabs(plane.inverse1) + kSmallest;
    const double mb = kMargin * (std::fabs(pb) + std::fabs(qb)) * std::fabs(plane.inverse2) + kSmallest;
    if (a < -ma || b < -mb) return EShape::Outside;
    if (plane.shape == ShapeTriangle) {
        if (a + b > kFar + ma + mb) return EShape::Outside;
        if (a > ma && b > mb && a + b < kFar - ma - mb) return EShape::Inside;
    } else if (plane.shape == ShapeParallelogram) {
        if (a > kFar + ma || b > kFar + mb) return EShape::Outside;
        if (a > ma && b > mb && a < kFar - ma && b < kFar - mb) return EShape::Inside;
    }
    return EShape::Unsure;
}

void CPlaneSearch::Build(CModel& model) {
    planes_.clear();
    layerStart_.assign(1, 0);
    for (CLayer& layer : model) {
        for (CPlane& plane : layer) {
            if (IsPlaneWithoutEffect(plane, layer)) continue;
            CPlaneData data;
            const CRay& n = plane.normal;
            const CRay& edge1 = plane.edge1;
            const CRay& edge2 = plane.edge2;
            data = {{n.dx, n.dy, n.dz},
                    {n.x, n.y, n.z},
                    {edge1.x, edge1.y, edge1.z},
                    {edge1.dx, edge1.dy, edge1.dz},
                    {edge2.dx, edge2.dy, edge2.dz},
                    edge1.step,
                    edge2.step,
                    0,
                    0,
                    0,
                    -1,
                    -1,
                    plane.shape,
                    &plane};
            // The first axis pair whose projected edges are not (nearly) parallel, as HitTest picks it.
            const double* e1 = data.e1;
            const double* e2 = data.e2;
            if (std::fabs(e1[0] * e2[1] - e1[1] * e2[0]) >= 1e-07) {
                data.i = 0, data.j = 1;
            } else if (std::fabs(e1[1] * e2[2] - e1[2] * e2[1]) >= 1e-07) {
                data.i = 1, data.j = 2;
            } else if (std::fabs(e1[2] * e2[0] - e1[0] * e2[2]) >= 1e-07) {
                data.i = 2, data.j = 0;
            } else {
                continue;  // parallel edges: never hit
            }
            data.det = e1[data.i] * e2[data.j] - e1[data.j] * e2[data.i];
            data.inverse1 = 1 / (data.det * data.length1);
            data.inverse2 = 1 / (data.det * data.length2);
            planes_.push_back(data);
        }
        layerStart_.push_back(static_cast<uint32_t>(planes_.size()));
    }
}

CPlane* CPlaneSearch::FindNearest(uint32_t layer, const CRay& ray, const CPlane* skipped, double& t) const {
    if (uint64_t{layer} + 1 >= layerStart_.size()) return nullptr;
    CPlane* found = nullptr;
    double best = 99999999999999.9;
    for (uint32_t k = layerStart_[layer]; k < layerStart_[layer + 1]; ++k) {
        const CPlaneData& plane = planes_[k];
        // Each expression as HitTest writes it: the distance must be the same to the last bit.
        const double* n = plane.n;
        const double mu = n[0] * ray.dx + n[1] * ray.dy + n[2] * ray.dz;
        if (!(mu > 0)) continue;  // parallel, facing away (a back-side hit), or NaN
        const double hit = ((plane.p[0] - ray.x) * n[0] + (plane.p[1] - ray.y) * n[1] + (plane.p[2] - ray.z) * n[2]) / mu;
        if (hit < 0 || !(hit < best) || plane.plane == skipped) continue;

        const double D[3] = {ray.x + hit * ray.dx - plane.corner[0], ray.y + hit * ray.dy - plane.corner[1],
                             ray.z + hit * ray.dz - plane.corner[2]};
        const EShape estimate = EstimateShape(plane, D);
        if (estimate == EShape::Inside || (estimate == EShape::Unsure && IsInShape(plane, D))) {
            best = hit;
            found = plane.plane;
        }
    }
    t = best;
    return found;
}

}  // namespace brelix
