// SPDX-License-Identifier: MIT
#include "cli/Streams.h"

#include "engine/ImageIO.h"
#include "platform/Failure.h"
#include "platform/Files.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

using engine::kMaxPhotoFileBytes;

namespace cli {

namespace {

std::string TemporaryFolder()
{
    const char* tmp = std::getenv("TMPDIR");
    return tmp && *tmp ? tmp : "/tmp";
}

std::string Replaced(std::string text, const std::string& name, const std::string& by)
{
    if (name.empty()) return text;
    for (size_t at = text.find(name); at != std::string::npos; at = text.find(name, at + by.size()))
        text.replace(at, name.size(), by);
    return text;
}

}  // namespace

StdinPhoto::~StdinPhoto()
{
    if (!path_.empty()) ::unlink(path_.c_str());
}

bool StdinPhoto::Read(std::string* error)
{
    std::string why;
    std::string pattern = TemporaryFolder() + "/grimaze-stdin-XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    const int fd = ::mkstemp(name.data());
    if (fd < 0)
        return platform::Fail(error, "cannot keep standard input in a temporary file: " + std::string(std::strerror(errno)));
    path_ = name.data();
    char buf[1 << 16];
    long long total = 0;
    bool ok = true;
    for (;;) {
        const ssize_t n = ::read(STDIN_FILENO, buf, sizeof buf);
        if (n == 0) break;
        if (n < 0) {
            if (errno == EINTR) continue;
            why = "cannot read standard input: " + std::string(std::strerror(errno));
            ok = false;
            break;
        }
        total += n;
        if (total > kMaxPhotoFileBytes) {
            why = "standard input holds more than a photo may (1 GiB)";
            ok = false;
            break;
        }
        for (ssize_t done = 0; done < n;) {
            const ssize_t w = ::write(fd, buf + done, static_cast<size_t>(n - done));
            if (w < 0 && errno == EINTR) continue;
            if (w <= 0) {
                why = "cannot keep standard input in a temporary file: " + std::string(std::strerror(errno));
                ok = false;
                break;
            }
            done += w;
        }
        if (!ok) break;
    }
    if (::close(fd) != 0 && ok) {
        why = "cannot keep standard input in a temporary file: " + std::string(std::strerror(errno));
        ok = false;
    }
    if (ok && total == 0) {
        why = "standard input is empty: no photo was given";
        ok = false;
    }
    return ok || platform::Fail(error, std::move(why));
}

std::string StdinPhoto::Explain(std::string text) const { return Replaced(std::move(text), path_, "standard input"); }

StdoutFile::~StdoutFile()
{
    if (!path_.empty()) ::unlink(path_.c_str());
}

bool StdoutFile::Create(const std::string& suffix, std::string* error)
{
    std::string pattern = TemporaryFolder() + "/grimaze-stdout-XXXXXX" + suffix;
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    const int fd = ::mkstemps(name.data(), static_cast<int>(suffix.size()));
    if (fd < 0)
        return platform::Fail(error, "cannot make a temporary file for standard output: " + std::string(std::strerror(errno)));
    ::close(fd);
    path_ = name.data();
    return true;
}

bool StdoutFile::Send(std::string* error) const
{
    // A GIF is at most a few hundred frames of a few hundred pixels square.
    constexpr std::size_t kMaxBytes = std::size_t(1) << 30;
    std::string bytes, why;
    if (!platform::ReadFile(path_, bytes, kMaxBytes, &why)) return platform::Fail(error, Explain(why));
    return WriteStdout(bytes, error);
}

std::string StdoutFile::Explain(std::string text) const { return Replaced(std::move(text), path_, "standard output"); }

bool WriteStdout(std::string_view bytes, std::string* error)
{
    if (std::fwrite(bytes.data(), 1, bytes.size(), stdout) != bytes.size() || std::fflush(stdout) != 0)
        return platform::Fail(error, "cannot write to standard output: " + std::string(std::strerror(errno)));
    return true;
}

}  // namespace cli
