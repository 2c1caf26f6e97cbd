#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "trace/parallel_trace.h"

namespace brelix {

// The partial results of one slice of a trace (brelix-cli trace --slice K/M): the tallies of each of the
// slice's chunks, kept apart, so that merging the slices adds them in chunk order as the unsliced trace
// does and gets its results bit for bit. A part carries the document it traced, so that a merge needs
// nothing else and cannot be given another version of it.
//
// The file, little-endian, numbers as IEEE 754 binary64, integers unsigned:
//   magic "BXPART\r\n" (8 bytes), u32 format version (1)
//   u64 document identity (FNV-1a 64 of the document's bytes)
//   u32 seed, u32 slice (from 1), u32 slices
//   u64 length + bytes: the document's path, absolute, as traced (UTF-8)
//   u64 length + bytes: the document
//   u32 batch count, then per batch:
//     u32 batch number, u64 source rays, u64 chunks, u32 columns, u64 chunks in this slice, then per chunk:
//       u64 chunk number, u64 trace ops, u64 expired rays, u32 rows,
//       per row u32 row in the batch (0xFFFFFFFF: found by its key) and its key (7 doubles: wavelength,
//       azimuth, declination, x, y, z, source intensity), then rows x columns tally values, row by row
//   u64 FNV-1a 64 of every byte before it
struct CPartialBatch {
    uint32_t number = 0;
    uint64_t sourceRays = 0;
    uint64_t chunks = 0;
    uint32_t columns = 0;
    // This slice's chunks, in chunk order.
    std::vector<uint64_t> chunkNumbers;
    std::vector<CChunkTallies> chunkTallies;
};

struct CPartialResults {
    uint32_t seed = 0;
    CSlice slice;  // index from 0
    std::string documentPath;
    std::vector<uint8_t> document;
    std::vector<CPartialBatch> batches;
};

inline constexpr uint32_t kPartialResultsVersion = 1;

// A slice's file beside its document, by default: DOC_slice<K>of<M>.bxp.
std::string PartFileName(const std::string& documentPath, CSlice slice);

// FNV-1a 64 of a document's bytes: the identity by which parts of one trace are told from others.
uint64_t DocumentIdentity(std::span<const uint8_t> bytes);

std::vector<uint8_t> WritePartialResults(const CPartialResults& part);

// Reads a part; nothing in it is trusted (every count is checked against the bytes left before anything is
// allocated, the checksum against the bytes). On failure returns false with `error` saying what is wrong.
bool ReadPartialResults(std::span<const uint8_t> bytes, CPartialResults& part, std::string& error);

// A part read from a file, with the name it is known by in messages.
struct CNamedPart {
    std::string name;
    CPartialResults part;
};

// Checks that `parts` are every slice of one trace, each once, with every chunk of every batch in the
// slice it belongs to; then orders them by slice. On failure `error` names the parts at fault.
bool MatchParts(std::vector<CNamedPart>& parts, std::string& error);

class CBatchList;

// Reads the document the parts traced into `into` and adds every chunk of every batch in chunk order, so
// that `into` holds the results of the unsliced trace; `numbers` gets the batches' numbers. The parts
// must have been matched (MatchParts). On failure (a document or chunk that does not fit the other) returns
// false with `error` saying why.
bool MergeParts(const std::vector<CNamedPart>& parts, CBatchList& into, std::vector<uint32_t>& numbers,
                std::string& error);

}  // namespace brelix
