// Trace speed: trace ops per second on one core with drawing off, and heap allocations per trace op.
//
//   build/bench/brelix_bench

#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <string>

#include "optics/trace_context.h"
#include "examples/sample_models.h"
#include "trace/trace_op.h"

namespace {

// Every heap allocation of the process is counted, so the benchmark can report how many fall inside the
// traced ops.
std::atomic<uint64_t> allocations{0};

}  // namespace

void* operator new(std::size_t size) {
    allocations.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

namespace brelix {
namespace {

void TraceBatch(benchmark::State& state, void (*build)(CBatch&)) {
    uint64_t ops = 0, allocated = 0;
    for (auto _ : state) {
        state.PauseTiming();
        CBatch batch;
        build(batch);
        CRandom random;
        std::string error;
        BeginBatch(batch, random, nullptr, error);
        const double threshold = TerminationThreshold(batch);
        CTraceContext context(batch, random, nullptr);
        const uint64_t before = allocations.load(std::memory_order_relaxed);
        state.ResumeTiming();

        while (!batch.rayQueue.IsEmpty()) TraceOp(context, threshold);

        state.PauseTiming();
        allocated += allocations.load(std::memory_order_relaxed) - before;
        ops += batch.traceOps.load();
        state.ResumeTiming();
    }
    state.counters["ops"] = benchmark::Counter(static_cast<double>(ops), benchmark::Counter::kIsRate);
    state.counters["allocs/op"] = static_cast<double>(allocated) / static_cast<double>(ops);
}

// Many source rays under few keys, so that generating the result records does not dominate: the
// spectrum holds each wavelength many times over.
void RepeatSourceRays(CBatch& batch, int wavelengths, int repeats) {
    samples::SetNormalIncidenceSources(batch, 1);
    batch.useSpectrumFile = 1;
    batch.wavelengthSweep = {0, 1, 1, 0};
    for (int w = 0; w < wavelengths; ++w)
        for (int r = 0; r < repeats; ++r) batch.spectrum.InsertSorted(600 + w, 1.0);
}

void PlanarSlab(CBatch& batch) {
    samples::BuildSlab(batch, 3.5, 100, 100);
    RepeatSourceRays(batch, 10, 20000);
    batch.interfaceDivides = 0;
    batch.drawOnRaytrace = 0;
}

void LambertianRear(CBatch& batch) {
    samples::BuildLambertianSlab(batch, 3.5, 30, 100, 0.9);
    RepeatSourceRays(batch, 10, 500);
    batch.interfaceDivides = 0;
    batch.drawOnRaytrace = 0;
}

void TexturedCell(CBatch& batch) {
    samples::BuildTexturedCell(batch, false);
    samples::SetNormalIncidenceSources(batch, 10);
    batch.xOffset = 0.5;
    batch.yOffset = 5;
    batch.wavelengthSweep = {400, 1100, 10, 0};
    batch.declinationSweep = {0, 40, 20, 0};
    batch.interfaceDivides = 2;
    batch.drawOnRaytrace = 0;
}

BENCHMARK_CAPTURE(TraceBatch, PlanarSlab, PlanarSlab)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK_CAPTURE(TraceBatch, LambertianRear, LambertianRear)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK_CAPTURE(TraceBatch, TexturedCell, TexturedCell)->Unit(benchmark::kMillisecond)->MinTime(1.0);

}  // namespace
}  // namespace brelix

BENCHMARK_MAIN();
