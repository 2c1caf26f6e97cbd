#include "optics/plane_models.h"

#include <algorithm>
#include <cmath>

#include "optics/formulas.h"
#include "optics/ray_split.h"

namespace brelix {

namespace {

const double kPi = 2 * std::asin(1.0);

bool IsLayerOf(const CModel& model, int32_t index) {
    return index >= 0 && static_cast<uint32_t>(index) < model.GetCount();
}

// A transmitting plane whose target layer is not in the model: the ray has nowhere to go and is tallied
// as lost where it stands.
void LoseHead(CBatch& batch) {
    CRay& ray = batch.rayQueue.Head();
    batch.model.results.AddLost(ray, ray.intensity);
    batch.rayQueue.RemoveHead();
}

// Reflectors absorb 1 - R of the intensity on the plane.
void AbsorbOnReflector(CPlane& plane, CRay& ray) {
    const double R = plane.GetReflectance(ray.wavelength);
    const double A = (1 - R) * ray.intensity;
    if (A > 0) {
        plane.results.AddAbsorbed(ray, A);
        ray.intensity = ray.intensity - A;
    }
}

// Planar Bare, Planar Single Layer AR and Planar Ideal: reflection or refraction into the target layer,
// split deterministically while the ray has divides left, chosen at random with probability T below.
void RefractingInterface(CTraceContext& context, CPlane& plane) {
    CBatch& batch = context.batch;
    // Room for the transmitted copy first: once the ray is changed, a failed push would lose that light.
    batch.rayQueue.ReserveMore(1);
    CRay& ray = batch.rayQueue.Head();
    ray.Advance();
    if (!IsLayerOf(batch.model, plane.LyrTransmit)) return LoseHead(batch);

    const double lambda = ray.wavelength;
    const double n1 = batch.model[static_cast<uint32_t>(ray.layer)].GetRefractiveIndex(lambda);
    const double n2 = batch.model[static_cast<uint32_t>(plane.LyrTransmit)].GetRefractiveIndex(lambda);
    const double mu = plane.normal.Dot(ray);
    const double s = std::sqrt(std::max(0.0, 1 - mu * mu));

    double T;
    if (n1 > n2 && s >= n2 / n1)
        T = 0;  // total internal reflection
    else if (plane.planeType == PlanarBare)
        T = BareTransmittance(n1, n2, mu);
    else if (plane.planeType == PlanarSingleLayerAR)
        T = CoatedTransmittance(n1, n2, plane.GetDielectricIndex(lambda), plane.GetDielectricThickness(lambda),
                                lambda, mu);
    else
        T = 1;

    if (ray.dividesLeft == 0) {
        // r / 32767 is 1.0 for r = 32767, so even T = 1 reflects for that one draw value.
        if (context.random.Next() / 32767.0 < T) {
            RefractDirection(plane, ray, n1, n2);
            ray.layer = plane.LyrTransmit;
        } else {
            Reflect(plane, ray);
        }
        return;
    }
    if (T == 0) {
        Reflect(plane, ray);
    } else if (T == 1) {
        RefractDirection(plane, ray, n1, n2);
        ray.layer = plane.LyrTransmit;
    } else {
        // Split: the transmitted copy goes on top of the queue and is traced first.
        --ray.dividesLeft;
        CRay transmitted = ray;
        const double I = ray.intensity;
        ray.intensity = I - T * I;
        transmitted.intensity = I - (1 - T) * I;
        RefractDirection(plane, transmitted, n1, n2);
        transmitted.layer = plane.LyrTransmit;
        Reflect(plane, ray);
        batch.rayQueue.Push(transmitted);
    }
}

// Lambertian Reflector: a ray meeting its first diffuse reflection is replaced by Ntheta x Nxi rays whose
// azimuth and cosine-weighted polar angle cover their ranges in strata; later reflections redirect the
// ray at random.
void LambertianReflection(CTraceContext& context, CPlane& plane) {
    CBatch& batch = context.batch;
    CRandom& random = context.random;
    CRay& ray = batch.rayQueue.Head();
    AbsorbOnReflector(plane, ray);
    ray.Advance();

    const uint32_t Ntheta = batch.subdivideTheta, Nxi = batch.subdivideXi;
    if (ray.thetaXiSubdivided || Ntheta == 0 || Nxi == 0) {
        ray.thetaXiSubdivided = 1;
        const int r1 = random.Next();
        const int r2 = random.Next();
        LambertianDirectionOfDraws(plane, ray, r1, r2);
        return;
    }
    ray.thetaXiSubdivided = 1;
    const double I = ray.intensity;
    ReplaceHeadByCopies(context, uint64_t{Ntheta} * Nxi, [&](CRay& child, uint64_t k) {
        const uint64_t i = k / Nxi, j = k % Nxi;
        const int r1 = random.Next();
        const int r2 = random.Next();
        const double phi = 2 * kPi * ((r1 / 32768.0) / Ntheta + static_cast<double>(i) / Ntheta);
        const double theta = std::asin(std::sqrt((r2 / 32768.0) / Nxi + static_cast<double>(j) / Nxi));
        child.intensity = I / Ntheta / Nxi;
        LambertianDirection(plane, child, phi, theta);
    });
}

// Randomise Tail Transmit Subdivide: the ray's first such plane spreads it over N random points of the
// plane; every child, like a later ray, goes on into the target layer.
void PositionSubdivide(CTraceContext& context, CPlane& plane) {
    CBatch& batch = context.batch;
    CRay& ray = batch.rayQueue.Head();
    ray.Advance();
    if (!IsLayerOf(batch.model, plane.LyrTransmit)) return LoseHead(batch);

    const uint32_t N = batch.subdividePosition;
    if (ray.positionSubdivided || N == 0) {
        ray.positionSubdivided = 1;
        RandomPointOnPlane(plane, ray, context.random);
        ray.layer = plane.LyrTransmit;
        return;
    }
    ray.positionSubdivided = 1;
    const double I = ray.intensity;
    ReplaceHeadByCopies(context, N, [&](CRay& child, uint64_t) {
        RandomPointOnPlane(plane, child, context.random);
        child.intensity = I / N;
        child.layer = plane.LyrTransmit;
    });
}

}  // namespace

const char* NoEffectReason(const CPlane& plane, const CLayer& layer) {
    if (plane.planeType > RandomiseTailTransmitSubdivide) return "its plane type has no optical model";
    if (plane.planeType == TranslateAcrossProportional || plane.planeType == TranslateAcrossRandomizeTail) {
        if (plane.PlnTransmit < 0 || static_cast<uint32_t>(plane.PlnTransmit) >= layer.GetCount())
            return "its target plane is not in the layer";
        if (&layer[static_cast<uint32_t>(plane.PlnTransmit)] == &plane) return "its target plane is itself";
    }
    return nullptr;
}

void InteractWithPlane(CTraceContext& context, CPlane& plane) {
    CBatch& batch = context.batch;
    CRay& ray = batch.rayQueue.Head();
    const CLayer& layer = batch.model[static_cast<uint32_t>(ray.layer)];
    if (IsPlaneWithoutEffect(plane, layer)) return;

    if (context.Drawing()) {
        context.tools.SelectRayPen(*context.surface, ray);
        context.tools.DrawRaySegment(*context.surface, nullptr, &plane, ray, true);
    }

    switch (plane.planeType) {
        case PlanarBare:
        case PlanarSingleLayerAR:
        case PlanarIdeal:
            RefractingInterface(context, plane);
            break;
        case PlanarReflector:
            AbsorbOnReflector(plane, ray);
            ray.Advance();
            Reflect(plane, ray);
            break;
        case LambertianReflector:
            LambertianReflection(context, plane);
            break;
        case TranslateAcrossProportional:
        case TranslateAcrossRandomizeTail:
            ray.Advance();
            TranslateAcross(plane, layer[static_cast<uint32_t>(plane.PlnTransmit)], ray,
                            plane.planeType == TranslateAcrossRandomizeTail, context.random);
            // The target plane may be met next.
            ray.lastPlane = nullptr;
            break;
        case RandomiseTailReflect:
            ray.Advance();
            RandomPointOnPlane(plane, ray, context.random);
            Reflect(plane, ray);
            break;
        case RandomiseTailTransmit:
            ray.Advance();
            if (!IsLayerOf(batch.model, plane.LyrTransmit)) return LoseHead(batch);
            RandomPointOnPlane(plane, ray, context.random);
            ray.layer = plane.LyrTransmit;
            break;
        case RandomiseTailTransmitSubdivide:
            PositionSubdivide(context, plane);
            break;
    }
}

}  // namespace brelix
