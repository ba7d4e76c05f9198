#pragma once

#include <string>
#include <string_view>
#include <vector>

// Splits a command line's arguments as Windows programs split theirs: white
// space separates; double quotes group (and "" inside quotes is one quote);
// backslashes are literal except before a quote, where 2n of them give n and
// a grouping quote, and 2n + 1 give n and a literal quote. So Windows paths,
// trailing backslash and all, pass unharmed.
std::vector<std::string> SplitCommandLine(std::string_view text);

// The reverse of SplitCommandLine: joins arguments with single blanks,
// quoting each that is empty or holds a blank or a quote, so that splitting
// the line gives them back. The last argument's quote is left open: the end
// of the line closes it, and the line ends in that argument's text as it is.
std::string JoinCommandLine(const std::vector<std::string> &arguments);

// The whole command line of this process as Windows gives it: the program as
// it was started, then its arguments, joined by JoinCommandLine. Built once;
// the text lives as long as the process. Empty, after a warning, where the
// host does not tell the arguments.
const char *GetCommandLineA();
