#pragma once

#include <cstdint>

namespace brelix {

// What the user selected last in the model tree; it decides what the editing commands act on.
enum ESelectionKind : int32_t {
    SelectNothing = -1,
    SelectEdges = 2,
    SelectPlane = 3,
    SelectLayer = 4,
    SelectBatch = 5,
    SelectDocument = 6,
};

}  // namespace brelix
