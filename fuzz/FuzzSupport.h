// SPDX-License-Identifier: MIT
#pragma once
/**
 * @file FuzzSupport.h
 * @brief What every fuzz target shares: a private sandbox under /tmp that the process works
 * in, and small file helpers.
 *
 * Several targets reach code that writes files (library upgrades, settings saves, archive
 * extraction). The sandbox is the process's HOME, XDG folders, program folder and current
 * folder, so every path a hostile input can name without ".." or a leading separator lands
 * inside it. It is removed when the process exits normally; libFuzzer's crash path skips
 * that, which leaves a small folder /tmp/grimaze-fuzz-* behind after a crash.
 */
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace fuzz {

/** Creates the sandbox (once), points HOME, XDG_* and GRIMAZE_HOME into it and enters it. */
const std::string& Sandbox();

/** Writes data to path, replacing it; aborts when that fails (a broken fuzz set-up, not a finding). */
void WriteBytes(const std::string& path, std::string_view data);

/** The file's bytes; empty when it cannot be read. */
std::string ReadBytes(const std::string& path);

/** Removes everything inside folder, keeping the folder. */
void EmptyFolder(const std::string& folder);

/** A source-tree folder the targets take fixture files from (fuzz/fixtures). */
std::string FixtureFolder(std::string_view name);

/** Reports a broken invariant as a crash, so that libFuzzer keeps the input. */
[[noreturn]] void Fail(const std::string& what);

inline std::string_view AsText(const std::uint8_t* data, std::size_t size)
{
    return {reinterpret_cast<const char*>(data), size};
}

}  // namespace fuzz
