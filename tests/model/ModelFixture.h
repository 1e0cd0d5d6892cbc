#pragma once

#include "app/Config.h"
#include "app/Texts.h"
#include "model/Lists.h"
#include "platform/KeyboardLayout.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

// The default keyboard model, a small text table, the US layout and an empty profile list.
class ModelTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        kavrel::test::loadConfigQuietly(kavrel::test::readFile(kavrel::test::sourceDir() / "data/models/ansi/cfg.ini"));
        kavrel::LoadTextsFromBytes("<t><config><tc_proname>Profile </tc_proname><tc_msg25>Macro</tc_msg25>"
                                   "<tc_fire>Fire</tc_fire><tc_click>Left click</tc_click><tc_menu>Right "
                                   "click</tc_menu><tc_msg29>Scroll up</tc_msg29><tc_kbmedia_stop>Stop "
                                   "page</tc_kbmedia_stop><tc_forward>Forward</tc_forward><tc_back>Back</tc_back>"
                                   "<tc_PL>Play</tc_PL><tc_key_off>Off</tc_key_off></config></t>");
        kavrel::platform::setActiveKeyboardLayout(kavrel::platform::KeyboardLayout::fromNames("us"));
        kavrel::ProfileList.clear();
        kavrel::CurrentProfile = nullptr;
    }
    void TearDown() override
    {
        kavrel::ProfileList.clear();
        kavrel::CurrentProfile = nullptr;
    }
};
