#include <unistd.h>

#include <atomic>
#include <csignal>
#include <iostream>
#include <string>
#include <vector>

#include "cli/runner.h"
#include "core/batch_list.h"

namespace {

std::atomic<bool> interrupted{false};

extern "C" void OnInterrupt(int) {
    // The first Ctrl-C stops the trace and keeps its results; a second one ends the program at once.
    if (interrupted.exchange(true)) std::_Exit(130);
}

}  // namespace

int main(int argc, char** argv) {
    std::signal(SIGINT, OnInterrupt);
    std::vector<std::string> args(argv + 1, argv + argc);
    std::unique_ptr<brelix::CBatchList> document;
    brelix::CCliEnvironment environment{std::cout, std::cerr, isatty(STDERR_FILENO) != 0, &interrupted, &document};
    const int exit = brelix::RunCli(args, environment);
    // The document's memory goes back with the process, at once; freeing it record by record would only
    // keep the user waiting.
    std::cout.flush();
    std::cerr.flush();
    std::_Exit(exit);
}
