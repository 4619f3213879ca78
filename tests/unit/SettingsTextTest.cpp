#include <gtest/gtest.h>

#include <string>

#include "app/SettingsText.h"

static SettingsText split(const char* text)
{
    SettingsText s;
    splitSettings(text, &s);
    return s;
}

TEST(SettingsText, FormatWritesPathBlankAndBothNumbers)
{
    char out[SETTINGS_VALUE_SIZE];
    EXPECT_EQ(25, formatSettings(out, sizeof out, "Witze\\Blondinen.txt", 30, 45));
    EXPECT_STREQ("Witze\\Blondinen.txt 30 45", out);
    EXPECT_EQ(7, formatSettings(out, sizeof out, "", -1, -20));
    EXPECT_STREQ(" -1 -20", out);
}

TEST(SettingsText, RoundTrips)
{
    const char* paths[] = {"Witze\\Blondinen.txt", "C:\\Meine Witze\\Teil 2.txt",
                           "Witze\\Teil 2", "a 1 2", "", "x", "C:\\Mit  zwei Blanks "};
    const int numbers[][2] = {{30, 30}, {0, 0}, {-1, 2147483647}, {-2147483647 - 1, 5}};
    for (const char* path : paths)
        for (const auto& n : numbers) {
            char out[SETTINGS_VALUE_SIZE];
            ASSERT_GE(formatSettings(out, sizeof out, path, n[0], n[1]), 0);
            SettingsText s = split(out);
            EXPECT_STREQ(path, s.path) << out;
            EXPECT_TRUE(s.hasShowSeconds && s.hasPauseSeconds) << out;
            EXPECT_EQ(n[0], s.showSeconds) << out;
            EXPECT_EQ(n[1], s.pauseSeconds) << out;
        }
}

TEST(SettingsText, LongestPathStillFits)
{
    std::string path(1023, 'p');
    char out[SETTINGS_VALUE_SIZE];
    int length = formatSettings(out, sizeof out, path.c_str(), -2147483647 - 1, -2147483647 - 1);
    ASSERT_EQ(1023 + 24, length);
    SettingsText s = split(out);
    EXPECT_EQ(path, s.path);
    EXPECT_EQ(-2147483647 - 1, s.pauseSeconds);
    char small[10];
    EXPECT_EQ(-1, formatSettings(small, sizeof small, "Witze\\x.txt", 1, 2));
}

TEST(SettingsText, ShortValuesKeepTheMissingIntervals)
{
    SettingsText s = split("Witze\\Tiere.txt");
    EXPECT_STREQ("Witze\\Tiere.txt", s.path);
    EXPECT_FALSE(s.hasShowSeconds);
    EXPECT_FALSE(s.hasPauseSeconds);

    s = split("Witze\\Tiere.txt 12");
    EXPECT_STREQ("Witze\\Tiere.txt", s.path);
    EXPECT_TRUE(s.hasShowSeconds);
    EXPECT_EQ(12, s.showSeconds);
    EXPECT_FALSE(s.hasPauseSeconds);

    // a number alone is a path: nothing stands before it
    s = split("42");
    EXPECT_STREQ("42", s.path);
    EXPECT_FALSE(s.hasShowSeconds);

    s = split("");
    EXPECT_STREQ("", s.path);
    EXPECT_FALSE(s.hasShowSeconds);
}

TEST(SettingsText, MalformedTailsAreNotNumbers)
{
    const char* texts[] = {"a.txt 10 1x", "a.txt 10 -", "a.txt 10 99999999999",
                           "a.txt 10 ", "a.txt 10 2147483648", "a.txt 10 --3"};
    for (const char* text : texts) {
        SettingsText s = split(text);
        EXPECT_FALSE(s.hasPauseSeconds) << text;
        EXPECT_FALSE(s.hasShowSeconds) << text;
        EXPECT_STREQ(text, s.path) << text;
    }
    SettingsText s = split("a.txt x 7");
    EXPECT_STREQ("a.txt x", s.path);
    EXPECT_EQ(7, s.showSeconds);
    EXPECT_FALSE(s.hasPauseSeconds);
    s = split("a.txt +8 -9");
    EXPECT_EQ(8, s.showSeconds);
    EXPECT_EQ(-9, s.pauseSeconds);
}

TEST(SettingsText, EmptyPathBeginsWithABlank)
{
    SettingsText s = split(" 30 45");
    EXPECT_STREQ("", s.path);
    EXPECT_EQ(30, s.showSeconds);
    EXPECT_EQ(45, s.pauseSeconds);
}

TEST(SettingsText, OverlongPathIsCutNotOverrun)
{
    std::string text(3000, 'q');
    text += " 1 2";
    SettingsText s = split(text.c_str());
    EXPECT_EQ(1023u, std::string(s.path).size());
    EXPECT_EQ(1, s.showSeconds);
    EXPECT_EQ(2, s.pauseSeconds);
}
