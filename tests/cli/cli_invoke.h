#pragma once

// What the runner's tests share: brelix-cli run in-process with its output captured, and small file and
// text helpers.

#include <atomic>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "cli/runner.h"

namespace brelix::test {

struct CRun {
    int exit;
    std::string out, err;
};

// Runs brelix-cli with `args` (without the program name); standard error is not a terminal.
inline CRun Invoke(const std::vector<std::string>& args, const std::atomic<bool>* interrupted = nullptr) {
    std::ostringstream out, err;
    CCliEnvironment environment{out, err, false, interrupted};
    const int exit = RunCli(args, environment);
    return {exit, out.str(), err.str()};
}

inline std::string Example(const std::string& name) { return std::string(BRELIX_EXAMPLES) + "/" + name; }

inline std::vector<std::string> Split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    std::string part;
    std::istringstream in(text);
    while (std::getline(in, part, separator)) parts.push_back(part);
    return parts;
}

inline std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

inline void WriteFile(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

}  // namespace brelix::test
