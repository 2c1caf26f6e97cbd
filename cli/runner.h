#pragma once

#include <atomic>
#include <iosfwd>
#include <memory>
#include <string>
#include <vector>

namespace brelix {

class CBatchList;

// Exit codes of brelix-cli.
enum ECliExit : int {
    ExitOk = 0,
    ExitUsage = 2,          // bad command line
    ExitUnreadable = 3,     // the document (or a data file) could not be read
    ExitNotWritten = 4,     // the results (files or standard output) could not be written
    ExitNotTraced = 5,      // a batch could not be traced, or not to its end (refused, out of memory)
    ExitTargetMissed = 6,   // --target-se: a standard error stayed above the target after --max-repeat replicas
    ExitInterrupted = 130,  // stopped by Ctrl-C; the results so far were printed
};

struct CCliEnvironment {
    std::ostream& out;
    std::ostream& err;
    // Progress lines go to `err` only when it is a terminal.
    bool errIsTerminal = false;
    // Set (by a signal handler) to ask a running trace to stop.
    const std::atomic<bool>* interrupted = nullptr;
    // When set, the traced document is handed over here instead of being freed: a process about to end
    // need not free it.
    std::unique_ptr<CBatchList>* keepDocument = nullptr;
};

// Runs brelix-cli with its arguments (without the program name); returns the exit code.
int RunCli(const std::vector<std::string>& args, CCliEnvironment& environment);

}  // namespace brelix
