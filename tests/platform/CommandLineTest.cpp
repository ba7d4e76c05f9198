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
