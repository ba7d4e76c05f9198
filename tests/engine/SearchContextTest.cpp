#include <Source/engine/SearchContext.h>

#include <gtest/gtest.h>

#include <QLabel>

TEST(SearchContext, ShowsTheCountAsTheUserReadsIt)
{
    struct Case { int count; const char *shown; };
    const Case cases[] = {{0, "No matches"}, {1, "1 match"}, {2, "2 matches"}, {1234, "1234 matches"}};
    CSearchContext search;
    QLabel label;
    for (const Case &test : cases) {
        SCOPED_TRACE(test.count);
        search.ShowMatchCount(&label, test.count);
        EXPECT_EQ(label.text(), test.shown);
    }
}
