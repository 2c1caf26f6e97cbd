#include "trace/batch_values.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <functional>

#include "core/format.h"
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

std::string LayerName(const CModel& model, uint32_t l) { return "layer " + FormatInt(l) + " " + Quoted(model[l].name); }

std::string PlaneName(const CModel& model, uint32_t l, uint32_t p) {
    return "plane " + FormatInt(p) + " " + Quoted(model[l][p].name) + " of " + LayerName(model, l);
}

bool Sized(double v) { return std::isfinite(v) && std::fabs(v) <= kLargestValue; }
bool Index(double v) { return v >= kSmallestValue && v <= kLargestValue; }
bool CoatingIndex(double v) { return v == 0 || Index(v); }
bool Reflectance(double v) { return v >= 0 && v <= 1; }

constexpr const char* kSizedRule = "values must be finite numbers no larger than 1e100";
constexpr const char* kIndexRule = "at a refracting plane an index must be from 1e-100 to 1e100";
constexpr const char* kCoatingIndexRule = "a coating index must be 0 or from 1e-100 to 1e100";
constexpr const char* kReflectanceRule = "a reflectance must be from 0 to 1";

// Keeps the first value that breaks its rule, with where it is and the rule.
class CValueCheck {
public:
    void Check(double value, bool (*valid)(double), const char* rule, const std::string& where, const char* field) {
        if (problem.empty() && !valid(value)) problem = where + ": " + field + " is " + Number(value) + "; " + rule;
    }
    void Sized(double value, const std::string& where, const char* field) {
        Check(value, &brelix::Sized, kSizedRule, where, field);
    }
    void Sized(const CRay& ray, const std::string& where, const std::string& name) {
        for (double v : {ray.x, ray.y, ray.z}) Sized(v, where, (name + " position").c_str());
        for (double v : {ray.dx, ray.dy, ray.dz}) Sized(v, where, (name + " direction").c_str());
        Sized(ray.step, where, (name + " length").c_str());
    }
    bool Ok() const { return problem.empty(); }

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

// The values of a column the trace can read: the table rows of a table mode (it never asks a table for
// the constants, as its wavelengths are above 0), else the constant.
void ForEachUsed(const COpticalData& data, bool table, uint32_t rows, const CColumn& column,
                 const std::string& where, const std::function<void(double, const std::string&)>& check) {
    if (!table) return check(data.constants.*column.value, where);
    rows = std::min(rows, data.GetCount());
    for (uint32_t r = 0; r < rows; ++r) check(data[r].*column.value, where + ", table row " + FormatInt(r));
}

bool IsTableMode(uint32_t mode) { return mode == LayerTable || mode == LayerStokes; }

uint32_t LayerRows(const COpticalData& data) { return data.layerMode == LayerStokes ? data.stokesCount : data.tableCount; }

void CheckLayer(CValueCheck& check, const CModel& model, uint32_t l, bool refracting) {
    const COpticalData& data = model[l].optics;
    const std::string where = LayerName(model, l);
    const bool table = IsTableMode(data.layerMode);
    std::vector<CColumn> columns = {kIndex, kAbsorption, kScattering};
    if (data.layerMode == LayerStokes) columns.push_back(kEmissionWeight);
    for (const CColumn& column : columns)
        ForEachUsed(data, table, LayerRows(data), column, where,
                    [&](double v, const std::string& at) { check.Sized(v, at, column.name); });
    if (table) {
        for (uint32_t r = 0; r < std::min(LayerRows(data), data.GetCount()); ++r)
            check.Sized(data[r].wavelength, where + ", table row " + FormatInt(r), "wavelength");
    }
    const COpticalPoint& c = data.constants;
    if (data.layerMode == LayerBand) {
        for (auto [value, field] : {std::pair{c.inbandRindx, "in-band refractive index"},
                                    {c.outbandRindx, "out-band refractive index"},
                                    {c.inbandAlpha, "in-band absorption coefficient"},
                                    {c.outbandAlpha, "out-band absorption coefficient"},
                                    {c.inbandScatt, "in-band scattering coefficient"},
                                    {c.outbandScatt, "out-band scattering coefficient"},
                                    {c.centerWavelength, "centre wavelength"},
                                    {c.bandwidth, "bandwidth"},
                                    {c.emissionShift, "emission shift"}})
            check.Sized(value, where, field);
    }
    if (!refracting || !check.Ok()) return;
    // The Fresnel formulas square the indices on both sides of an interface.
    ForEachUsed(data, table, LayerRows(data), kIndex, where,
                [&](double v, const std::string& at) { check.Check(v, &Index, kIndexRule, at, "refractive index"); });
    if (data.layerMode == LayerBand) {
        check.Check(c.inbandRindx, &Index, kIndexRule, where, "in-band refractive index");
        check.Check(c.outbandRindx, &Index, kIndexRule, where, "out-band refractive index");
    }
}

void CheckPlane(CValueCheck& check, const CModel& model, uint32_t l, uint32_t p) {
    const CPlane& plane = model[l][p];
    const std::string where = PlaneName(model, l, p);
    check.Sized(plane.edge1, where, "edge 1");
    check.Sized(plane.edge2, where, "edge 2");
    check.Sized(plane.normal, where, "normal");
    const COpticalData& data = plane.optics;
    const bool table = data.planeMode == PlaneTable;
    std::vector<std::pair<CColumn, std::pair<bool (*)(double), const char*>>> columns;
    if (plane.planeType == PlanarReflector || plane.planeType == LambertianReflector)
        columns = {{kReflectance, {&Reflectance, kReflectanceRule}}};
    else if (plane.planeType == PlanarSingleLayerAR)
        columns = {{kCoatingIndex, {&CoatingIndex, kCoatingIndexRule}}, {kCoatingThickness, {&Sized, kSizedRule}}};
    for (const auto& entry : columns) {
        // Named references, not a structured binding: clang before 16 cannot capture those in a lambda.
        const CColumn& column = entry.first;
        const auto& rule = entry.second;
        ForEachUsed(data, table, data.tableCount, column, where, [&](double v, const std::string& at) {
            check.Sized(v, at, column.name);
            check.Check(v, rule.first, rule.second, at, column.name);
        });
    }
    if (table && !columns.empty()) {
        for (uint32_t r = 0; r < std::min(data.tableCount, data.GetCount()); ++r)
            check.Sized(data[r].wavelength, where + ", table row " + FormatInt(r), "wavelength");
    }
}

// Layers on either side of a refracting plane: their indices meet in the Fresnel formulas.
std::vector<bool> RefractingLayers(const CModel& model) {
    std::vector<bool> refracting(model.GetCount(), false);
    for (uint32_t l = 0; l < model.GetCount(); ++l) {
        for (const CPlane& plane : model[l]) {
            if (plane.planeType > PlanarIdeal) continue;
            refracting[l] = true;
            if (plane.LyrTransmit >= 0 && static_cast<uint32_t>(plane.LyrTransmit) < model.GetCount())
                refracting[static_cast<uint32_t>(plane.LyrTransmit)] = true;
        }
    }
    return refracting;
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

void CheckSource(CValueCheck& check, const CBatch& batch) {
    for (const CNamedSweep& named : kSweeps) {
        const CSweep& sweep = batch.*named.sweep;
        const std::string where = std::string("the ") + named.name + " sweep";
        check.Sized(sweep.start, where, "Start");
        check.Sized(sweep.stop, where, "Stop");
        check.Sized(sweep.step, where, "Step");
    }
    for (auto [value, field] : {std::pair{LoadShared(batch.xOffset), "x"}, {LoadShared(batch.yOffset), "y"},
                                {LoadShared(batch.zOffset), "z"}, {LoadShared(batch.azimuthOffset), "azimuth"},
                                {LoadShared(batch.declinationOffset), "declination"}})
        check.Sized(value, "the source offsets", field);
    check.Sized(batch.minIntensity, "the batch", "Minimum Intensity");
    if (batch.constantSpectrum) check.Sized(batch.constantIntensity, "the batch", "Constant Intensity");
    if (batch.fileSpectrum || batch.useSpectrumFile) {
        for (uint32_t i = 0; i < batch.spectrum.GetCount(); ++i) {
            const std::string where = "spectrum point " + FormatInt(i);
            check.Sized(batch.spectrum[i].wavelength, where, "wavelength");
            check.Sized(batch.spectrum[i].intensity, where, "intensity");
        }
    }
}

std::string SweepProblem(const CBatch& batch, uint64_t countLimit) {
    if (batch.useSpectrumFile && batch.spectrum.GetCount() == 0)
        return "\"Use Spectrum File\" is set but the spectrum holds no points; load a spectrum file first";
    for (const CNamedSweep& named : kSweeps) {
        if (named.sweep == &CBatch::wavelengthSweep && batch.useSpectrumFile) continue;
        const CSweep& sweep = batch.*named.sweep;
        bool stalls = false;
        CountSweepValues(sweep, countLimit, &stalls);
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

// What needs a wavelength well above 0: a coating's phase divides by it, and a table has no row for it.
std::string NeedsPositiveWavelength(const CModel& model) {
    for (uint32_t l = 0; l < model.GetCount(); ++l) {
        if (IsTableMode(model[l].optics.layerMode)) return LayerName(model, l) + " takes its values from a table";
        for (uint32_t p = 0; p < model[l].GetCount(); ++p) {
            const CPlane& plane = model[l][p];
            if (plane.planeType == PlanarSingleLayerAR) return PlaneName(model, l, p) + " has a coating";
            const bool reflector = plane.planeType == PlanarReflector || plane.planeType == LambertianReflector;
            if (reflector && plane.optics.planeMode == PlaneTable)
                return PlaneName(model, l, p) + " takes its reflectance from a table";
        }
    }
    return {};
}

}  // namespace

std::string BatchValueProblem(const CBatch& batch, uint64_t countLimit) {
    CValueCheck check;
    CheckSource(check, batch);
    const CModel& model = batch.model;
    const std::vector<bool> refracting = RefractingLayers(model);
    for (uint32_t l = 0; l < model.GetCount(); ++l) {
        CheckLayer(check, model, l, refracting[l]);
        for (uint32_t p = 0; p < model[l].GetCount(); ++p) CheckPlane(check, model, l, p);
    }
    if (!check.Ok()) return check.problem;

    if (std::string problem = SweepProblem(batch, countLimit); !problem.empty()) return problem;
    if (CountSourceRays(batch, 1) > 0) {
        const double lowest = LowestSourceWavelength(batch);
        if (lowest < kSmallestValue) {
            const std::string reason = NeedsPositiveWavelength(model);
            if (!reason.empty())
                return "its rays start at the wavelength " + Number(lowest) + " nm, but " + reason +
                       ", which needs wavelengths of at least 1e-100 nm";
        }
    }
    return {};
}

}  // namespace brelix
