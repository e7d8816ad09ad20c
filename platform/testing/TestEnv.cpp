#include "platform/testing/TestEnv.h"

#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <future>
#include <stdexcept>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace testenv {
namespace {

std::string MakeTemp(const char* prefix)
{
    std::string pattern = std::string("/tmp/") + prefix + "XXXXXX";
    if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
    return pattern;
}

}  // namespace

TemporaryHome::TemporaryHome() : path_(MakeTemp("grimaze-home-"))
{
    if (const char* h = std::getenv("HOME")) oldHome_ = h;
    setenv("HOME", path_.c_str(), 1);
    setenv("XDG_DATA_HOME", (path_ + "/.local/share").c_str(), 1);
    setenv("XDG_CONFIG_HOME", (path_ + "/.config").c_str(), 1);
    setenv("XDG_CACHE_HOME", (path_ + "/.cache").c_str(), 1);
}

TemporaryHome::~TemporaryHome()
{
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
    if (!oldHome_.empty()) setenv("HOME", oldHome_.c_str(), 1);
}

TempDir::TempDir() : path_(MakeTemp("grimaze-test-")) {}
TempDir::~TempDir()
{
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

bool ReturnsPromptlyOnFifo(const std::string& path, const std::function<void()>& call, int seconds)
{
    if (mkfifo(path.c_str(), 0600) != 0) throw std::runtime_error("mkfifo failed: " + path);
    auto done = std::async(std::launch::async, call);
    if (done.wait_for(std::chrono::seconds(seconds)) == std::future_status::ready) {
        done.get();
        return true;
    }
    // Free the reader: first out of open(), then out of read() by closing the writing end.
    for (int i = 0; i < 100 && done.wait_for(std::chrono::milliseconds(50)) != std::future_status::ready; ++i) {
        const int fd = open(path.c_str(), O_WRONLY | O_NONBLOCK);
        if (fd >= 0) close(fd);
    }
    done.wait();
    return false;
}

std::string ShellQuote(const std::string& s)
{
    std::string r = "'";
    for (char c : s) r += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return r + "'";
}

CommandResult RunCommand(const std::string& commandLine, const std::string& input)
{
    TempDir tmp;
    const std::string cmd = commandLine + " <" + ShellQuote(input) + " >" + ShellQuote(tmp / "out") + " 2>" +
                            ShellQuote(tmp / "err");
    CommandResult r;
    const int status = std::system(cmd.c_str());
    r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    std::ifstream o(tmp / "out", std::ios::binary), e(tmp / "err", std::ios::binary);
    r.out.assign(std::istreambuf_iterator<char>(o), {});
    r.err.assign(std::istreambuf_iterator<char>(e), {});
    return r;
}

std::string SourceDir()
{
#ifdef GRIMAZE_SOURCE_DIR
    return GRIMAZE_SOURCE_DIR;
#else
    return ".";
#endif
}

std::string ProgramDir()
{
#ifdef GRIMAZE_BINARY_DIR
    return std::string(GRIMAZE_BINARY_DIR) + "/bin";
#else
    return ".";
#endif
}

void RecordingSink::Post(platform::WindowId w, int code, std::intptr_t a, std::intptr_t b)
{
    std::lock_guard l(m_);
    posted_.push_back({w, code, a, b});
}
std::intptr_t RecordingSink::Send(platform::WindowId w, int code, std::intptr_t a, std::intptr_t b)
{
    Post(w, code, a, b);
    return 0;
}
void RecordingSink::SetTimer(platform::WindowId, int id, int ms)
{
    std::lock_guard l(m_);
    std::erase_if(timers_, [&](auto& t) { return t.first == id; });
    timers_.emplace_back(id, ms);
}
void RecordingSink::KillTimer(platform::WindowId, int id)
{
    std::lock_guard l(m_);
    std::erase_if(timers_, [&](auto& t) { return t.first == id; });
}
void RecordingSink::SetCursor(platform::CursorShape shape)
{
    std::lock_guard l(m_);
    cursor_ = shape;
}
void RecordingSink::Invalidate(platform::WindowId) {}
std::vector<RecordingSink::Entry> RecordingSink::Posted() const
{
    std::lock_guard l(m_);
    return posted_;
}
int RecordingSink::CountPosted(int code) const
{
    std::lock_guard l(m_);
    int n = 0;
    for (auto& e : posted_) n += e.code == code;
    return n;
}
platform::CursorShape RecordingSink::LastCursor() const
{
    std::lock_guard l(m_);
    return cursor_;
}
std::vector<std::pair<int, int>> RecordingSink::Timers() const
{
    std::lock_guard l(m_);
    return timers_;
}
void RecordingSink::Clear()
{
    std::lock_guard l(m_);
    posted_.clear();
    timers_.clear();
}

namespace {
std::string Rgb(platform::Color c)
{
    return std::to_string(c.r) + "," + std::to_string(c.g) + "," + std::to_string(c.b);
}
}  // namespace

void RecordingDrawContext::SetPen(platform::Color c, int width, platform::PenStyle style)
{
    const char* s = style == platform::PenStyle::Dash ? "dash" : style == platform::PenStyle::Dot ? "dot" : "solid";
    calls.push_back("pen " + Rgb(c) + " " + std::to_string(width) + " " + s);
}
void RecordingDrawContext::SetBrush(platform::Color c, bool hollow)
{
    calls.push_back(hollow ? std::string("brush hollow") : "brush " + Rgb(c));
}
void RecordingDrawContext::Line(platform::Point a, platform::Point b)
{
    calls.push_back("line " + std::to_string(a.x) + " " + std::to_string(a.y) + " " + std::to_string(b.x) + " " +
                    std::to_string(b.y));
}
void RecordingDrawContext::Rectangle(int l, int t, int r, int b)
{
    calls.push_back("rect " + std::to_string(l) + " " + std::to_string(t) + " " + std::to_string(r) + " " +
                    std::to_string(b));
}
void RecordingDrawContext::Polygon(const std::vector<platform::Point>& pts)
{
    std::string s = "polygon";
    for (auto& p : pts) s += " " + std::to_string(p.x) + "," + std::to_string(p.y);
    calls.push_back(s);
}
void RecordingDrawContext::Ellipse(int l, int t, int r, int b)
{
    calls.push_back("ellipse " + std::to_string(l) + " " + std::to_string(t) + " " + std::to_string(r) + " " +
                    std::to_string(b));
}

}  // namespace testenv
