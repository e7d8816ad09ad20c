#include "library/ZipExtract.h"

#include "platform/Folders.h"
#include "platform/Text.h"

#include <zip.h>

#include <cctype>
#include <chrono>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <mutex>
#include <vector>

namespace fs = std::filesystem;

namespace library {
namespace {

constexpr const char* kStagingPrefix = ".grimaze-extract-";

bool Fail(std::string* error, const std::string& why)
{
    if (error) *error = why;
    return false;
}

struct ArchiveCloser {
    void operator()(zip_t* z) const { zip_discard(z); }
};
struct EntryCloser {
    void operator()(zip_file_t* f) const { zip_fclose(f); }
};

/** Removes a folder tree when the object goes, unless released. */
class StagingFolder {
public:
    explicit StagingFolder(std::string path) : path_(std::move(path)) {}
    ~StagingFolder()
    {
        std::error_code ec;
        if (!path_.empty()) fs::remove_all(path_, ec);
    }
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

/** Moves src onto dst, merging folders that exist on both sides and replacing files. */
bool MoveTree(const fs::path& src, const fs::path& dst, std::string* error)
{
    std::error_code ec;
    const fs::file_status dstStatus = fs::symlink_status(dst, ec);
    if (!fs::exists(dstStatus)) {
        fs::rename(src, dst, ec);
        return ec ? Fail(error, "cannot move " + dst.string() + " into place: " + ec.message()) : true;
    }
    const bool srcIsFolder = fs::is_directory(fs::symlink_status(src, ec));
    if (srcIsFolder && fs::is_directory(dstStatus)) {
        std::vector<fs::path> children;
        for (const fs::directory_entry& child : fs::directory_iterator(src, ec)) children.push_back(child.path());
        if (ec) return Fail(error, "cannot read " + src.string() + ": " + ec.message());
        for (const fs::path& child : children)
            if (!MoveTree(child, dst / child.filename(), error)) return false;
        return true;
    }
    if (!srcIsFolder && fs::is_regular_file(dstStatus)) {
        fs::rename(src, dst, ec);
        return ec ? Fail(error, "cannot replace " + dst.string() + ": " + ec.message()) : true;
    }
    return Fail(error, dst.string() + " is in the way (a file where the archive has a folder, or the reverse)");
}

/** Staging folders of extractions that a crash cut short; a day old means no one is using them. */
void RemoveAbandonedStaging(const std::string& targetFolder)
{
    std::error_code ec;
    const auto limit = fs::file_time_type::clock::now() - std::chrono::hours(24);
    for (const fs::directory_entry& e : fs::directory_iterator(targetFolder, ec)) {
        const std::string name = e.path().filename().string();
        if (name.rfind(kStagingPrefix, 0) != 0 || !e.is_directory(ec)) continue;
        if (e.last_write_time(ec) < limit && !ec) fs::remove_all(e.path(), ec);
    }
}

}  // namespace

std::optional<std::string> SafeEntryPath(std::string_view name, bool* isFolder)
{
    std::string s(name);
    for (char& c : s) {
        if (c == '\\') c = '/';
        if (static_cast<unsigned char>(c) < 0x20) return std::nullopt;
    }
    if (s.empty() || s[0] == '/') return std::nullopt;  // absolute, or a "\\server\share" name
    if (s.size() >= 2 && std::isalpha(static_cast<unsigned char>(s[0])) && s[1] == ':') return std::nullopt;
    if (isFolder) *isFolder = s.back() == '/';
    std::string out;
    size_t i = 0;
    while (i <= s.size()) {
        const size_t next = s.find('/', i);
        const std::string seg = s.substr(i, next == std::string::npos ? std::string::npos : next - i);
        if (seg == "..") return std::nullopt;
        if (!seg.empty() && seg != ".") {
            if (!out.empty()) out += '/';
            out += seg;
        }
        if (next == std::string::npos) break;
        i = next + 1;
    }
    return out;
}

bool ExtractArchive(const std::string& archive, const std::string& targetFolder,
                    const std::function<void(const std::string&)>& onEntry, std::string* error,
                    const ExtractLimits& limits, const std::function<bool(std::string* why)>& beforeMove)
{
    if (!platform::IsFolder(targetFolder)) return Fail(error, "the folder " + targetFolder + " does not exist");
    // Reading the directory converts entry times with mktime, whose time-zone state glibc
    // guards with a lock the race detector cannot see; one reader at a time keeps the
    // detector quiet at no real cost (the directory is small, inflating stays parallel).
    static std::mutex directoryMutex;
    std::unique_lock directoryLock(directoryMutex);
    int zerr = 0;
    std::unique_ptr<zip_t, ArchiveCloser> zip(zip_open(archive.c_str(), ZIP_RDONLY | ZIP_CHECKCONS, &zerr));
    if (!zip) {
        zip_error_t ze;
        zip_error_init_with_code(&ze, zerr);
        const std::string why = zip_error_strerror(&ze);
        zip_error_fini(&ze);
        return Fail(error, "not a readable ZIP archive (" + why + ")");
    }
    const zip_int64_t count = zip_get_num_entries(zip.get(), 0);
    if (count < 0 || static_cast<std::uint64_t>(count) > limits.maxEntries)
        return Fail(error, "the archive holds too many entries");

    // Check every name and the declared sizes before anything is written.
    struct Entry {
        zip_uint64_t index;
        std::string path;
        bool folder;
        std::uint64_t size;
    };
    std::vector<Entry> entries;
    std::uint64_t declared = 0;
    for (zip_int64_t i = 0; i < count; ++i) {
        zip_stat_t st;
        zip_stat_init(&st);
        if (zip_stat_index(zip.get(), static_cast<zip_uint64_t>(i), 0, &st) != 0 || !(st.valid & ZIP_STAT_NAME))
            return Fail(error, "the archive's directory is damaged");
        bool folder = false;
        const std::optional<std::string> path = SafeEntryPath(st.name, &folder);
        if (!path) return Fail(error, std::string("the archive entry \"") + st.name + "\" points outside its folder");
        const std::string top = path->substr(0, path->find('/'));
        if (platform::EqualsNoCase(top, "template.cfg") || top.rfind(kStagingPrefix, 0) == 0)
            return Fail(error, std::string("the archive entry \"") + st.name + "\" would replace a library file");
        const std::uint64_t size = (st.valid & ZIP_STAT_SIZE) ? st.size : 0;
        if (size > limits.maxTotalBytes || declared + size > limits.maxTotalBytes)
            return Fail(error, "the archive would unpack to more than " + std::to_string(limits.maxTotalBytes >> 20) +
                                   " MiB");
        declared += size;
        entries.push_back({static_cast<zip_uint64_t>(i), *path, folder, size});
    }

    directoryLock.unlock();

    RemoveAbandonedStaging(targetFolder);
    std::string pattern = platform::JoinPath(targetFolder, std::string(kStagingPrefix) + "XXXXXX");
    if (!mkdtemp(pattern.data())) return Fail(error, "cannot write in " + targetFolder + ": " + std::strerror(errno));
    const StagingFolder staging(pattern);

    std::vector<char> buffer(1 << 16);
    std::uint64_t total = 0;
    for (const Entry& e : entries) {
        if (onEntry) onEntry(e.folder && !e.path.empty() ? e.path + "/" : e.path);
        if (e.path.empty()) continue;
        const std::string out = staging.path() + "/" + e.path;
        if (e.folder) {
            if (!platform::MakeFolders(out)) return Fail(error, "cannot create the folder " + e.path);
            continue;
        }
        if (!platform::MakeFolders(platform::ParentFolder(out)))
            return Fail(error, "cannot create the folder of " + e.path);
        std::unique_ptr<zip_file_t, EntryCloser> in(zip_fopen_index(zip.get(), e.index, 0));
        if (!in) return Fail(error, "cannot read " + e.path + " (" + zip_strerror(zip.get()) + ")");
        std::FILE* file = std::fopen(out.c_str(), "wb");
        if (!file) return Fail(error, "cannot create " + e.path + ": " + std::strerror(errno));
        std::uint64_t written = 0;
        bool ok = true;
        std::string why;
        for (;;) {
            const zip_int64_t n = zip_fread(in.get(), buffer.data(), buffer.size());
            if (n == 0) break;
            if (n < 0) {
                ok = false;
                why = "cannot unpack " + e.path + " (" + zip_file_strerror(in.get()) + ")";
                break;
            }
            written += static_cast<std::uint64_t>(n);
            total += static_cast<std::uint64_t>(n);
            // An entry that inflates beyond what the directory declares is lying about itself.
            if (written > e.size || total > limits.maxTotalBytes) {
                ok = false;
                why = "the archive unpacks to more than it declares";
                break;
            }
            if (std::fwrite(buffer.data(), 1, static_cast<size_t>(n), file) != static_cast<size_t>(n)) {
                ok = false;
                why = "cannot write " + e.path + ": " + std::strerror(errno);
                break;
            }
        }
        if (std::fclose(file) != 0 && ok) {
            ok = false;
            why = "cannot write " + e.path;
        }
        if (!ok) return Fail(error, why);
        if (written != e.size) return Fail(error, e.path + " is shorter than the archive declares");
    }

    if (std::string why; beforeMove && !beforeMove(&why)) return Fail(error, why);
    return MoveTree(staging.path(), fs::path(targetFolder), error);
}

}  // namespace library
