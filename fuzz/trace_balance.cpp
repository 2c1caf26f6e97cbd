// Reads a document and traces the start of each of its batches with drawing on, then checks the balance:
// every bit of intensity launched is tallied (absorbed in a layer or plane, remainder or lost) or still
// queued. The bounds below keep an input quick; what they pass over are documents that are merely big.

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "core/batch_list.h"
#include "document/document_file.h"
#include "fuzz/recording_surface.h"
#include "fuzz/require.h"
#include "tests/support/trace_helpers.h"
#include "trace/ray_sources.h"

using namespace brelix;

namespace {

constexpr uint64_t kMaxSourceRays = 10000;
constexpr uint64_t kMaxTraceOps = 2000;
// The most rays one trace op may put in place of one (a split over positions, over directions or for
// scattering). With the op count it bounds the queue: a few hundred megabytes at most.
constexpr uint64_t kMaxSplit = 500;

bool SmallEnough(const CBatch& batch) {
    const uint64_t split = std::max({uint64_t{batch.subdividePosition},
                                     uint64_t{batch.subdivideTheta} * batch.subdivideXi,
                                     uint64_t{batch.subdivideScatter}});
    return split <= kMaxSplit && CountSourceRays(batch, kMaxSourceRays) <= kMaxSourceRays;
}

// Re-emission moves intensity to the key of its new wavelength, so the balance holds in total, not per
// key. The tolerance is relative to all that was launched, whatever its sign.
void RequireBalance(CBatch& batch, const std::vector<double>& launched) {
    double in = 0, out = 0, scale = 0;
    for (const test::CBalance& key : test::Balance(batch, launched)) {
        in += key.launched;
        out += key.accounted;
        scale += std::fabs(key.launched);
    }
    if (!(std::fabs(in - out) <= 1e-9 * scale))
        std::fprintf(stderr, "Launched %.17g, tallied and queued %.17g\n", in, out);
    fuzz::Require(std::fabs(in - out) <= 1e-9 * scale, "launched intensity = tallied + queued");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    CBatchList document;
    std::string error;
    if (!ReadDocument({data, size}, document, error)) return 0;
    for (CBatch& batch : document) {
        if (!SmallEnough(batch)) continue;
        batch.drawOnRaytrace = 1;
        fuzz::CRecordingSurface surface;
        const std::vector<double> launched = test::TraceSynchronously(batch, kMaxTraceOps, &surface);
        RequireBalance(batch, launched);
        // Beginning a batch with drawing on draws every plane's normal at least.
        uint64_t planes = 0;
        for (const CLayer& layer : batch.model) planes += layer.GetCount();
        fuzz::Require(surface.lines >= planes, "a drawn batch shows its planes");
    }
    return 0;
}
