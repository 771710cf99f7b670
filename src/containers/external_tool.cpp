#include "containers/external_tool.h"

#include <array>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace pq {
namespace {

constexpr std::size_t kKeptErrorOutput = 4096;
constexpr int kWatchMilliseconds = 20;

using Clock = std::chrono::steady_clock;

bool isExecutableFile(const std::string& path)
{
    struct stat st { };
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::access(path.c_str(), X_OK) == 0;
}

// The child's descriptors 0 (nothing), 1 and 2 (the pipes) and 3 (the passed one).
struct SpawnActions {
    posix_spawn_file_actions_t actions{};
    SpawnActions(int out, int err, int passed)
    {
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_adddup2(&actions, out, 1);
        posix_spawn_file_actions_adddup2(&actions, err, 2);
        if (passed >= 0)
            posix_spawn_file_actions_adddup2(&actions, passed, 3);
    }
    ~SpawnActions() { posix_spawn_file_actions_destroy(&actions); }
    SpawnActions(const SpawnActions&) = delete;
    SpawnActions& operator=(const SpawnActions&) = delete;
};

} // namespace

std::string findProgram(std::string_view name, const std::string& folder)
{
    const char* path = std::getenv("PATH");
    const std::string folders = !folder.empty() ? folder : path ? path : "/usr/bin:/bin";
    for (std::size_t at = 0; at <= folders.size();) {
        const std::size_t end = std::min(folders.find(':', at), folders.size());
        const std::string candidate = folders.substr(at, end - at) + "/" + std::string(name);
        if (end > at && isExecutableFile(candidate))
            return candidate;
        at = end + 1;
    }
    return {};
}

ToolResult runTool(const ToolRun& run)
{
    ToolResult result;
    std::array<int, 2> out{-1, -1}, err{-1, -1};
    if (::pipe2(out.data(), O_CLOEXEC) != 0)
        return result;
    if (::pipe2(err.data(), O_CLOEXEC) != 0) {
        ::close(out[0]), ::close(out[1]);
        return result;
    }
    // A descriptor already numbered 3 would stay marked close-on-exec: pass a copy instead.
    const int passed = run.passedDescriptor == 3 ? ::fcntl(3, F_DUPFD_CLOEXEC, 10) : run.passedDescriptor;
    std::vector<std::string> words{run.program};
    words.insert(words.end(), run.arguments.begin(), run.arguments.end());
    std::vector<char*> argv;
    for (std::string& word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);
    pid_t pid = -1;
    int spawned = 0;
    {
        const SpawnActions actions(out[1], err[1], passed);
        spawned = ::posix_spawn(&pid, run.program.c_str(), &actions.actions, nullptr, argv.data(), environ);
    }
    ::close(out[1]), ::close(err[1]);
    if (passed != run.passedDescriptor)
        ::close(passed);
    std::array<pollfd, 2> fds{pollfd{out[0], POLLIN, 0}, pollfd{err[0], POLLIN, 0}};
    auto lastActivity = Clock::now();
    bool stopped = false, reaped = spawned != 0;
    int status = 0;
    char buffer[65536];
    while (!reaped) {
        const bool piping = fds[0].fd >= 0 || fds[1].fd >= 0;
        if (::poll(fds.data(), fds.size(), kWatchMilliseconds) < 0 && errno != EINTR)
            break;
        for (std::size_t i = 0; i < fds.size(); ++i) {
            if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP | POLLERR)))
                continue;
            const ssize_t n = ::read(fds[i].fd, buffer, sizeof buffer);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0) {
                ::close(fds[i].fd);
                fds[i].fd = -1;
                continue;
            }
            lastActivity = Clock::now();
            std::string& text = i == 0 ? result.out : result.err;
            text.append(buffer, static_cast<std::size_t>(n));
            if (i == 1 && text.size() > kKeptErrorOutput)
                text.erase(0, text.size() - kKeptErrorOutput);
        }
        const ToolPoll said = run.watch ? run.watch() : ToolPoll::Idle;
        if (said == ToolPoll::Progressed)
            lastActivity = Clock::now();
        if (!stopped) {
            const auto end = said == ToolPoll::Stop                             ? ToolResult::End::Stopped
                : static_cast<std::int64_t>(result.out.size()) > run.mostOutput ? ToolResult::End::TooMuchOutput
                : Clock::now() - lastActivity > run.idleTimeout                 ? ToolResult::End::TimedOut
                                                                                : ToolResult::End::Exited;
            if (end != ToolResult::End::Exited) {
                result.end = end;
                stopped = true;
                ::kill(pid, SIGKILL);
            }
        }
        if (!piping || stopped)
            reaped = ::waitpid(pid, &status, stopped ? 0 : WNOHANG) == pid;
    }
    for (const pollfd& fd : fds)
        if (fd.fd >= 0)
            ::close(fd.fd);
    if (!reaped) { // poll itself failed
        ::kill(pid, SIGKILL);
        ::waitpid(pid, &status, 0);
        result.end = ToolResult::End::Stopped;
        return result;
    }
    if (spawned != 0 || stopped)
        return result;
    result.end = WIFEXITED(status) ? ToolResult::End::Exited : ToolResult::End::Signalled;
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : WTERMSIG(status);
    return result;
}

std::string firstLine(const std::string& text)
{
    const std::size_t start = text.find_first_not_of(" \t\r\n");
    if (start == std::string::npos)
        return {};
    const std::size_t end = text.find_first_of("\r\n", start);
    std::string line = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
    if (line.size() > 200)
        line = line.substr(0, 200) + "…";
    return line;
}

} // namespace pq
