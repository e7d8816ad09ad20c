#pragma once
/**
 * @file ZipExtract.h
 * @brief Unpacking a downloaded template archive into a library folder, all or nothing.
 *
 * Archives come from the network and are treated as hostile: every entry name is checked
 * before anything is written, and an entry that would land outside the target folder
 * (absolute paths, "..", drive letters, backslash tricks) fails the whole archive. The entries
 * are inflated into a hidden staging folder inside the target and moved into place only when
 * all of them were read completely and their checksums matched; a failure removes the staging
 * folder, so a half-unpacked template can never be mistaken for a downloaded one.
 *
 * Threads: any; calls share nothing and never depend on the current directory.
 */
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace library {

/** The start of the name of every folder an extraction unpacks into before moving into place. */
inline constexpr const char* kExtractionPrefix = ".grimaze-extract-";

/**
 * @brief A fresh hidden folder for unpacking ("<parent>/.grimaze-extract-XXXXXX"), locked
 * while the object lives and removed with everything in it when the object goes. The lock
 * tells RemoveAbandonedExtractions a running extraction from one a crash or a kill cut short.
 */
class ExtractionFolder {
public:
    /** Null, with a reason in error, when parent cannot be written. */
    static std::unique_ptr<ExtractionFolder> Create(const std::string& parent, std::string* error = nullptr);
    ~ExtractionFolder();
    ExtractionFolder(const ExtractionFolder&) = delete;
    ExtractionFolder& operator=(const ExtractionFolder&) = delete;
    const std::string& Path() const { return path_; }

private:
    ExtractionFolder(std::string path, int fd) : path_(std::move(path)), fd_(fd) {}
    std::string path_;
    int fd_;
};

/** Removes the extraction folders in folder that no living extraction holds; returns how many. */
int RemoveAbandonedExtractions(const std::string& folder);

struct ExtractLimits {
    std::uint64_t maxTotalBytes = 1ull << 30;  ///< inflated size of all entries together
    std::uint64_t maxEntries = 20000;
};

/**
 * @brief The relative path ("a/b/c") an archive entry name stands for, with backslashes
 * read as separators and "." segments dropped; nullopt when the name would leave the target
 * folder or is otherwise unusable. A name that ends in a separator is a folder (isFolder).
 * An empty result (the name "./") means the target folder itself.
 */
std::optional<std::string> SafeEntryPath(std::string_view name, bool* isFolder = nullptr);

/**
 * @brief Extracts every entry of archive under targetFolder, which must exist.
 * @param onEntry called with each entry's relative path (as SafeEntryPath gives it, with a
 *        trailing "/" for folders) before that entry is extracted.
 * @param beforeMove called once everything is unpacked, before anything moves into place; the
 *        caller's last word on the content (false, with a reason, abandons the archive).
 * @return true when every entry was extracted and moved into place; false with a reason in
 *         error otherwise. A failure while reading the archive leaves targetFolder untouched;
 *         only a rename failing midway through the final move can leave part of it there.
 */
bool ExtractArchive(const std::string& archive, const std::string& targetFolder,
                    const std::function<void(const std::string&)>& onEntry, std::string* error = nullptr,
                    const ExtractLimits& limits = {},
                    const std::function<bool(std::string* why)>& beforeMove = nullptr);

}  // namespace library
