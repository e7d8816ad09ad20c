#include "platform/Files.h"

#include "platform/Folders.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <mutex>
#include <set>
#include <sys/file.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace platform {
namespace {

// Locked temporaries end in kLocked: their writer holds an flock for as long as it lives.
// Temporaries handed out by name end in kByName and are judged by their age alone.
constexpr std::string_view kLocked = ".tmp";
constexpr std::string_view kByName = ".part";
// A temporary nobody has touched for this long belongs to a writer that is gone.
constexpr int kStaleSeconds = 60;
constexpr const char* kFolderList = "temporary-folders.txt";
constexpr std::size_t kMaxListedFolders = 100;

void SetError(std::string* error, const std::string& what)
{
    if (error) *error = what;
}

std::string Folder(const std::string& path)
{
    std::string folder = ParentFolder(path);
    return folder.empty() ? std::string(".") : folder;
}

// The folder as the user would look for it: absolute where it can be resolved.
std::string ShownFolder(const std::string& path)
{
    const std::string folder = Folder(path);
    char resolved[PATH_MAX];
    if (realpath(folder.c_str(), resolved)) return resolved;
    return folder;
}

std::string RandomPart()
{
    static constexpr char kDigits[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    unsigned char bytes[8] = {};
    if (getrandom(bytes, sizeof bytes, GRND_NONBLOCK) != static_cast<ssize_t>(sizeof bytes)) {
        // No entropy yet (early boot): the pid, a counter and the clock still make it unique.
        static std::atomic<unsigned> counter{0};
        unsigned long long v = static_cast<unsigned long long>(getpid()) * 1000003u + counter.fetch_add(1) +
                               static_cast<unsigned long long>(std::chrono::steady_clock::now().time_since_epoch().count());
        for (unsigned char& b : bytes) {
            v = v * 6364136223846793005ULL + 1442695040888963407ULL;
            b = static_cast<unsigned char>(v >> 56);
        }
    }
    std::string s;
    for (unsigned char b : bytes) s += kDigits[b % 36];
    return s;
}

std::string TemporaryName(const std::string& target, std::string_view kind)
{
    const std::string folder = ParentFolder(target);
    const std::string name = std::string(kTemporaryPrefix) + RandomPart() + std::string(kind);
    return folder.empty() ? name : JoinPath(folder, name);
}

bool IsOurTemporaryName(std::string_view name, std::string_view* kind)
{
    if (name.size() <= kTemporaryPrefix.size() || name.substr(0, kTemporaryPrefix.size()) != kTemporaryPrefix) return false;
    for (std::string_view k : {kLocked, kByName})
        if (name.size() > kTemporaryPrefix.size() + k.size() && name.substr(name.size() - k.size()) == k) {
            *kind = k;
            return true;
        }
    return false;
}

// --- The list of folders outside the per-user folder where temporaries were made.

std::atomic<bool> g_rememberFolders{true};
std::mutex g_listMutex;
std::set<std::string> g_listed;  // folders known to be on the list of this per-user folder
std::string g_listedFor;         // the per-user folder g_listed belongs to (tests change HOME)

std::vector<std::string> ReadFolderList(const std::string& listPath)
{
    std::vector<std::string> folders;
    std::string text;
    if (!ReadFile(listPath, text, 1 << 20)) return folders;
    std::size_t at = 0;
    while (at < text.size()) {
        std::size_t end = text.find('\n', at);
        if (end == std::string::npos) end = text.size();
        if (end > at && text[at] == '/') folders.push_back(text.substr(at, end - at));
        at = end + 1;
    }
    return folders;
}

// Notes the folder so that the next start looks there for leftovers. Appending one short line
// with O_APPEND is atomic, so processes writing at the same time do not garble the list.
void RememberFolder(const std::string& target)
{
    if (!g_rememberFolders) {
        RemoveStaleTemporariesIn(Folder(target));
        return;
    }
    char resolved[PATH_MAX];
    if (!realpath(Folder(target).c_str(), resolved)) return;
    const std::string folder = resolved;
    const std::string user = UserFolder();
    if (user.empty() || folder + "/" == user) return;
    std::lock_guard lock(g_listMutex);
    if (g_listedFor != user) {
        g_listedFor = user;
        g_listed.clear();
        for (std::string& f : ReadFolderList(user + kFolderList)) g_listed.insert(std::move(f));
    }
    if (!g_listed.insert(folder).second) return;
    const int fd = open((user + kFolderList).c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) return;
    const std::string line = folder + "\n";
    [[maybe_unused]] const ssize_t n = write(fd, line.data(), line.size());
    close(fd);
}

bool SameFile(const struct stat& a, const struct stat& b) { return a.st_dev == b.st_dev && a.st_ino == b.st_ino; }

}  // namespace

std::string DescribeWriteError(int err, const std::string& path)
{
    const std::string folder = ShownFolder(path);
    switch (err) {
    case ENOSPC:
    case EDQUOT: return "there is not enough free space in the folder " + folder;
    case EROFS: return "the folder " + folder + " is read-only";
    case EACCES:
    case EPERM: return "the folder " + folder + " is not writable (permission denied)";
    case ENOENT: return "the folder " + folder + " does not exist";
    case ENOTDIR: return folder + " is not a folder";
    case ENAMETOOLONG: return "the name " + FileName(path) + " is too long for the folder " + folder;
    case EISDIR: return path + " is a folder";
    default: return "cannot write in the folder " + folder + ": " + std::strerror(err);
    }
}

int OpenRegularFile(const std::string& path, std::string* error, off_t* size)
{
    // O_NONBLOCK: opening a FIFO for reading would otherwise wait for a writer for ever.
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) {
        const int err = errno;
        if (err == ENOENT || err == ENOTDIR)
            SetError(error, path + " does not exist");
        else if (err == EACCES)
            SetError(error, path + " cannot be read (permission denied)");
        else
            SetError(error, "cannot open " + path + ": " + std::strerror(err));
        return -1;
    }
    struct stat st {};
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        close(fd);
        SetError(error, S_ISDIR(st.st_mode) ? path + " is a folder, not a file"
                                            : path + " is not a regular file (a pipe, socket or device)");
        return -1;
    }
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    if (size) *size = st.st_size;
    return fd;
}

bool ReadFile(const std::string& path, std::string& out, std::size_t maxBytes, std::string* error)
{
    out.clear();
    off_t size = 0;
    const int fd = OpenRegularFile(path, error, &size);
    if (fd < 0) return false;
    if (static_cast<unsigned long long>(size) > maxBytes) {
        close(fd);
        SetError(error, path + " is too large");
        return false;
    }
    out.resize(static_cast<size_t>(size));
    size_t got = 0;
    while (got < out.size()) {
        const ssize_t n = read(fd, out.data() + got, out.size() - got);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            const int err = errno;
            close(fd);
            out.clear();
            SetError(error, "cannot read " + path + ": " + std::strerror(err));
            return false;
        }
        if (n == 0) break;
        got += static_cast<size_t>(n);
    }
    close(fd);
    out.resize(got);  // the file may have shrunk meanwhile
    return true;
}

TemporaryFile::TemporaryFile(std::string target) : target_(std::move(target))
{
    RememberFolder(target_);
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string name = TemporaryName(target_, kLocked);
        const int fd = open(name.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (fd < 0) {
            if (errno == EEXIST) continue;
            Failed(errno);
            return;
        }
        // A clean-up in another process may have removed the name between open and flock:
        // only a file that is locked and still under our name is ours.
        struct stat mine {}, named {};
        const int locked = flock(fd, LOCK_EX | LOCK_NB);
        if ((locked == 0 || errno == ENOLCK || errno == EOPNOTSUPP) && fstat(fd, &mine) == 0 &&
            lstat(name.c_str(), &named) == 0 && SameFile(mine, named)) {
            fd_ = fd;
            path_ = std::move(name);
            return;
        }
        close(fd);
    }
    Failed(EEXIST);
}

TemporaryFile::~TemporaryFile() { Discard(); }

bool TemporaryFile::Failed(int err)
{
    if (error_.empty()) error_ = DescribeWriteError(err, target_);
    return false;
}

bool TemporaryFile::Write(std::string_view data)
{
    if (fd_ < 0) return Failed(EBADF);
    while (!data.empty()) {
        const ssize_t n = write(fd_, data.data(), data.size());
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return Failed(errno);
        if (n == 0) return Failed(ENOSPC);
        data.remove_prefix(static_cast<size_t>(n));
    }
    return true;
}

bool TemporaryFile::Commit()
{
    if (fd_ < 0 || !error_.empty()) {
        Discard();
        return Failed(EBADF);
    }
    // The replacement keeps the permissions the user gave the old file.
    struct stat old {};
    if (stat(target_.c_str(), &old) == 0 && S_ISREG(old.st_mode)) fchmod(fd_, old.st_mode & 07777);
    // Only data that is on the disk may replace the old file: a rename that reached the disk
    // before the data would leave an empty file after a power cut.
    if (fsync(fd_) != 0) {
        Failed(errno);
        Discard();
        return false;
    }
    if (std::rename(path_.c_str(), target_.c_str()) != 0) {
        Failed(errno);
        Discard();
        return false;
    }
    path_.clear();  // the name is now the target's; nothing to remove
    const int dir = open(Folder(target_).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        fsync(dir);  // the rename itself; file systems that cannot do this lose nothing else
        close(dir);
    }
    close(fd_);  // the lock goes only now, when the temporary name is gone
    fd_ = -1;
    return true;
}

void TemporaryFile::Discard()
{
    if (!path_.empty()) unlink(path_.c_str());
    path_.clear();
    if (fd_ >= 0) close(fd_);
    fd_ = -1;
}

bool WriteFileAtomically(const std::string& path, std::string_view data, std::string* error)
{
    TemporaryFile file(path);
    if (file.Ok() && file.Write(data) && file.Commit()) return true;
    SetError(error, file.Error());
    return false;
}

std::string TemporaryNameBeside(const std::string& path)
{
    RememberFolder(path);
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string name = TemporaryName(path, kByName);
        struct stat st {};
        if (lstat(name.c_str(), &st) != 0) return name;
    }
    return TemporaryName(path, kByName);
}

bool ReplaceFile(const std::string& from, const std::string& to, std::string* error)
{
    if (std::rename(from.c_str(), to.c_str()) == 0) return true;
    SetError(error, "cannot replace " + to + ": " + DescribeWriteError(errno, to));
    return false;
}

int RemoveStaleTemporariesIn(const std::string& folder)
{
    DIR* dir = opendir(folder.c_str());
    if (!dir) return 0;
    std::vector<std::string> candidates;
    std::string_view kind;
    while (const dirent* e = readdir(dir))
        if (IsOurTemporaryName(e->d_name, &kind)) candidates.emplace_back(e->d_name);
    closedir(dir);

    const auto now = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
    int removed = 0;
    for (const std::string& name : candidates) {
        const std::string path = JoinPath(folder, name);
        IsOurTemporaryName(name, &kind);
        const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOFOLLOW | O_NOCTTY);
        if (fd < 0) continue;
        struct stat st {}, named {};
        bool stale = false;
        if (fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_uid == geteuid()) {
            const bool old = now - st.st_mtime > kStaleSeconds;
            if (flock(fd, LOCK_EX | LOCK_NB) == 0)
                stale = kind == kLocked || old;  // a locked kind that nobody holds: its writer died
            else
                stale = (errno == ENOLCK || errno == EOPNOTSUPP) && old;  // no locks here: age alone
        }
        // Unlink only the file we looked at, not one that took its name meanwhile.
        if (stale && lstat(path.c_str(), &named) == 0 && SameFile(st, named) && unlink(path.c_str()) == 0) ++removed;
        close(fd);
    }
    return removed;
}

void SetRememberTemporaryFolders(bool on) { g_rememberFolders = on; }

int RemoveStaleTemporaries()
{
    // Looking for leftovers must not create the per-user folder: a command that only reads
    // leaves the user's home as it was.
    const std::string user = ExistingUserFolder();
    if (user.empty()) return 0;
    int removed = RemoveStaleTemporariesIn(user);
    std::vector<std::string> folders = ReadFolderList(user + kFolderList);
    // Keep the list short: the newest distinct folders that still exist.
    std::vector<std::string> keep;
    for (auto it = folders.rbegin(); it != folders.rend() && keep.size() < kMaxListedFolders; ++it)
        if (std::find(keep.begin(), keep.end(), *it) == keep.end() && IsFolder(*it)) keep.push_back(*it);
    for (const std::string& folder : keep) removed += RemoveStaleTemporariesIn(folder);
    if (keep.size() != folders.size()) {
        std::string text;
        for (auto it = keep.rbegin(); it != keep.rend(); ++it) text += *it + "\n";
        WriteFileAtomically(user + kFolderList, text);
        std::lock_guard lock(g_listMutex);
        g_listedFor.clear();
    }
    return removed;
}

}  // namespace platform
