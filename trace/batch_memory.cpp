#include "trace/batch_memory.h"

#include <algorithm>

#include "core/available_memory.h"
#include "core/format.h"
#include "optics/plane_models.h"
#include "trace/ray_sources.h"
#include "trace/trace_op.h"

namespace brelix {

namespace {

bool MayScatter(const COpticalData& data) {
    const COpticalPoint& c = data.constants;
    if (c.scatt != 0 || (data.layerMode == LayerBand && (c.inbandScatt != 0 || c.outbandScatt != 0))) return true;
    if (data.layerMode != LayerTable && data.layerMode != LayerStokes) return false;
    for (const COpticalPoint& row : data)
        if (row.scatt != 0) return true;
    return false;
}

struct CSplitKinds {
    bool position = false, scatter = false, lambertian = false;
};

CSplitKinds SplitsOf(const CModel& model) {
    CSplitKinds kinds;
    for (const CLayer& layer : model) {
        if (MayScatter(layer.optics)) kinds.scatter = true;
        for (const CPlane& plane : layer) {
            if (IsPlaneWithoutEffect(plane, layer)) continue;
            if (plane.planeType == RandomiseTailTransmitSubdivide) kinds.position = true;
            if (plane.planeType == LambertianReflector) kinds.lambertian = true;
        }
    }
    return kinds;
}

uint64_t ThetaXi(const CBatch& batch) { return uint64_t{batch.subdivideTheta} * batch.subdivideXi; }

// The estimate of a node of the key index and its share of the buckets.
constexpr uint64_t kKeyIndexBytes = 112;

// The records a result list has allocated once it holds `count` records: its blocks double in size.
uint64_t ResultRecordsAllocated(uint64_t count) {
    uint64_t allocated = 0;
    for (uint64_t block = 64; allocated < count; block *= 2) allocated += block;
    return allocated;
}

}  // namespace

std::string BatchMemoryProblem(const CBatch& batch, uint64_t available) {
    const CSplitKinds kinds = SplitsOf(batch.model);
    struct CSplit {
        bool possible;
        const char* what;
        std::string fields;
        uint64_t rays;
    };
    const CSplit splits[] = {
        {kinds.position, "a \"Randomise Tail Transmit Subdivide\" plane splits a ray into Subdivide (position) = ",
         FormatInt(batch.subdividePosition), batch.subdividePosition},
        {kinds.scatter, "entering a scattering layer splits a ray into Subdivide (scatter) = ",
         FormatInt(batch.subdivideScatter), batch.subdivideScatter},
        {kinds.lambertian || kinds.scatter,
         kinds.lambertian ? "a Lambertian reflection splits a ray into Subdivide (theta) x Subdivide (xi) = "
                          : "a scattering event splits a ray into Subdivide (theta) x Subdivide (xi) = ",
         FormatInt(batch.subdivideTheta) + " x " + FormatInt(batch.subdivideXi), ThetaXi(batch)},
    };
    for (const CSplit& split : splits) {
        if (!split.possible) continue;
        const double bytes = static_cast<double>(split.rays) * sizeof(CRay);
        if (split.rays > UINT32_MAX || bytes > static_cast<double>(available))
            return std::string(split.what) + split.fields + " rays, which would need " +
                   FormatBytes(static_cast<uint64_t>(std::min(bytes, 1e19))) + " of memory; " +
                   FormatBytes(available) + " is available. Use smaller subdivisions";
    }

    // Counting stops where the rays alone could not be held: a sweep is walked value by value.
    const uint64_t limit = std::min<uint64_t>(kMaxSourceRays, available / sizeof(CRay));
    const uint64_t sources = CountSourceRays(batch, limit);
    if (sources > limit && limit == kMaxSourceRays)
        return "its sweeps give more than " + FormatInt(static_cast<int64_t>(limit)) +
               " source rays, more than a batch can hold. Use larger steps or narrower ranges";
    if (sources > limit)
        return "its sweeps give more than " + FormatInt(static_cast<int64_t>(limit)) + " source rays, more than the " +
               FormatBytes(available) + " of memory available can hold. Use larger steps or narrower ranges";
    const uint64_t need = BatchMemoryBytes(batch, sources);
    if (need > available)
        return "its " + FormatInt(static_cast<int64_t>(sources)) + " source rays, their result records and the rays " +
               "split off them would need about " + FormatBytes(need) + " of memory; " + FormatBytes(available) +
               " is available. Use larger steps, narrower ranges or smaller subdivisions";
    return {};
}


uint64_t QueueHeadroom(const CBatch& batch) {
    const CSplitKinds kinds = SplitsOf(batch.model);
    uint64_t rays = 1 + std::min<uint64_t>(batch.interfaceDivides, kMaxPathInteractions);
    if (kinds.position) rays += batch.subdividePosition;
    if (kinds.scatter) rays += batch.subdivideScatter;
    if (kinds.lambertian || kinds.scatter) rays += ThetaXi(batch);
    return rays;
}

uint64_t BatchMemoryBytes(const CBatch& batch, uint64_t sourceRays) {
    uint64_t lists = 1;
    for (const CLayer& layer : batch.model) lists += 1 + layer.GetCount();
    const uint64_t records = lists * ResultRecordsAllocated(sourceRays) * sizeof(CResultRecord);
    return (sourceRays + QueueHeadroom(batch)) * sizeof(CRay) + records + sourceRays * kKeyIndexBytes;
}

}  // namespace brelix
