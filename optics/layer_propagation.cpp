#include "optics/layer_propagation.h"

#include <cmath>

#include "optics/formulas.h"
#include "optics/ray_split.h"

namespace brelix {

void Attenuate(CLayer& layer, CRay& ray, double length) {
    const double I = ray.intensity;
    if (layer.GetPathLength()) {
        const double P = I * length;
        if (P > 0) layer.results.AddPathLength(ray, P);
        return;
    }
    const double alpha = layer.GetAbsorption(ray.wavelength);
    const double A = (1 - std::exp(-(alpha / 10000) * length)) * I;
    if (A > 0) {
        layer.results.AddAbsorbed(ray, A);
        ray.intensity = I - A;
    }
}

ELayerStep PropagateInLayer(CTraceContext& context, CLayer& layer, const CPlane& plane) {
    CBatch& batch = context.batch;
    CRayQueue& queue = batch.rayQueue;
    CRay& ray = queue.Head();
    const double lambda = ray.wavelength;
    const double scatt = layer.GetScattering(lambda);

    if (scatt != 0) {
        // After a scattering event the ray may meet the plane it came in through.
        ray.lastPlane = nullptr;

        // On entering a scattering layer the ray is first split; the copies are traced afresh.
        if (!ray.scatterSubdivided) {
            ray.scatterSubdivided = 1;
            const uint32_t Nscatter = batch.subdivideScatter;
            if (Nscatter != 0) {
                const double I = ray.intensity;
                ReplaceHeadByCopies(context, Nscatter, [&](CRay& copy, uint64_t) {
                    copy.Normalize();
                    copy.intensity = I / Nscatter;
                });
            }
            return ELayerStep::OpFinished;
        }

        // Scattering distance; r = 32767 gives an infinite distance: no scattering.
        const int r = context.random.Next();
        const double L = -std::log(1 - (r + 1) / 32768.0) / (scatt / 10000);
        if (L < ray.step) {
            ray.step = L;
            Attenuate(layer, ray, L);
            if (context.Drawing()) {
                context.tools.SelectRayPen(*context.surface, ray);
                context.tools.DrawRaySegment(*context.surface, nullptr, &plane, ray, false);
            }
            ray.Advance();

            if (ray.thetaXiSubdivided) {
                IsotropicDirection(ray, context.random);
                ray.Normalize();
                ray.wavelength = layer.GetEmissionWavelength(lambda, context.random);
                return ELayerStep::OpFinished;
            }
            ray.thetaXiSubdivided = 1;
            const uint64_t N = uint64_t{batch.subdivideTheta} * batch.subdivideXi;
            if (N == 0) return ELayerStep::OpFinished;
            // The re-emitted rays take the intensity left after the attenuation over L, and each its own
            // emission wavelength, under the result key of that wavelength.
            const double I = ray.intensity;
            CModel& model = batch.model;
            ReplaceHeadByCopies(context, N, [&](CRay& child, uint64_t) {
                IsotropicDirection(child, context.random);
                child.Normalize();
                child.wavelength = layer.GetEmissionWavelength(lambda, context.random);
                child.intensity = I / static_cast<double>(N);
                child.resultIndex = model.FindOrAddResult(child);
            });
            return ELayerStep::OpFinished;
        }
    }

    Attenuate(layer, ray, ray.step);
    return ELayerStep::ReachedPlane;
}

}  // namespace brelix
