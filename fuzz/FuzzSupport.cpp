// SPDX-License-Identifier: MIT
#include "fuzz/FuzzSupport.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <unistd.h>

namespace fuzz {
namespace {

std::string g_sandbox;

void RemoveSandbox()
{
    if (g_sandbox.empty()) return;
    // Leave the folder first: removing the current folder works, but nothing should run in it.
    if (chdir("/tmp") != 0) return;
    std::error_code ec;
    std::filesystem::remove_all(g_sandbox, ec);
}

void MakeFolder(const std::string& path)
{
    std::error_code ec;
    std::filesystem::create_directories(path, ec);
    if (ec) Fail("cannot create " + path + ": " + ec.message());
}

}  // namespace

const std::string& Sandbox()
{
    if (!g_sandbox.empty()) return g_sandbox;
    char pattern[] = "/tmp/grimaze-fuzz-XXXXXX";
    if (!mkdtemp(pattern)) Fail("cannot create a sandbox under /tmp");
    g_sandbox = pattern;
    std::atexit(RemoveSandbox);
    const std::string home = g_sandbox + "/home";
    for (const char* sub : {"/home/.local/share", "/home/.config", "/home/Documents", "/program/media", "/work"})
        MakeFolder(g_sandbox + sub);
    setenv("HOME", home.c_str(), 1);
    setenv("XDG_DATA_HOME", (home + "/.local/share").c_str(), 1);
    setenv("XDG_CONFIG_HOME", (home + "/.config").c_str(), 1);
    setenv("XDG_CACHE_HOME", (home + "/.cache").c_str(), 1);
    setenv("GRIMAZE_HOME", (g_sandbox + "/program").c_str(), 1);
    // Relative paths in hostile files resolve against the current folder.
    if (chdir((g_sandbox + "/work").c_str()) != 0) Fail("cannot enter the sandbox");
    return g_sandbox;
}

void WriteBytes(const std::string& path, std::string_view data)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(data.data(), static_cast<std::streamsize>(data.size()));
    out.close();
    if (!out) Fail("cannot write " + path);
}

std::string ReadBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void EmptyFolder(const std::string& folder)
{
    std::error_code ec;
    for (const auto& e : std::filesystem::directory_iterator(folder, ec)) std::filesystem::remove_all(e.path(), ec);
}

std::string FixtureFolder(std::string_view name)
{
    return std::string(GRIMAZE_FUZZ_FIXTURES) + "/" + std::string(name);
}

void Fail(const std::string& what)
{
    std::fprintf(stderr, "fuzz target invariant broken: %s\n", what.c_str());
    std::fflush(stderr);
    std::abort();
}

}  // namespace fuzz

// Without this a UBSan report would print and let the input pass; UBSAN_OPTIONS still overrides it.
extern "C" const char* __ubsan_default_options()
{
    return "halt_on_error=1:print_stacktrace=1";
}
