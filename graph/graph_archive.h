#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace brelix {

class CGraph;

// A graph's own archive form, apart from documents. Little-endian 16-bit fields: the version (1), the
// identity, the number of series types and the types; then the title, x label and y label, each a text
// as documents write them (document/archive.h); then the two options. Kind and units are not stored: a
// graph read back keeps its own. All sixteen series types are written, so that a graph of many series
// comes back whole.
std::vector<uint8_t> WriteGraph(const CGraph& graph);

// Reads a graph written by WriteGraph into `graph`, which changes only when all of it was read. Refused,
// with `error` naming what is wrong and at which byte: another version, more than 16 series types, a type
// that is not 0, 1 or 2, an end inside a field, and bytes after the graph. Nothing is allocated from a count
// in the bytes before it is checked against the bytes that remain.
bool ReadGraph(std::span<const uint8_t> bytes, CGraph& graph, std::string& error);

}  // namespace brelix
