#include "cli/command_support.h"

#include <ostream>

#include "core/batch_list.h"
#include "core/format.h"
#include "document/document_file.h"
#include "document/file_replacing.h"
#include "document/results_export.h"

namespace brelix {

void CCliMessages::Show(const std::string& text, const std::string& caption) {
    err_ << "brelix-cli: " << caption << ": " << text << "\n";
    shown = true;
}

bool IsHelp(const std::string& arg) { return arg == "--help" || arg == "-h"; }

int Usage(CCliEnvironment& env, const std::string& problem, const char* command) {
    env.err << "brelix-cli: " << problem << "\n"
            << "Run 'brelix-cli " << (command ? std::string(command) + " " : std::string()) << "--help' for usage.\n";
    return ExitUsage;
}

std::string Number(double value) {
    char buffer[64];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

std::string Elapsed(std::chrono::steady_clock::duration d) {
    return FormatFixed(std::chrono::duration<double>(d).count(), 0, 1) + " s";
}

bool OpenOrReport(const std::string& path, CBatchList& list, CCliEnvironment& env) {
    std::string error;
    std::vector<std::string> notices;
    if (OpenDocument(path, list, error, &notices)) {
        for (const std::string& notice : notices) env.err << "brelix-cli: note: " << notice << "\n";
        return true;
    }
    env.err << "brelix-cli: " << error << "\n"
            << "Check the path, and that the file is a Brelix document.\n";
    return false;
}

bool TalliesAreFinite(const CModel& model) {
    if (!model.results.TalliesAreFinite()) return false;
    for (const CLayer& layer : model) {
        if (!layer.results.TalliesAreFinite()) return false;
        for (const CPlane& plane : layer)
            if (!plane.results.TalliesAreFinite()) return false;
    }
    return true;
}

bool Written(CCliEnvironment& env) {
    env.out.flush();
    if (env.out) return true;
    env.err << "brelix-cli: the results could not be written to standard output.\n";
    return false;
}

bool CResultsWriter::Add(const CBatch& batch, uint32_t number, std::span<const double> errors) {
    if (form_ == EResultForm::Table) {
        if (added_++ > 0 && !write_("\n")) return false;
        return WriteBatchResults(batch, number, write_, errors);
    }
    CResultTable& table = tables_.emplace_back(CollectResults(batch, number));
    const size_t width = table.columns.size();
    for (size_t r = 0; r < table.rows.size() && !errors.empty(); ++r)
        table.rows[r].errors.assign(errors.begin() + static_cast<std::ptrdiff_t>(r * width),
                                    errors.begin() + static_cast<std::ptrdiff_t>((r + 1) * width));
    return true;
}

bool CResultsWriter::Finish() { return form_ == EResultForm::Table || WriteResultForm(form_, tables_, write_); }

CTextWriter StandardOutput(CCliEnvironment& env) {
    return [&env](std::string_view piece) {
        env.out.write(piece.data(), static_cast<std::streamsize>(piece.size()));
        return static_cast<bool>(env.out);
    };
}

bool WriteResultsFile(const std::string& path, CCliEnvironment& env, const std::function<bool(const CTextWriter&)>& produce,
                      const bool& abandoned) {
    std::string reason;
    const bool written = ReplaceFile(
        path,
        [&](const CBytesWriter& bytes) {
            const CTextWriter write = [&bytes](std::string_view piece) {
                return bytes(std::as_bytes(std::span(piece.data(), piece.size())));
            };
            return produce(write);
        },
        reason);
    if (!written && !abandoned) env.err << "brelix-cli: Cannot write file " << path << ": " << reason << "\n";
    return written;
}

}  // namespace brelix
