#include "library/tests/TestServer.h"

#include "platform/testing/TestEnv.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace libtest {
namespace {

std::string Script(const char* name)
{
    return testenv::SourceDir() + "/library/tests/data/" + name;
}

std::vector<char*> Argv(std::vector<std::string>& args)
{
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    return argv;
}

}  // namespace

bool RunPython(const std::vector<std::string>& args, std::string* error)
{
    std::vector<std::string> all{"python3"};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv = Argv(all);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = -1;
    const int rc = posix_spawnp(&pid, "python3", &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) {
        if (error) *error = std::string("cannot run python3: ") + std::strerror(rc);
        return false;
    }
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (WIFEXITED(status) && WEXITSTATUS(status) == 0) return true;
    if (error) *error = "python3 failed";
    return false;
}

bool PythonAvailable(std::string* why)
{
    if (RunPython({"-c", "import http.server, zipfile, functools"})) return true;
    if (why) *why = "python3 (with http.server and zipfile) is not available";
    return false;
}

bool MakeArchives(const std::string& folder, const std::string& absolute, const std::string& onlineTemplates)
{
    std::vector<std::string> args{Script("make_archives.py"), folder, absolute};
    if (!onlineTemplates.empty()) args.push_back(onlineTemplates);
    return RunPython(args);
}

TestServer::~TestServer() { Stop(); }

bool TestServer::Start(const std::string& folder, std::string* error)
{
    int in[2], out[2];
    if (pipe2(in, O_CLOEXEC) != 0 || pipe2(out, O_CLOEXEC) != 0) {
        if (error) *error = "pipe failed";
        return false;
    }
    std::vector<std::string> args{"python3", Script("serve.py"), folder};
    std::vector<char*> argv = Argv(args);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in[0], 0);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    const int rc = posix_spawnp(&pid_, "python3", &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(in[0]);
    close(out[1]);
    stdinFd_ = in[1];
    if (rc != 0) {
        pid_ = -1;
        close(out[0]);
        if (error) *error = std::string("cannot run python3: ") + std::strerror(rc);
        return false;
    }
    std::string line;
    pollfd p{out[0], POLLIN, 0};
    while (line.find('\n') == std::string::npos && poll(&p, 1, 10000) > 0) {
        char buf[64];
        const ssize_t n = read(out[0], buf, sizeof buf);
        if (n <= 0) break;
        line.append(buf, static_cast<size_t>(n));
    }
    close(out[0]);
    port_ = std::atoi(line.c_str());
    if (port_ <= 0) {
        Stop();
        if (error) *error = "the test web server did not start";
        return false;
    }
    return true;
}

void TestServer::Stop()
{
    if (stdinFd_ >= 0) close(stdinFd_);
    stdinFd_ = -1;
    if (pid_ > 0) {
        kill(pid_, SIGTERM);
        int status = 0;
        while (waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
        }
    }
    pid_ = -1;
}

std::string TestServer::Url(const std::string& path) const
{
    return "http://127.0.0.1:" + std::to_string(port_) + "/" + path;
}

}  // namespace libtest
