// pro.dct and curid.dct: the tolerances of reading, the 40-slot limit, the
// first start, and that writing replaces the files whole.

#include "ModelFixture.h"

#include "app/Log.h"
#include "app/Paths.h"
#include "model/ProfileStore.h"

#include <cstring>
#include <filesystem>

using namespace kavrel;
using namespace kavrel::test;
namespace fs = std::filesystem;

namespace {

class StoreTest : public ModelTest {
protected:
    void SetUp() override
    {
        ModelTest::SetUp();
        SetAppDataFolderOverride(m_dir.path());
    }
    void TearDown() override
    {
        ModelTest::TearDown();
        InitLogWith(0, {});
    }

    // A store image with the given ids in consecutive slots (a slot of id 0 stays zero).
    static std::string storeWith(const std::vector<std::uint32_t>& ids, std::size_t size = StoreSize)
    {
        std::string image(std::max(size, ids.size() * ProfileSize), '\0');
        for (std::size_t slot = 0; slot < ids.size(); ++slot) {
            if (ids[slot] == 0)
                continue;
            PROFILE p;
            NewProfile("P" + std::to_string(slot), p);
            p.id = ids[slot];
            std::memcpy(image.data() + slot * ProfileSize, &p, ProfileSize);
        }
        image.resize(size);
        return image;
    }

    static std::vector<std::uint32_t> listedIds()
    {
        std::vector<std::uint32_t> ids;
        for (const PROFILE& p : ProfileList)
            ids.push_back(p.id);
        return ids;
    }

    TempDir m_dir;
};

std::string idBytes(std::uint32_t id)
{
    return std::string(reinterpret_cast<const char*>(&id), 4);
}

} // namespace

TEST_F(StoreTest, FirstStartMakesThreeProfilesAndWritesNothing)
{
    OpenStore();
    ASSERT_EQ(ProfileList.count(), 3);
    std::vector<std::string> names;
    for (const PROFILE& p : ProfileList)
        names.push_back(profileName(p));
    EXPECT_EQ(names, (std::vector<std::string>{"Profile 1", "Profile 2", "Profile 3"}));
    EXPECT_EQ(CurrentProfile, ProfileList.head()->record);
    EXPECT_TRUE(fs::is_empty(m_dir.path()));
}

TEST_F(StoreTest, CountOtherThanThreeAddsThreeAndCurrentIdChoosesByFirstMatch)
{
    writeFile(m_dir / "pro.dct", storeWith({0x111111, 0x222222}));
    writeFile(m_dir / "curid.dct", idBytes(0x222222));
    OpenStore();
    EXPECT_EQ(ProfileList.count(), 5);
    EXPECT_EQ(CurrentProfile->id, 0x222222u);

    // Exactly three: nothing added.
    writeFile(m_dir / "pro.dct", storeWith({0x111111, 0x222222, 0x333333}));
    writeFile(m_dir / "curid.dct", idBytes(0x444444)); // no such profile
    OpenStore();
    EXPECT_EQ(listedIds(), (std::vector<std::uint32_t>{0x111111, 0x222222, 0x333333}));
    EXPECT_EQ(CurrentProfile, ProfileList.head()->record);

    writeFile(m_dir / "curid.dct", "\x33\x33\x33"); // short: 0
    EXPECT_EQ(LoadCurrentId(), 0u);
}

TEST_F(StoreTest, ShortLongAndBrokenFilesAreTolerated)
{
    // A slot cut in the middle is damaged: it keeps its place, id and name but gets the factory settings
    // (never zero-filled keys, all of which would be off on the keyboard).
    const std::string two = storeWith({0x0A0A0A, 0x0B0B0B});
    writeFile(m_dir / "pro.dct", two.substr(0, ProfileSize + 8 + 100));
    const StoreLoadReport report = LoadProfiles();
    ASSERT_EQ(listedIds(), (std::vector<std::uint32_t>{0x0A0A0A, 0x0B0B0B}));
    const PROFILE& cut = *ProfileList.tail()->record;
    EXPECT_EQ(cut.keys[0].firstWord(), KeyTable[0].firstWord());
    EXPECT_EQ(cut.ledMode, Cfg.LEDParam[0]);
    EXPECT_EQ(cut.ledLevels[cut.ledMode].brightness, Cfg.LEDParam[2]);
    EXPECT_EQ(profileName(cut), "Profile 2") << "the name was cut off too";
    ASSERT_EQ(report.damaged.size(), 1u);
    EXPECT_EQ(report.summary(), "profile 2: the file ends inside it");

    // Only the first 463840 bytes of a 500000-byte file count.
    std::vector<std::uint32_t> ids(41, 0);
    ids[39] = 0x393939;
    ids[40] = 0x404040; // beyond the store
    std::string image = storeWith(ids, 41 * ProfileSize);
    image.resize(500000, '\x7F');
    writeFile(m_dir / "pro.dct", image);
    LoadProfiles();
    EXPECT_EQ(listedIds(), (std::vector<std::uint32_t>{0x393939}));

    // Empty slots between occupied ones are skipped; zero-filled and missing files give nothing.
    writeFile(m_dir / "pro.dct", storeWith({0x010101, 0, 0x030303}));
    LoadProfiles();
    EXPECT_EQ(listedIds(), (std::vector<std::uint32_t>{0x010101, 0x030303}));
    writeFile(m_dir / "pro.dct", std::string(StoreSize, '\0'));
    LoadProfiles();
    EXPECT_TRUE(ProfileList.empty());
    EXPECT_EQ(CurrentProfile, nullptr);

    InitLogWith(2, m_dir / "Log.txt");
    fs::remove(m_dir / "pro.dct");
    fs::create_directory(m_dir / "pro.dct"); // not a file
    OpenStore();
    EXPECT_EQ(ProfileList.count(), 3);
    EXPECT_NE(readFile(m_dir / "Log.txt").find("Open pro file err=21"), std::string::npos);
}

TEST_F(StoreTest, SaveWritesTheFirstFortyProfilesAndNeverAnIdOfZero)
{
    std::vector<std::uint32_t> forty;
    for (std::uint32_t i = 1; i <= 40; ++i)
        forty.push_back(i * 0x10000);
    writeFile(m_dir / "pro.dct", storeWith(forty));
    OpenStore();
    ASSERT_EQ(ProfileList.count(), 43);
    ProfileList.head()->next->record->id = 0; // the second profile lost its id
    auto node = ProfileList.head();
    for (int i = 0; i < 40; ++i)
        node = node->next;
    const std::uint32_t firstNewId = node->record->id; // 41st in the list, 40th with an id
    const std::string firstBytes(reinterpret_cast<const char*>(ProfileList.head()->record), ProfileSize);
    CurrentProfile = ProfileList.tail()->record;
    ASSERT_TRUE(SaveProfiles());
    ASSERT_TRUE(SaveCurrentId());

    const std::string saved = readFile(m_dir / "pro.dct");
    ASSERT_EQ(saved.size(), StoreSize);
    EXPECT_EQ(saved.substr(0, ProfileSize), firstBytes); // byte for byte
    EXPECT_EQ(readFile(m_dir / "curid.dct"), idBytes(CurrentProfile->id));
    LoadProfiles();
    ASSERT_EQ(ProfileList.count(), 40);
    EXPECT_EQ(ProfileList.head()->record->id, 0x10000u);
    EXPECT_EQ(ProfileList.head()->next->record->id, 0x30000u);
    EXPECT_EQ(ProfileList.tail()->record->id, firstNewId);
    EXPECT_EQ(std::distance(fs::directory_iterator(m_dir.path()), fs::directory_iterator()), 2);
}

TEST_F(StoreTest, ReadingChangesNothingAndFailedSavesKeepTheOldFiles)
{
    writeFile(m_dir / "pro.dct", storeWith({0x0C0C0C}, 20000));
    writeFile(m_dir / "curid.dct", idBytes(0x0C0C0C));
    OpenStore();
    OpenStore();
    EXPECT_EQ(readFile(m_dir / "pro.dct"), storeWith({0x0C0C0C}, 20000));
    EXPECT_EQ(readFile(m_dir / "curid.dct"), idBytes(0x0C0C0C));

    SetAppDataFolderOverride(m_dir / "no-such-folder");
    InitLogWith(2, m_dir / "Log.txt");
    EXPECT_FALSE(SaveProfiles());
    EXPECT_FALSE(SaveCurrentId());
    EXPECT_NE(readFile(m_dir / "Log.txt").find("Save pro: CreateFile err=2"), std::string::npos);
    CurrentProfile = nullptr;
    EXPECT_TRUE(SaveCurrentId()); // nothing to write
}

namespace {

std::vector<fs::path> keptCopies(const fs::path& folder)
{
    std::vector<fs::path> copies;
    for (const auto& entry : fs::directory_iterator(folder))
        if (entry.path().filename().string().starts_with("pro.dct.damaged-"))
            copies.push_back(entry.path());
    return copies;
}

} // namespace

TEST_F(StoreTest, DamagedSlotsAreNeverTakenAndTheFileIsKeptAsideOnce)
{
    std::string image = storeWith({0x010101, 0x020202, 0x030303, 0x040404, 0x050505});
    auto slot = [&image](int n) { return reinterpret_cast<PROFILE*>(image.data() + std::size_t(n) * ProfileSize); };
    slot(1)->ledMode = 83;
    slot(2)->colorSet = 144;
    slot(3)->keys[7].kind = 0x77;
    slot(4)->magic = 0x12345678; // not a profile at all: dropped
    slot(0)->ledLevels[2].brightness = 200;
    writeFile(m_dir / "pro.dct", image);

    // A copy made earlier (or by another start in the same second) is never overwritten.
    const fs::path older = m_dir / "pro.dct.damaged-old";
    writeFile(older, "older copy");
    const StoreLoadReport report = OpenStore();
    ASSERT_EQ(report.damaged.size(), 5u);
    EXPECT_EQ(report.summary(),
        "profile 1: brightness 200; profile 2: lighting mode 83; profile 3: colour set 144; profile 4: key 7 of kind "
        "119; profile 5: not a profile record");
    EXPECT_FALSE(report.reportedBefore);
    const std::vector<std::uint32_t> ids = listedIds();
    ASSERT_EQ(ids.size(), 7u) << "four kept, three new ones as for any store without exactly three";
    EXPECT_EQ(std::vector<std::uint32_t>(ids.begin(), ids.begin() + 4),
        (std::vector<std::uint32_t>{0x010101, 0x020202, 0x030303, 0x040404}));
    EXPECT_EQ(profileName(*ProfileList.head()->record), "P0") << "a sound name is kept";
    for (const PROFILE& profile : ProfileList) {
        EXPECT_EQ(profileRecordProblem(profile), "") << profile.id;
        EXPECT_EQ(profile.keys[7].firstWord(), KeyTable[7].firstWord());
    }
    EXPECT_EQ(readFile(older), "older copy");
    ASSERT_FALSE(report.keptAs.empty());
    EXPECT_EQ(readFile(report.keptAs), image);
    EXPECT_EQ(readFile(m_dir / "pro.dct"), image) << "reading writes nothing over the store";

    // Loading the same damaged file again in this run: reported once, copied once.
    const StoreLoadReport again = OpenStore();
    EXPECT_TRUE(again.reportedBefore);
    EXPECT_EQ(keptCopies(m_dir.path()).size(), 2u); // the older one and ours

    // A check from outside (the device code's) counts as damage too; a sound store reports nothing.
    writeFile(m_dir / "pro.dct", storeWith({0x111111, 0x222222, 0x333333}));
    const StoreLoadReport checked
        = LoadProfiles([](const PROFILE& p) { return p.id == 0x222222 ? std::string("key 3 not encodable") : ""; });
    EXPECT_EQ(checked.summary(), "profile 2: key 3 not encodable");
    EXPECT_TRUE(OpenStore().damaged.empty());
}

TEST_F(StoreTest, RandomBytesGiveThreeNewProfiles)
{
    std::string image(StoreSize, '\0');
    std::uint32_t state = 12345;
    for (char& c : image) {
        state = state * 1103515245u + 12345u;
        c = char(state >> 16);
    }
    writeFile(m_dir / "pro.dct", image);
    const StoreLoadReport report = OpenStore();
    EXPECT_EQ(report.damaged.size(), std::size_t(StoreSlots));
    ASSERT_EQ(ProfileList.count(), 3);
    EXPECT_EQ(profileName(*ProfileList.head()->record), "Profile 1");
    EXPECT_EQ(keptCopies(m_dir.path()).size(), 1u);
}

TEST_F(StoreTest, MissingParentsAreMadePrivateAndFailedSavesSayWhichFileAndWhy)
{
    const fs::path data = m_dir / "home/.local/share/kavrel";
    SetAppDataFolderOverride(data);
    int error = 0;
    ASSERT_TRUE(MakeAppDataFolder(&error));
    for (const fs::path& folder : {m_dir / "home", m_dir / "home/.local", m_dir / "home/.local/share", data})
        EXPECT_EQ(fs::status(folder).permissions() & fs::perms::all, fs::perms::owner_all) << folder;
    OpenStore();
    platform::WriteError failure;
    EXPECT_TRUE(SaveProfiles(&failure));
    EXPECT_TRUE(fs::exists(data / "pro.dct"));

    // A folder that cannot be made: the parent is a file.
    writeFile(m_dir / "plain", "x");
    SetAppDataFolderOverride(m_dir / "plain/kavrel");
    EXPECT_FALSE(MakeAppDataFolder(&error));
    EXPECT_EQ(error, ENOTDIR);
    EXPECT_FALSE(SaveProfiles(&failure));
    EXPECT_EQ(failure.error, ENOTDIR);
    failure = {};
    EXPECT_FALSE(SaveCurrentId(&failure));
    EXPECT_EQ(failure.error, ENOTDIR);
}
