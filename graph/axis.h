#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace brelix {

// One axis of a graph: its range in display units, its ticks, and how data values map onto it. A linear
// axis shows data divided by 10^exponent (a multiple of 3, named by a unit prefix); a logarithmic axis
// holds the decimal logarithms of the data.
struct CAxis {
    double low = 0;
    double high = 1;
    double step = 1;  // between major ticks
    int32_t intervals = 1;
    int32_t minor = 0;  // subdivisions of each interval; 0 or 1: no minor ticks
    int32_t decimals = 0;
    bool logarithmic = false;
    int32_t exponent = 0;
    double factor = 1.0;

    // Sets low and high from a data range. A logarithmic range holding 0 becomes the larger magnitude M and
    // M / 1000000; a linear range 0 to 0 becomes -1 to 1; a linear range beyond 10000 or wholly below 0.1
    // gets an exponent.
    void SetRange(double min, double max, bool log);
    // Widens low and high, as SetRange leaves them, to round major ticks, about `wanted` intervals of a step
    // from a table of 1, 2, 2.5 and 5 times powers of ten (decades on a logarithmic axis), and chooses the
    // minor ticks and decimals.
    void NiceScale(int32_t wanted);

    // The value of major tick i, 0 to intervals, in display units.
    double Tick(int32_t i) const;
    // Its label: "%.*f" with the axis's decimals, or on a logarithmic axis "%.0e" of the data value.
    std::string TickLabel(int32_t i) const;
    // Minor tick positions of interval i (after major tick i), in display units: equal subdivisions, or on
    // a logarithmic axis of decades the logarithms of 2 to 9 times the decade.
    std::vector<double> MinorTicks(int32_t i) const;

    // A data value in display units, or NaN when the axis cannot show it (0 or below on a logarithmic axis,
    // or not a number).
    double ToDisplay(double value) const;
    double FromDisplay(double display) const;
};

// The unit of an axis at an exponent: each "#" in `unit` becomes the SI prefix of the exponent (f, p, n,
// µ, m, none, k, M, G, T); without a "#" or beyond those prefixes a non-zero exponent is written before the
// unit as "10^E  " and any "#" is dropped. "#nm" at 3 is "knm", at 0 "nm", at 15 "10^15  nm".
std::string UnitText(std::string_view unit, int32_t exponent);

}  // namespace brelix
