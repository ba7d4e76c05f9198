#include "Debug.h"

#include <QDebug>

void OutputDebugStringA(const char *text)
{
    qDebug("%s", text);
}
