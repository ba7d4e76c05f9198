#include "HostProcess.h"

#include <cerrno>
#include <cstdlib>
#include <sstream>
#include <thread>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

bool IsHostExecutable(const std::string &hostPath)
{
    struct stat info;
    return ::stat(hostPath.c_str(), &info) == 0 && S_ISREG(info.st_mode) && ::access(hostPath.c_str(), X_OK) == 0;
}

std::string FindHostProgram(const std::string &name)
{
    if (name.empty())
        return {};
    if (name.find('/') != std::string::npos)
        return name[0] == '/' && IsHostExecutable(name) ? name : std::string();
    const char *path = std::getenv("PATH");
    std::istringstream folders(path ? path : "");
    std::string folder;
    while (std::getline(folders, folder, ':')) {
        if (folder.empty() || folder[0] != '/')
            continue;
        const std::string candidate = folder + '/' + name;
        if (IsHostExecutable(candidate))
            return candidate;
    }
    return {};
}

// In the child, between fork and exec, only async-signal-safe calls: the
// failure travels back as errno through a pipe that exec closes.
[[noreturn]] static void runChild(const char *program, char *const *argv, const char *workingFolder, int reportFd)
{
    int error = 0;
    if (*workingFolder && ::chdir(workingFolder) != 0)
        error = errno;
    if (!error) {
        ::close_range(3, ~0U, CLOSE_RANGE_CLOEXEC);
        ::execve(program, argv, environ);
        error = errno;
    }
    [[maybe_unused]] const ssize_t written = ::write(reportFd, &error, sizeof error);
    ::_exit(127);
}

pid_t StartHostProcess(const std::string &program, const std::vector<std::string> &arguments,
                       const std::string &workingFolder)
{
    std::vector<char *> argv;
    argv.push_back(const_cast<char *>(program.c_str()));
    for (const std::string &argument : arguments)
        argv.push_back(const_cast<char *>(argument.c_str()));
    argv.push_back(nullptr);

    int report[2];
    if (::pipe2(report, O_CLOEXEC) != 0)
        return -1;
    const pid_t child = ::fork();
    if (child == 0)
        runChild(program.c_str(), argv.data(), workingFolder.c_str(), report[1]);
    const int forkError = errno;
    ::close(report[1]);
    if (child < 0) {
        ::close(report[0]);
        errno = forkError;
        return -1;
    }
    int childError = 0;
    ssize_t got;
    do
        got = ::read(report[0], &childError, sizeof childError);
    while (got < 0 && errno == EINTR);
    ::close(report[0]);
    if (got <= 0)
        return child;   // exec closed the pipe: the program runs
    ::waitpid(child, nullptr, 0);
    errno = childError;
    return -1;
}

static int exitStatusOf(int status)
{
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

std::optional<int> WaitForHostProcess(pid_t process, std::chrono::milliseconds timeout)
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        int status = 0;
        const pid_t ended = ::waitpid(process, &status, WNOHANG);
        if (ended == process)
            return exitStatusOf(status);
        if (ended < 0 && errno != EINTR)
            return std::nullopt;   // not our child any more
        if (std::chrono::steady_clock::now() >= deadline)
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    std::thread([process] { ::waitpid(process, nullptr, 0); }).detach();
    return std::nullopt;
}

std::optional<int> RunDesktopHelper(const std::string &name, const std::vector<std::string> &arguments)
{
    // A helper that has not ended by then is running the application.
    constexpr std::chrono::seconds HelperWait{3};
    const std::string helper = FindHostProgram(name);
    if (helper.empty())
        return std::nullopt;
    const pid_t process = StartHostProcess(helper, arguments, {});
    if (process < 0)
        return std::nullopt;
    return WaitForHostProcess(process, HelperWait).value_or(0);
}
