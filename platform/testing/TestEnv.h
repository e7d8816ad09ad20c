#pragma once
// Helpers shared by the test programs.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/DrawContext.h"
#include "platform/Notify.h"

#include <mutex>

namespace testenv {

/** Points HOME, XDG_DATA_HOME, XDG_CONFIG_HOME at a fresh folder under /tmp; removes it at the end. */
class TemporaryHome {
public:
    TemporaryHome();
    ~TemporaryHome();
    TemporaryHome(const TemporaryHome&) = delete;
    TemporaryHome& operator=(const TemporaryHome&) = delete;
    const std::string& path() const { return path_; }

private:
    std::string path_;
    std::string oldHome_;
};

/** A fresh empty folder under /tmp, removed with its contents when the object goes. */
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

/**
 * @brief Makes a FIFO at path and runs call() on another thread. A reader that opens the FIFO
 * waits for a writer for ever; if call() has not returned within the time, the FIFO is opened
 * for writing and closed (so the reader comes free and the test can go on) and false returned.
 */
bool ReturnsPromptlyOnFifo(const std::string& path, const std::function<void()>& call, int seconds = 10);

/** What a command said: its exit status (-1 when it did not exit normally), its output and errors. */
struct CommandResult {
    int code = -1;
    std::string out, err;
};

/** s in single quotes for the shell, single quotes in it kept. */
std::string ShellQuote(const std::string& s);

/**
 * Runs commandLine (one simple command: the redirections go on its end) with the shell, standard
 * input from the file input, and waits for it.
 */
CommandResult RunCommand(const std::string& commandLine, const std::string& input = "/dev/null");

/** The source tree's media folder and the staged program folder of the build. */
std::string SourceDir();
std::string ProgramDir();

/** Records every notification, for assertions. Install with platform::InstallSink. */
class RecordingSink final : public platform::NotificationSink {
public:
    struct Entry {
        platform::WindowId window;
        int code;
        std::intptr_t a, b;
    };
    void Post(platform::WindowId w, int code, std::intptr_t a, std::intptr_t b) override;
    std::intptr_t Send(platform::WindowId w, int code, std::intptr_t a, std::intptr_t b) override;
    void SetTimer(platform::WindowId w, int id, int ms) override;
    void KillTimer(platform::WindowId w, int id) override;
    void SetCursor(platform::CursorShape shape) override;
    void Invalidate(platform::WindowId w) override;

    std::vector<Entry> Posted() const;
    int CountPosted(int code) const;
    platform::CursorShape LastCursor() const;
    std::vector<std::pair<int, int>> Timers() const;  // (id, ms) currently set
    void Clear();

private:
    mutable std::mutex m_;
    std::vector<Entry> posted_;
    std::vector<std::pair<int, int>> timers_;
    platform::CursorShape cursor_ = platform::CursorShape::Arrow;
};

/** Records draw calls as readable lines ("pen 241,84,230 1 dash", "rect 10 20 30 40"). */
class RecordingDrawContext final : public platform::DrawContext {
public:
    void SetPen(platform::Color c, int width, platform::PenStyle style) override;
    void SetBrush(platform::Color c, bool hollow) override;
    void Line(platform::Point a, platform::Point b) override;
    void Rectangle(int l, int t, int r, int b) override;
    void Polygon(const std::vector<platform::Point>& pts) override;
    void Ellipse(int l, int t, int r, int b) override;
    std::vector<std::string> calls;
};

}  // namespace testenv
