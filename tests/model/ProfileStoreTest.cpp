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
    // A slot cut in the middle is taken, zero-filled, when its id was read.
    const std::string two = storeWith({0x0A0A0A, 0x0B0B0B});
    writeFile(m_dir / "pro.dct", two.substr(0, ProfileSize + 8 + 100));
    LoadProfiles();
    ASSERT_EQ(listedIds(), (std::vector<std::uint32_t>{0x0A0A0A, 0x0B0B0B}));
    const PROFILE& cut = *ProfileList.tail()->record;
    EXPECT_EQ(cut.keys[0].firstWord(), 0u);
    EXPECT_EQ(cut.ledMode, 0u);

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
