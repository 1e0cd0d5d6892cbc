// PROFILE golden bytes, reset rules, time ids and CMyList ownership.

#include "ModelFixture.h"

#include "model/CMyList.h"
#include "model/Profile.h"
#include "model/TimeId.h"

#include <algorithm>
#include <cstring>
#include <memory>

using namespace kavrel;
using namespace kavrel::test;

namespace {

std::unique_ptr<PROFILE> newProfile(std::string_view name)
{
    auto profile = std::make_unique<PROFILE>();
    NewProfile(name, *profile);
    return profile;
}

const std::uint8_t* bytesOf(const PROFILE& p)
{
    return reinterpret_cast<const std::uint8_t*>(&p);
}

std::vector<std::uint8_t> at(const PROFILE& p, std::size_t offset, std::size_t count)
{
    return {bytesOf(p) + offset, bytesOf(p) + offset + count};
}

int whiteKeys(const PROFILE& p, int set)
{
    return int(std::count(std::begin(p.keyColors[set]), std::end(p.keyColors[set]), PatternWhite));
}

using Bytes = std::vector<std::uint8_t>;

} // namespace

// A new profile from the default model (LEDParam 4,3,4, DefSpeed 3, DefLight 4;
// A at matrix position 15, Esc at 6, Scroll Lock at 96, K51 is A).
TEST_F(ModelTest, NewProfileGoldenBytes)
{
    const auto p = newProfile("Game");
    EXPECT_EQ(at(*p, 0, 4), (Bytes{0x94, 0x77, 0xFB, 0xFC}));
    EXPECT_NE(p->id, 0u);
    EXPECT_LE(p->id, 0xFFFFFFu);
    EXPECT_EQ(at(*p, 528, 10), (Bytes{'G', 0, 'a', 0, 'm', 0, 'e', 0, 0, 0}));
    EXPECT_EQ(at(*p, 8, 520), Bytes(520, 0)); // no program name
    EXPECT_EQ(at(*p, 568, 44), Bytes(44, 0)); // zero block and layer
    EXPECT_EQ(at(*p, 612 + 50 * 36, 4), (Bytes{0xA0, 0x00, 0x00, 0x02})); // K51: kind 2, code 160
    EXPECT_EQ(at(*p, 612 + 50 * 36 + 20, 4), (Bytes{15, 0, 0, 0}));
    EXPECT_EQ(at(*p, 612 + 50 * 36 + 28, 2), (Bytes{0x00, 0x41}));
    EXPECT_EQ(std::memcmp(p->keys, KeyTable.data(), sizeof p->keys), 0);
    EXPECT_EQ(at(*p, 5796, 4), (Bytes{4, 0, 0, 0}));
    Bytes levels;
    for (int i = 0; i < 10; ++i)
        levels.insert(levels.end(), {3, 4});
    EXPECT_EQ(at(*p, 5800, 20), levels);
    EXPECT_EQ(at(*p, 5820, 12), (Bytes{0, 0, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1}));
    EXPECT_EQ(at(*p, 5832 + 4 * 15, 4), (Bytes{0xFF, 0xFF, 0xFF, 0x00})); // set 0, A
    EXPECT_EQ(at(*p, 5832 + 4 * 6, 4), (Bytes{0xFF, 0xFF, 0xFF, 0x00})); // set 0, Esc
    EXPECT_EQ(at(*p, 5832 + 576 + 4 * 96, 4), (Bytes{0xFF, 0xFF, 0xFF, 0x00})); // set 1, Scroll Lock
    EXPECT_EQ(at(*p, 5832 + 576 * 8, 576 * 2 + 4), Bytes(576 * 2 + 4, 0)); // sets 8, 9 and the tail
    const int expected[BuiltInColorSets] = {9, 28, 21, 34, 21, 12, 22, 13};
    for (int set = 0; set < BuiltInColorSets; ++set)
        EXPECT_EQ(whiteKeys(*p, set), expected[set]) << "set " << set;
}

TEST_F(ModelTest, NamesAreCutToNineteenUnits)
{
    EXPECT_EQ(profileName(*newProfile("ABCDEFGHIJKLMNOPQRSTUVWXY")), "ABCDEFGHIJKLMNOPQRS");
    // An emoji (two UTF-16 units) that would straddle the cut is left out whole.
    EXPECT_EQ(profileName(*newProfile("123456789012345678\xF0\x9F\x98\x80")), "123456789012345678");
    EXPECT_EQ(profileName(*newProfile("Gr\xC3\xBC\xC3\x9F")), "Gr\xC3\xBC\xC3\x9F");
    // U+4E00 is stored as the bytes 00 4E: a zero byte is not the terminator, a zero unit is.
    EXPECT_EQ(profileName(*newProfile("\xE4\xB8\x80\xC4\x80x")), "\xE4\xB8\x80\xC4\x80x");

    // A stored name without its terminator is read within its 20 units.
    PROFILE p{};
    std::fill(std::begin(p.name), std::end(p.name), u'x');
    EXPECT_EQ(profileName(p), std::string(20, 'x'));
}

TEST_F(ModelTest, ResetKeepsIdentityAndRestoresFactoryState)
{
    auto p = newProfile("Mine");
    const std::uint32_t id = p->id;
    p->programName[0] = u'g';
    p->layer = 7;
    p->keys[3].setFirstWord(0x05000000);
    p->keys[3].macroId = 42;
    p->ledMode = 9;
    p->keyColors[8][5] = 0x123456;
    ResetProfile(*p);
    EXPECT_EQ(p->id, id);
    EXPECT_EQ(profileName(*p), "Mine");
    EXPECT_EQ(p->magic, ProfileMagic);
    EXPECT_EQ(profileProgramName(*p), "");
    EXPECT_EQ(p->layer, 0u);
    EXPECT_EQ(std::memcmp(p->keys, KeyTable.data(), sizeof p->keys), 0);
    EXPECT_EQ(p->ledMode, 4u);
    EXPECT_EQ(p->keyColors[8][5], 0u);
    EXPECT_TRUE(sameAssignment(p->keys[3], KeyTable[3]));
}

TEST_F(ModelTest, LightingFollowsLedParamAndTheKeyTable)
{
    loadConfigQuietly("[OPT]\nLEDParam=2,3,4\nDefSpeed=4\nDefLight=5\n[KEY]\n"
                      "K1=0,0,1,1,2,41,0,7\nK2=0,0,1,1,2,A0,0,8\nK3=0,0,1,1,2,91,0,9\n");
    PROFILE p{};
    ResetLighting(p);
    EXPECT_EQ(p.ledMode, 2u);
    for (int mode = 0; mode < LedModeCount; ++mode) {
        EXPECT_EQ(p.ledLevels[mode].speed, mode == 2 ? 3 : 4);
        EXPECT_EQ(p.ledLevels[mode].brightness, mode == 2 ? 4 : 5);
    }
    // Only keys the table has are lit; left Shift is found through its modifier bit.
    EXPECT_EQ(whiteKeys(p, 0), 1);
    EXPECT_EQ(p.keyColors[0][7], PatternWhite);
    EXPECT_EQ(whiteKeys(p, 1), 3);
    EXPECT_EQ(p.keyColors[1][8], PatternWhite);
    EXPECT_EQ(p.keyColors[1][9], PatternWhite);

    // A mode byte past the ten modes has no level entry: nothing beyond them is written.
    loadConfigQuietly("[OPT]\nLEDParam=FF,9,9\nDefSpeed=1\nDefLight=2\n");
    ResetLighting(p);
    EXPECT_EQ(p.ledMode, 0xFFu);
    EXPECT_EQ(p.colorSet, 0);
    for (const LedLevel& level : p.ledLevels)
        EXPECT_EQ(level.speed * 256 + level.brightness, 0x0102);
    for (const auto& set : p.keyColors)
        EXPECT_TRUE(std::all_of(std::begin(set), std::end(set), [](std::uint32_t c) { return c == 0; }));
}

TEST_F(ModelTest, KeyboardWithoutScrollLockLightsTwentySevenKeysInSetOne)
{
    std::string cfg = readFile(sourceDir() / "data/models/ansi/cfg.ini");
    const auto line = cfg.find(",2,91,0,");
    ASSERT_NE(line, std::string::npos);
    cfg.replace(line, 8, ",2,7C,0,"); // Scroll Lock becomes F13
    loadConfigQuietly(cfg);
    PROFILE p{};
    ResetLighting(p);
    EXPECT_EQ(whiteKeys(p, 1), 27);
    EXPECT_EQ(whiteKeys(p, 0), 9);
}

TEST(TimeId, FormulaNeverZeroNeverRepeated)
{
    EXPECT_EQ(TimeIdGenerator::formula(13, 45, 30, 300), 0xDB5E2Cu);
    EXPECT_EQ(TimeIdGenerator::formula(29, 45, 30, 300), 0xDB5E2Cu); // 16 hours apart
    TimeIdGenerator ids;
    EXPECT_EQ(ids.next(0, 0, 0, 0), 1u); // 00:00:00.000 would be 0
    EXPECT_EQ(ids.next(16, 0, 0, 256), 2u); // also 0, and 1 is taken
    EXPECT_EQ(ids.next(13, 45, 30, 300), 0xDB5E2Cu);
    EXPECT_EQ(ids.next(13, 45, 30, 44), 0xDB5E2Du); // 300 and 44 share their low 8 bits
    EXPECT_EQ(ids.next(13, 45, 30, 300), 0xDB5E2Eu);
    EXPECT_EQ(ids.next(15, 63, 63, 255), 0xFFFFFFu);
    EXPECT_EQ(ids.next(15, 63, 63, 255), 3u); // wraps past 0 and the ids given
    const std::uint32_t a = MakeTimeId();
    const std::uint32_t b = MakeTimeId();
    EXPECT_NE(a, 0u);
    EXPECT_NE(a, b);
    EXPECT_LE(std::max(a, b), 0xFFFFFFu);
}

TEST(CMyList, OwnershipDecidesWhetherRecordsSurvive)
{
    int released = 0;
    {
        CMyList<int> owning(ListOwnership::Owning);
        owning.setReleaseCallback([&](int* record) { released += *record; });
        for (int i = 1; i <= 4; ++i)
            ASSERT_TRUE(owning.append(new int(i)));
        EXPECT_EQ(owning.count(), 4);
        owning.remove(owning.head()->next); // 2, from the middle
        EXPECT_EQ(released, 2);
        owning.remove(owning.tail()); // 4
        EXPECT_EQ(std::vector<int>(owning.begin(), owning.end()), (std::vector<int>{1, 3}));
        EXPECT_EQ(owning.tail()->prev, owning.head());
    } // destruction clears: 1 and 3
    EXPECT_EQ(released, 10);

    int kept[3] = {7, 8, 9};
    CMyList<int> borrowing;
    EXPECT_EQ(borrowing.ownership(), ListOwnership::NotOwning);
    borrowing.setReleaseCallback([&](int*) { ++released; });
    for (int& value : kept)
        borrowing.append(&value);
    borrowing.remove(borrowing.head());
    borrowing.clear();
    EXPECT_TRUE(borrowing.empty());
    EXPECT_EQ(borrowing.head(), nullptr);
    EXPECT_EQ(borrowing.tail(), nullptr);
    EXPECT_EQ(released, 10);
    EXPECT_EQ(kept[0] + kept[1] + kept[2], 24);
}

// What a user may type as a profile's name or program: every refusal has its own message, nothing is cut silently.
TEST_F(ModelTest, ProfileAndProgramNamesThatAreRefused)
{
    EXPECT_EQ(profileNameProblem("Shooter"), "");
    EXPECT_EQ(profileNameProblem(std::string(19, 'x')), "");
    EXPECT_EQ(profileNameProblem("Ärger mit 😀"), ""); // 12 UTF-16 units
    EXPECT_EQ(profileNameProblem(""), "A profile name cannot be empty.");
    EXPECT_EQ(profileNameProblem(std::string(20, 'x')), "A profile name can have at most 19 characters.");
    EXPECT_EQ(profileNameProblem("😀😀😀😀😀😀😀😀😀😀"), "A profile name can have at most 19 characters.");
    EXPECT_EQ(profileNameProblem("Tab\there"), "A profile name cannot contain control characters.");
    EXPECT_EQ(profileNameProblem("new\nline"), "A profile name cannot contain control characters.");
    EXPECT_EQ(profileNameProblem("\xC2\x85"), "A profile name cannot contain control characters."); // U+0085
    EXPECT_EQ(profileNameProblem("\xFF\xFE"), "A profile name must be UTF-8 text.");

    EXPECT_EQ(programNameProblem(""), "");
    EXPECT_EQ(programNameProblem("Game.exe"), "");
    EXPECT_EQ(programNameProblem(std::string(259, 'p')), "");
    EXPECT_EQ(programNameProblem(std::string(260, 'p')), "A program name can have at most 259 characters.");
    EXPECT_EQ(
        programNameProblem("C:\\Games\\Game.exe"), "A program name is the program's file name, without its folder.");
    EXPECT_EQ(programNameProblem("/usr/bin/game"), "A program name is the program's file name, without its folder.");
    EXPECT_EQ(programNameProblem("ga\x01me"), "A program name cannot contain control characters.");

    PROFILE p;
    NewProfile("Game", p);
    setProfileProgramName(p, std::string(259, 'p'));
    EXPECT_EQ(profileProgramName(p), std::string(259, 'p'));
    EXPECT_EQ(p.programName[259], 0);
    setProfileProgramName(p, "");
    EXPECT_EQ(profileProgramName(p), "");
}
