// cfg.ini reader and LoadConfig on arbitrary bytes: no crash, no read out of
// bounds, and the loaded model always stays within its limits.

#include "app/Config.h"
#include "app/IniFile.h"
#include "platform/MessageBox.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const bool quiet = [] {
        // Inputs may switch the log on: keep it off the user's real desktop.
        setenv("HOME", "/nonexistent-kavrel-fuzz-home", 1);
        setenv("XDG_CONFIG_HOME", "/nonexistent-kavrel-fuzz-home", 1);
        kavrel::platform::setMessageBoxHandler([](std::string_view, std::string_view, kavrel::platform::BoxIcon) {});
        return true;
    }();
    (void)quiet;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const kavrel::IniFile ini = kavrel::IniFile::parse(text);
    (void)ini.getInt("OPT", "Debug", 0);
    kavrel::LoadConfigText(text);
    if (kavrel::KeyCount < 0 || kavrel::KeyCount > kavrel::KeyTableSize)
        std::abort();
    for (int i = 0; i < kavrel::KeyCount; ++i) {
        if (kavrel::KeyTable[i].matrixIndex < 0 || kavrel::KeyTable[i].matrixIndex >= kavrel::KeyTableSize)
            std::abort();
    }
    if (kavrel::Cfg.UnRectKey.points.size() > kavrel::UnRectMaxPoints)
        std::abort();
    (void)kavrel::MatrixOfVirtualKey(text.empty() ? 0 : static_cast<unsigned char>(text[0]));
    return 0;
}
