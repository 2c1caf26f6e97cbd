#pragma once

#include <string>
#include <vector>

#include "cli/runner.h"

namespace brelix {

// brelix-cli's commands, each given the arguments after its name; each returns the exit code.
int TraceCommand(const std::vector<std::string>& args, CCliEnvironment& env);
int MergeCommand(const std::vector<std::string>& args, CCliEnvironment& env);
int InfoCommand(const std::vector<std::string>& args, CCliEnvironment& env);

}  // namespace brelix
