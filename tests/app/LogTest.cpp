// The diagnostic log: sinks, entry format, size limit and hex dumps.

#include "app/Log.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <regex>

using namespace kavrel;
using kavrel::test::readFile;
using kavrel::test::TempDir;
using kavrel::test::writeFile;

namespace {

struct LogTest : ::testing::Test {
    TempDir dir;
    std::filesystem::path file = dir / "Log.txt";
    void TearDown() override { InitLogWith(0, {}); }
};

} // namespace

TEST_F(LogTest, LevelZeroTouchesNothing)
{
    InitLogWith(0, file);
    testing::internal::CaptureStderr();
    WriteLog("hello %d", 1);
    const unsigned char bytes[3] = {1, 2, 3};
    LogHexDump(bytes, 3, 2, "L:");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_FALSE(std::filesystem::exists(file));
}

TEST_F(LogTest, DebuggerSinkCutsAt511BytesAndNeverOpensTheFile)
{
    InitLogWith(3, file);
    testing::internal::CaptureStderr();
    WriteLog("x=%s", std::string(600, 'a').c_str());
    const std::string out = testing::internal::GetCapturedStderr();
    EXPECT_EQ(out.size(), 512u) << "511 bytes of entry and the line end";
    EXPECT_FALSE(std::filesystem::exists(file));
}

TEST_F(LogTest, FileEntriesStartOnANewLineWithMinuteSecondMillisecond)
{
    InitLogWith(2, file);
    WriteLog("first %s", "entry");
    WriteLog("%s", std::string(2000, 'b').c_str());
    const std::string text = readFile(file);
    EXPECT_TRUE(std::regex_match(text,
        std::regex("\r\n[0-5][0-9]:[0-5][0-9]\\.[0-9]{3}   first entry"
                   "\r\n[0-5][0-9]:[0-5][0-9]\\.[0-9]{3}   b{2000}")))
        << text.substr(0, 80);
}

TEST_F(LogTest, FileIsEmptiedAtSetUpOnlyWhenPastTheLimit)
{
    writeFile(file, std::string(LogSizeLimit, 'k'));
    InitLogWith(2, file);
    EXPECT_EQ(std::filesystem::file_size(file), LogSizeLimit);
    writeFile(file, std::string(LogSizeLimit + 1, 'k'));
    InitLogWith(2, file);
    EXPECT_EQ(std::filesystem::file_size(file), 0u);
}

TEST_F(LogTest, UnopenableFileFallsBackToTheDebuggerSink)
{
    testing::internal::CaptureStderr();
    InitLogWith(2, dir / "missing-folder" / "Log.txt");
    WriteLog("after");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Open Log failed\nafter\n");
}

TEST_F(LogTest, DeletedFileIsCreatedAgainByTheNextEntry)
{
    InitLogWith(2, file);
    WriteLog("one");
    std::filesystem::remove(file);
    WriteLog("two");
    EXPECT_NE(readFile(file).find("two"), std::string::npos);
}

TEST_F(LogTest, HexDumpEntries)
{
    InitLogWith(2, file);
    std::vector<unsigned char> led(41);
    for (std::size_t i = 0; i < led.size(); ++i)
        led[i] = static_cast<unsigned char>(i * 9);
    LogHexDump(led.data(), led.size(), 32, "LED(Save): ");
    std::string text = readFile(file);
    text = std::regex_replace(text, std::regex("\r\n[0-9:.]{9}   "), "|");
    std::string first = "|\nLED(Save):  ", second = "|LED(Save):  ";
    for (std::size_t i = 0; i < led.size(); ++i) {
        char pair[4];
        std::snprintf(pair, sizeof pair, "%02x ", led[i]);
        (i < 32 ? first : second) += pair;
    }
    EXPECT_EQ(text, first + second);

    std::filesystem::remove(file);
    std::vector<unsigned char> macro(960, 0xAB);
    LogHexDump(macro.data(), macro.size(), 48, "Macro: ");
    text = std::regex_replace(readFile(file), std::regex("\r\n[0-9:.]{9}   "), "|");
    const auto entries = std::count(text.begin(), text.end(), '|');
    EXPECT_EQ(entries, 21);
    EXPECT_TRUE(text.ends_with("|Macro:  ")) << "a last entry holding only the label and its space";
}

TEST_F(LogTest, InfoBoxIsCutTo259Characters)
{
    kavrel::test::MessageCapture capture;
    ShowInfoBox("%s", std::string(300, 'z').c_str());
    ASSERT_EQ(capture.boxes().size(), 1u);
    EXPECT_EQ(capture.boxes()[0].caption, "Info");
    EXPECT_EQ(capture.boxes()[0].text.size(), 259u);
    EXPECT_EQ(capture.boxes()[0].icon, platform::BoxIcon::Information);
}
