#include "graph/axis.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "core/format.h"

namespace brelix {

namespace {

struct CStep {
    double step;
    int32_t minor;
    int32_t decimals;
};

constexpr CStep kSteps[] = {
    {0.001, 5, 3}, {0.002, 4, 3}, {0.005, 5, 3}, {0.01, 5, 2}, {0.02, 4, 2}, {0.05, 5, 2},
    {0.1, 5, 1},   {0.2, 4, 1},   {0.5, 5, 1},   {1, 5, 0},    {2, 4, 0},    {5, 5, 0},
    {10, 5, 0},    {20, 4, 0},    {25, 5, 0},    {50, 5, 0},   {100, 5, 0},  {200, 4, 0},
    {250, 5, 0},   {500, 5, 0},   {1000, 5, 0},  {2000, 4, 0}, {2500, 5, 0}, {5000, 5, 0},
};
constexpr size_t kDecadeStep = 9;  // the entry 1: a logarithmic axis starts at whole decades

// Below this the factor 10^exponent would lose digits, and past 10^-323 it would be 0: tallies can be that
// small.
constexpr int32_t kSmallestExponent = -306;

// The exponent of a magnitude, a multiple of 3. A 0 takes no part: it counts as the smallest exponent, so
// that the other end of the range decides, however small it is.
int32_t ThirdsExponent(double value) {
    if (value == 0) return kSmallestExponent;
    return 3 * static_cast<int32_t>(std::floor(std::log10(std::fabs(value)) / 3));
}

}  // namespace

void CAxis::SetRange(double min, double max, bool log) {
    logarithmic = log;
    exponent = 0;
    factor = 1.0;
    // A range that is not a number has nothing to show: it is taken as 0 to 0.
    if (!std::isfinite(min) || !std::isfinite(max)) min = max = 0;
    if (min > max) std::swap(min, max);

    if (logarithmic) {
        if (min == 0 && max == 0) max = 1;
        if (max >= 0 && min <= 0) {
            const double m = std::max(std::fabs(min), std::fabs(max));
            max = m;
            min = m / 1000000;
        }
        const double a = std::fabs(min), b = std::fabs(max);
        low = std::log10(std::min(a, b));
        high = std::log10(std::max(a, b));
        return;
    }

    if (min == 0 && max == 0) {
        max = 1;
        min = -1;
    }
    const double a = std::fabs(min), b = std::fabs(max);
    if (!(a <= 10000 && b <= 10000 && (a >= 0.1 || b >= 0.1))) {
        exponent = std::max({ThirdsExponent(max), ThirdsExponent(min), kSmallestExponent});
        factor = std::pow(10.0, exponent);
    }
    low = min / factor;
    high = max / factor;
}

void CAxis::NiceScale(int32_t wanted) {
    wanted = std::max(wanted, 1);
    if (!std::isfinite(low) || !std::isfinite(high)) low = high = 0;
    if (low == 0 && high == 0) {
        high = 1;
        low = -1;
        logarithmic = false;
    }
    if (std::fabs(high - low) < 0.002 * std::fabs(high)) {
        low *= 0.999;
        high *= 1.001;
        if (high < low) std::swap(low, high);
    }

    const double d = (high - low) / wanted;
    size_t entry = logarithmic ? kDecadeStep : 0;
    while (kSteps[entry].step < d && entry + 1 < std::size(kSteps)) ++entry;
    const double s = kSteps[entry].step;

    // Round the top up and the bottom down to whole steps, unless they pass one by less than a hundredth.
    const double h = high / s;
    double top = std::floor(h);
    if (top < 0) top += 1;
    if (high > 0 && h - top > 0.01) top += 1;
    if (high < 0 && top - h > 0.99) top -= 1;

    const double l = low / s;
    double bottom = std::floor(l);
    if (bottom < 0) bottom += 1;
    if (low < 0 && bottom - l > 0.01) bottom -= 1;
    if (low > 0 && l - bottom > 0.99) bottom += 1;

    intervals = static_cast<int32_t>(top - bottom);
    if (intervals == 0) {
        top += 1;
        bottom -= 1;
        intervals = 2;
    }
    high = top * s;
    low = bottom * s;
    step = s;
    if (logarithmic) {
        minor = s == 1 ? 10 : 0;
        decimals = 0;
    } else {
        minor = kSteps[entry].minor;
        decimals = kSteps[entry].decimals;
    }
}

double CAxis::Tick(int32_t i) const {
    // From the whole number of steps, so that the tick at zero is exactly 0 and never "-0.0".
    return (std::round(low / step) + i) * step;
}

std::string CAxis::TickLabel(int32_t i) const {
    if (logarithmic) return FormatExponent(std::pow(10.0, Tick(i)), 0);
    return FormatFixed(Tick(i), 0, decimals);
}

std::vector<double> CAxis::MinorTicks(int32_t i) const {
    std::vector<double> ticks;
    const double start = Tick(i);
    if (logarithmic && minor == 10) {
        for (int k = 2; k <= 9; ++k) ticks.push_back(start + std::log10(static_cast<double>(k)));
    } else {
        for (int32_t k = 1; k < minor; ++k) ticks.push_back(start + step * k / minor);
    }
    return ticks;
}

double CAxis::ToDisplay(double value) const {
    if (!logarithmic) return value / factor;
    return value > 0 ? std::log10(value) : std::nan("");
}

double CAxis::FromDisplay(double display) const {
    return logarithmic ? std::pow(10.0, display) : display * factor;
}

std::string UnitText(std::string_view unit, int32_t exponent) {
    static constexpr const char* kPrefixes[] = {"f", "p", "n", "µ", "m", "", "k", "M", "G", "T"};
    const bool hasMark = unit.find('#') != std::string_view::npos;
    std::string text;
    if (hasMark && exponent >= -15 && exponent <= 12 && exponent % 3 == 0) {
        const std::string_view prefix = kPrefixes[(exponent + 15) / 3];
        for (char c : unit) {
            if (c == '#')
                text += prefix;
            else
                text += c;
        }
        return text;
    }
    if (exponent != 0) text = "10^" + FormatInt(exponent) + "  ";
    for (char c : unit)
        if (c != '#') text += c;
    return text;
}

}  // namespace brelix
