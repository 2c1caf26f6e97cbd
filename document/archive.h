#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace brelix {

class CBatchList;
class CBatch;
class CSpectrum;
class CModel;
class CLayer;
class CPlane;
class COpticalData;
struct COpticalPoint;
class CDrawTools;

// The version every record of a document is written with. Reading ignores the version it finds: there is
// one layout only.
inline constexpr double DocumentVersion = 6.0;

// The document's byte layout, written: one flat little-endian stream with no header and no tags.
//  - a double is IEEE 754 binary64, 8 bytes little-endian;
//  - a counted integer is a 32-bit field stored as a double;
//  - a text is its length (1 byte below 255; else 0xFF and 16 bits below 0xFFFE; else 0xFF, 0xFFFF and
//    32 bits) followed by its characters, with no terminator.
// Writing cannot fail, except that a text of 4 GiB or more throws std::length_error: the format has no
// length for it, and cutting it short would lose data without a word.
class CArchiveWriter {
public:
    static constexpr bool IsStoring = true;

    // The same calls as CArchiveReader's, so that each record is walked by one function in both
    // directions; the names of fields and records only matter to the reader's messages.
    void Double(double value, std::string_view what = {});
    void Unsigned(uint32_t value, std::string_view what = {});
    void Signed(int32_t value, std::string_view what = {});
    void Text(std::string_view text, std::string_view what = {});
    void Count(uint32_t count, size_t elementBytes, std::string_view what = {});
    void Version(double version) { Double(version); }

    struct CScope {
        ~CScope() {}  // user-provided, so that an unused scope is not warned about
    };
    CScope Enter(const char*, std::optional<uint32_t> = std::nullopt) { return {}; }

    bool Failed() const { return false; }
    size_t Offset() const { return bytes_.size(); }
    const std::vector<uint8_t>& Bytes() const { return bytes_; }
    std::vector<uint8_t> TakeBytes() { return std::move(bytes_); }

private:
    void AppendLittleEndian(uint64_t value, int byteCount);

    std::vector<uint8_t> bytes_;
};

// The document's byte layout, read from a span that it never reads past. Nothing in the file is trusted:
// every read checks that its bytes are there, a counted integer must be a number whose truncation toward
// zero fits its 32-bit type, and a count must leave room in the bytes that remain for that many elements
// of at least their smallest size, before anything is allocated.
//
// The first failure is kept with its message and byte offset; from then on every read fails and leaves
// its target as it was, so a record may read all its fields and check once.
class CArchiveReader {
public:
    static constexpr bool IsStoring = false;

    explicit CArchiveReader(std::span<const uint8_t> bytes) : bytes_(bytes) {}

    // `what` names the field in a message ("plane type").
    bool Double(double& value, std::string_view what);
    bool Unsigned(uint32_t& value, std::string_view what);
    bool Signed(int32_t& value, std::string_view what);
    bool Text(std::string& text, std::string_view what);
    // An unsigned count of elements that follow, each at least `elementBytes` long.
    bool Count(uint32_t& count, size_t elementBytes, std::string_view what);
    // Checks a count that was read earlier, at byte `at`, against the bytes that remain now.
    bool CheckCount(uint64_t count, size_t elementBytes, size_t at, std::string_view what);
    // Checks that a double read earlier, at byte `at`, is a finite number.
    bool CheckFinite(double value, size_t at, std::string_view what);
    // Reads a record's version, which is not used.
    bool Version(double);
    // Fails when bytes remain.
    bool ExpectEnd();

    // Names the record being read, for messages ("batch 0, layer 1, plane 3"). Numbers count from 0, as
    // the runner and the results number batches, layers and planes; a record without one is named alone.
    // The scope ends the name.
    class CScope {
    public:
        CScope(CScope&& other) noexcept : reader_(std::exchange(other.reader_, nullptr)) {}
        CScope(const CScope&) = delete;
        CScope& operator=(const CScope&) = delete;
        ~CScope() {
            if (reader_) reader_->context_.pop_back();
        }

    private:
        friend class CArchiveReader;
        explicit CScope(CArchiveReader& reader) : reader_(&reader) {}

        CArchiveReader* reader_;
    };
    [[nodiscard]] CScope Enter(const char* record, std::optional<uint32_t> number = std::nullopt);

    bool Failed() const { return failed_; }
    const std::string& Error() const { return error_; }
    // The byte the first failure was found at.
    size_t ErrorOffset() const { return errorOffset_; }
    size_t Offset() const { return offset_; }
    size_t Remaining() const { return bytes_.size() - offset_; }

    // Records a failure at a byte offset (only the first one is kept); returns false.
    bool Fail(size_t at, std::string_view message);
    // Records something the user should know about a document that is read all the same.
    void Note(std::string text) { notes_.push_back(std::move(text)); }
    const std::vector<std::string>& Notes() const { return notes_; }

private:
    // The next `count` bytes, or null (and a failure) when the stream ends first.
    const uint8_t* Take(size_t count, std::string_view what);
    uint64_t LittleEndian(const uint8_t* bytes, int byteCount) const;
    // Reads a double that must hold a 32-bit integer; `low` and `high` bound its truncation.
    bool CountedInteger(double& truncated, double low, double high, std::string_view what);
    std::string Where() const;

    std::span<const uint8_t> bytes_;
    size_t offset_ = 0;
    bool failed_ = false;
    std::string error_;
    size_t errorOffset_ = 0;
    std::vector<std::pair<const char*, std::optional<uint32_t>>> context_;
    std::vector<std::string> notes_;
};

// The records of a document, each in one place for both directions. `version` is the value written at
// the head of the record and passed down to its children; when reading, the stored one is ignored.
// Reading replaces the record's contents; on failure the record is left partly read.
void Serialize(CArchiveWriter& archive, const CBatchList& list, double version);
void Serialize(CArchiveReader& archive, CBatchList& list, double version);
void Serialize(CArchiveWriter& archive, const CBatch& batch, double version);
void Serialize(CArchiveReader& archive, CBatch& batch, double version);
void Serialize(CArchiveWriter& archive, const CSpectrum& spectrum, double version);
void Serialize(CArchiveReader& archive, CSpectrum& spectrum, double version);
void Serialize(CArchiveWriter& archive, const CModel& model, double version);
void Serialize(CArchiveReader& archive, CModel& model, double version);
void Serialize(CArchiveWriter& archive, const CLayer& layer, double version);
void Serialize(CArchiveReader& archive, CLayer& layer, double version);
void Serialize(CArchiveWriter& archive, const CPlane& plane, double version);
void Serialize(CArchiveReader& archive, CPlane& plane, double version);
void Serialize(CArchiveWriter& archive, const COpticalData& data, double version);
void Serialize(CArchiveReader& archive, COpticalData& data, double version);
void Serialize(CArchiveWriter& archive, const COpticalPoint& row, double version);
void Serialize(CArchiveReader& archive, COpticalPoint& row, double version);
void Serialize(CArchiveWriter& archive, const CDrawTools& tools, double version);
void Serialize(CArchiveReader& archive, CDrawTools& tools, double version);

}  // namespace brelix
