#include "view/color_scale_form.h"

#include <charconv>
#include <cmath>

#include "core/format.h"
#include "view/draw_tools.h"

namespace brelix {

namespace {

struct CBounds {
    double low, high;
};
constexpr std::optional<CBounds> kBounds[CColorScaleForm::FieldCount] = {
    CBounds{0.0, 1000000.0}, CBounds{0.1, 1.0}, std::nullopt, std::nullopt};

// An edit shows a value with as few digits as read back to the same number.
std::string EditText(double value) {
    const std::string shortText = FormatGeneral(value, 15);
    double back = 0;
    std::from_chars(shortText.data(), shortText.data() + shortText.size(), back);
    return back == value ? shortText : FormatGeneral(value, 17);
}

// The number an edit holds: the whole text but for surrounding blanks, a finite decimal number.
std::optional<double> ParseNumber(const std::string& text) {
    const size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos) return std::nullopt;
    const size_t last = text.find_last_not_of(" \t");
    const char* begin = text.data() + first;
    const char* end = text.data() + last + 1;
    if (*begin == '+') ++begin;
    double value = 0;
    const auto result = std::from_chars(begin, end, value);
    if (result.ec != std::errc() || result.ptr != end || !std::isfinite(value)) return std::nullopt;
    return value;
}

}  // namespace

CColorScaleForm::CColorScaleForm(const CDrawTools& tools)
    : held_{tools.intensityStart, tools.stepFactor, tools.wavelengthStart, tools.wavelengthStop},
      byIntensity_(tools.scaleByIntensity),
      byWavelength_(tools.scaleByWavelength) {
    WriteBack();
}

bool CColorScaleForm::IsReadOnly(EField field) const {
    const bool intensityField = field == IntensityStart || field == StepFactor;
    if (byIntensity_) return !intensityField;
    if (byWavelength_) return intensityField;
    return false;
}

void CColorScaleForm::ClickIntensityEnable() {
    byIntensity_ = 1;
    byWavelength_ = 0;
    WriteBack();
}

void CColorScaleForm::ClickWavelengthEnable() {
    byIntensity_ = 0;
    byWavelength_ = 1;
    WriteBack();
}

void CColorScaleForm::WriteBack() {
    for (int f = 0; f < FieldCount; ++f) texts_[f] = EditText(held_[f]);
}

std::optional<CColorScaleForm::CRefusal> CColorScaleForm::Accept(CDrawTools& tools) const {
    std::array<double, FieldCount> values{};
    for (int f = 0; f < FieldCount; ++f) {
        const auto field = static_cast<EField>(f);
        const std::optional<double> value = ParseNumber(texts_[f]);
        if (!value) return CRefusal{field, "Please enter a number."};
        if (const auto& bounds = kBounds[f]; bounds && !(*value >= bounds->low && *value <= bounds->high)) {
            return CRefusal{field, "Please enter a number between " + FormatGeneral(bounds->low, 15) +
                                       " and " + FormatGeneral(bounds->high, 15) + "."};
        }
        values[f] = *value;
    }
    tools.intensityStart = values[IntensityStart];
    tools.stepFactor = values[StepFactor];
    tools.wavelengthStart = values[WavelengthStart];
    tools.wavelengthStop = values[WavelengthStop];
    tools.scaleByIntensity = byIntensity_;
    tools.scaleByWavelength = byWavelength_;
    return std::nullopt;
}

}  // namespace brelix
