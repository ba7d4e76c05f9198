#include "CommandLine.h"

static bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

// Reads the argument that starts at text[i] and leaves i after it.
static std::string readArgument(std::string_view text, size_t &i)
{
    std::string argument;
    bool quoted = false;
    while (i < text.size() && (quoted || !isBlank(text[i]))) {
        if (text[i] == '\\') {
            const size_t run = text.find_first_not_of('\\', i);
            const size_t backslashes = (run == std::string_view::npos ? text.size() : run) - i;
            i += backslashes;
            if (i >= text.size() || text[i] != '"') {
                argument.append(backslashes, '\\');
                continue;
            }
            argument.append(backslashes / 2, '\\');
            if (backslashes % 2 == 0)
                continue;   // the quote groups
            argument += '"';
            ++i;
            continue;
        }
        if (text[i] != '"') {
            argument += text[i++];
            continue;
        }
        if (quoted && i + 1 < text.size() && text[i + 1] == '"') {
            argument += '"';
            i += 2;
            continue;
        }
        quoted = !quoted;
        ++i;
    }
    return argument;
}

std::vector<std::string> SplitCommandLine(std::string_view text)
{
    std::vector<std::string> arguments;
    size_t i = 0;
    for (;;) {
        while (i < text.size() && isBlank(text[i]))
            ++i;
        if (i >= text.size())
            return arguments;
        arguments.push_back(readArgument(text, i));
    }
}
