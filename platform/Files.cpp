#include "platform/Files.h"

#include "platform/Folders.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {
namespace {

void SetError(std::string* error, const std::string& what)
{
    if (error) *error = what;
}

}  // namespace

bool ReadFile(const std::string& path, std::string& out, std::size_t maxBytes, std::string* error)
{
    out.clear();
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        SetError(error, std::string("cannot open ") + path + ": " + std::strerror(errno));
        return false;
    }
    struct stat st {};
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        close(fd);
        SetError(error, path + " is not a regular file");
        return false;
    }
    if (static_cast<unsigned long long>(st.st_size) > maxBytes) {
        close(fd);
        SetError(error, path + " is too large");
        return false;
    }
    out.resize(static_cast<size_t>(st.st_size));
    size_t got = 0;
    while (got < out.size()) {
        const ssize_t n = read(fd, out.data() + got, out.size() - got);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        got += static_cast<size_t>(n);
    }
    close(fd);
    out.resize(got);  // the file may have shrunk meanwhile
    return true;
}

std::string TemporaryNameBeside(const std::string& path)
{
    static std::atomic<unsigned> counter{0};
    return path + ".tmp" + std::to_string(getpid()) + "-" + std::to_string(counter.fetch_add(1));
}

bool ReplaceFile(const std::string& from, const std::string& to, std::string* error)
{
    if (std::rename(from.c_str(), to.c_str()) == 0) return true;
    SetError(error, std::string("cannot replace ") + to + ": " + std::strerror(errno));
    return false;
}

bool WriteFileAtomically(const std::string& path, std::string_view data, std::string* error)
{
    const std::string tmp = TemporaryNameBeside(path);
    const int fd = open(tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0) {
        SetError(error, std::string("cannot write in ") + ParentFolder(path) + ": " + std::strerror(errno));
        return false;
    }
    size_t done = 0;
    bool ok = true;
    while (done < data.size()) {
        const ssize_t n = write(fd, data.data() + done, data.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            ok = false;
            break;
        }
        done += static_cast<size_t>(n);
    }
    const int savedErrno = errno;
    if (ok && fsync(fd) != 0) ok = false;
    if (close(fd) != 0) ok = false;
    if (!ok) {
        unlink(tmp.c_str());
        SetError(error, std::string("cannot write ") + path + ": " + std::strerror(savedErrno ? savedErrno : EIO));
        return false;
    }
    if (!ReplaceFile(tmp, path, error)) {
        unlink(tmp.c_str());
        return false;
    }
    return true;
}

}  // namespace platform
