#include "Glob.h"

#include <platform/MessageBox.h>

#include <QString>

void InternalError(const char *file, const char *function, unsigned line)
{
    const QString text = QStringLiteral("INTERNAL PROGRAM ERROR\n\nFile: %1, Func: %2, Line: %3\n\n"
                                        "Please report this fault to the program's support address.")
                             .arg(QString::fromUtf8(file), QString::fromUtf8(function))
                             .arg(line);
    MessageBoxA(nullptr, text.toUtf8().constData(), "Zilo", MB_OK | MB_ICONWARNING);
}
