#pragma once

#include <QByteArray>
#include <QtGlobal>

#include <filesystem>

// Points the settings and the program folder into scratch, unless the caller
// chose them, and paints offscreen unless a platform was chosen: a benchmark
// never touches the user's settings and needs no display.
inline void PrepareBenchEnvironment(const std::filesystem::path &scratch)
{
    if (qEnvironmentVariableIsEmpty("ZILO_REGISTRY"))
        qputenv("ZILO_REGISTRY", QByteArray::fromStdString((scratch / "registry.db").string()));
    if (qEnvironmentVariableIsEmpty("ZILO_PROGRAM_FOLDER"))
        qputenv("ZILO_PROGRAM_FOLDER", QByteArray::fromStdString(scratch.string()));
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
}
