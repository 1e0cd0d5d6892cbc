#pragma once

#include "app/Config.h"
#include "app/Paths.h"
#include "app/Texts.h"
#include "macro/Macro.h"
#include "macro/MacroFile.h"
#include "macro/MacroList.h"
#include "platform/KeyboardLayout.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

// Empty MacroList, a known text table and layout, an application-data folder
// of its own, and MacroHasMsKey / MacroDir as the test sets them.
class MacroTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        kavrel::test::loadConfigQuietly("[OPT]\nappdir=Kavrel\nMacroHasMsKey=7\nMacroDir=1\n");
        kavrel::LoadTextsFromBytes("<t><config><tc_click>Left click</tc_click><tc_scrolldown>Wheel "
                                   "down</tc_scrolldown></config></t>");
        kavrel::platform::setActiveKeyboardLayout(kavrel::platform::KeyboardLayout::fromNames("us"));
        kavrel::SetAppDataFolderOverride(m_dir.path());
        kavrel::MacroList.clear();
    }
    void TearDown() override { kavrel::MacroList.clear(); }

    // A record with a fixed id and the given events.
    static kavrel::StMacro macroWith(std::uint32_t id, std::initializer_list<kavrel::StMacroEvent> events)
    {
        kavrel::StMacro m;
        std::memset(&m, 0, sizeof m);
        m.dwMagicNumber = kavrel::MacroMagic;
        m.dwId = id;
        m.dwAutoDelay = 1;
        m.wLoopCount = 1;
        int i = 0;
        for (const kavrel::StMacroEvent& e : events)
            m.Events[i++] = e;
        return m;
    }

    static std::string fileBytes(const kavrel::StMacro& m)
    {
        const kavrel::MacroFileBytes bytes = kavrel::EncodeMacroFile(m);
        return std::string(bytes.begin(), bytes.end());
    }

    kavrel::test::TempDir m_dir;
};
