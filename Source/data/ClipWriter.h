#pragma once

#include <QImage>

#include <functional>

// Writes a clip drawn at build time, uncompressed with our own AVI writer,
// for the program folder: the command line's one argument is the file (a host
// path). Answers the process's exit code, with the reason on stderr.
int WriteClip(int argc, char **argv, const char *name, QSize size, int frames, int rate,
              const std::function<QImage(int frame)> &draw);
