#pragma once
/**
 * @file Files.h
 * @brief Whole-file reads with a size cap, and writes that never leave a half-written file.
 *
 * Every file the program replaces is written to a temporary file in the same folder, flushed
 * to disk and renamed over the old one, so a crash, a kill or a full disk leaves the old whole
 * file or the new whole file, never a mix. Temporary names are short (a long target name still
 * fits the file system's limit) and start with kTemporaryPrefix, which nothing else uses; while
 * a writer works it holds a lock on its temporary file, so RemoveStaleTemporaries() at the next
 * start can tell a dead writer's leftovers from a live one's work.
 */
#include <cstddef>
#include <string>
#include <string_view>
#include <sys/types.h>

namespace platform {

/** The start of every temporary file name the program makes. */
inline constexpr std::string_view kTemporaryPrefix = ".grimaze-";

/**
 * @brief Opens an existing regular file for reading (never blocks on a pipe or a device).
 * @return the descriptor (close it), or -1 with a reason a user understands in error: the file
 *         is missing, a folder, a pipe or device, or cannot be read.
 */
int OpenRegularFile(const std::string& path, std::string* error = nullptr, off_t* size = nullptr);

/**
 * @brief Reads a whole file into out. Fails (false, with a reason in error) when the file is
 * missing, unreadable, not a regular file, or larger than maxBytes.
 */
bool ReadFile(const std::string& path, std::string& out, std::size_t maxBytes, std::string* error = nullptr);

/**
 * @brief A temporary file beside the file it is to replace.
 *
 * Created empty and locked; Write() or any writer given Path() fills it, Commit() flushes it
 * to disk and renames it over the target. Destroyed without a commit, it removes itself.
 * Errors name the folder and say why (read-only, full, missing).
 */
class TemporaryFile {
public:
    explicit TemporaryFile(std::string target);
    ~TemporaryFile();
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    bool Ok() const { return fd_ >= 0; }
    const std::string& Path() const { return path_; }
    const std::string& Target() const { return target_; }
    /** Why the file could not be made or written; empty while all is well. */
    const std::string& Error() const { return error_; }

    bool Write(std::string_view data);
    /** Flushes the data to disk and renames the file over the target; false with Error() set. */
    bool Commit();
    /** Removes the file (also done by the destructor when not committed). */
    void Discard();

private:
    bool Failed(int err);

    std::string target_, path_, error_;
    int fd_ = -1;
};

/**
 * @brief Writes data to a temporary file beside path, flushes it to disk and renames it over
 * path. Either the old or the new content survives a crash; never a mix.
 */
bool WriteFileAtomically(const std::string& path, std::string_view data, std::string* error = nullptr);

/**
 * @brief A fresh, unused temporary name in the folder of path, for writers that cannot be
 * handed a TemporaryFile (they write by name and are not locked): clean-up removes such a file
 * only once nobody has touched it for a minute. Prefer TemporaryFile.
 */
std::string TemporaryNameBeside(const std::string& path);

/** Renames from over to, replacing it; false with a reason on failure. */
bool ReplaceFile(const std::string& from, const std::string& to, std::string* error = nullptr);

/**
 * @brief Removes temporary files of ours that no live writer holds: those in the per-user
 * folder and in every folder the program has made one in before (settings, library, export
 * folders; remembered in the per-user folder). Only names that start with kTemporaryPrefix are
 * touched. Called once at start. Returns how many files were removed.
 */
int RemoveStaleTemporaries();

/**
 * @brief Whether writers note their folders in the per-user folder for RemoveStaleTemporaries
 * (the default). A tool that must leave the user's home as it was (grimaze-cli) turns it off;
 * a writer then first clears the stale temporaries of the folder it writes in, so what a kill
 * left there goes at the next write into that folder instead of at the next start.
 */
void SetRememberTemporaryFolders(bool on);

/** As RemoveStaleTemporaries, for one folder only. */
int RemoveStaleTemporariesIn(const std::string& folder);

/** A sentence naming the folder of path and what errno err means for writing there. */
std::string DescribeWriteError(int err, const std::string& path);

}  // namespace platform
