// SPDX-License-Identifier: MIT
#include "cli/Streams.h"

#include "engine/ImageIO.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

StdinPhoto::~StdinPhoto()
{
    if (!path_.empty()) ::unlink(path_.c_str());
}

bool StdinPhoto::Read(std::string& error)
{
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/grimaze-stdin-XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    const int fd = ::mkstemp(name.data());
    if (fd < 0) {
        error = "cannot keep standard input in a temporary file: " + std::string(std::strerror(errno));
        return false;
    }
    path_ = name.data();
    char buf[1 << 16];
    long long total = 0;
    bool ok = true;
    for (;;) {
        const ssize_t n = ::read(STDIN_FILENO, buf, sizeof buf);
        if (n == 0) break;
        if (n < 0) {
            if (errno == EINTR) continue;
            error = "cannot read standard input: " + std::string(std::strerror(errno));
            ok = false;
            break;
        }
        total += n;
        if (total > kMaxPhotoFileBytes) {
            error = "standard input holds more than a photo may (1 GiB)";
            ok = false;
            break;
        }
        for (ssize_t done = 0; done < n;) {
            const ssize_t w = ::write(fd, buf + done, static_cast<size_t>(n - done));
            if (w < 0 && errno == EINTR) continue;
            if (w <= 0) {
                error = "cannot keep standard input in a temporary file: " + std::string(std::strerror(errno));
                ok = false;
                break;
            }
            done += w;
        }
        if (!ok) break;
    }
    if (::close(fd) != 0 && ok) {
        error = "cannot keep standard input in a temporary file: " + std::string(std::strerror(errno));
        ok = false;
    }
    if (ok && total == 0) {
        error = "standard input is empty: no photo was given";
        ok = false;
    }
    return ok;
}

std::string StdinPhoto::Explain(std::string text) const
{
    if (path_.empty()) return text;
    for (size_t at = text.find(path_); at != std::string::npos; at = text.find(path_, at))
        text.replace(at, path_.size(), "standard input");
    return text;
}

bool WriteStdout(std::string_view bytes, std::string& error)
{
    if (std::fwrite(bytes.data(), 1, bytes.size(), stdout) != bytes.size() || std::fflush(stdout) != 0) {
        error = "cannot write to standard output: " + std::string(std::strerror(errno));
        return false;
    }
    return true;
}
