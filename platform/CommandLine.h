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
