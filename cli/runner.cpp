#include "cli/runner.h"

#include <new>
#include <ostream>

#include "cli/command_support.h"
#include "cli/commands.h"

namespace brelix {

namespace {

constexpr const char* kUsage =
    "Usage: brelix-cli COMMAND [OPTIONS]\n"
    "\n"
    "Runs Brelix ray traces without a display.\n"
    "\n"
    "Commands:\n"
    "  trace DOC   trace batches of a document and print their results\n"
    "  merge PART... merge the partial results of a sliced trace into its results\n"
    "  info DOC    list a document's batches, sweeps, layers and planes\n"
    "\n"
    "Run 'brelix-cli COMMAND --help' for a command's options.\n";


}  // namespace

int RunCli(const std::vector<std::string>& args, CCliEnvironment& env) {
    if (args.empty()) {
        env.err << kUsage;
        return ExitUsage;
    }
    const std::string& command = args[0];
    const std::vector<std::string> rest(args.begin() + 1, args.end());
    if (IsHelp(command)) {
        env.out << kUsage;
        return ExitOk;
    }
    try {
        if (command == "trace") return TraceCommand(rest, env);
        if (command == "info") return InfoCommand(rest, env);
        if (command == "merge") return MergeCommand(rest, env);
    } catch (const std::bad_alloc&) {
        env.err << "brelix-cli: not enough memory to go on; nothing more was done.\n";
        return ExitNotTraced;
    }
    return Usage(env, "unknown command '" + command + "'.", nullptr);
}


}  // namespace brelix
