#include "CommandLine.h"

#include <QDebug>

#include <fstream>
#include <iterator>

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

static bool needsQuotes(const std::string &argument)
{
    return argument.empty() || argument.find_first_of(" \t\"") != std::string::npos;
}

// Backslashes are doubled only where a quote follows them, the closing one
// included; a quote is escaped by one more. The line's last argument goes
// without its closing quote, which the end of the line stands for, so that
// the line ends in the argument's own text: a program that takes the rest of
// its line as a path ("browsefile=C:\My Pics\") reads no quote and no doubled
// backslash there.
static std::string quoted(const std::string &argument, bool last)
{
    std::string text = "\"";
    size_t backslashes = 0;
    for (const char c : argument) {
        if (c == '\\') {
            ++backslashes;
            continue;
        }
        text.append(c == '"' ? 2 * backslashes + 1 : backslashes, '\\');
        backslashes = 0;
        text += c;
    }
    if (last)
        return text.append(backslashes, '\\');
    text.append(2 * backslashes, '\\');
    return text + '"';
}

std::string JoinCommandLine(const std::vector<std::string> &arguments)
{
    std::string line;
    for (const std::string &argument : arguments) {
        if (&argument != &arguments.front())
            line += ' ';
        line += needsQuotes(argument) ? quoted(argument, &argument == &arguments.back()) : argument;
    }
    return line;
}

// The arguments the process was started with, program first.
static std::vector<std::string> processArguments()
{
    std::ifstream file("/proc/self/cmdline", std::ios::binary);
    if (!file.is_open())
        qWarning("The command line could not be read");
    const std::string text{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    std::vector<std::string> arguments;
    for (size_t start = 0; start < text.size();) {
        const size_t end = text.find('\0', start);
        arguments.push_back(text.substr(start, end - start));
        if (end == std::string::npos)
            break;
        start = end + 1;
    }
    return arguments;
}

const char *GetCommandLineA()
{
    static const std::string line = JoinCommandLine(processArguments());
    return line.c_str();
}
