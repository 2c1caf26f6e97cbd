#pragma once

// Golden files: text committed beside the tests, compared byte for byte, and the traces that make it.
// BRELIX_UPDATE_GOLDEN=1 writes the files instead of comparing (scripts/update-golden does it).

#include <cstdint>
#include <string>

#include "core/batch_list.h"
#include "view/draw_surface.h"

namespace brelix::test {

// Compares `actual` with the golden file `name`, or writes the file when regenerating. A difference is
// reported at its first line, which is where a change of behaviour shows first.
void ExpectGolden(const std::string& name, const std::string& actual);

// ".seed4242.txt"
std::string SeedName(uint32_t seed);

// Traces a batch on the document's worker as the runner does, to the end; returns the messages it showed.
std::string TraceOnWorker(CBatchList& list, uint32_t number, IDrawSurface& surface);

// Every batch's results table at a seed, traced on the worker without drawing, joined as the runner
// prints them; a batch that showed a message is followed by it.
std::string TraceAll(CBatchList& list, uint32_t seed);

}  // namespace brelix::test
