#include "tests/support/trace_helpers.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "optics/trace_context.h"
#include "trace/trace_op.h"

namespace brelix::test {

std::vector<double> TraceSynchronously(CBatch& batch, uint64_t maxOps, IDrawSurface* surface) {
    CRandom random;
    std::string error;
    BeginBatch(batch, random, surface, error);
    std::vector<double> launched(batch.model.results.GetSize(), 0.0);
    for (uint64_t i = 0; i < batch.sources.Left(); ++i) {
        CRay ray;
        batch.sources.Make(i, ray);
        launched[static_cast<size_t>(ray.resultIndex)] += ray.intensity;
    }
    const double threshold = TerminationThreshold(batch);
    for (uint64_t op = 0; op < maxOps && RaysLeft(batch) > 0; ++op) {
        CTraceContext context(batch, random, surface);
        TraceOp(context, threshold);
    }
    return launched;
}

std::vector<CBalance> Balance(CBatch& batch, const std::vector<double>& launched) {
    CModel& model = batch.model;
    // Re-emission adds keys during the trace: they launched nothing but hold tallies and queued rays.
    std::vector<CBalance> balance(std::max<size_t>(launched.size(), model.results.GetSize()));
    for (size_t k = 0; k < launched.size(); ++k) balance[k].launched = launched[k];
    for (uint32_t k = 0; k < model.results.GetSize(); ++k) {
        balance[k].accounted += model.results[k].remainder + model.results[k].lost;
        for (const CLayer& layer : model) {
            balance[k].accounted += layer.results[k].absorbed;
            for (const CPlane& plane : layer) balance[k].accounted += plane.results[k].absorbed;
        }
    }
    for (uint32_t i = 0; i < batch.rayQueue.GetCount(); ++i) {
        // A ray without a valid result index is not accounted for: the balance then shows it.
        const size_t k = static_cast<size_t>(batch.rayQueue.FromHead(i).resultIndex);
        if (k < balance.size()) balance[k].accounted += batch.rayQueue.FromHead(i).intensity;
    }
    for (uint64_t i = 0; i < batch.sources.Left(); ++i) {
        CRay ray;
        batch.sources.Make(i, ray);
        balance[static_cast<size_t>(ray.resultIndex)].accounted += ray.intensity;
    }
    return balance;
}

SlabFractions ClosedForm(double n, double alphaPerCm, double thicknessUm) {
    const double R = std::pow((n - 1) / (n + 1), 2);
    const double a = std::exp(-alphaPerCm / 10000 * thicknessUm);
    const double d = 1 - R * R * a * a;
    return {R + (1 - R) * (1 - R) * R * a * a / d, (1 - R) * (1 - a) * (1 + R * a) / d,
            (1 - R) * (1 - R) * a / d};
}

Estimate MeanOverKeys(const CResultList& list, double CResultRecord::*field) {
    const uint32_t n = list.GetSize();
    double sum = 0, sumSq = 0;
    for (uint32_t k = 0; k < n; ++k) {
        const double v = list[k].*field;
        sum += v;
        sumSq += v * v;
    }
    const double mean = sum / n;
    return {mean, std::sqrt(std::max(0.0, sumSq / n - mean * mean) / (n - 1))};
}

std::vector<double> Tallies(const CModel& model) {
    std::vector<double> tallies;
    for (uint32_t k = 0; k < model.results.GetSize(); ++k) {
        tallies.push_back(model.results[k].lost);
        tallies.push_back(model.results[k].remainder);
        for (const CLayer& layer : model) {
            tallies.push_back(layer.results[k].absorbed);
            tallies.push_back(layer.results[k].pathLength);
            for (const CPlane& plane : layer) tallies.push_back(plane.results[k].absorbed);
        }
    }
    return tallies;
}

}  // namespace brelix::test
