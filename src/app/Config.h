#pragma once

#include "app/KeyInfo.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// The keyboard model and the program's settings, read once from cfg.ini in
// the program folder and read-only afterwards. Field names are the cfg.ini
// key names.
namespace kavrel {

struct Point {
    std::int32_t x = 0;
    std::int32_t y = 0;
    bool operator==(const Point&) const = default;
};

// The outline of the one key that is not a rectangle.
struct UnRectOutline {
    bool present = false;
    int matrixIndex = 0;
    std::vector<Point> points; // at most 20
};

inline constexpr int LedModeCount = 10;
inline constexpr int LedOptionCount = 26;
inline constexpr std::size_t UnRectMaxPoints = 20;
inline constexpr std::uint32_t DefaultKeyHighlight = 255; // pure red

// Every field is an option of cfg.ini's [OPT] section; its name, form and
// default are in ConfigOptions.h. A Settings holds those defaults from the
// start.
struct Settings {
    Settings();

    int Debug{};
    int Suwnd{};
    int MatchStr{};
    int Macro_Opt_X{};
    int BtnTips{};
    int ApplyNow{};
    int MacroDir{};
    int MacroHasMsKey{};
    std::uint16_t ListTrans{};
    Rect rcMacroList{};
    Rect rcKeyList{};
    std::uint16_t VID{};
    std::uint16_t PID{};
    std::string USBString{};
    std::string FontName{};
    std::string appdir{};
    std::uint16_t TrayIcon{};
    int GoWithNoDev{};
    int DefSpeed{};
    int DefLight{};
    std::array<std::uint8_t, LedModeCount> Modes{};
    int GaoshouIndex{};
    // LedOpt[m] is the key "LedOpt<m+1>": [1] speed settable, [2] brightness settable.
    std::array<std::array<std::uint8_t, LedOptionCount>, LedModeCount> LedOpt{};
    int UIDebug{};
    Rect rcKB{};
    Rect rcLED{};
    Point ptProfile{};
    Point ptMin{};
    Point ptExit{};
    Point ptApplyBtn{};
    Point ptMacro{};
    int BarW{};
    int BarH{};
    int SliderY{};
    std::array<std::uint8_t, 3> LEDParam{}; // mode, speed, brightness of a new profile
    UnRectOutline UnRectKey{};
    std::uint32_t Txt_clr{};
    std::uint32_t Btn_txt_clr_nr{};
    std::uint32_t Btn_txt_clr_ov{};
    std::uint32_t Btn_txt_clr_dn{};
    std::uint32_t Menu_txt_clr_nr{};
    std::uint32_t Menu_txt_clr_ov{};
    std::uint32_t Menu_txt_clr_dn{};
    std::uint32_t LstBox_txt_clr_nr{};
    std::uint32_t LstBox_txt_clr_dn{};
    std::uint32_t LstBox_bkg_clr{};
    std::uint32_t LstBox_item_clr{};
    std::uint32_t ClrKeyOv{};
    std::uint32_t ClrKeyDn{};
    std::uint32_t ClrKeyHasFunc{};

    bool speedSettable(int mode) const { return LedOpt[mode][1] != 0; }
    bool brightnessSettable(int mode) const { return LedOpt[mode][2] != 0; }
};

// Process-wide settings, the key table and its length.
extern Settings Cfg;
extern std::array<KEYINFO, KeyTableSize> KeyTable;
extern int KeyCount;

// Reads cfg.ini from the program folder; the load always completes: a
// missing file gives every default, and each problem is shown in a plain
// message box (on the calling thread: start-up or the command line) while the
// load goes on. Calls InitLog right after reading Debug. Returns false when
// the file could not be read or any problem was shown, so a caller can tell
// a clean load from one that fell back to defaults.
bool LoadConfig();

// LoadConfig on the text of a cfg.ini (tests, fuzzing, other folders): false
// when a problem was shown.
bool LoadConfigText(std::string_view text);

// The matrix position of the first stored key that is the given virtual key
// (modifier keys are found through their modifier bit), or -1.
int MatrixOfVirtualKey(int virtualKey);

// Geometry sums saturate: huge values in a hostile file must not overflow.
inline int saturatingSum(long long a, long long b)
{
    return static_cast<int>(std::clamp<long long>(a + b, INT_MIN, INT_MAX));
}

// r + 256*g + 65536*b, red in the lowest byte.
constexpr std::uint32_t makeColor(int r, int g, int b)
{
    return std::uint32_t(r & 0xFF) | (std::uint32_t(g & 0xFF) << 8) | (std::uint32_t(b & 0xFF) << 16);
}

} // namespace kavrel
