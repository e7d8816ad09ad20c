// SPDX-License-Identifier: MIT
#pragma once
/**
 * @file Streams.h
 * @brief Pictures through standard input and output, for "--photo -" and "--out -".
 */
#include <string>
#include <string_view>

namespace cli {

/**
 * @brief Standard input as a photo file. The photo document loads photos by name (and decodes
 * them by their bytes, not their name), so the bytes are kept in a private temporary file
 * under $TMPDIR (default /tmp) for as long as the object lives.
 */
class StdinPhoto {
public:
    StdinPhoto() = default;
    ~StdinPhoto();
    StdinPhoto(const StdinPhoto&) = delete;
    StdinPhoto& operator=(const StdinPhoto&) = delete;

    /** Reads all of standard input; false with a reason when it is empty, too large or unreadable. */
    bool Read(std::string* error);
    const std::string& Path() const { return path_; }
    /** text with the temporary file's name replaced by "standard input", for messages. */
    std::string Explain(std::string text) const;

private:
    std::string path_;
};

/** Writes all of bytes to standard output and flushes it; false with a reason. */
bool WriteStdout(std::string_view bytes, std::string* error);

/**
 * @brief Standard output for writers that only write to a named file (the GIF writer): a
 * private temporary file under $TMPDIR that Send() copies to standard output. Removed when
 * the object goes.
 */
class StdoutFile {
public:
    StdoutFile() = default;
    ~StdoutFile();
    StdoutFile(const StdoutFile&) = delete;
    StdoutFile& operator=(const StdoutFile&) = delete;

    /** Makes the file, its name ending in suffix (".gif"); false with a reason. */
    bool Create(const std::string& suffix, std::string* error);
    const std::string& Path() const { return path_; }
    /** Copies what was written to the file to standard output; false with a reason. */
    bool Send(std::string* error) const;
    /** text with the temporary file's name replaced by "standard output", for messages. */
    std::string Explain(std::string text) const;

private:
    std::string path_;
};

}  // namespace cli
