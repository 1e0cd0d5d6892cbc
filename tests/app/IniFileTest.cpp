// The initialisation-file reader: sections, comments, blanks, quotes, case and repeated keys.

#include "app/IniFile.h"

#include <gtest/gtest.h>

using kavrel::IniFile;

TEST(IniFile, SectionsCommentsBlanksQuotesCaseAndFirstValueWins)
{
    const IniFile ini = IniFile::parse("\xEF\xBB\xBF"
                                       "ignored=before any section\r\n"
                                       "  [ Opt ]  trailing\r\n"
                                       "; comment=1\n"
                                       "# other=2\n"
                                       "  Key  =  spaced value  \n"
                                       "key=second value\n"
                                       "quoted=\"  kept  \"\n"
                                       "no equals sign\n"
                                       "empty=\n"
                                       "[OPT]\n"
                                       "late=yes\n"
                                       "KEY=third\n"
                                       "[Unclosed\n"
                                       "x=1");
    EXPECT_EQ(ini.value("opt", "KEY"), "spaced value");
    EXPECT_EQ(ini.value("OPT", "quoted"), "  kept  ");
    EXPECT_EQ(ini.value("OPT", "late"), "yes") << "sections of the same name merge";
    EXPECT_EQ(ini.value("OPT", "empty"), "");
    EXPECT_FALSE(ini.value("OPT", "ignored"));
    EXPECT_FALSE(ini.value("OPT", "; comment"));
    EXPECT_FALSE(ini.value("OPT", "# other"));
    EXPECT_EQ(ini.value("unclosed", "x"), "1");
}

TEST(IniFile, IntegersAndStrings)
{
    const IniFile ini = IniFile::parse("[s]\na=12abc\nb=abc\nc=\nd=-7\ne=99999999999\nf=   42\n");
    EXPECT_EQ(ini.getInt("s", "a", 5), 12);
    EXPECT_EQ(ini.getInt("s", "b", 5), 0);
    EXPECT_EQ(ini.getInt("s", "c", 5), 5);
    EXPECT_EQ(ini.getInt("s", "d", 5), -7);
    EXPECT_EQ(ini.getInt("s", "e", 5), INT32_MAX);
    EXPECT_EQ(ini.getInt("s", "f", 5), 42);
    EXPECT_EQ(ini.getInt("s", "missing", 5), 5);
    EXPECT_EQ(ini.getString("s", "a", "", 3), "12");
    EXPECT_EQ(ini.getString("s", "missing", "fallback", 30), "fallback");
}
