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

// The key index (core/model.h) holds up to four 4-byte slots per record.
constexpr uint64_t kKeyIndexBytes = 16;

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

    // Source rays are made one at a time and cost nothing until launched; their rows are held. Each value
    // of a sweep makes rows of its own, so no sweep is walked further than the rows memory could hold.
    if (CountSourceRays(batch, 0) == 0) return {};
    const uint64_t rowLimit = std::min<uint64_t>(kMaxSourceRays, available / ResultRowBytes(batch));
    for (const CSweep* sweep : {&batch.wavelengthSweep, &batch.xSweep, &batch.ySweep, &batch.zSweep,
                                &batch.azimuthSweep, &batch.declinationSweep}) {
        if (sweep == &batch.wavelengthSweep && batch.useSpectrumFile) continue;
        if (CountSweepValues(*sweep, rowLimit) > rowLimit)
            return "its sweeps give more than " + FormatInt(static_cast<int64_t>(rowLimit)) +
                   " results rows, more than the " + FormatBytes(available) +
                   " of memory available can hold. Use larger steps or narrower ranges";
    }
    const uint64_t sources = CountSourceRays(batch, kMaxSourceRays);
    if (sources > kMaxSourceRays)
        return "its sweeps give more than " + FormatInt(static_cast<int64_t>(kMaxSourceRays)) +
               " source rays, more than a batch can hold. Use larger steps or narrower ranges";
    const uint64_t rows = CountResultRows(batch);
    const uint64_t need = BatchMemoryBytes(batch, rows);
    if (need > available)
        return "its " + FormatInt(static_cast<int64_t>(sources)) + " source rays give " +
               FormatInt(static_cast<int64_t>(rows)) + " results rows, which with the rays split off them " +
               "would need about " + FormatBytes(need) + " of memory; " + FormatBytes(available) +
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

uint64_t ResultRowBytes(const CBatch& batch) {
    // A row is a key, the model's lost and remainder, and one tally in each layer (absorbed, or the path
    // length) and plane (absorbed); the lists of a layer or plane share the model's keys.
    uint64_t tallies = 2;
    for (const CLayer& layer : batch.model) tallies += 1 + layer.GetCount();
    return sizeof(CResultKey) + tallies * sizeof(double) + kKeyIndexBytes;
}

uint64_t BatchMemoryBytes(const CBatch& batch, uint64_t rows) {
    const uint64_t rowBytes = ResultRowBytes(batch);
    // The sweep values, and the wavelengths with their weights and rows.
    uint64_t values = batch.useSpectrumFile ? 3 * uint64_t{batch.spectrum.GetCount()}
                                            : 3 * CountSweepValues(batch.wavelengthSweep, kMaxSourceRays);
    for (const CSweep* sweep : {&batch.xSweep, &batch.ySweep, &batch.zSweep, &batch.azimuthSweep,
                                &batch.declinationSweep})
        values += 3 * CountSweepValues(*sweep, kMaxSourceRays);
    return rows * rowBytes + QueueHeadroom(batch) * sizeof(CRay) + values * sizeof(double);
}

}  // namespace brelix
