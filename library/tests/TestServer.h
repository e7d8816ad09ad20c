#pragma once
// A loopback web server for the network tests: library/tests/data/serve.py run with python3.
#include <string>
#include <sys/types.h>
#include <vector>

namespace libtest {

/** Runs python3 with arguments; true when it exits with 0. */
bool RunPython(const std::vector<std::string>& args, std::string* error = nullptr);

/** True when python3 runs and has what the test scripts need; else why not. */
bool PythonAvailable(std::string* why);

/** Builds the test archives (make_archives.py) into folder; absolute is the hostile entry's name. */
bool MakeArchives(const std::string& folder, const std::string& absolute, const std::string& onlineTemplates = "");

class TestServer {
public:
    TestServer() = default;
    ~TestServer();
    TestServer(const TestServer&) = delete;
    TestServer& operator=(const TestServer&) = delete;

    /** Serves folder on 127.0.0.1; false with a reason when the server does not come up. */
    bool Start(const std::string& folder, std::string* error = nullptr);
    void Stop();
    int Port() const { return port_; }
    /** "http://127.0.0.1:<port>/" followed by path. */
    std::string Url(const std::string& path = "") const;

private:
    pid_t pid_ = -1;
    int stdinFd_ = -1;
    int port_ = 0;
};

}  // namespace libtest
