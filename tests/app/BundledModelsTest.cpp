// The bundled keyboard models load cleanly and describe a consistent keyboard.

#include "app/Config.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <set>

using namespace kavrel;

namespace {

struct ModelCase {
    const char* folder;
    int keyCount;
    friend void PrintTo(const ModelCase& model, std::ostream* out) { *out << model.folder; }
};

class BundledModel : public ::testing::TestWithParam<ModelCase> {
protected:
    void SetUp() override
    {
        const auto text = test::readFile(test::sourceDir() / "data/models" / GetParam().folder / "cfg.ini");
        ASSERT_FALSE(text.empty());
        shown = test::loadConfigQuietly(text);
    }

    const KEYINFO* keyAt(int matrix) const
    {
        for (int i = 0; i < KeyCount; ++i)
            if (KeyTable[i].matrixIndex == matrix)
                return &KeyTable[i];
        return nullptr;
    }

    std::vector<std::string> shown;
};

} // namespace

TEST_P(BundledModel, LoadsWithoutMessages)
{
    EXPECT_TRUE(shown.empty());
    EXPECT_EQ(KeyCount, GetParam().keyCount);
    EXPECT_EQ(Cfg.VID, 0x1A2C);
    EXPECT_EQ(Cfg.PID, 0x0B3D);
    EXPECT_EQ(Cfg.appdir, "Kavrel");
    EXPECT_EQ(Cfg.Suwnd, 1);
    EXPECT_EQ(Cfg.TrayIcon, 3);
}

TEST_P(BundledModel, KeysLieInsideThePictureAndOwnTheirMatrixPosition)
{
    const int width = Cfg.rcKB.right - Cfg.rcKB.left;
    const int height = Cfg.rcKB.bottom - Cfg.rcKB.top;
    std::set<int> positions;
    for (int i = 0; i < KeyCount; ++i) {
        const KEYINFO& key = KeyTable[i];
        EXPECT_TRUE(key.rect.left >= 0 && key.rect.top >= 0 && key.rect.right <= width && key.rect.bottom <= height
            && key.rect.left < key.rect.right && key.rect.top < key.rect.bottom)
            << "key " << i;
        EXPECT_TRUE(positions.insert(key.matrixIndex).second) << "matrix position " << key.matrixIndex;
        EXPECT_NE(key.firstWord(), 0u) << "key " << i;
    }
}

TEST_P(BundledModel, FixedPositions)
{
    ASSERT_NE(keyAt(87), nullptr);
    EXPECT_EQ(keyAt(87)->key1, 0x0D) << "main Enter";
    ASSERT_NE(keyAt(136), nullptr);
    EXPECT_EQ(keyAt(136)->key1, 0x0D) << "keypad Enter";
    EXPECT_EQ(MatrixOfVirtualKey(0xFA) >= 0, true) << "Fn key";
    EXPECT_EQ(MatrixOfVirtualKey(0x91) >= 0, true) << "Scroll Lock";

    int media = 0, lighting = 0;
    for (int i = 0; i < KeyCount; ++i) {
        media += KeyTable[i].kind == KindMediaFactory;
        lighting += KeyTable[i].kind == KindSpecial && KeyTable[i].code == 167;
    }
    EXPECT_EQ(media, 4);
    EXPECT_EQ(lighting, 1);
}

INSTANTIATE_TEST_SUITE_P(Models, BundledModel, ::testing::Values(ModelCase{"ansi", 110}, ModelCase{"iso", 111}),
    [](const auto& info) { return std::string(info.param.folder); });

TEST(BundledModels, AnsiBackslashAt86AndIsoEnterOutline)
{
    test::loadConfigQuietly(test::readFile(test::sourceDir() / "data/models/ansi/cfg.ini"));
    EXPECT_EQ(MatrixOfVirtualKey(0xDC), 86);
    EXPECT_FALSE(Cfg.UnRectKey.present);

    test::loadConfigQuietly(test::readFile(test::sourceDir() / "data/models/iso/cfg.ini"));
    ASSERT_TRUE(Cfg.UnRectKey.present);
    EXPECT_EQ(Cfg.UnRectKey.matrixIndex, 87);
    EXPECT_GE(Cfg.UnRectKey.points.size(), 7u);
    EXPECT_EQ(Cfg.UnRectKey.points.front(), Cfg.UnRectKey.points.back());
    EXPECT_EQ(MatrixOfVirtualKey(0xDC), 81) << "the ISO hash key sits at the position paired with 86";
    EXPECT_GE(MatrixOfVirtualKey(0xE2), 0) << "the ISO key beside left Shift";
}
