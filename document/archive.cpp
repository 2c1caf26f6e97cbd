#include "document/archive.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cmath>
#include <concepts>
#include <cstring>
#include <limits>
#include <stdexcept>
#include <type_traits>

#include "core/batch_list.h"

namespace brelix {

static_assert(std::numeric_limits<double>::is_iec559 && sizeof(double) == 8,
              "the document format stores IEEE 754 binary64 doubles");

namespace {

// The smallest number of bytes each record can take (every text empty, no children). A count read from a
// file is checked against them before anything is allocated, so they must never exceed a real record.
constexpr size_t kDouble = 8;
constexpr size_t kEmptyText = 1;
constexpr size_t kRowBytes = 22 * kDouble;
constexpr size_t kSpectrumPointBytes = 8 * kDouble;
constexpr size_t kDrawToolsBytes = 17 * kDouble;
constexpr size_t kEmptyListBytes = 3 * kDouble;  // version, count, current: an empty spectrum or model
// Version, two counts, two modes and the path length flag; four texts; the constant row.
constexpr size_t kMinOpticalDataBytes = 6 * kDouble + 4 * kEmptyText + kRowBytes;
// Version, count, current; the name; the optical data.
constexpr size_t kMinLayerBytes = 3 * kDouble + kEmptyText + kMinOpticalDataBytes;
// Version, type, shape, two targets; three rays of 8; four edge flags; the name; the optical data.
constexpr size_t kMinPlaneBytes = (5 + 24 + 4) * kDouble + kEmptyText + kMinOpticalDataBytes;
// Version, 15 sweep values, minimum intensity, 17 counted integers, constant intensity and the
// spectrum-file switch; two texts; an empty spectrum and model; the drawing tools.
constexpr size_t kMinBatchBytes =
    (1 + 15 + 1 + 17 + 2) * kDouble + 2 * kEmptyText + 2 * kEmptyListBytes + kDrawToolsBytes;

std::string FormatNumber(double value) {
    char text[32];
    const auto result = std::to_chars(text, text + sizeof text, value);
    return std::string(text, result.ptr);
}

std::string FormatNumber(uint64_t value) { return std::to_string(value); }

std::string ByteCount(uint64_t count) { return FormatNumber(count) + (count == 1 ? " byte" : " bytes"); }

}  // namespace

// ---------------------------------------------------------------------------------------------------------
// Writing

void CArchiveWriter::AppendLittleEndian(uint64_t value, int byteCount) {
    for (int i = 0; i < byteCount; ++i) bytes_.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

void CArchiveWriter::Double(double value, std::string_view) {
    AppendLittleEndian(std::bit_cast<uint64_t>(value), 8);
}

void CArchiveWriter::Unsigned(uint32_t value, std::string_view) { Double(static_cast<double>(value)); }

void CArchiveWriter::Signed(int32_t value, std::string_view) { Double(static_cast<double>(value)); }

void CArchiveWriter::Count(uint32_t count, size_t, std::string_view) { Unsigned(count); }

void CArchiveWriter::Text(std::string_view text, std::string_view) {
    const uint64_t length = text.size();
    if (length < 0xFF) {
        AppendLittleEndian(length, 1);
    } else if (length < 0xFFFE) {
        AppendLittleEndian(0xFF, 1);
        AppendLittleEndian(length, 2);
    } else if (length <= 0xFFFFFFFFu) {
        AppendLittleEndian(0xFF, 1);
        AppendLittleEndian(0xFFFF, 2);
        AppendLittleEndian(length, 4);
    } else {
        throw std::length_error("a text of " + FormatNumber(length) +
                                " characters is longer than a document can store");
    }
    bytes_.insert(bytes_.end(), text.begin(), text.end());
}

// ---------------------------------------------------------------------------------------------------------
// Reading

CArchiveReader::CScope CArchiveReader::Enter(const char* record, std::optional<uint32_t> number) {
    context_.emplace_back(record, number);
    return CScope(*this);
}

std::string CArchiveReader::Where() const {
    if (context_.empty()) return {};
    std::string where = " (";
    for (size_t i = 0; i < context_.size(); ++i) {
        if (i > 0) where += ", ";
        where += context_[i].first;
        if (context_[i].second) where += " " + std::to_string(*context_[i].second);
    }
    return where + ")";
}

bool CArchiveReader::Fail(size_t at, std::string_view message) {
    if (!failed_) {
        failed_ = true;
        error_ = message;
        errorOffset_ = at;
    }
    return false;
}

const uint8_t* CArchiveReader::Take(size_t count, std::string_view what) {
    if (failed_) return nullptr;
    if (count > Remaining()) {
        Fail(offset_, "unexpected end of the document at byte " + std::to_string(offset_) +
                          " while reading the " + std::string(what) + Where());
        return nullptr;
    }
    const uint8_t* bytes = bytes_.data() + offset_;
    offset_ += count;
    return bytes;
}

uint64_t CArchiveReader::LittleEndian(const uint8_t* bytes, int byteCount) const {
    uint64_t value = 0;
    for (int i = 0; i < byteCount; ++i) value |= static_cast<uint64_t>(bytes[i]) << (8 * i);
    return value;
}

bool CArchiveReader::Double(double& value, std::string_view what) {
    const uint8_t* bytes = Take(8, what);
    if (!bytes) return false;
    value = std::bit_cast<double>(LittleEndian(bytes, 8));
    return true;
}

bool CArchiveReader::Version(double) {
    double ignored;
    return Double(ignored, "version");
}

bool CArchiveReader::CountedInteger(double& truncated, double low, double high, std::string_view what) {
    const size_t at = offset_;
    double value;
    if (!Double(value, what)) return false;
    // The range is checked on the truncated value before any conversion: converting a double whose
    // truncation does not fit the integer type is undefined behaviour. NaN fails both comparisons.
    truncated = std::trunc(value);
    if (!(truncated >= low && truncated <= high)) {
        return Fail(at, "invalid " + std::string(what) + " at byte " + std::to_string(at) + Where() +
                            ": expected a whole number in " + FormatNumber(low) + ".." + FormatNumber(high) +
                            ", found " + FormatNumber(value));
    }
    return true;
}

bool CArchiveReader::Unsigned(uint32_t& value, std::string_view what) {
    double truncated;
    if (!CountedInteger(truncated, 0.0, 4294967295.0, what)) return false;
    value = static_cast<uint32_t>(truncated);
    return true;
}

bool CArchiveReader::Signed(int32_t& value, std::string_view what) {
    double truncated;
    if (!CountedInteger(truncated, -2147483648.0, 2147483647.0, what)) return false;
    value = static_cast<int32_t>(truncated);
    return true;
}

bool CArchiveReader::CheckCount(uint64_t count, size_t elementBytes, size_t at, std::string_view what) {
    if (failed_) return false;
    // At most 2^32 elements of a few hundred bytes: the product cannot overflow 64 bits.
    if (count * elementBytes > Remaining()) {
        return Fail(at, std::string(what) + " at byte " + std::to_string(at) + Where() + " is " +
                            FormatNumber(count) + ", more than the " + ByteCount(Remaining()) +
                            " left can hold (each takes at least " + ByteCount(elementBytes) + ")");
    }
    return true;
}

bool CArchiveReader::CheckFinite(double value, size_t at, std::string_view what) {
    if (failed_) return false;
    if (!std::isfinite(value)) {
        return Fail(at, "invalid " + std::string(what) + " at byte " + std::to_string(at) + Where() +
                            ": expected a finite number, found " + FormatNumber(value));
    }
    return true;
}

bool CArchiveReader::Count(uint32_t& count, size_t elementBytes, std::string_view what) {
    const size_t at = offset_;
    uint32_t value;
    if (!Unsigned(value, what) || !CheckCount(value, elementBytes, at, what)) return false;
    count = value;
    return true;
}

bool CArchiveReader::Text(std::string& text, std::string_view what) {
    const size_t at = offset_;
    const std::string lengthName = std::string(what) + " length";
    const uint8_t* bytes = Take(1, lengthName);
    if (!bytes) return false;
    uint64_t length = bytes[0];
    if (length == 0xFF) {
        if (!(bytes = Take(2, lengthName))) return false;
        length = LittleEndian(bytes, 2);
        if (length == 0xFFFF) {
            if (!(bytes = Take(4, lengthName))) return false;
            length = LittleEndian(bytes, 4);
        }
    }
    // Checked before the text is allocated, so a corrupt length cannot ask for gigabytes.
    if (length > Remaining()) {
        return Fail(at, "the " + std::string(what) + " at byte " + std::to_string(at) + Where() + " is " +
                            FormatNumber(length) + " characters long, past the end of the document (" +
                            ByteCount(Remaining()) + " left)");
    }
    if (length == 0) {
        text.clear();
        return true;
    }
    bytes = Take(length, what);
    text.assign(reinterpret_cast<const char*>(bytes), length);
    return true;
}

bool CArchiveReader::ExpectEnd() {
    if (failed_) return false;
    if (Remaining() > 0) {
        return Fail(offset_, "unexpected data after the end of the document at byte " + std::to_string(offset_) +
                                 " (" + ByteCount(Remaining()) + " more)");
    }
    return true;
}

// ---------------------------------------------------------------------------------------------------------
// Records
//
// Each record is one template walked in both directions: with a CArchiveWriter over a const record, with a
// CArchiveReader over a mutable one. The field order is therefore written down once. Only lists differ:
// writing walks the elements there are, reading creates each element with its defaults and reads it.

namespace {

template <class T, class Record>
concept RecordOf = std::same_as<std::remove_const_t<T>, Record>;

template <class Archive, RecordOf<CRay> Ray>
void Walk(Archive& ar, Ray& ray, const char* what) {
    auto scope = ar.Enter(what);
    for (auto* value : {&ray.x, &ray.y, &ray.z}) ar.Double(*value, "position");
    for (auto* value : {&ray.dx, &ray.dy, &ray.dz}) ar.Double(*value, "direction");
    ar.Double(ray.step, "step");
    ar.Double(ray.intensity, "intensity");
}

template <class Archive, RecordOf<CSweep> Sweep>
void Walk(Archive& ar, Sweep& sweep, const char* what) {
    auto scope = ar.Enter(what);
    ar.Double(sweep.start, "start");
    ar.Double(sweep.stop, "stop");
    ar.Double(sweep.step, "step");
}

template <class Archive, RecordOf<COpticalPoint> Row>
void Walk(Archive& ar, Row& row, double version) {
    ar.Version(version);
    ar.Double(row.wavelength, "wavelength");
    ar.Double(row.rindx, "refractive index");
    ar.Double(row.extnc, "extinction coefficient");
    ar.Double(row.alpha, "absorption coefficient");
    ar.Double(row.scatt, "scattering coefficient");
    ar.Double(row.emissionWeight, "emission weight");
    // Two values that carry nothing: written as 0.0, ignored when read.
    for (int i = 0; i < 2; ++i) {
        double unused = 0.0;
        ar.Double(unused, "unused value");
    }
    ar.Double(row.reflectance, "reflectance");
    ar.Double(row.tDielectric, "coating thickness");
    ar.Double(row.nDielectric, "coating index");
    ar.Double(row.inbandAlpha, "in-band absorption coefficient");
    ar.Double(row.outbandAlpha, "out-band absorption coefficient");
    ar.Double(row.inbandScatt, "in-band scattering coefficient");
    ar.Double(row.outbandScatt, "out-band scattering coefficient");
    ar.Double(row.inbandRindx, "in-band refractive index");
    ar.Double(row.outbandRindx, "out-band refractive index");
    ar.Double(row.centerWavelength, "centre wavelength");
    ar.Double(row.bandwidth, "bandwidth");
    ar.Double(row.emissionShift, "emission shift");
    ar.Signed(row.rowFlag, "row flag");
}

template <class Archive, RecordOf<COpticalData> Data>
void Walk(Archive& ar, Data& data, double version) {
    auto scope = ar.Enter("optical data");
    ar.Version(version);

    uint32_t tableCount = data.tableCount;
    uint32_t stokesCount = data.stokesCount;
    uint32_t rows = 0;
    if constexpr (Archive::IsStoring) {
        // The count that decides how many rows follow must not promise more rows than the table holds, or
        // the file could not be read back.
        rows = std::min(data.StoredRowCount(), data.GetCount());
        if (data.RowCountByMode() == ERowCount::Table) tableCount = rows;
        if (data.RowCountByMode() == ERowCount::Stokes) stokesCount = rows;
    }
    const size_t tableCountAt = ar.Offset();
    ar.Unsigned(tableCount, "table row count");
    ar.Text(data.dataFile, "data file name");
    ar.Unsigned(data.layerMode, "layer mode");
    ar.Signed(data.pathLength, "path length flag");
    const size_t stokesCountAt = ar.Offset();
    ar.Unsigned(stokesCount, "Stokes row count");
    ar.Text(data.stokesFile, "Stokes file name");
    ar.Text(data.planeFile, "plane file name");
    ar.Text(data.spareText, "spare text");
    ar.Unsigned(data.planeMode, "plane mode");

    if constexpr (Archive::IsStoring) {
        for (uint32_t i = 0; i < rows; ++i) {
            auto rowScope = ar.Enter("row", i);
            Walk(ar, data[i], version);
        }
    } else {
        if (ar.Failed()) return;
        // The number of rows follows from the counts and modes just read; the rows then count themselves
        // by the same rule, so the deciding count ends as stored and the other at 0 (a band layer that once
        // loaded a table keeps no rows and no count of them).
        data.RemoveAll();
        data.tableCount = tableCount;
        data.stokesCount = stokesCount;
        rows = data.StoredRowCount();
        const bool stokes = data.RowCountByMode() == ERowCount::Stokes;
        data.tableCount = 0;
        data.stokesCount = 0;
        if (!ar.CheckCount(rows, kRowBytes, stokes ? stokesCountAt : tableCountAt,
                           stokes ? "Stokes row count" : "table row count"))
            return;
        for (uint32_t i = 0; i < rows; ++i) {
            auto rowScope = ar.Enter("row", i);
            COpticalPoint row;
            const size_t wavelengthAt = ar.Offset() + kDouble;  // after the row's version
            Walk(ar, row, version);
            // A lookup brackets a wavelength between rows in order, where a NaN or infinity has no place.
            if (!ar.CheckFinite(row.wavelength, wavelengthAt, "wavelength")) return;
            data.AppendCounted(row);
        }
    }
    auto constantsScope = ar.Enter("constant row");
    Walk(ar, data.constants, version);
}

// The elements of a list, numbered from 0 in messages. Reading fills the elements the list already holds
// (the default batch of a reset batch list) and appends the rest.
template <class Archive, class List, class WalkElement>
void WalkElements(Archive& ar, List& list, uint32_t count, const char* name, WalkElement&& walk) {
    if constexpr (Archive::IsStoring) {
        for (uint32_t i = 0; i < list.GetCount(); ++i) {
            auto scope = ar.Enter(name, i);
            walk(list[i]);
        }
    } else {
        for (uint32_t i = 0; i < count && !ar.Failed(); ++i) {
            auto scope = ar.Enter(name, i);
            walk(i < list.GetCount() ? list[i] : list.Append());
        }
    }
}

template <class Archive, RecordOf<CPlane> Plane>
void Walk(Archive& ar, Plane& plane, double version) {
    ar.Version(version);
    ar.Unsigned(plane.planeType, "plane type");
    ar.Unsigned(plane.shape, "shape");
    ar.Signed(plane.LyrTransmit, "transmit layer");
    ar.Signed(plane.PlnTransmit, "transmit plane");
    ar.Text(plane.name, "name");
    Walk(ar, plane.edge1, "edge 1");
    Walk(ar, plane.edge2, "edge 2");
    Walk(ar, plane.normal, "normal");
    for (auto& flag : plane.drawEdge) ar.Signed(flag, "draw-edge flag");
    Walk(ar, plane.optics, version);
}

template <class Archive, RecordOf<CLayer> Layer>
void Walk(Archive& ar, Layer& layer, double version) {
    ar.Version(version);
    uint32_t count = layer.GetCount();
    uint32_t current = layer.GetCurrent();
    ar.Count(count, kMinPlaneBytes, "plane count");
    ar.Unsigned(current, "current plane");
    ar.Text(layer.name, "name");
    if constexpr (!Archive::IsStoring) {
        if (ar.Failed()) return;
        layer.RemoveAll();
    }
    WalkElements(ar, layer, count, "plane", [&](auto& plane) { Walk(ar, plane, version); });
    // Taken as read: a layer whose planes were all removed keeps its old current index.
    if constexpr (!Archive::IsStoring) layer.SetCurrent(current);
    Walk(ar, layer.optics, version);
}

template <class Archive, RecordOf<CModel> Model>
void Walk(Archive& ar, Model& model, double version) {
    auto scope = ar.Enter("model");
    ar.Version(version);
    uint32_t count = model.GetCount();
    uint32_t current = model.GetCurrent();
    ar.Count(count, kMinLayerBytes, "layer count");
    ar.Unsigned(current, "current layer");
    if constexpr (!Archive::IsStoring) {
        if (ar.Failed()) return;
        model.RemoveAll();
    }
    WalkElements(ar, model, count, "layer", [&](auto& layer) { Walk(ar, layer, version); });
    if constexpr (!Archive::IsStoring) model.SetCurrent(current);
}

template <class Archive, RecordOf<CSpectrum> Spectrum>
void Walk(Archive& ar, Spectrum& spectrum, double version) {
    auto scope = ar.Enter("spectrum");
    ar.Version(version);
    uint32_t count = spectrum.GetCount();
    uint32_t current = spectrum.GetCurrent();
    ar.Count(count, kSpectrumPointBytes, "point count");
    ar.Unsigned(current, "current point");
    if constexpr (!Archive::IsStoring) {
        if (ar.Failed()) return;
        spectrum.RemoveAll();
    }
    WalkElements(ar, spectrum, count, "point", [&](auto& point) {
        ar.Version(version);
        ar.Double(point.wavelength, "wavelength");
        ar.Double(point.intensity, "intensity");
        for (auto& extra : point.extra) ar.Double(extra, "further value");
    });
    if constexpr (!Archive::IsStoring) spectrum.SetCurrent(current);
}

template <class Archive, RecordOf<CDrawTools> Tools>
void Walk(Archive& ar, Tools& tools, double version) {
    auto scope = ar.Enter("drawing tools");
    ar.Version(version);
    ar.Double(tools.tilt, "tilt");
    ar.Double(tools.sinTilt, "sine of the tilt");
    ar.Double(tools.cosTilt, "cosine of the tilt");
    ar.Double(tools.rotation, "rotation");
    ar.Double(tools.scale, "scale");
    ar.Double(tools.originX, "origin x");
    ar.Double(tools.originY, "origin y");
    ar.Signed(tools.compressX, "compress-x switch");
    ar.Signed(tools.compressY, "compress-y switch");
    ar.Signed(tools.compressZ, "compress-z switch");
    ar.Double(tools.intensityStart, "intensity scale start");
    ar.Double(tools.stepFactor, "intensity scale step factor");
    ar.Double(tools.wavelengthStart, "wavelength scale start");
    ar.Double(tools.wavelengthStop, "wavelength scale stop");
    ar.Signed(tools.scaleByIntensity, "scale-by-intensity switch");
    ar.Signed(tools.scaleByWavelength, "scale-by-wavelength switch");
}

// A flag the worker or the user interface may write while a document is saved (core/shared_value.h).
template <class Archive, class Flag>
void SharedSigned(Archive& ar, Flag& flag, std::string_view what) {
    if constexpr (Archive::IsStoring)
        ar.Signed(LoadShared(flag), what);
    else
        ar.Signed(flag, what);
}

// The z sweep, the plot values, zVaries, the source offsets, the seed, the counters, the tracing flag and
// the ray queue are not stored: they keep their defaults when a batch is read.
template <class Archive, RecordOf<CBatch> Batch>
void Walk(Archive& ar, Batch& batch, double version) {
    ar.Version(version);
    ar.Text(batch.name, "name");
    Walk(ar, batch.azimuthSweep, "azimuth sweep");
    Walk(ar, batch.declinationSweep, "declination sweep");
    Walk(ar, batch.wavelengthSweep, "wavelength sweep");
    Walk(ar, batch.xSweep, "x sweep");
    Walk(ar, batch.ySweep, "y sweep");
    ar.Double(batch.minIntensity, "minimum intensity");
    ar.Unsigned(batch.interfaceDivides, "number of interface divides");
    ar.Unsigned(batch.subdividePosition, "position subdivision");
    ar.Unsigned(batch.subdivideTheta, "theta subdivision");
    ar.Unsigned(batch.subdivideXi, "xi subdivision");
    ar.Unsigned(batch.subdivideScatter, "scatter subdivision");
    SharedSigned(ar, batch.azimuthVaries, "azimuth-varies flag");
    SharedSigned(ar, batch.declinationVaries, "declination-varies flag");
    ar.Signed(batch.spareFlag, "spare flag");
    SharedSigned(ar, batch.wavelengthVaries, "wavelength-varies flag");
    SharedSigned(ar, batch.xVaries, "x-varies flag");
    SharedSigned(ar, batch.yVaries, "y-varies flag");
    SharedSigned(ar, batch.drawOnRaytrace, "draw-on-raytrace flag");
    // The view flags are stored first, third, second.
    ar.Signed(batch.viewFlags[0], "view flag");
    ar.Signed(batch.viewFlags[2], "view flag");
    ar.Signed(batch.viewFlags[1], "view flag");
    ar.Signed(batch.constantSpectrum, "constant-spectrum flag");
    ar.Signed(batch.fileSpectrum, "file-spectrum flag");
    ar.Double(batch.constantIntensity, "constant intensity");
    ar.Text(batch.spectrumFile, "spectrum file name");
    ar.Signed(batch.useSpectrumFile, "use-spectrum-file flag");
    Walk(ar, batch.spectrum, version);
    Walk(ar, batch.model, version);
    Walk(ar, batch.drawTools, version);
}

template <class Archive, RecordOf<CBatchList> List>
void Walk(Archive& ar, List& list, double version) {
    ar.Version(version);
    uint32_t count = list.GetCount();
    // Written as the batch the list treats as current, so a stored index is always in range.
    uint32_t current = list.GetCurrent() < count ? list.GetCurrent() : 0;
    ar.Count(count, kMinBatchBytes, "batch count");
    ar.Unsigned(current, "current batch");
    if constexpr (!Archive::IsStoring) {
        if (ar.Failed()) return;
        // The first batch is read into the default batch a reset list holds; a count of 0 leaves it as it
        // is, since a list is never empty.
        list.Reset();
        if (count == 0) ar.Note("The document holds no batches; it was opened with one new default batch.");
    }
    WalkElements(ar, list, count, "batch", [&](auto& batch) { Walk(ar, batch, version); });
    if constexpr (!Archive::IsStoring) list.SetCurrent(std::min(current, list.GetCount() - 1));
}

}  // namespace

void Serialize(CArchiveWriter& ar, const CBatchList& list, double version) { Walk(ar, list, version); }
void Serialize(CArchiveReader& ar, CBatchList& list, double version) { Walk(ar, list, version); }
void Serialize(CArchiveWriter& ar, const CBatch& batch, double version) { Walk(ar, batch, version); }
void Serialize(CArchiveReader& ar, CBatch& batch, double version) { Walk(ar, batch, version); }
void Serialize(CArchiveWriter& ar, const CSpectrum& spectrum, double version) { Walk(ar, spectrum, version); }
void Serialize(CArchiveReader& ar, CSpectrum& spectrum, double version) { Walk(ar, spectrum, version); }
void Serialize(CArchiveWriter& ar, const CModel& model, double version) { Walk(ar, model, version); }
void Serialize(CArchiveReader& ar, CModel& model, double version) { Walk(ar, model, version); }
void Serialize(CArchiveWriter& ar, const CLayer& layer, double version) { Walk(ar, layer, version); }
void Serialize(CArchiveReader& ar, CLayer& layer, double version) { Walk(ar, layer, version); }
void Serialize(CArchiveWriter& ar, const CPlane& plane, double version) { Walk(ar, plane, version); }
void Serialize(CArchiveReader& ar, CPlane& plane, double version) { Walk(ar, plane, version); }
void Serialize(CArchiveWriter& ar, const COpticalData& data, double version) { Walk(ar, data, version); }
void Serialize(CArchiveReader& ar, COpticalData& data, double version) { Walk(ar, data, version); }
void Serialize(CArchiveWriter& ar, const COpticalPoint& row, double version) { Walk(ar, row, version); }
void Serialize(CArchiveReader& ar, COpticalPoint& row, double version) { Walk(ar, row, version); }
void Serialize(CArchiveWriter& ar, const CDrawTools& tools, double version) { Walk(ar, tools, version); }
void Serialize(CArchiveReader& ar, CDrawTools& tools, double version) { Walk(ar, tools, version); }

}  // namespace brelix
