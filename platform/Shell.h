#pragma once

#include <cstdint>
#include <string>

// Starting documents and programs the way the Windows shell does, over the
// desktop: documents and web addresses open with the desktop's default
// application (xdg-open); programs start only when they are the program
// folder's own or the caller names them as programs.

// The shell's start-up errors. A result above 32 means success.
constexpr intptr_t SE_ERR_OOM = 0;
constexpr intptr_t SE_ERR_FNF = 2;
constexpr intptr_t SE_ERR_PNF = 3;
constexpr intptr_t SE_ERR_ACCESSDENIED = 5;
constexpr intptr_t SE_ERR_BADFORMAT = 11;
constexpr intptr_t SE_ERR_ASSOCINCOMPLETE = 27;
constexpr intptr_t SE_ERR_NOASSOC = 31;

constexpr int SW_SHOWNORMAL = 1;
constexpr int SW_SHOWDEFAULT = 10;

// How file is understood, by both calls:
// - a web address ("http://...", "mailto:...") opens with the application for
//   its scheme;
// - otherwise it is a Windows path; a relative one lies in folder or, with no
//   folder, in the program folder;
// - the program folder's Zilo, Splash, Setup and Deviva are programs; a name
//   ending in ".exe" that does not exist names the program without it, so
//   "Zilo.exe" starts the program folder's Zilo;
// - anything else is a document, whatever its mode or first bytes, typed by
//   the desktop's MIME database, and the application for its type (or a
//   parent type) opens it.

// Window thread. The verb is "open" (or none); others answer SE_ERR_NOASSOC.
// A program gets parameters split as a Windows command line; when it is not
// one of the program folder's own, an argument that is an absolute Windows path
// reaches it as a host path. It starts in folder, or in the current folder.
// A document or address with no application answers SE_ERR_NOASSOC before
// anything starts; otherwise xdg-open gets it, and its exit status gives the
// answer (2 SE_ERR_FNF, 3 SE_ERR_NOASSOC, other failures
// SE_ERR_ASSOCINCOMPLETE). An xdg-open still running after a few seconds has
// started the application (some desktops wait for it) and counts as success.
// window and showCommand have no effect: new windows show normally.
intptr_t ShellExecuteA(void *window, const char *verb, const char *file, const char *parameters,
                       const char *folder, int showCommand);

// Any thread. Fills program with the Windows path of the program that would
// open file (a program answers itself) and answers a value above 32; on
// failure empties program and answers the error: SE_ERR_FNF or SE_ERR_PNF for
// a file or folder that does not exist, SE_ERR_NOASSOC when nothing opens it.
intptr_t FindExecutableA(const char *file, const char *folder, std::string &program);

// Window thread. ShellExecuteA for a program the caller names as one (one the
// user chose to open files with): program starts as a program whatever its
// name, and a file that cannot run answers SE_ERR_ACCESSDENIED.
intptr_t ShellExecuteProgramA(const char *program, const char *parameters, const char *folder);

// Any thread. Whether program (a Windows path) names a file that
// ShellExecuteProgramA could start: a regular file the user may run.
bool IsProgramFileA(const char *program);
