#include "document/data_readers.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <istream>
#include <limits>
#include <numeric>
#include <sstream>
#include <string>
#include <string_view>
#include <system_error>
#include <utility>
#include <vector>

#include "core/batch.h"
#include "core/format.h"
#include "core/messages.h"
#include "core/model.h"
#include "core/optical_data.h"
#include "core/spectrum.h"
#include "document/file_reading.h"

namespace brelix {

namespace {

constexpr const char* kCaption = "Brelix";
constexpr int kMaxColumns = 6;

// The numbers of one line, with the columns it did not supply carried over from the line before.
using CLine = std::array<float, kMaxColumns>;

// White space as C's isspace sees it in the "C" locale.
bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// scanf stores ±HUGE_VALF for a number beyond the float range and ±0 for one below it, where from_chars
// reports the range error and leaves the value alone; a wider parse tells which side the number is on.
float OutOfFloatRange(const char* first, const char* last) {
    const bool negative = *first == '-';
    bool tooLarge;
    long double wide = 0;
    if (std::from_chars(first, last, wide).ec == std::errc{}) {
        tooLarge = std::fabs(wide) > std::numeric_limits<float>::max();
    } else {
        // Beyond even long double: judged by the exponent's sign, which misjudges only a number written
        // out with thousands of digits.
        const char* e = std::find_if(first, last, [](char c) { return c == 'e' || c == 'E'; });
        tooLarge = !(e != last && e + 1 != last && e[1] == '-');
    }
    const float magnitude = tooLarge ? std::numeric_limits<float>::infinity() : 0.0f;
    return negative ? -magnitude : magnitude;
}

// One "%f" conversion at `at`: white space skipped, then the longest prefix that reads as a decimal
// number (or inf or nan). On success `at` moves past the number. Unlike scanf this reads no hexadecimal
// floats; no data file holds them.
bool ScanFloat(const char*& at, const char* end, float& value) {
    const char* p = at;
    while (p != end && IsSpace(*p)) ++p;
    const char* number = p;
    // from_chars takes a '-' but not the '+' scanf accepts.
    if (p != end && *p == '+') {
        ++p;
        if (p != end && (*p == '-' || *p == '+')) return false;
    }
    float f = 0;
    const auto [next, ec] = std::from_chars(p, end, f);
    if (ec == std::errc::invalid_argument) return false;
    if (ec == std::errc::result_out_of_range) f = OutOfFloatRange(number, next);
    value = f;
    at = next;
    return true;
}

// Scans up to `count` numbers into values[0..count) as sscanf(line, "%f\t%f...") does (its "\t" matches
// any run of white space, none included) and stops at the first field that is not a number. The values
// of the fields it does not reach are left as they were, which is how a short line keeps the previous
// line's columns. A NUL is neither white space nor part of a number, so the scan ends there as sscanf's
// ends with its C string.
void ScanNumbers(std::string_view line, int count, float* values) {
    const char* at = line.data();
    const char* end = at + line.size();
    for (int i = 0; i < count && ScanFloat(at, end, values[i]); ++i) {
    }
}

// The next line without its line end.
bool ReadLine(std::istream& in, std::string& line) {
    if (!std::getline(in, line)) return false;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return true;
}

// alpha = 4πK/λ with λ = W nm in metres, per cm. Stored at single precision like every value read.
double AlphaFromExtinction(double wavelength, double k) {
    if (!(wavelength > 0)) return 0;
    const double fourPi = 2 * (4 * std::asin(1.0));
    return static_cast<float>(fourPi * k / (wavelength * 1e-9) * 0.01);
}

COpticalPoint LayerRow(int format, const CLine& v) {
    COpticalPoint row;
    row.wavelength = v[0];
    switch (format) {
        case FormatWNAS:
            row.rindx = v[1];
            row.alpha = v[2];
            row.extnc = 0;
            row.scatt = v[3];
            break;
        case FormatWNKS:
        case FormatWNK:
            row.rindx = v[1];
            row.alpha = AlphaFromExtinction(v[0], v[2]);
            row.extnc = v[2];
            row.scatt = format == FormatWNKS ? v[3] : 0;
            break;
        case FormatStokes:
            row.alpha = v[1];
            row.scatt = v[2];
            row.rindx = v[3];
            row.extnc = v[4];
            row.emissionWeight = v[5];
            break;
    }
    return row;
}

// Scans every remaining line. A line whose wavelength is not a finite number is not data: a title such as
// "Nanocrystal ..." scans as NaN, which has no place in a sorted table. It leaves no row and changes no
// carried value, so the next line carries on from the row before it.
std::vector<CLine> ReadLines(std::istream& in, int columns) {
    CLine carried{};
    std::vector<CLine> lines;
    std::string line;
    while (ReadLine(in, line)) {
        CLine values = carried;
        ScanNumbers(line, columns, values.data());
        if (!std::isfinite(values[0])) continue;
        carried = values;
        lines.push_back(values);
    }
    return lines;
}

// The order in which inserting each line's row in file order with sorted insertion leaves them: a stable
// sort by wavelength. Sorting first lets every row be appended, where a large file in descending order
// would move the whole table on each insertion.
std::vector<size_t> InsertionOrder(const std::vector<CLine>& lines) {
    std::vector<size_t> order(lines.size());
    std::iota(order.begin(), order.end(), size_t{0});
    const auto wavelengthBelow = [&lines](size_t a, size_t b) { return lines[a][0] < lines[b][0]; };
    if (!std::is_sorted(order.begin(), order.end(), wavelengthBelow))
        std::stable_sort(order.begin(), order.end(), wavelengthBelow);
    return order;
}

// Reads a data file whole, or reports why it cannot.
bool ReadDataFile(const std::string& name, std::string& text, IMessages& messages) {
    std::string reason;
    switch (ReadRegularFile(name, text, reason)) {
        case EFileRead::Read:
            return true;
        case EFileRead::CannotOpen:
            messages.Show("Error could not open \"" + name + "\"", kCaption);
            break;
        case EFileRead::NotRegular:
            messages.Show("Error could not open \"" + name + "\": " + reason + ".", kCaption);
            break;
        case EFileRead::CannotRead:
            messages.Show("Error could not read \"" + name + "\": " + reason + ".", kCaption);
            break;
    }
    return false;
}

}  // namespace

void ReadLayerTable(std::istream& in, int format, COpticalData& table) {
    table.RemoveAll();
    int columns = 0;
    int headerLines = 0;
    ERowCount count = ERowCount::Table;
    switch (format) {
        case FormatWNAS:
        case FormatWNKS:
            columns = 4;
            break;
        case FormatWNK:
            columns = 3;
            headerLines = 3;
            break;
        case FormatStokes:
            columns = 6;
            count = ERowCount::Stokes;
            break;
        default:
            return;
    }

    std::string line;
    for (int i = 0; i < headerLines && ReadLine(in, line); ++i) {
    }
    const std::vector<CLine> lines = ReadLines(in, columns);
    for (size_t i : InsertionOrder(lines)) table.InsertSorted(LayerRow(format, lines[i]), count);
}

void ReadPlaneTable(std::istream& in, COpticalData& table) {
    table.RemoveAll();
    const std::vector<CLine> lines = ReadLines(in, 2);
    for (size_t i : InsertionOrder(lines)) {
        COpticalPoint row;
        row.wavelength = lines[i][0];
        row.reflectance = lines[i][1];
        table.InsertSorted(row, ERowCount::Table);
    }
}

void ReadSpectrum(std::istream& in, CSpectrum& spectrum) {
    spectrum.RemoveAll();
    const std::vector<CLine> lines = ReadLines(in, 2);
    for (size_t i : InsertionOrder(lines)) spectrum.InsertSorted(lines[i][0], lines[i][1]);
}

bool LoadDataFile(CLayer& layer, int format, IMessages& messages) {
    std::string text;
    if (!ReadDataFile(layer.optics.GetFileName(static_cast<uint32_t>(format)), text, messages)) {
        layer.optics.RemoveAll();
        return false;
    }
    std::istringstream in(std::move(text));
    ReadLayerTable(in, format, layer.optics);
    return true;
}

bool LoadDataFile(CPlane& plane, IMessages& messages) {
    std::string text;
    if (!ReadDataFile(plane.optics.planeFile, text, messages)) {
        plane.optics.RemoveAll();
        return false;
    }
    std::istringstream in(std::move(text));
    ReadPlaneTable(in, plane.optics);
    return true;
}

bool LoadSpectrumFile(CBatch& batch, IMessages& messages) {
    std::string text;
    if (!ReadDataFile(batch.spectrumFile, text, messages)) {
        batch.spectrum.RemoveAll();
        return false;
    }
    std::istringstream in(std::move(text));
    ReadSpectrum(in, batch.spectrum);
    messages.Show("Number of Points Loaded: " + FormatInt(batch.spectrum.GetCount()) + " ", kCaption);
    return true;
}

}  // namespace brelix
