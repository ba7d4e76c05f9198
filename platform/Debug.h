#pragma once

// Sends one line to the debugger output, which here is Qt's debug message
// stream (tests capture it with qInstallMessageHandler). Any thread.
void OutputDebugStringA(const char *text);
