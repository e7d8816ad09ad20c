#pragma once
// Runs the built grimaze-cli as a script would and captures what it says.
#include "platform/testing/TestEnv.h"

#include <fstream>
#include <iterator>
#include <string>
#include <sys/wait.h>
#include <vector>

namespace clitest {

struct CliRun {
    int code = -1;
    std::string out, err;
};

inline std::string Quote(const std::string& s)
{
    std::string r = "'";
    for (char c : s) r += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return r + "'";
}

/** Runs grimaze-cli with args; standard input comes from the file input (default: nothing). */
inline CliRun Cli(const std::vector<std::string>& args, const std::string& input = "/dev/null")
{
    testenv::TempDir tmp;
    std::string cmd = Quote(testenv::ProgramDir() + "/grimaze-cli");
    for (const auto& a : args) cmd += " " + Quote(a);
    cmd += " <" + Quote(input) + " >" + tmp / "out" + " 2>" + tmp / "err";
    CliRun r;
    const int status = std::system(cmd.c_str());
    r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    std::ifstream o(tmp / "out"), e(tmp / "err");
    r.out.assign(std::istreambuf_iterator<char>(o), {});
    r.err.assign(std::istreambuf_iterator<char>(e), {});
    return r;
}

}  // namespace clitest
