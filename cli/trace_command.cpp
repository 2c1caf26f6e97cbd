#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <limits>
#include <new>
#include <optional>
#include <ostream>
#include <thread>

#include "cli/command_support.h"
#include "cli/commands.h"
#include "cli/progress_bar.h"
#include "core/batch_list.h"
#include "core/format.h"
#include "document/document_file.h"
#include "document/file_reading.h"
#include "document/file_replacing.h"
#include "document/partial_results.h"
#include "document/results_export.h"
#include "trace/parallel_trace.h"
#include "trace/replica_statistics.h"
#include "trace/trace_op.h"

namespace brelix {

namespace {

constexpr const char* kTraceUsage =
    "Usage: brelix-cli trace DOC [--batch N | --all] [--seed S] [--threads N] [--export] [--quiet]\n"
    "                            [--format FORM] [--output FILE]\n"
    "                            [--repeat R] [--target-se E [--max-repeat N]] | [--slice K/M]\n"
    "\n"
    "Traces batches of the document DOC with the rules of the desktop application (the trace\n"
    "stops when every ray is finished) and prints each batch's results table, in the columns\n"
    "and number formats of \"Export Results\".\n"
    "\n"
    "Options:\n"
    "  --batch N   trace batch N (numbered from 0, as \"Batch N:\" in the results);\n"
    "              the default is the document's current batch\n"
    "  --all       trace every batch in turn\n"
    "  --seed S    the random seed (0 to 4294967295); documents do not store seeds, so\n"
    "              the default is 0 and a trace is reproducible\n"
    "  --threads N trace on N threads; the default is every core. Each source ray then has a\n"
    "              random generator of its own, seeded from S and the ray's number, so the\n"
    "              results are the same, to the last bit, for any N; but they are another\n"
    "              sample than the desktop application's, which runs one generator through\n"
    "              all rays: equally valid, not equal. --threads 0 traces on one worker as\n"
    "              the application traces, with its results\n"
    "  --export    also write the results files beside the document, one per batch\n"
    "              traced to its end, named DOC_<batch name>.bxo, as \"Export Results\" does\n"
    "  --quiet     no progress bar and no summary on standard error (the bar is drawn\n"
    "              only when standard error is a terminal)\n"
    "  --format FORM  table (the default), or for programs tsv, csv or json: one row per\n"
    "              results row with its wavelength, x, y, azimuth and declination, then a\n"
    "              column per layer, per plane (named LAYER/PLANE), remainder and lost,\n"
    "              every number in the shortest form that reads back to the same bits\n"
    "  --output FILE  write the results to FILE instead of standard output (the file\n"
    "              holds the old results or the new, whole); with --slice, the slice's\n"
    "              file, by default DOC_slice<K>of<M>.bxp\n"
    "  --repeat R  trace R independent replicas of each batch (seeds derived from S) and\n"
    "              print the mean of each cell with its standard error: \"value ± error\"\n"
    "              in the table, extra \"<column> se\" columns or \"errors\" in the other\n"
    "              forms. --export writes the means in the usual format\n"
    "  --target-se E  add replicas (from R, at least 2) until no cell of the table has a\n"
    "              standard error above E, and say how many source rays that took\n"
    "  --max-repeat N  stop adding replicas at N (default 1000); exit code 6 says the\n"
    "              target was not reached\n"
    "  --slice K/M trace only the K-th of M interleaved slices of each batch's source rays\n"
    "              (1 <= K <= M) and write the slice's partial results to a file instead\n"
    "              of printing a table; 'brelix-cli merge' combines the M files into the\n"
    "              results of the unsliced trace (the same --threads results, bit for\n"
    "              bit). Each slice can run on another machine, as a task of a job array\n"
    "\n"
    "A batch whose values would give no sensible results (a value that is not a finite\n"
    "number, a sweep that never ends, more results rows than memory holds) is refused\n"
    "with the reason. A trace stopped early (Ctrl-C, or memory running out) prints its\n"
    "table with the rays still in flight counted as remainder, and exports nothing. A\n"
    "ray's path ends, as remainder, after 100000 interactions; the runner says how many\n"
    "rays ended so.\n"
    "\n"
    "Exit codes: 0 success, 2 bad usage, 3 document unreadable, 4 results not written\n"
    "(files or standard output), 5 a batch could not be traced or not to its end,\n"
    "6 --target-se not reached within --max-repeat replicas, 130 stopped by Ctrl-C\n"
    "(results so far printed to standard output; an --output file is not written).\n";


constexpr uint32_t kMaxThreads = 1024;

// How the trace of one batch ended.
enum class ETraced {
    Complete,     // every ray traced to its end
    Refused,      // nothing traced: no layers, or the batch was refused before it started
    Failed,       // stopped by a failure (memory ran out); the results so far stand
    Interrupted,  // stopped by Ctrl-C; the results so far stand
};

// A trace given up early leaves rays in flight: they end as remainder, so that every row of the table
// still accounts for all the intensity launched under its key.
void ReportRaysInFlight(const CInFlight& inFlight, const std::string& label, const char* why, CCliEnvironment& env) {
    env.err << "brelix-cli: " << label << " " << why << ": " << inFlight.rays << " rays in flight (intensity "
            << Number(inFlight.intensity) << ") are counted as remainder, so its table is incomplete.\n";
}

// Shows the progress line every quarter of a second while `running` says so, and asks for a stop on
// Ctrl-C; true when it was pressed.
template <class Running, class Stop>
bool WatchTrace(const CBatch& batch, const std::string& label, CCliEnvironment& env, bool progress,
                Running&& running, Stop&& stop) {
    // The rays pending count down from the work's whole, which is the most of them ever pending.
    uint64_t total = 0;
    std::optional<CProgressBar> bar;
    if (progress) bar.emplace(env.err, label, TerminalColumns(STDERR_FILENO));
    // Ctrl-C counts whenever it came, even before a short trace was first looked at.
    for (;;) {
        if (env.interrupted && env.interrupted->load()) {
            stop();
            return true;
        }
        if (!running()) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        if (bar) {
            const uint64_t pending = batch.pendingRays.load();
            total = std::max(total, pending);
            bar->Show(total - pending, total);
        }
    }
}

// Traces one batch on the document's worker, as the desktop application does.
ETraced TraceOnWorker(CBatchList& list, CBatch& batch, const std::string& label, CCliEnvironment& env,
                      bool progress) {
    CCliMessages messages(env.err);
    CNullSurface surface;
    CThTrace& worker = list.worker;
    batch.tracing = 1;
    worker.batchRequest = 1;
    worker.Start(&batch, &surface, &messages);
    worker.Resume();
    const bool interrupted = WatchTrace(
        batch, label, env, progress, [&] { return worker.IsAlive(); }, [] {});
    // Joined from here on: the batch is the runner's alone.
    worker.Stop();
    if (worker.failure.load() == CThTrace::BatchRefused) return ETraced::Refused;
    if (interrupted) {
        ReportRaysInFlight(EndQueuedRaysAsRemainder(batch), label, "was stopped early", env);
        return ETraced::Interrupted;
    }
    if (worker.failure.load() == CThTrace::OutOfMemory) {
        ReportRaysInFlight(EndQueuedRaysAsRemainder(batch), label, "ran out of memory", env);
        return ETraced::Failed;
    }
    return ETraced::Complete;
}

// One slice of a sliced trace, and where its chunks' tallies go.
struct CSliceTrace {
    CSlice slice;
    CChunkSink sink;
};

// Traces one batch on `threads` threads, each source ray with a generator of its own; only the chunks of
// `slice`, when given, handing their tallies to its sink.
ETraced TraceOnThreads(CBatch& batch, unsigned threads, const std::string& label, CCliEnvironment& env,
                       bool progress, const CSliceTrace* slice) {
    std::atomic<uint32_t> stop{0};
    std::atomic<bool> running{true};
    CParallelTrace outcome;
    std::thread tracing([&] {
        try {
            outcome = slice ? TraceSliceInParallel(batch, threads, slice->slice, slice->sink, &stop)
                            : TraceInParallel(batch, threads, &stop);
        } catch (const std::bad_alloc&) {
            outcome.end = CParallelTrace::OutOfMemory;
        }
        running.store(false);
    });
    const bool interrupted = WatchTrace(
        batch, label, env, progress, [&] { return running.load(); }, [&] { stop.store(1); });
    tracing.join();
    const CInFlight inFlight{outcome.raysInFlight, outcome.intensityInFlight};
    switch (outcome.end) {
        case CParallelTrace::Refused:
            env.err << "brelix-cli: " << outcome.error << "\n";
            return ETraced::Refused;
        case CParallelTrace::OutOfMemory:
            env.err << "brelix-cli: not enough memory to go on tracing " << label << ".\n";
            ReportRaysInFlight(inFlight, label, "ran out of memory", env);
            return ETraced::Failed;
        case CParallelTrace::Stopped:
            ReportRaysInFlight(inFlight, label, "was stopped early", env);
            return ETraced::Interrupted;
        case CParallelTrace::Complete:
            break;
    }
    // A stop asked for after the last ray leaves nothing in flight, but the run was still interrupted.
    return interrupted ? ETraced::Interrupted : ETraced::Complete;
}

// Traces one batch on the document's worker (threads 0) or on threads.
ETraced TraceBatch(CBatchList& list, uint32_t number, unsigned threads, CCliEnvironment& env, bool quiet,
                   const CSliceTrace* slice = nullptr, bool summary = true) {
    CBatch& batch = list[number];
    const std::string label = "batch " + FormatInt(number) + " (" + Quoted(batch.name) + ")";
    if (batch.model.GetCount() == 0) {
        env.err << "brelix-cli: " << label << " has no layers: there is nothing to trace.\n";
        return ETraced::Refused;
    }
    const auto started = std::chrono::steady_clock::now();
    list.SetCurrent(number);
    // Nobody watches: drawing would only cost time (it draws no random numbers, so results are the same).
    batch.drawOnRaytrace = 0;
    const bool progress = env.errIsTerminal && !quiet;
    const ETraced traced = threads == 0 ? TraceOnWorker(list, batch, label, env, progress)
                                        : TraceOnThreads(batch, threads, label, env, progress, slice);
    if (traced == ETraced::Refused) return traced;
    if (!quiet && summary) {
        env.err << label << ": " << batch.traceOps.load() << " trace ops in "
                << Elapsed(std::chrono::steady_clock::now() - started) << ", seed " << batch.seed.load()
                << (threads == 0 ? std::string() : ", " + FormatInt(threads) + " threads")
                << (slice ? ", slice " + FormatInt(slice->slice.index + 1) + " of " + FormatInt(slice->slice.count) : "")
                << "\n";
    }
    if (traced == ETraced::Complete && batch.model.results.GetSize() == 0)
        env.err << "brelix-cli: " << label << " has no source rays: the Stop of one of its sweeps is below its Start.\n";
    if (const uint64_t expired = batch.expiredRays.load()) {
        env.err << "brelix-cli: " << label << ": " << expired << " rays reached the limit of "
                << kMaxPathInteractions << " interactions along their path and are counted as remainder.\n";
    }
    return traced;
}


// How many replicas of each batch to trace: `count`, then more, up to `most`, while a cell's standard
// error is above `targetError`.
struct CRepeat {
    uint32_t count = 1;
    std::optional<double> targetError;
    uint32_t most = 0;
};

constexpr uint32_t kDefaultMaxRepeat = 1000;
constexpr uint32_t kMaxRepeat = 1000000;

// Traces replicas of one batch, each with a seed derived from the batch's, and leaves the batch holding
// their means, with the work of all of them as its trace ops. A replica not traced to its end is left out.
ETraced TraceReplicas(CBatchList& list, uint32_t number, unsigned threads, CCliEnvironment& env, bool quiet,
                      const CRepeat& repeat, CReplicaStatistics& statistics, bool& targetMissed) {
    CBatch& batch = list[number];
    const std::string label = "batch " + FormatInt(number) + " (" + Quoted(batch.name) + ")";
    const uint32_t seed = batch.seed.load();
    const auto started = std::chrono::steady_clock::now();
    uint64_t traceOps = 0, sourceRays = 0;
    double largest = std::numeric_limits<double>::quiet_NaN();
    ETraced traced = ETraced::Complete;
    for (uint32_t replica = 0;; ++replica) {
        const bool enough = replica >= repeat.count &&
                            (!repeat.targetError || largest <= *repeat.targetError || replica >= repeat.most);
        if (enough) break;
        batch.seed = ReplicaSeed(seed, replica);
        traced = TraceBatch(list, number, threads, env, quiet, nullptr, false);
        if (traced != ETraced::Complete) break;
        traceOps += batch.traceOps.load();
        sourceRays += batch.sources.GetCount();
        statistics.Add(batch);
        largest = statistics.LargestTableError(batch);
    }
    batch.seed = seed;
    // Stopped in the first replica: its results so far are all there is, without errors.
    if (traced == ETraced::Refused || statistics.Replicas() == 0) return traced;
    statistics.WriteMeans(batch);
    batch.traceOps = traceOps;
    targetMissed = traced == ETraced::Complete && repeat.targetError && !(largest <= *repeat.targetError);
    if (!quiet || targetMissed) {
        env.err << label << ": " << statistics.Replicas() << " replicas of seed " << seed << ", " << sourceRays
                << " source rays, " << traceOps << " trace ops in " << Elapsed(std::chrono::steady_clock::now() - started)
                << "; largest standard error " << Number(largest);
        if (repeat.targetError)
            env.err << (targetMissed ? ", above the target " : ", within the target ") << Number(*repeat.targetError)
                    << (targetMissed ? " after the most replicas allowed (--max-repeat)" : "");
        env.err << "\n";
    }
    return traced;
}

constexpr uint32_t kMaxSlices = 1000000;

// A finite number above 0.
std::optional<double> ParsePositive(const std::string& text) {
    double value = 0;
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (ec != std::errc() || ptr != end || text.empty() || !std::isfinite(value) || value <= 0) return std::nullopt;
    return value;
}

// "K/M", 1 <= K <= M, as a slice numbered from 0.
std::optional<CSlice> ParseSlice(const std::string& text) {
    const size_t slash = text.find('/');
    if (slash == std::string::npos) return std::nullopt;
    const std::optional<uint32_t> k = ParseUnsigned<uint32_t>(text.substr(0, slash));
    const std::optional<uint32_t> m = ParseUnsigned<uint32_t>(text.substr(slash + 1));
    if (!k || !m || *k < 1 || *k > *m || *m > kMaxSlices) return std::nullopt;
    return CSlice{*k - 1, *m};
}

// Traces one slice of each chosen batch and writes the slice's partial results to `output`; only a slice
// traced to its end is written, so that a merge never meets an incomplete part.
int TraceSlice(CBatchList& list, const std::vector<uint32_t>& chosen, unsigned threads, uint32_t seed, CSlice slice,
               const std::string& path, const std::string& output, CCliEnvironment& env, bool quiet) {
    CPartialResults part;
    part.slice = slice;
    part.seed = seed;
    // The part carries the very bytes traced: the document is read again from them.
    std::string text, reason;
    if (ReadRegularFile(path, text, reason) != EFileRead::Read || !ReadDocument(std::span(reinterpret_cast<const uint8_t*>(text.data()), text.size()), list, reason)) {
        env.err << "brelix-cli: cannot read " << path << " again: " << reason << "\n";
        return ExitUnreadable;
    }
    for (const uint32_t number : chosen) {
        if (number >= list.GetCount()) {
            env.err << "brelix-cli: " << path << " changed while it was read; trace the slice again.\n";
            return ExitUnreadable;
        }
    }
    part.document.assign(text.begin(), text.end());
    std::error_code failed;
    const std::filesystem::path absolute = std::filesystem::absolute(path, failed);
    part.documentPath = failed ? path : absolute.lexically_normal().string();

    int exit = ExitOk;
    for (const uint32_t number : chosen) {
        CBatch& batch = list[number];
        batch.seed = seed;
        CPartialBatch traced;
        traced.number = number;
        traced.columns = TallyColumnCount(batch.model);
        const CSliceTrace sliceTrace{slice, [&traced](uint64_t chunk, const CChunkTallies& tallies) {
                                         traced.chunkNumbers.push_back(chunk);
                                         traced.chunkTallies.push_back(tallies);
                                     }};
        switch (TraceBatch(list, number, threads, env, quiet, &sliceTrace)) {
            case ETraced::Refused:
                exit = ExitNotTraced;
                continue;
            case ETraced::Failed:
                env.err << "brelix-cli: nothing was written: a slice that did not trace to its end cannot be merged.\n";
                return ExitNotTraced;
            case ETraced::Interrupted:
                env.err << "brelix-cli: nothing was written: the slice was stopped early, and a merge needs whole slices.\n";
                return ExitInterrupted;
            case ETraced::Complete:
                break;
        }
        traced.sourceRays = batch.sources.GetCount();
        traced.chunks = ChunkCount(traced.sourceRays);
        part.batches.push_back(std::move(traced));
    }
    const std::vector<uint8_t> bytes = WritePartialResults(part);
    if (!ReplaceFile(output, std::as_bytes(std::span(bytes)), reason)) {
        env.err << "brelix-cli: Cannot write file " << output << ": " << reason << "\n";
        return ExitNotWritten;
    }
    if (!quiet) env.err << "wrote " << output << "\n";
    return exit;
}

}  // namespace

int TraceCommand(const std::vector<std::string>& args, CCliEnvironment& env) {
    std::optional<std::string> path;
    std::optional<uint32_t> batchNumber, seed;
    unsigned threads = std::max(1u, std::thread::hardware_concurrency());
    bool all = false, exportResults = false, quiet = false;
    std::optional<CSlice> slice;
    std::optional<std::string> output;
    EResultForm form = EResultForm::Table;
    CRepeat repeat;
    std::optional<uint32_t> repeatCount, mostReplicas;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (IsHelp(arg)) {
            env.out << kTraceUsage;
            return ExitOk;
        } else if (arg == "--repeat" || arg == "--max-repeat") {
            if (i + 1 == args.size()) return Usage(env, arg + " needs a number.", "trace");
            const std::optional<uint32_t> value = ParseUnsigned<uint32_t>(args[++i]);
            if (!value || *value < 2 || *value > kMaxRepeat)
                return Usage(env, arg + " needs a whole number from 2 to " + FormatInt(kMaxRepeat) + ", not '" + args[i] + "'.",
                             "trace");
            (arg == "--repeat" ? repeatCount : mostReplicas) = value;
        } else if (arg == "--target-se") {
            if (i + 1 == args.size()) return Usage(env, "--target-se needs a number.", "trace");
            const std::optional<double> value = ParsePositive(args[++i]);
            if (!value) return Usage(env, "--target-se needs a number above 0, not '" + args[i] + "'.", "trace");
            repeat.targetError = value;
        } else if (arg == "--format") {
            if (i + 1 == args.size()) return Usage(env, "--format needs table, tsv, csv or json.", "trace");
            const std::optional<EResultForm> value = ParseResultForm(args[++i]);
            if (!value) return Usage(env, "--format needs table, tsv, csv or json, not '" + args[i] + "'.", "trace");
            form = *value;
        } else if (arg == "--batch" || arg == "--seed") {
            if (i + 1 == args.size()) return Usage(env, arg + " needs a number.", "trace");
            const std::optional<uint32_t> value = ParseUnsigned<uint32_t>(args[++i]);
            if (!value) return Usage(env, arg + " needs a whole number from 0, not '" + args[i] + "'.", "trace");
            (arg == "--batch" ? batchNumber : seed) = value;
        } else if (arg == "--threads") {
            if (i + 1 == args.size()) return Usage(env, arg + " needs a number.", "trace");
            const std::optional<uint32_t> value = ParseUnsigned<uint32_t>(args[++i]);
            if (!value || *value > kMaxThreads)
                return Usage(env, arg + " needs a whole number from 0 to " + FormatInt(kMaxThreads) + ", not '" + args[i] + "'.",
                             "trace");
            threads = *value;
        } else if (arg == "--slice") {
            if (i + 1 == args.size()) return Usage(env, "--slice needs K/M, the slice and the number of slices.", "trace");
            slice = ParseSlice(args[++i]);
            if (!slice)
                return Usage(env, "--slice needs K/M with 1 <= K <= M <= " + FormatInt(kMaxSlices) + ", not '" + args[i] + "'.",
                             "trace");
        } else if (arg == "--output") {
            if (i + 1 == args.size() || args[i + 1].empty()) return Usage(env, "--output needs a file name.", "trace");
            output = args[++i];
        } else if (arg == "--all") {
            all = true;
        } else if (arg == "--export") {
            exportResults = true;
        } else if (arg == "--quiet") {
            quiet = true;
        } else if (arg.starts_with("-") && arg != "-") {
            return Usage(env, "unknown option '" + arg + "'.", "trace");
        } else if (path) {
            return Usage(env, "only one document can be traced at a time ('" + arg + "').", "trace");
        } else {
            path = arg;
        }
    }
    if (!path) return Usage(env, "which document? Name it: brelix-cli trace DOC.", "trace");
    if (all && batchNumber) return Usage(env, "--batch and --all cannot be used together.", "trace");
    if (slice && threads == 0)
        return Usage(env, "--slice traces with a generator per source ray: it needs --threads 1 or more, not 0.", "trace");
    if (slice && exportResults)
        return Usage(env, "a slice has no results table to export: export when merging (brelix-cli merge PART... --export).",
                     "trace");
    if (slice && (repeatCount || repeat.targetError))
        return Usage(env, "--slice and --repeat or --target-se cannot be used together: repeat the whole study instead.", "trace");
    if (slice && form != EResultForm::Table)
        return Usage(env, "a slice writes partial results, not a table: give --format to the merge.", "trace");
    if (mostReplicas && !repeat.targetError)
        return Usage(env, "--max-repeat bounds --target-se: it needs --target-se.", "trace");
    repeat.count = repeatCount.value_or(repeat.targetError ? 2 : 1);
    repeat.most = std::max(mostReplicas.value_or(kDefaultMaxRepeat), repeat.count);

    // Freeing millions of result records at the end is work nobody waits for: the caller may keep the
    // document until the process ends.
    std::unique_ptr<CBatchList> document = std::make_unique<CBatchList>();
    CBatchList& list = *document;
    struct CKeep {
        std::unique_ptr<CBatchList>& document;
        std::unique_ptr<CBatchList>* keep;
        ~CKeep() {
            if (keep) *keep = std::move(document);
        }
    } keep{document, env.keepDocument};
    if (!OpenOrReport(*path, list, env)) return ExitUnreadable;
    if (batchNumber && *batchNumber >= list.GetCount()) {
        return Usage(env,
                     "the document has no batch " + FormatInt(*batchNumber) + ": its batches are 0 to " +
                         FormatInt(list.GetCount() - 1) + ".",
                     "trace");
    }

    std::vector<uint32_t> chosen;
    if (all) {
        for (uint32_t n = 0; n < list.GetCount(); ++n) chosen.push_back(n);
    } else {
        chosen.push_back(batchNumber ? *batchNumber : std::min(list.GetCurrent(), list.GetCount() - 1));
    }

    if (slice)
        return TraceSlice(list, chosen, threads, seed.value_or(0), *slice, *path,
                          output.value_or(PartFileName(*path, *slice)), env, quiet);

    int exit = ExitOk;
    bool interrupted = false;
    std::vector<uint32_t> complete;
    const auto traceAll = [&](const CTextWriter& write) {
        CResultsWriter results(form, write);
        for (size_t i = 0; i < chosen.size() && !interrupted; ++i) {
            CBatch& batch = list[chosen[i]];
            if (seed) batch.seed = *seed;
            CReplicaStatistics statistics;
            bool targetMissed = false;
            const ETraced traced = repeat.count > 1 ? TraceReplicas(list, chosen[i], threads, env, quiet, repeat, statistics, targetMissed)
                                                    : TraceBatch(list, chosen[i], threads, env, quiet);
            if (traced == ETraced::Refused) {
                exit = ExitNotTraced;
                continue;
            }
            if (!results.Add(batch, chosen[i], repeat.count > 1 ? statistics.TableErrors(batch) : std::vector<double>()))
                return false;
            if (traced == ETraced::Interrupted) interrupted = true;
            if (traced == ETraced::Failed) exit = ExitNotTraced;
            if (traced != ETraced::Complete) continue;
            if (!TalliesAreFinite(batch.model)) {
                env.err << "brelix-cli: batch " << chosen[i] << " (" << Quoted(batch.name)
                        << ") has results that are not numbers: a value of its model is too large to compute with.\n";
                exit = ExitNotTraced;
                continue;
            }
            if (targetMissed && exit == ExitOk) exit = ExitTargetMissed;
            complete.push_back(chosen[i]);
        }
        return results.Finish();
    };
    if (output) {
        if (!WriteResultsFile(*output, env, [&](const CTextWriter& write) { return traceAll(write) && !interrupted; },
                              interrupted)) {
            if (!interrupted) return ExitNotWritten;
            env.err << "brelix-cli: " << *output << " was not written: the trace was stopped early, and an incomplete "
                       "table must not replace a complete one.\n";
            return ExitInterrupted;
        }
        if (!quiet) env.err << "wrote " << *output << "\n";
    } else {
        const bool produced = traceAll(StandardOutput(env));
        if (!Written(env) || !produced) return ExitNotWritten;
    }

    if (exportResults && interrupted) {
        env.err << "brelix-cli: nothing was exported: the trace was stopped early, and an incomplete table must "
                   "not replace a complete one.\n";
    } else if (exportResults) {
        CCliMessages messages(env.err);
        std::vector<std::string> written;
        const bool exported = ExportResults(list, complete, *path, messages, &written);
        if (!quiet)
            for (const std::string& file : written) env.err << "wrote " << file << "\n";
        if (!exported) return ExitNotWritten;
    }
    if (interrupted) return ExitInterrupted;
    return exit;
}

}  // namespace brelix
