// Like matching: each wildcard, character lists, malformed patterns and many "*".
#include <gtest/gtest.h>

#include "LikePattern.h"

TEST(LikeMatch, Cases) {
    const struct {
        const char* text;
        const char* pattern;
        bool matches;
    } cases[] = {
        {"C:\\TEMP\\", "C:\\TE*", true},
        {"C:\\TEMP\\", "c:\\te*", false},  // exact characters: callers upper-case both
        {"", "", true},
        {"", "*", true},
        {"A", "", false},
        {"ABC", "A?C", true},
        {"AC", "A?C", false},
        {"A1C", "A#C", true},
        {"ABC", "A#C", false},
        {"ABC", "*B*", true},
        {"ABC", "*D*", false},
        {"ABC", "A**C", true},
        {"B", "[A-C]", true},
        {"D", "[A-C]", false},
        {"D", "[!A-C]", true},
        {"B", "[!A-C]", false},
        {"X", "[AX-Z]", true},
        {"-", "[-A]", true},
        {"-", "[A-]", true},
        {"*", "[*]", true},
        {"X", "[*]", false},
        {"[", "[[]", true},
        {"AB", "A[]B", true},  // an empty list stands for nothing
        {"A]", "A]", true},
        {"!", "!", true},
        {"ÄÖ", "Ä?", true},
        {"𝄞X", "?X", true},  // one character outside the 16-bit range
        // Malformed patterns match nothing.
        {"ABC", "[A-C", false},
        {"[", "[", false},
        {"A[B", "A[B*", false},
        {"B", "[C-A]", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(LikeMatch(QString::fromUtf8(c.text), QString::fromUtf8(c.pattern)), c.matches)
            << c.text << " Like " << c.pattern;
    }
}

TEST(LikeMatch, ManyStarsOnALongTextFinish) {
    // A backtracking matcher would need time exponential in the number of "*" here.
    const QString text = QString(20000, u'A');
    const QString failing = QString("A*").repeated(60) + "B";
    const QString matching = QString("A*").repeated(60) + "A";
    EXPECT_FALSE(LikeMatch(text, failing));
    EXPECT_TRUE(LikeMatch(text, matching));
}
