// Writes the program's icon, as the windows draw it, to the PNG file that
// desktop entries name: MakeZiloIcon FILE. Run by the build.

#include <lib/Application.h>

#include <QGuiApplication>

#include <cstdio>

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: MakeZiloIcon FILE\n");
        return 2;
    }
    QGuiApplication application(argc, argv);
    constexpr int IconSize = 48;
    return ProgramIcon().pixmap(IconSize, IconSize).save(QString::fromLocal8Bit(argv[1]), "PNG") ? 0 : 1;
}
