#include <ostream>

#include "cli/command_support.h"
#include "cli/commands.h"
#include "core/batch_list.h"
#include "document/file_reading.h"
#include "document/partial_results.h"
#include "document/results_export.h"

namespace brelix {

namespace {

constexpr const char* kMergeUsage =
    "Usage: brelix-cli merge PART... [--format FORM] [--output FILE] [--export] [--quiet]\n"
    "\n"
    "Combines the partial results written by 'brelix-cli trace DOC --slice K/M', one file\n"
    "for each K from 1 to M, and prints the results tables of the unsliced trace: those\n"
    "of 'brelix-cli trace DOC --threads N' with the same seed, for any N, bit for bit.\n"
    "Each part carries the document it traced, so the merge needs nothing else. Parts of\n"
    "another document (or another version of it), seed or slicing, a part given twice\n"
    "and a missing part are refused, naming the files.\n"
    "\n"
    "Options:\n"
    "  --format FORM, --output FILE  as for 'brelix-cli trace'\n"
    "  --export    also write the results files beside the document the parts traced,\n"
    "              as 'brelix-cli trace --export' does\n"
    "  --quiet     no summary on standard error\n"
    "\n"
    "Exit codes: 0 success, 2 bad usage, 3 a part unreadable or the parts not of one\n"
    "trace, 4 results not written, 5 a batch with results that are not numbers.\n";


}  // namespace

int MergeCommand(const std::vector<std::string>& args, CCliEnvironment& env) {
    std::vector<std::string> files;
    bool exportResults = false, quiet = false;
    EResultForm form = EResultForm::Table;
    std::optional<std::string> output;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (IsHelp(arg)) {
            env.out << kMergeUsage;
            return ExitOk;
        } else if (arg == "--export") {
            exportResults = true;
        } else if (arg == "--quiet") {
            quiet = true;
        } else if (arg == "--format") {
            if (i + 1 == args.size()) return Usage(env, "--format needs table, tsv, csv or json.", "merge");
            const std::optional<EResultForm> value = ParseResultForm(args[++i]);
            if (!value) return Usage(env, "--format needs table, tsv, csv or json, not '" + args[i] + "'.", "merge");
            form = *value;
        } else if (arg == "--output") {
            if (i + 1 == args.size() || args[i + 1].empty()) return Usage(env, "--output needs a file name.", "merge");
            output = args[++i];
        } else if (arg.starts_with("-") && arg != "-") {
            return Usage(env, "unknown option '" + arg + "'.", "merge");
        } else {
            files.push_back(arg);
        }
    }
    if (files.empty()) return Usage(env, "which parts? Name them: brelix-cli merge PART....", "merge");

    std::vector<CNamedPart> parts;
    for (const std::string& file : files) {
        std::string text, reason;
        if (ReadRegularFile(file, text, reason) != EFileRead::Read) {
            env.err << "brelix-cli: cannot read " << file << ": " << reason << "\n";
            return ExitUnreadable;
        }
        CNamedPart& named = parts.emplace_back();
        named.name = file;
        if (!ReadPartialResults(std::span(reinterpret_cast<const uint8_t*>(text.data()), text.size()), named.part, reason)) {
            env.err << "brelix-cli: " << file << ": " << reason << ".\n";
            return ExitUnreadable;
        }
    }
    std::string error;
    if (!MatchParts(parts, error)) {
        env.err << "brelix-cli: " << error << "\n";
        return ExitUnreadable;
    }
    CBatchList list;
    std::vector<uint32_t> numbers;
    if (!MergeParts(parts, list, numbers, error)) {
        env.err << "brelix-cli: " << error << "\n";
        return ExitUnreadable;
    }
    int exit = ExitOk;
    std::vector<uint32_t> complete;
    const auto writeAll = [&](const CTextWriter& write) {
        CResultsWriter results(form, write);
        for (const uint32_t number : numbers) {
            const CBatch& batch = list[number];
            if (!quiet) {
                env.err << "batch " << number << " (" << Quoted(batch.name) << "): " << batch.traceOps.load()
                        << " trace ops, merged from " << parts.size() << " slices, seed " << batch.seed.load() << "\n";
            }
            if (!results.Add(batch, number, {})) return false;
            if (!TalliesAreFinite(batch.model)) {
                env.err << "brelix-cli: batch " << number << " (" << Quoted(batch.name)
                        << ") has results that are not numbers: a value of its model is too large to compute with.\n";
                exit = ExitNotTraced;
                continue;
            }
            complete.push_back(number);
        }
        return results.Finish();
    };
    if (output) {
        if (!WriteResultsFile(*output, env, writeAll, false)) return ExitNotWritten;
        if (!quiet) env.err << "wrote " << *output << "\n";
    } else {
        const bool produced = writeAll(StandardOutput(env));
        if (!Written(env) || !produced) return ExitNotWritten;
    }
    if (exportResults) {
        CCliMessages messages(env.err);
        std::vector<std::string> written;
        const bool exported = ExportResults(list, complete, parts.front().part.documentPath, messages, &written);
        if (!quiet)
            for (const std::string& file : written) env.err << "wrote " << file << "\n";
        if (!exported) return ExitNotWritten;
    }
    return exit;
}

}  // namespace brelix
