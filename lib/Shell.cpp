#include "Shell.h"

#include <platform/FileOperation.h>
#include <platform/LastError.h>
#include <platform/Shell.h>
#include <platform/StringList.h>
#include <platform/SystemInfo.h>

#include <QApplication>
#include <QIcon>
#include <QMessageBox>

#include <string>

CString TShell::LastExe;

int TShell::AnswerStart(int result, const CString &program, void **instance)
{
    if (result < 32) {
        if (instance)
            *instance = nullptr;
        LastExe.Empty();
        return result;
    }
    if (instance)
        *instance = reinterpret_cast<void *>(intptr_t(result));
    LastExe = program;
    return -1;
}

int TShell::Execute(void *window, const char *verb, const char *file, const char *parameters,
                    const char *folder, int showCommand, void **instance)
{
    CString program;
    int result = FindExecutableA(file, folder, program);
    if (result == -1)
        result = int(ShellExecuteA(window, verb, file, parameters, folder, showCommand));
    return AnswerStart(result, program, instance);
}

int TShell::Open(const char *file, const char *parameters)
{
    return Execute(nullptr, "open", file, parameters, nullptr, SW_SHOWNORMAL, nullptr);
}

int TShell::OpenProgram(const char *program, const char *parameters)
{
    return AnswerStart(int(ShellExecuteProgramA(program, parameters, nullptr)), CString(program ? program : ""),
                       nullptr);
}

int TShell::FindExecutableA(const char *file, const char *folder, CString &program)
{
    std::string found;
    const intptr_t result = ::FindExecutableA(file, folder, found);
    program = found.c_str();
    return result < 32 ? int(result) : -1;
}

CString TShell::GetLastExecutable()
{
    return LastExe;
}

bool TShell::AboutSystem(QWidget *window, const QIcon *icon, const char *otherText)
{
    if (!qobject_cast<QApplication *>(QCoreApplication::instance()))
        return false;
    // Named after the system the program runs on, which is not Windows here.
    OSVERSIONINFOA system;
    const QString name = GetVersionExA(&system) && system.szCSDVersion[0]
                             ? QString::fromUtf8(system.szCSDVersion)
                             : QStringLiteral("This system");
    QMessageBox box(window ? window : QApplication::activeWindow());
    box.setWindowTitle(QStringLiteral("About This System"));
    box.setText(name);
    box.setInformativeText(QString::fromUtf8(otherText ? otherText : ""));
    const QIcon shown = icon && !icon->isNull() ? *icon : QApplication::windowIcon();
    if (!shown.isNull())
        box.setIconPixmap(shown.pixmap(32));
    box.setStandardButtons(QMessageBox::Ok);
    box.exec();
    return true;
}

bool TShell::FileOperation(TStrings *files, int operation, const char *target, std::vector<DWORD> *results)
{
    const QByteArray names = GetFileOperationNames(files);
    // The target is ended by two NULs: its own and the one QByteArray keeps after its data.
    const QByteArray to = target ? QByteArray(target) + '\0' : QByteArray();
    std::vector<DWORD> outcomes;
    SHFILEOPSTRUCTA record;
    record.wFunc = UINT(operation);
    record.pFrom = names.constData();
    record.pTo = target ? to.constData() : nullptr;
    record.fFlags = FOF_ALLOWUNDO;
    record.pResults = &outcomes;
    SHFileOperationA(&record);

    // Lines after an empty one never reached the shell: they were not done.
    const bool unreached = outcomes.size() < size_t(files->Count());
    outcomes.resize(size_t(files->Count()), ERROR_INVALID_PARAMETER);
    if (results)
        *results = std::move(outcomes);
    return record.fAnyOperationsAborted || unreached;
}

QString TShell::GetErrorMessage(int code)
{
    switch (code) {
    case 0: return QStringLiteral("Out of memory or resources");
    case 2: return QStringLiteral("The specified file was not found");
    case 3: return QStringLiteral("The specified path was not found");
    case 5: return QStringLiteral("Access to the specified file was denied");
    case 8: return QStringLiteral("There was not enough memory to complete the operation");
    case 11: return QStringLiteral("The .EXE file is invalid (non-Win32 .EXE or error in .EXE image)");
    case 26: return QStringLiteral("A sharing violation occurred");
    case 27: return QStringLiteral("The filename association is incomplete or invalid");
    case 28: return QStringLiteral("The DDE transaction could not be completed because the request timed out");
    case 29: return QStringLiteral("The DDE transaction failed");
    case 30:
        return QStringLiteral(
            "The DDE transaction could not be completed because other DDE transactions were being processed");
    case 31: return QStringLiteral("There is no application associated with the given filename extension");
    case 32: return QStringLiteral("The specified DLL was not found");
    default: return QStringLiteral("Success");
    }
}

QByteArray GetFileOperationNames(TStrings *names)
{
    QByteArray block;
    for (int i = 0; i < names->Count(); ++i) {
        block += names->Get(i).toUtf8();
        block += '\0';
    }
    block += '\0';
    return block;
}
