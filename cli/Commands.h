#pragma once
/**
 * @file Commands.h
 * @brief The sub-commands of grimaze-cli. Each is a CliCommand (cli/Options.h): its option table
 * and the function that runs it on the parsed words. The function returns the process exit
 * code: 0 success, 1 failure (one line on stderr), 2 wrong arguments. Results go to stdout;
 * progress, notes and errors go to stderr.
 */
#include "cli/Options.h"

#include <chrono>
#include <string>

namespace cli {

extern const CliCommand kClassesCommand, kRenderCommand, kBatchCommand, kGifCommand, kDemoCommand, kFacesCommand,
    kTextCommand, kTemplatesCommand, kDownloadCommand, kCheckUpdateCommand, kLangCheckCommand, kCameraCommand;

/** Prints "grimaze-cli <name>: <message>" on stderr and returns code. */
int Fail(const char* command, const std::string& message, int code = 1);

enum class Verbosity { Quiet, Normal, Verbose };
void SetVerbosity(Verbosity v);
Verbosity CurrentVerbosity();
/** A message that is not an error ("no face found"): on stderr unless --quiet. */
void Note(const char* command, const std::string& message);
/** What only --verbose asks for: on stderr then, else nowhere. */
void Detail(const char* command, const std::string& message);

/** Whole milliseconds since start, for --verbose and --json timings. */
inline long long MillisecondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace cli
