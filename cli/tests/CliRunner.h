#pragma once
// Runs the built grimaze-cli as a script would and captures what it says.
#include "platform/testing/TestEnv.h"

#include <string>
#include <vector>

namespace clitest {

using CliRun = testenv::CommandResult;

inline std::string Quote(const std::string& s) { return testenv::ShellQuote(s); }

/** Runs grimaze-cli with args; standard input comes from the file input (default: nothing). */
inline CliRun Cli(const std::vector<std::string>& args, const std::string& input = "/dev/null")
{
    std::string cmd = Quote(testenv::ProgramDir() + "/grimaze-cli");
    for (const auto& a : args) cmd += " " + Quote(a);
    return testenv::RunCommand(cmd, input);
}

}  // namespace clitest
