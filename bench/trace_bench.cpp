// Trace speed on one core with drawing off: nanoseconds per trace op and heap allocations per trace op,
// and the time to lay out a batch whose source rays are a spectrum's points.
//
//   build-release/bench/brelix_bench
//
// The runner's whole-run figures (time and peak memory per source ray) are measured by
// bench/run-runner-bench; docs/performance.md has both.

#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <string>

#include "examples/sample_models.h"
#include "optics/trace_context.h"
#include "trace/ray_sources.h"
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

using namespace samples;

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

        while (RaysLeft(batch) > 0) TraceOp(context, threshold);

        state.PauseTiming();
        allocated += allocations.load(std::memory_order_relaxed) - before;
        ops += batch.traceOps.load();
        state.ResumeTiming();
    }
    state.counters["ops"] = benchmark::Counter(static_cast<double>(ops), benchmark::Counter::kIsRate);
    state.counters["ns/op"] = benchmark::Counter(static_cast<double>(ops) / 1e9,
                                                 benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    state.counters["allocs/op"] = static_cast<double>(allocated) / static_cast<double>(ops);
}

// Many source rays under few keys, so that generating the result records does not dominate: the
// spectrum holds each wavelength many times over.
void RepeatSourceRays(CBatch& batch, int wavelengths, int repeats) {
    SetNormalIncidenceSources(batch, 1);
    batch.useSpectrumFile = 1;
    batch.wavelengthSweep = {0, 1, 1, 0};
    for (int w = 0; w < wavelengths; ++w)
        for (int r = 0; r < repeats; ++r) batch.spectrum.InsertSorted(600 + w, 1.0);
}

void PlanarSlab(CBatch& batch) {
    BuildSlab(batch, 3.5, 100, 100);
    RepeatSourceRays(batch, 10, 20000);
    batch.interfaceDivides = 0;
    batch.drawOnRaytrace = 0;
}

void LambertianRear(CBatch& batch) {
    BuildLambertianSlab(batch, 3.5, 30, 100, 0.9);
    RepeatSourceRays(batch, 10, 500);
    batch.interfaceDivides = 0;
    batch.drawOnRaytrace = 0;
}

void TexturedCell(CBatch& batch) {
    BuildTexturedCell(batch, false);
    SetNormalIncidenceSources(batch, 10);
    batch.xOffset = 0.5;
    batch.yOffset = 5;
    batch.wavelengthSweep = {400, 1100, 10, 0};
    batch.declinationSweep = {0, 40, 20, 0};
    batch.interfaceDivides = 2;
    batch.drawOnRaytrace = 0;
}

// The textured cell with 13 planes per layer: to its front, catcher or rear and four walls, seven
// reflectors beside the cell that the search must test on every op but no ray reaches, facing every way.
void TexturedCell13(CBatch& batch) {
    TexturedCell(batch);
    for (CLayer& layer : batch.model) {
        for (int k = 0; k < 7; ++k) {
            const double z = -50 - 14 * k;
            const Vec e1{k % 2 ? 0.0 : 5.0, k % 2 ? 5.0 : 0.0, k % 3 ? 1.0 : -1.0};
            const Vec e2{0, k % 2 ? 0.0 : 5.0, k % 2 ? 3.0 : 4.0};
            SetPlane(AddPlane(layer, "Beside", PlanarReflector), {20.0 + k, 0, z}, k % 4 < 2 ? e1 : e2,
                     k % 4 < 2 ? e2 : e1);
        }
    }
}

BENCHMARK_CAPTURE(TraceBatch, PlanarSlab, PlanarSlab)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK_CAPTURE(TraceBatch, LambertianRear, LambertianRear)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK_CAPTURE(TraceBatch, TexturedCell, TexturedCell)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK_CAPTURE(TraceBatch, TexturedCell13, TexturedCell13)->Unit(benchmark::kMillisecond)->MinTime(1.0);

// A spectrum of S distinct points launched as wavelengths: laying out the batch (its rows and the
// weights of its rays) grows as S log S.
void SpectrumLaunch(benchmark::State& state) {
    CBatch batch;
    BuildSlab(batch, 3.5, 100, 100);
    SetNormalIncidenceSources(batch, 1);
    batch.constantSpectrum = 0;
    batch.fileSpectrum = 1;
    batch.useSpectrumFile = 1;
    batch.wavelengthSweep = {0, 1, 1, 0};
    for (int64_t p = 0; p < state.range(0); ++p) batch.spectrum.InsertSorted(400 + static_cast<double>(p) / 256, 1.0);
    for (auto _ : state) {
        batch.rayQueue.RemoveAll();
        batch.model.ClearResults();
        GenerateRays(batch, nullptr);
        benchmark::DoNotOptimize(batch.model.results.GetSize());
    }
    state.SetComplexityN(state.range(0));
}
BENCHMARK(SpectrumLaunch)->RangeMultiplier(4)->Range(10000, 160000)->Unit(benchmark::kMillisecond)->Complexity();

}  // namespace
}  // namespace brelix

BENCHMARK_MAIN();
