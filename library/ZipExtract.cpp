#include "library/ZipExtract.h"

#include "platform/Failure.h"
#include "platform/Folders.h"
#include "platform/Text.h"
#include "update/HttpTransfer.h"

#include <zip.h>

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <mutex>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#include <sys/stat.h>
#include <vector>

namespace fs = std::filesystem;

namespace library {
namespace {


using platform::Fail;

struct ArchiveCloser {
    void operator()(zip_t* z) const { zip_discard(z); }
};
struct EntryCloser {
    void operator()(zip_file_t* f) const { zip_fclose(f); }
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


using ArchivePtr = std::unique_ptr<zip_t, ArchiveCloser>;

ArchivePtr OpenArchive(const std::string& archive, std::string* error)
{
    int zerr = 0;
    ArchivePtr zip(zip_open(archive.c_str(), ZIP_RDONLY | ZIP_CHECKCONS, &zerr));
    if (!zip) {
        zip_error_t ze;
        zip_error_init_with_code(&ze, zerr);
        const std::string why = zip_error_strerror(&ze);
        zip_error_fini(&ze);
        Fail(error, "not a readable ZIP archive (" + why + ")");
    }
    return zip;
}

struct Entry {
    zip_uint64_t index;
    std::string path;
    bool folder;
    std::uint64_t size;
};

/** Refuses entries that are neither file nor folder. */
bool CheckEntryType(zip_t* zip, zip_uint64_t index, const char* name, std::string* error)
{
    // A link would be unpacked as a file holding its target, or, by another unpacker, point
    // anywhere; a device or pipe means nothing in a template either.
    zip_uint8_t system = 0;
    zip_uint32_t attributes = 0;
    if (zip_file_get_external_attributes(zip, index, 0, &system, &attributes) == 0 && system == ZIP_OPSYS_UNIX) {
        const mode_t type = static_cast<mode_t>(attributes >> 16) & S_IFMT;
        if (type != 0 && type != S_IFREG && type != S_IFDIR)
            return Fail(error, std::string("the archive entry \"") + name + "\" is " +
                                   (type == S_IFLNK ? "a symbolic link" : "a special file") +
                                   ", not a file or folder");
    }
    return true;
}

/** Checks every name and the declared sizes, before anything is written. */
bool ListEntries(zip_t* zip, const ExtractLimits& limits, std::vector<Entry>* entries, std::string* error)
{
    const zip_int64_t count = zip_get_num_entries(zip, 0);
    if (count < 0 || static_cast<std::uint64_t>(count) > limits.maxEntries)
        return Fail(error, "the archive holds too many entries");
    std::uint64_t declared = 0;
    for (zip_int64_t i = 0; i < count; ++i) {
        const auto index = static_cast<zip_uint64_t>(i);
        zip_stat_t st;
        zip_stat_init(&st);
        if (zip_stat_index(zip, index, 0, &st) != 0 || !(st.valid & ZIP_STAT_NAME))
            return Fail(error, "the archive's directory is damaged");
        bool folder = false;
        const std::optional<std::string> path = SafeEntryPath(st.name, &folder);
        if (!path) return Fail(error, std::string("the archive entry \"") + st.name + "\" points outside its folder");
        const std::string top = path->substr(0, path->find('/'));
        if (platform::EqualsNoCase(top, "template.cfg") || top.rfind(kExtractionPrefix, 0) == 0)
            return Fail(error, std::string("the archive entry \"") + st.name + "\" would replace a library file");
        if (!CheckEntryType(zip, index, st.name, error)) return false;
        const std::uint64_t size = (st.valid & ZIP_STAT_SIZE) ? st.size : 0;
        if (size > limits.maxTotalBytes || declared + size > limits.maxTotalBytes)
            return Fail(error, "the archive would unpack to more than " + update::FormatByteSize(limits.maxTotalBytes));
        declared += size;
        entries->push_back({index, *path, folder, size});
    }
    return true;
}

/**
 * Inflates one file entry into out. total counts what all entries inflated so far, so that
 * the archive's limit holds over them together.
 */
bool InflateEntry(zip_t* zip, const Entry& e, const std::string& out, std::vector<char>& buffer,
                  std::uint64_t& total, std::uint64_t maxTotal, std::string* error)
{
    std::unique_ptr<zip_file_t, EntryCloser> in(zip_fopen_index(zip, e.index, 0));
    if (!in) return Fail(error, "cannot read " + e.path + " (" + zip_strerror(zip) + ")");
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
        if (written > e.size || total > maxTotal) {
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
    return true;
}

bool UnpackEntries(zip_t* zip, const std::vector<Entry>& entries, const std::string& staging,
                   const std::function<void(const std::string&)>& onEntry, const ExtractLimits& limits,
                   std::string* error)
{
    std::vector<char> buffer(1 << 16);
    std::uint64_t total = 0;
    for (const Entry& e : entries) {
        if (onEntry) onEntry(e.folder && !e.path.empty() ? e.path + "/" : e.path);
        if (e.path.empty()) continue;
        const std::string out = staging + "/" + e.path;
        if (e.folder) {
            if (!platform::MakeFolders(out)) return Fail(error, "cannot create the folder " + e.path);
            continue;
        }
        if (!platform::MakeFolders(platform::ParentFolder(out)))
            return Fail(error, "cannot create the folder of " + e.path);
        if (!InflateEntry(zip, e, out, buffer, total, limits.maxTotalBytes, error)) return false;
    }
    return true;
}

}  // namespace

std::unique_ptr<ExtractionFolder> ExtractionFolder::Create(const std::string& parent, std::string* error)
{
    // Another process's clean-up may find the folder between its making and its locking, see it
    // unlocked and remove it: such a folder is gone once locked, and another one is made.
    for (int attempt = 0; attempt < 5; ++attempt) {
        std::string pattern = platform::JoinPath(parent, std::string(kExtractionPrefix) + "XXXXXX");
        if (!mkdtemp(pattern.data())) {
            Fail(error, "cannot write in " + parent + ": " + std::strerror(errno));
            return nullptr;
        }
        const int fd = open(pattern.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd < 0 || flock(fd, LOCK_EX | LOCK_NB) != 0) {
            const int err = errno;
            if (fd >= 0) close(fd);
            rmdir(pattern.c_str());
            Fail(error, "cannot use " + pattern + ": " + std::strerror(err));
            return nullptr;
        }
        struct stat st {};
        if (fstat(fd, &st) == 0 && st.st_nlink > 0) return std::unique_ptr<ExtractionFolder>(new ExtractionFolder(pattern, fd));
        close(fd);
    }
    Fail(error, "cannot keep a folder in " + parent);
    return nullptr;
}

ExtractionFolder::~ExtractionFolder()
{
    std::error_code ec;
    fs::remove_all(path_, ec);
    close(fd_);
}

int RemoveAbandonedExtractions(const std::string& folder)
{
    int removed = 0;
    std::error_code ec;
    for (const fs::directory_entry& e : fs::directory_iterator(folder, ec)) {
        const std::string name = e.path().filename().string();
        if (name.rfind(kExtractionPrefix, 0) != 0 || !e.is_directory(ec)) continue;
        const int fd = open(e.path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NOFOLLOW);
        if (fd < 0) continue;
        // Whoever unpacks holds the lock for as long as it lives; a free lock means no one will come back.
        if (flock(fd, LOCK_EX | LOCK_NB) == 0) {
            fs::remove_all(e.path(), ec);
            removed += ec ? 0 : 1;
        }
        close(fd);
    }
    return removed;
}

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
    std::vector<Entry> entries;
    ArchivePtr zip;
    {
        // Reading the directory converts entry times with mktime, whose time-zone state glibc
        // guards with a lock the race detector cannot see; one reader at a time keeps the
        // detector quiet at no real cost (the directory is small, inflating stays parallel).
        static std::mutex directoryMutex;
        std::lock_guard directoryLock(directoryMutex);
        zip = OpenArchive(archive, error);
        if (!zip || !ListEntries(zip.get(), limits, &entries, error)) return false;
    }

    RemoveAbandonedExtractions(targetFolder);
    const std::unique_ptr<ExtractionFolder> staging = ExtractionFolder::Create(targetFolder, error);
    if (!staging) return false;
    if (!UnpackEntries(zip.get(), entries, staging->Path(), onEntry, limits, error)) return false;

    if (std::string why; beforeMove && !beforeMove(&why)) return Fail(error, why);
    return MoveTree(staging->Path(), fs::path(targetFolder), error);
}

}  // namespace library
