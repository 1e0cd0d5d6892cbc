// kavrel-cli text against real language files.

#include "app/Texts.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <sys/wait.h>

using namespace kavrel::test;

namespace {

} // namespace

TEST(CliText, PrintsAskedKeysInOrderFromTheProgramFolderOrAFile)
{
    TempDir dir;
    // Latin-1 with a line break and a backslash in one text.
    writeFile(dir / "text.xml",
        "<?xml version=\"1.0\" encoding=\"latin1\"?><l><config><tc_ok>Gr\xFC\xDF"
        "e</tc_ok><tc_cancel>a\nb\\c</tc_cancel></config></l>");
    const CommandRun run = runKavrelCli("--program-dir " + dir.path().string() + " text tc_cancel tc_ok tc_apply");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out,
        "tc_cancel=a\\nb\\\\c\ntc_ok=Gr\xC3\xBC\xC3\x9F"
        "e\ntc_apply=\n");

    const CommandRun german
        = runKavrelCli("text --file " + (sourceDir() / "data/lang/de/text.xml").string() + " tc_cancel");
    EXPECT_EQ(german.status, 0);
    EXPECT_EQ(german.out, "tc_cancel=Abbrechen\n");
}

TEST(CliText, AllKeysWithoutArgumentsAndFailures)
{
    const CommandRun all = runKavrelCli("text --file " + (sourceDir() / "data/text.xml").string());
    EXPECT_EQ(all.status, 0);
    EXPECT_TRUE(all.out.starts_with("tc_title=Kavrel Keyboard Center\n"));
    EXPECT_EQ(std::size_t(std::count(all.out.begin(), all.out.end(), '\n')), kavrel::TextKeys().size());
    EXPECT_EQ(all.out.find("=\n"), std::string::npos) << "no empty text in the bundled file";

    TempDir dir;
    const CommandRun missing = runKavrelCli("text --file " + (dir / "none.xml").string() + " tc_ok");
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.out, "tc_ok=\n");
    EXPECT_EQ(runKavrelCli("text --file " + (sourceDir() / "data/text.xml").string() + " tc_nonsense").status, 1);
    EXPECT_EQ(runKavrelCli("text --file").status, 2);
    EXPECT_EQ(runKavrelCli("text --bogus").status, 2);
}
