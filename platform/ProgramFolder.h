#pragma once

#include <string>

// The folder of the running program as a Windows path without a trailing
// backslash ("C:\Zilo"; a drive root is "Z:"). ZILO_PROGRAM_FOLDER, a host
// folder, takes its place when set, so that tests and alternative layouts
// never share the installed program's data files.
std::string ProgramFolder();

// The folder of the running program itself as a Windows path, as
// ProgramFolder gives it but whatever ZILO_PROGRAM_FOLDER says: where the
// programs installed beside it are found.
std::string RunningProgramFolder();
