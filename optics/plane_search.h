#pragma once

#include <cstdint>
#include <vector>

#include "core/model.h"
#include "core/ray.h"

namespace brelix {

// The search of every trace op for the nearest front-side hit among the planes of a ray's layer, with
// the planes laid out for it when a batch starts: each plane's normal, corner, edges, the axis pair its
// fractions are solved on and the determinant of that pair, in one array, layer after layer, leaving out
// the planes without effect. The geometry is taken as it is when the batch starts.
//
// A plane is a front-side hit exactly when HitTest (optics/formulas.h) says Front, and the distance is
// HitTest's to the last bit. The cheap tests come first: a plane that faces away from the ray, lies
// behind it or lies no nearer than the best hit so far cannot be the answer. Then an estimate of the hit's
// fractions along the edges, a few products with the plane's reciprocal determinants, places the hit in or
// out of the shape; only a hit within a hair of the shape's edges (far more than the estimate's rounding)
// is placed by HitTest's own square root and divisions.
class CPlaneSearch {
public:
    void Build(CModel& model);
    bool IsBuilt() const { return !layerStart_.empty(); }

    // The nearest plane of layer `layer` the ray meets on its front side, leaving out `skipped`, or null;
    // `t` is then its distance.
    CPlane* FindNearest(uint32_t layer, const CRay& ray, const CPlane* skipped, double& t) const;

private:
    struct CPlaneData {
        double n[3];       // unit normal
        double p[3];       // a point of the plane
        double corner[3];  // the corner both edges start from
        double e1[3], e2[3];
        double length1, length2;
        double det;  // e1[i] e2[j] - e1[j] e2[i]
        double inverse1, inverse2;  // 1 / (det length1), 1 / (det length2)
        int i, j;
        uint32_t shape;
        CPlane* plane;
    };
    enum class EShape { Inside, Outside, Unsure };
    // Whether the hit at offset D from the plane's corner lies in its shape, as HitTest decides it.
    static bool IsInShape(const CPlaneData& plane, const double D[3]);
    // The same decided cheaply, or Unsure within a hair of the shape's edges.
    static EShape EstimateShape(const CPlaneData& plane, const double D[3]);

    std::vector<CPlaneData> planes_;
    // The planes of layer l are planes_[layerStart_[l]] up to planes_[layerStart_[l + 1]].
    std::vector<uint32_t> layerStart_;
};

}  // namespace brelix
