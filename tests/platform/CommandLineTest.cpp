#include <platform/CommandLine.h>

#include <gtest/gtest.h>

TEST(SplitCommandLine, SplitsAsWindowsProgramsDo)
{
    using Arguments = std::vector<std::string>;
    const struct
    {
        const char *line;
        Arguments arguments;
    } cases[] = {
        {"", {}},
        {"   \t ", {}},
        {"about", {"about"}},
        {"  a   b\tc ", {"a", "b", "c"}},
        {"\"two words\" x", {"two words", "x"}},
        {"browsefile=C:\\Pics\\a.zilo", {"browsefile=C:\\Pics\\a.zilo"}},
        {"\"C:\\My Pics\\\\\" next", {"C:\\My Pics\\", "next"}},   // 2n backslashes before a quote
        {"x\\\"y", {"x\"y"}},                                       // 2n + 1: a literal quote
        {"a\\\\\\\"b", {"a\\\"b"}},
        {"\"a\"\"b\"", {"a\"b"}},                                   // "" inside quotes
        {"\"\" x", {"", "x"}},                                      // an empty argument
        {"ab\"c d\"e", {"abc de"}},
        {"\"unclosed quote", {"unclosed quote"}},
        {"trailing\\", {"trailing\\"}},
    };
    for (const auto &c : cases)
        EXPECT_EQ(SplitCommandLine(c.line), c.arguments) << c.line;
}

TEST(JoinCommandLine, QuotesOnlyWhatSplittingWouldChangeAndSplitsBack)
{
    using Arguments = std::vector<std::string>;
    const struct
    {
        Arguments arguments;
        const char *line;
    } cases[] = {
        {{}, ""},
        {{"Zilo"}, "Zilo"},
        {{"Zilo", "browsefile=C:\\Pics\\"}, "Zilo browsefile=C:\\Pics\\"},   // left as typed
        // The last argument's quote is closed by the end of the line, so the
        // line ends in the argument's own text.
        {{"Zilo", "browsefile=C:\\My Pics\\a.jpg"}, "Zilo \"browsefile=C:\\My Pics\\a.jpg"},
        {{"Zilo", "browsefile=C:\\My Pics\\"}, "Zilo \"browsefile=C:\\My Pics\\"},
        {{"C:\\My Pics\\", "x"}, "\"C:\\My Pics\\\\\" x"},   // doubled before a closing quote
        {{"a\"b", "x"}, "\"a\\\"b\" x"},
        {{"a\"b"}, "\"a\\\"b"},
        {{"a\\\"b", "x"}, "\"a\\\\\\\"b\" x"},
        {{"x y\\\\", "x"}, "\"x y\\\\\\\\\" x"},
        {{"x y\\\\"}, "\"x y\\\\"},
        {{"", "x"}, "\"\" x"},
        {{"x", ""}, "x \""},
        {{"tab\there", "x"}, "\"tab\there\" x"},
        {{"\"quoted\"", "x"}, "\"\\\"quoted\\\"\" x"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.line);
        const std::string line = JoinCommandLine(c.arguments);
        EXPECT_EQ(line, c.line);
        EXPECT_EQ(SplitCommandLine(line), c.arguments);
    }
}

TEST(GetCommandLineA, IsTheProcessArgumentsJoined)
{
    // GoogleTest keeps the arguments as main received them, its own flags included.
    EXPECT_EQ(SplitCommandLine(GetCommandLineA()), testing::internal::GetArgvs());
    EXPECT_EQ(GetCommandLineA(), GetCommandLineA());   // one text for the process
}
