#pragma once

#include <string>

// The folder that the environment variable name holds, as a Windows path
// (HostPath.h). Empty when the variable is unset or empty, or when its value
// is relative or on no drive, so that a caller never takes a folder relative
// to wherever the program happens to run. The folder need not exist.
std::string GetEnvironmentFolder(const char *name);

// The host's own folder for temporary files as a Windows path: TMPDIR as
// GetEnvironmentFolder reads it, else the host's standard one. Never empty
// while a drive holds the host's root.
std::string GetHostTempFolder();
