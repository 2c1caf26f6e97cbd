#include "document/partial_results.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "core/batch_list.h"
#include "core/format.h"
#include "document/document_file.h"

namespace brelix {

namespace {

constexpr char kMagic[8] = {'B', 'X', 'P', 'A', 'R', 'T', '\r', '\n'};
constexpr size_t kKeyBytes = 7 * 8;

uint64_t Fnv1a(std::span<const uint8_t> bytes) {
    uint64_t hash = 0xcbf29ce484222325u;
    for (const uint8_t byte : bytes) hash = (hash ^ byte) * 0x100000001b3u;
    return hash;
}

class CPartWriter {
public:
    void U32(uint32_t value) { Append(value, 4); }
    void U64(uint64_t value) { Append(value, 8); }
    void F64(double value) { Append(std::bit_cast<uint64_t>(value), 8); }
    void Bytes(std::span<const uint8_t> bytes) {
        U64(bytes.size());
        bytes_.insert(bytes_.end(), bytes.begin(), bytes.end());
    }
    std::vector<uint8_t>& Result() { return bytes_; }

private:
    void Append(uint64_t value, int count) {
        for (int i = 0; i < count; ++i) bytes_.push_back(static_cast<uint8_t>(value >> (8 * i)));
    }
    std::vector<uint8_t> bytes_;
};

// Reads from a span it never reads past; the first failure is kept and every later read fails.
class CPartReader {
public:
    explicit CPartReader(std::span<const uint8_t> bytes) : bytes_(bytes) {}

    bool U32(uint32_t& value, const char* what) { return Read(value, 4, what); }
    bool U64(uint64_t& value, const char* what) { return Read(value, 8, what); }
    bool F64(double& value, const char* what) {
        uint64_t bits = 0;
        if (!Read(bits, 8, what)) return false;
        value = std::bit_cast<double>(bits);
        return true;
    }
    // `count` elements of `elementBytes` each must fit in what is left.
    bool Fits(uint64_t count, uint64_t elementBytes, const char* what) {
        if (failed_) return false;
        if (elementBytes != 0 && count > Remaining() / elementBytes) return Fail(std::string("the count of ") + what + " is larger than the file");
        return true;
    }
    bool Bytes(std::vector<uint8_t>& bytes, const char* what) {
        uint64_t size = 0;
        if (!U64(size, what) || !Fits(size, 1, what)) return false;
        bytes.assign(bytes_.begin() + static_cast<std::ptrdiff_t>(offset_),
                     bytes_.begin() + static_cast<std::ptrdiff_t>(offset_ + size));
        offset_ += size;
        return true;
    }
    bool Fail(const std::string& message) {
        if (!failed_) error_ = message + " (at byte " + FormatInt(static_cast<int64_t>(offset_)) + ")";
        failed_ = true;
        return false;
    }
    size_t Offset() const { return offset_; }
    size_t Remaining() const { return bytes_.size() - offset_; }
    bool Failed() const { return failed_; }
    const std::string& Error() const { return error_; }

private:
    template <class T>
    bool Read(T& value, int count, const char* what) {
        if (failed_) return false;
        if (Remaining() < static_cast<size_t>(count)) return Fail(std::string("the file ends inside ") + what);
        uint64_t result = 0;
        for (int i = 0; i < count; ++i) result |= uint64_t{bytes_[offset_ + i]} << (8 * i);
        offset_ += static_cast<size_t>(count);
        value = static_cast<T>(result);
        return true;
    }

    std::span<const uint8_t> bytes_;
    size_t offset_ = 0;
    bool failed_ = false;
    std::string error_;
};

bool ReadChunk(CPartReader& in, uint32_t columns, CChunkTallies& chunk) {
    uint32_t rows = 0;
    if (!in.U64(chunk.traceOps, "a chunk's trace ops") || !in.U64(chunk.expiredRays, "a chunk's expired rays") ||
        !in.U32(rows, "a chunk's row count") || !in.Fits(rows, 4 + kKeyBytes + 8 * uint64_t{columns}, "rows"))
        return false;
    chunk.rows.resize(rows);
    chunk.keys.resize(rows);
    for (uint32_t r = 0; r < rows; ++r) {
        CResultKey& key = chunk.keys[r];
        in.U32(chunk.rows[r], "a row number");
        for (double* value : {&key.wavelength, &key.azimuth, &key.declination, &key.x, &key.y, &key.z, &key.sourceIntensity})
            in.F64(*value, "a row key");
    }
    chunk.values.resize(uint64_t{rows} * columns);
    for (double& value : chunk.values) in.F64(value, "a tally");
    return !in.Failed();
}

bool ReadBatch(CPartReader& in, CPartialBatch& batch) {
    uint64_t count = 0;
    if (!in.U32(batch.number, "a batch number") || !in.U64(batch.sourceRays, "a batch's source rays") ||
        !in.U64(batch.chunks, "a batch's chunks") || !in.U32(batch.columns, "a batch's columns") ||
        !in.U64(count, "a batch's chunks in this slice") || !in.Fits(count, 28, "chunks"))
        return false;
    if (batch.columns < 2) return in.Fail("a batch has fewer than its 2 tally columns");
    batch.chunkNumbers.resize(count);
    batch.chunkTallies.resize(count);
    for (uint64_t c = 0; c < count; ++c)
        if (!in.U64(batch.chunkNumbers[c], "a chunk number") || !ReadChunk(in, batch.columns, batch.chunkTallies[c])) return false;
    return true;
}

std::string SliceName(const CPartialResults& part) {
    return "slice " + FormatInt(part.slice.index + 1) + " of " + FormatInt(part.slice.count);
}

std::string BatchNumbers(const CPartialResults& part) {
    std::string numbers;
    for (const CPartialBatch& batch : part.batches) numbers += (numbers.empty() ? "" : ", ") + FormatInt(batch.number);
    return numbers.empty() ? "none" : numbers;
}

// Why `part` is not of the same trace as `first`, or empty.
std::string Mismatch(const CPartialResults& first, const CPartialResults& part) {
    if (DocumentIdentity(part.document) != DocumentIdentity(first.document))
        return "it traced another document, or another version of it (" + part.documentPath + ")";
    if (part.seed != first.seed)
        return "it was traced with seed " + FormatInt(part.seed) + ", not " + FormatInt(first.seed);
    if (part.slice.count != first.slice.count)
        return "it is one of " + FormatInt(part.slice.count) + " slices, not of " + FormatInt(first.slice.count);
    if (part.batches.size() != first.batches.size() ||
        !std::equal(part.batches.begin(), part.batches.end(), first.batches.begin(), [](const CPartialBatch& a, const CPartialBatch& b) {
            return a.number == b.number && a.sourceRays == b.sourceRays && a.chunks == b.chunks && a.columns == b.columns;
        }))
        return "it holds batches " + BatchNumbers(part) + ", not " + BatchNumbers(first);
    return {};
}

}  // namespace

uint64_t DocumentIdentity(std::span<const uint8_t> bytes) { return Fnv1a(bytes); }

std::string PartFileName(const std::string& documentPath, CSlice slice) {
    return documentPath + "_slice" + FormatInt(slice.index + 1) + "of" + FormatInt(slice.count) + ".bxp";
}

std::vector<uint8_t> WritePartialResults(const CPartialResults& part) {
    CPartWriter out;
    for (const char c : kMagic) out.Result().push_back(static_cast<uint8_t>(c));
    out.U32(kPartialResultsVersion);
    out.U64(DocumentIdentity(part.document));
    out.U32(part.seed);
    out.U32(part.slice.index + 1);
    out.U32(part.slice.count);
    out.Bytes({reinterpret_cast<const uint8_t*>(part.documentPath.data()), part.documentPath.size()});
    out.Bytes(part.document);
    out.U32(static_cast<uint32_t>(part.batches.size()));
    for (const CPartialBatch& batch : part.batches) {
        out.U32(batch.number);
        out.U64(batch.sourceRays);
        out.U64(batch.chunks);
        out.U32(batch.columns);
        out.U64(batch.chunkTallies.size());
        for (size_t c = 0; c < batch.chunkTallies.size(); ++c) {
            const CChunkTallies& chunk = batch.chunkTallies[c];
            out.U64(batch.chunkNumbers[c]);
            out.U64(chunk.traceOps);
            out.U64(chunk.expiredRays);
            out.U32(static_cast<uint32_t>(chunk.rows.size()));
            for (size_t r = 0; r < chunk.rows.size(); ++r) {
                const CResultKey& key = chunk.keys[r];
                out.U32(chunk.rows[r]);
                for (const double value : {key.wavelength, key.azimuth, key.declination, key.x, key.y, key.z, key.sourceIntensity})
                    out.F64(value);
            }
            for (const double value : chunk.values) out.F64(value);
        }
    }
    out.U64(Fnv1a(out.Result()));
    return std::move(out.Result());
}

bool ReadPartialResults(std::span<const uint8_t> bytes, CPartialResults& part, std::string& error) {
    part = CPartialResults();
    if (bytes.size() < sizeof kMagic || std::memcmp(bytes.data(), kMagic, sizeof kMagic) != 0) {
        error = "not a Brelix partial-results file";
        return false;
    }
    if (bytes.size() < sizeof kMagic + 4 + 8) {
        error = "the file is cut short";
        return false;
    }
    const std::span<const uint8_t> body = bytes.first(bytes.size() - 8);
    CPartReader in(bytes.subspan(sizeof kMagic));
    uint32_t version = 0;
    in.U32(version, "the format version");
    if (version != kPartialResultsVersion) {
        error = "format version " + FormatInt(version) + " is not known to this version of Brelix (it reads version " +
                FormatInt(kPartialResultsVersion) + ")";
        return false;
    }
    CPartReader trailer(bytes.last(8));
    uint64_t checksum = 0;
    trailer.U64(checksum, "the checksum");
    if (checksum != Fnv1a(body)) {
        error = "the file is damaged or cut short (its checksum does not match)";
        return false;
    }
    uint64_t identity = 0;
    uint32_t slice = 0, slices = 0, batches = 0;
    std::vector<uint8_t> path;
    in.U64(identity, "the document identity");
    in.U32(part.seed, "the seed");
    in.U32(slice, "the slice");
    in.U32(slices, "the slice count");
    in.Bytes(path, "the document path");
    in.Bytes(part.document, "the document");
    in.U32(batches, "the batch count");
    if (!in.Failed() && (slices == 0 || slice == 0 || slice > slices)) in.Fail("slice " + FormatInt(slice) + " of " + FormatInt(slices) + " is no slice");
    if (!in.Failed() && identity != DocumentIdentity(part.document)) in.Fail("the document does not match its identity");
    if (in.Fits(batches, 36, "batches")) {
        part.batches.resize(batches);
        for (CPartialBatch& batch : part.batches)
            if (!ReadBatch(in, batch)) break;
    }
    if (!in.Failed() && in.Remaining() != 8) in.Fail("bytes follow the last batch");
    if (in.Failed()) {
        error = in.Error();
        part = CPartialResults();
        return false;
    }
    part.slice = {slice - 1, slices};
    part.documentPath.assign(path.begin(), path.end());
    return true;
}

bool MatchParts(std::vector<CNamedPart>& parts, std::string& error) {
    if (parts.empty()) {
        error = "no partial-results files to merge";
        return false;
    }
    const CPartialResults& first = parts.front().part;
    for (const CNamedPart& named : parts) {
        if (const std::string why = Mismatch(first, named.part); !why.empty()) {
            error = named.name + " is not a part of the same trace as " + parts.front().name + ": " + why + ".";
            return false;
        }
    }
    std::stable_sort(parts.begin(), parts.end(),
                     [](const CNamedPart& a, const CNamedPart& b) { return a.part.slice.index < b.part.slice.index; });
    const uint32_t count = first.slice.count;
    // Counted, not listed: a part may claim billions of slices.
    uint64_t missing = 0;
    uint32_t firstMissing = 0, next = 0;
    for (size_t p = 0; p < parts.size(); ++p) {
        const uint32_t index = parts[p].part.slice.index;
        if (p > 0 && index == parts[p - 1].part.slice.index) {
            error = parts[p - 1].name + " and " + parts[p].name + " are both " + SliceName(parts[p].part) + ".";
            return false;
        }
        if (next < index && missing == 0) firstMissing = next;
        missing += index - next;
        next = index + 1;
    }
    if (next < count && missing == 0) firstMissing = next;
    missing += count - next;
    if (missing > 0) {
        const CSlice slice{firstMissing, count};
        error = "slice " + FormatInt(slice.index + 1) + " of " + FormatInt(count) + " (by default " +
                PartFileName(first.documentPath, slice) + ") is missing";
        if (missing > 1) error += ", and " + FormatInt(static_cast<int64_t>(missing - 1)) + " more";
        error += ": a merge needs every slice.";
        return false;
    }
    for (const CNamedPart& named : parts) {
        const CSlice slice = named.part.slice;
        for (const CPartialBatch& batch : named.part.batches) {
            const uint64_t expected = batch.chunks > slice.index ? (batch.chunks - slice.index + count - 1) / count : 0;
            bool whole = batch.chunkNumbers.size() == expected;
            for (uint64_t n = 0; whole && n < expected; ++n) whole = batch.chunkNumbers[n] == slice.index + n * count;
            for (const CChunkTallies& chunk : batch.chunkTallies)
                whole = whole && chunk.values.size() == chunk.rows.size() * uint64_t{batch.columns};
            if (!whole) {
                error = named.name + " does not hold the chunks of batch " + FormatInt(batch.number) + " that " +
                        SliceName(named.part) + " traces: it is damaged.";
                return false;
            }
        }
    }
    return true;
}

bool MergeParts(const std::vector<CNamedPart>& parts, CBatchList& into, std::vector<uint32_t>& numbers,
                std::string& error) {
    const CPartialResults& first = parts.front().part;
    if (!ReadDocument(first.document, into, error)) {
        error = "the document the parts traced cannot be read: " + error;
        return false;
    }
    const uint32_t count = first.slice.count;
    numbers.clear();
    for (size_t b = 0; b < first.batches.size(); ++b) {
        const CPartialBatch& described = first.batches[b];
        const std::string name = "batch " + FormatInt(described.number);
        if (described.number >= into.GetCount()) {
            error = "the document the parts traced has no " + name + ".";
            return false;
        }
        CBatch& batch = into[described.number];
        batch.seed = first.seed;
        uint64_t rays = 0, chunks = 0;
        if (!PrepareChunkedBatch(batch, rays, chunks, error)) return false;
        if (rays != described.sourceRays || chunks != described.chunks || TallyColumnCount(batch.model) != described.columns) {
            error = name + " of the parts does not have the source rays, chunks or columns of the document's: the parts were "
                           "made by another version of Brelix.";
            return false;
        }
        const uint32_t sourceRows = batch.model.results.GetSize();
        for (uint64_t chunk = 0; chunk < chunks; ++chunk) {
            const CChunkTallies& tallies = parts[chunk % count].part.batches[b].chunkTallies[chunk / count];
            for (const uint32_t row : tallies.rows) {
                if (row != kRowFoundByKey && row >= sourceRows) {
                    error = parts[chunk % count].name + " names row " + FormatInt(row) + " of " + name + ", which has " +
                            FormatInt(sourceRows) + " rows: it is damaged.";
                    return false;
                }
            }
            AddChunkTallies(batch, tallies);
        }
        into.SetCurrent(described.number);
        numbers.push_back(described.number);
    }
    return true;
}

}  // namespace brelix
