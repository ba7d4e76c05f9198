#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include <sys/types.h>

// Host programs started by the shell services. Any thread.

// Whether hostPath is a regular file that the user may run.
bool IsHostExecutable(const std::string &hostPath);

// An absolute host path as it stands, a bare name through $PATH; empty when
// no runnable file is found.
std::string FindHostProgram(const std::string &name);

// Starts program (an absolute host path) with arguments, in workingFolder or,
// when that is empty, in the current folder. The new process inherits no file
// of ours beyond the standard three. Answers its id, or -1 with errno set to
// why it could not start (the program could not be run included).
pid_t StartHostProcess(const std::string &program, const std::vector<std::string> &arguments,
                       const std::string &workingFolder);

// Waits up to timeout for the process to end and answers its exit status (128
// plus the signal for one that a signal ended). A process still running then
// answers nothing and is reaped in the background when it ends. Either way
// the caller is done with it.
std::optional<int> WaitForHostProcess(pid_t process, std::chrono::milliseconds timeout);

// Runs a desktop helper found through $PATH (xdg-open, xdg-email) and waits a
// few seconds for it. Answers its exit status, 0 when it is still running
// then (some desktops wait for the application it started), or nothing when
// there is no such helper or it cannot start.
std::optional<int> RunDesktopHelper(const std::string &name, const std::vector<std::string> &arguments);
