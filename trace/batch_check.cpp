#include "trace/batch_check.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "core/available_memory.h"
#include "core/format.h"
#include "optics/plane_models.h"
#include "trace/ray_sources.h"

namespace brelix {

namespace {

// The shortest text that reads back as the same double ("nan", "inf", "1.6e-314").
std::string Number(double value) {
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

std::string LayerName(const CModel& model, uint32_t l) {
    return "layer " + FormatInt(l) + " " + Quoted(model[l].name);
}

std::string PlaneName(const CModel& model, uint32_t l, uint32_t p) {
    return "plane " + FormatInt(p) + " " + Quoted(model[l][p].name) + " of " + LayerName(model, l);
}

// Collects the first value that is not a finite number, with where it is.
class CFiniteCheck {
public:
    void Check(double value, const std::string& where, const char* field) {
        if (problem.empty() && !std::isfinite(value)) problem = where + ": " + field + " is " + Number(value);
    }
    void Check(const CRay& ray, const std::string& where, const char* name) {
        const std::string field = name;
        for (double v : {ray.x, ray.y, ray.z}) Check(v, where, (field + " position").c_str());
        for (double v : {ray.dx, ray.dy, ray.dz}) Check(v, where, (field + " direction").c_str());
        Check(ray.step, where, (field + " length").c_str());
    }
    std::string problem;
};

struct CColumn {
    double COpticalPoint::*value;
    const char* name;
};
constexpr CColumn kIndex{&COpticalPoint::rindx, "refractive index"};
constexpr CColumn kAbsorption{&COpticalPoint::alpha, "absorption coefficient"};
constexpr CColumn kScattering{&COpticalPoint::scatt, "scattering coefficient"};
constexpr CColumn kEmissionWeight{&COpticalPoint::emissionWeight, "emission weight"};
constexpr CColumn kReflectance{&COpticalPoint::reflectance, "reflectance"};
constexpr CColumn kCoatingIndex{&COpticalPoint::nDielectric, "coating index"};
constexpr CColumn kCoatingThickness{&COpticalPoint::tDielectric, "coating thickness"};

void CheckRows(CFiniteCheck& check, const COpticalData& data, uint32_t rows, std::initializer_list<CColumn> columns,
               const std::string& where) {
    rows = std::min(rows, data.GetCount());
    for (uint32_t r = 0; r < rows && check.problem.empty(); ++r) {
        const std::string row = where + ", table row " + FormatInt(r);
        check.Check(data[r].wavelength, row, "wavelength");
        for (const CColumn& column : columns) check.Check(data[r].*column.value, row, column.name);
    }
}

void CheckLayer(CFiniteCheck& check, const CModel& model, uint32_t l) {
    const COpticalData& data = model[l].optics;
    const std::string where = LayerName(model, l);
    const COpticalPoint& c = data.constants;
    check.Check(c.rindx, where, "refractive index");
    check.Check(c.alpha, where, "absorption coefficient");
    check.Check(c.scatt, where, "scattering coefficient");
    switch (data.layerMode) {
        case LayerTable:
            CheckRows(check, data, data.tableCount, {kIndex, kAbsorption, kScattering}, where);
            break;
        case LayerStokes:
            CheckRows(check, data, data.stokesCount, {kIndex, kAbsorption, kScattering, kEmissionWeight}, where);
            break;
        case LayerBand:
            check.Check(c.inbandRindx, where, "in-band refractive index");
            check.Check(c.outbandRindx, where, "out-band refractive index");
            check.Check(c.inbandAlpha, where, "in-band absorption coefficient");
            check.Check(c.outbandAlpha, where, "out-band absorption coefficient");
            check.Check(c.inbandScatt, where, "in-band scattering coefficient");
            check.Check(c.outbandScatt, where, "out-band scattering coefficient");
            check.Check(c.centerWavelength, where, "centre wavelength");
            check.Check(c.bandwidth, where, "bandwidth");
            check.Check(c.emissionShift, where, "emission shift");
            break;
    }
}

void CheckPlane(CFiniteCheck& check, const CModel& model, uint32_t l, uint32_t p) {
    const CPlane& plane = model[l][p];
    const std::string where = PlaneName(model, l, p);
    check.Check(plane.edge1, where, "edge 1");
    check.Check(plane.edge2, where, "edge 2");
    check.Check(plane.normal, where, "normal");
    const COpticalData& data = plane.optics;
    const uint32_t rows = data.planeMode == PlaneTable ? data.tableCount : 0;
    if (plane.planeType == PlanarReflector || plane.planeType == LambertianReflector) {
        check.Check(data.constants.reflectance, where, "reflectance");
        CheckRows(check, data, rows, {kReflectance}, where);
    } else if (plane.planeType == PlanarSingleLayerAR) {
        check.Check(data.constants.nDielectric, where, "coating index");
        check.Check(data.constants.tDielectric, where, "coating thickness");
        CheckRows(check, data, rows, {kCoatingIndex, kCoatingThickness}, where);
    }
}

struct CNamedSweep {
    const char* name;
    const CSweep CBatch::*sweep;
};
constexpr CNamedSweep kSweeps[] = {
    {"Wavelength", &CBatch::wavelengthSweep}, {"X Position", &CBatch::xSweep},
    {"Y Position", &CBatch::ySweep},          {"Z Position", &CBatch::zSweep},
    {"Azimuth Angle", &CBatch::azimuthSweep}, {"Declination Angle", &CBatch::declinationSweep},
};

std::string CheckSweepsAndSource(const CBatch& batch) {
    CFiniteCheck check;
    for (const CNamedSweep& named : kSweeps) {
        const CSweep& sweep = batch.*named.sweep;
        const std::string where = std::string("the ") + named.name + " sweep";
        check.Check(sweep.start, where, "Start");
        check.Check(sweep.stop, where, "Stop");
        check.Check(sweep.step, where, "Step");
    }
    for (auto [value, field] : {std::pair{batch.xOffset, "x"}, {batch.yOffset, "y"}, {batch.zOffset, "z"},
                                {batch.azimuthOffset, "azimuth"}, {batch.declinationOffset, "declination"}})
        check.Check(value, "the source offsets", field);
    check.Check(batch.minIntensity, "the batch", "Minimum Intensity");
    if (batch.constantSpectrum) check.Check(batch.constantIntensity, "the batch", "Constant Intensity");
    if (batch.fileSpectrum || batch.useSpectrumFile) {
        for (uint32_t i = 0; i < batch.spectrum.GetCount() && check.problem.empty(); ++i) {
            const std::string where = "spectrum point " + FormatInt(i);
            check.Check(batch.spectrum[i].wavelength, where, "wavelength");
            check.Check(batch.spectrum[i].intensity, where, "intensity");
        }
    }
    if (!check.problem.empty()) return check.problem + "; every value must be a finite number";

    if (batch.useSpectrumFile && batch.spectrum.GetCount() == 0)
        return "\"Use Spectrum File\" is set but the spectrum holds no points; load a spectrum file first";
    for (const CNamedSweep& named : kSweeps) {
        if (named.sweep == &CBatch::wavelengthSweep && batch.useSpectrumFile) continue;
        const CSweep& sweep = batch.*named.sweep;
        bool stalls = false;
        CountSweepValues(sweep, kMaxSourceRays, &stalls);
        if (stalls)
            return std::string("the ") + named.name + " sweep's Step (" + Number(sweep.step) +
                   ") is too small to move the value on from Start (" + Number(sweep.start) + ") to Stop (" +
                   Number(sweep.stop) + "); use a larger Step";
    }
    return {};
}

// The lowest wavelength the source rays start with, when there are any.
double LowestSourceWavelength(const CBatch& batch) {
    if (!batch.useSpectrumFile) return batch.wavelengthSweep.start;
    const CSweep& sweep = batch.wavelengthSweep;
    const bool steps = !(sweep.stop < sweep.start) && sweep.step > 0;
    double lowest = INFINITY;
    for (uint32_t i = 0; i < batch.spectrum.GetCount(); ++i) {
        lowest = std::min(lowest, batch.spectrum[i].wavelength);
        if (!steps) break;
    }
    return lowest;
}

// Where a wavelength at or below 0 would make no sense: a coating's phase divides by it, and a table has no
// row for it.
std::string NeedsPositiveWavelength(const CModel& model) {
    for (uint32_t l = 0; l < model.GetCount(); ++l) {
        const uint32_t mode = model[l].optics.layerMode;
        if (mode == LayerTable || mode == LayerStokes) return LayerName(model, l) + " takes its values from a table";
        for (uint32_t p = 0; p < model[l].GetCount(); ++p) {
            const CPlane& plane = model[l][p];
            if (plane.planeType == PlanarSingleLayerAR) return PlaneName(model, l, p) + " has a coating";
            const bool usesValues = plane.planeType == PlanarReflector || plane.planeType == LambertianReflector;
            if (usesValues && plane.optics.planeMode == PlaneTable)
                return PlaneName(model, l, p) + " takes its reflectance from a table";
        }
    }
    return {};
}

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

std::string MemoryProblem(const CBatch& batch, uint64_t available) {
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

}  // namespace

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

bool CheckBatch(const CBatch& batch, std::string& error) { return CheckBatch(batch, error, AvailableMemoryBytes()); }

bool CheckBatch(const CBatch& batch, std::string& error, uint64_t availableMemory) {
    std::string problem = CheckSweepsAndSource(batch);
    if (problem.empty()) {
        CFiniteCheck check;
        const CModel& model = batch.model;
        for (uint32_t l = 0; l < model.GetCount() && check.problem.empty(); ++l) {
            CheckLayer(check, model, l);
            for (uint32_t p = 0; p < model[l].GetCount(); ++p) CheckPlane(check, model, l, p);
        }
        if (!check.problem.empty()) problem = check.problem + "; every value must be a finite number";
    }
    if (problem.empty() && CountSourceRays(batch, 1) > 0) {
        const double lowest = LowestSourceWavelength(batch);
        if (lowest <= 0) {
            const std::string reason = NeedsPositiveWavelength(batch.model);
            if (!reason.empty())
                problem = "its rays start at the wavelength " + Number(lowest) + " nm, but " + reason +
                          ", which needs wavelengths above 0";
        }
    }
    if (problem.empty()) problem = MemoryProblem(batch, availableMemory);
    if (problem.empty()) return true;
    error = "Batch " + Quoted(batch.name) + " cannot be traced: " + problem + ".";
    return false;
}

}  // namespace brelix
