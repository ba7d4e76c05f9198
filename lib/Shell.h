#pragma once

#include "String.h"

#include <platform/Types.h>

#include <QByteArray>
#include <QString>

#include <vector>

class QIcon;
class QWidget;
class TStrings;

// The system's calls of the shell. Window thread only.
class TShell
{
public:
    // Starts file (a document, web address or program; see platform/Shell.h)
    // after finding the program that opens it. Answers -1 on success, otherwise
    // the shell's error code (below 32); a file with no association answers 31
    // before anything starts. instance, when given, receives the shell's handle
    // or null. window and showCommand have no effect here.
    static int Execute(void *window, const char *verb, const char *file, const char *parameters,
                       const char *folder, int showCommand, void **instance);
    // Execute with the verb "open", no folder and the normal show command.
    static int Open(const char *file, const char *parameters);
    // Starts program, one the user chose to open files with, with parameters,
    // as a program whatever its name or type. Answers as Open; the last
    // executable becomes program.
    static int OpenProgram(const char *program, const char *parameters);
    // On success fills program and answers -1; on failure empties it and
    // answers the shell's code (below 32).
    static int FindExecutableA(const char *file, const char *folder, CString &program);
    // The program that the last Execute found for its file; empty after a failure.
    static CString GetLastExecutable();

    // Shows the About box of the system the program runs on, "About This
    // System", with the system's name (GetVersionExA) and otherText, modal
    // over window (or the active window) with icon when given. Answers
    // whether it was shown.
    static bool AboutSystem(QWidget *window, const QIcon *icon, const char *otherText);

    // Runs the shell's operation (1 move, 2 copy, 3 delete) over files, to the
    // folder target for a move or copy; deletes go to the trash. Answers true
    // when any file was not done: the user cancelled or skipped it, or it
    // failed. results, when given, receives one Windows code per line of files
    // (ERROR_SUCCESS for a file that was done), so callers can tell which;
    // lines after an empty one are never reached (ERROR_INVALID_PARAMETER).
    static bool FileOperation(TStrings *files, int operation, const char *target,
                              std::vector<DWORD> *results = nullptr);

    static QString GetErrorMessage(int code);

private:
    // -1 with the last executable set to program when the shell started it,
    // otherwise the shell's error code with it emptied.
    static int AnswerStart(int result, const CString &program, void **instance);

    static CString LastExe;
};

// The lines of names (UTF-8) in the shell's list form: each followed by a NUL,
// and one further NUL at the end. An empty line ends the list for the shell.
QByteArray GetFileOperationNames(TStrings *names);
