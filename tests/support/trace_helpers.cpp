#include "tests/support/trace_helpers.h"

#include <string>

#include "optics/trace_context.h"
#include "trace/trace_op.h"

namespace brelix::test {

std::vector<double> TraceSynchronously(CBatch& batch, uint64_t maxOps, IDrawSurface* surface) {
    CRandom random;
    std::string error;
    BeginBatch(batch, random, surface, error);
    std::vector<double> launched(batch.model.results.GetSize(), 0.0);
    for (uint32_t i = 0; i < batch.rayQueue.GetCount(); ++i) {
        const CRay& ray = batch.rayQueue.FromHead(i);
        launched[static_cast<size_t>(ray.resultIndex)] += ray.intensity;
    }
    const double threshold = TerminationThreshold(batch);
    for (uint64_t op = 0; op < maxOps && !batch.rayQueue.IsEmpty(); ++op) {
        CTraceContext context(batch, random, surface);
        TraceOp(context, threshold);
    }
    return launched;
}

std::vector<CBalance> Balance(CBatch& batch, const std::vector<double>& launched) {
    std::vector<CBalance> balance(launched.size());
    for (size_t k = 0; k < launched.size(); ++k) balance[k].launched = launched[k];
    CModel& model = batch.model;
    for (uint32_t k = 0; k < model.results.GetSize() && k < balance.size(); ++k) {
        balance[k].accounted += model.results[k].remainder + model.results[k].lost;
        for (const CLayer& layer : model) {
            balance[k].accounted += layer.results[k].absorbed;
            for (const CPlane& plane : layer) balance[k].accounted += plane.results[k].absorbed;
        }
    }
    for (uint32_t i = 0; i < batch.rayQueue.GetCount(); ++i) {
        const CRay& ray = batch.rayQueue.FromHead(i);
        balance[static_cast<size_t>(ray.resultIndex)].accounted += ray.intensity;
    }
    return balance;
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
