#pragma once

// What brelix-cli's commands share: messages, option parsing, and writing results where they go.

#include <charconv>
#include <chrono>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "cli/result_forms.h"
#include "cli/runner.h"
#include "core/messages.h"

namespace brelix {

class CBatch;
class CBatchList;
class CModel;

// Prints engine messages on standard error and remembers that one came.
class CCliMessages : public IMessages {
public:
    explicit CCliMessages(std::ostream& err) : err_(err) {}
    void Show(const std::string& text, const std::string& caption) override;
    bool shown = false;

private:
    std::ostream& err_;
};

bool IsHelp(const std::string& arg);
// Says what is wrong with the command line and where help is; returns ExitUsage.
int Usage(CCliEnvironment& env, const std::string& problem, const char* command);

template <class T>
std::optional<T> ParseUnsigned(const std::string& text) {
    T value{};
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (ec != std::errc() || ptr != end || text.empty()) return std::nullopt;
    return value;
}

// The shortest text that reads back as the same double.
std::string Number(double value);
std::string Quoted(const std::string& text);
std::string Elapsed(std::chrono::steady_clock::duration d);

// Opens a document, or says why not and returns false.
bool OpenOrReport(const std::string& path, CBatchList& list, CCliEnvironment& env);

// True when every tally is a number; a NaN or infinite tally means the model holds values that the
// checks before the trace could not rule out (such as lengths so large that their products overflow).
bool TalliesAreFinite(const CModel& model);

// Standard output can fail (a full disk, a closed pipe): a table nobody received is not a success.
bool Written(CCliEnvironment& env);

using CTextWriter = std::function<bool(std::string_view)>;

// Writes batches' results in a form: the results table as each batch is traced, the forms for programs
// when all are (their header and columns cover every batch).
class CResultsWriter {
public:
    CResultsWriter(EResultForm form, const CTextWriter& write) : form_(form), write_(write) {}

    // `errors`, from repeated traces, as WriteBatchResults takes them.
    bool Add(const CBatch& batch, uint32_t number, std::span<const double> errors);
    bool Finish();

private:
    const EResultForm form_;
    const CTextWriter& write_;
    uint32_t added_ = 0;
    std::vector<CResultTable> tables_;
};

CTextWriter StandardOutput(CCliEnvironment& env);

// Writes the results to a file as ReplaceFile does: the file holds the old results or the new, whole.
// `produce` returns false when a write failed or, with `abandoned` set, when the results must not be
// written after all (which the caller reports).
bool WriteResultsFile(const std::string& path, CCliEnvironment& env, const std::function<bool(const CTextWriter&)>& produce,
                      const bool& abandoned);

}  // namespace brelix
