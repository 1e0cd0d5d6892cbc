#pragma once

#include "app/KeyInfo.h"

#include <array>
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

struct Settings {
    int Debug = 0;
    int Suwnd = 0;
    int MatchStr = 0;
    int Macro_Opt_X = 350;
    int BtnTips = 0;
    int ApplyNow = 0;
    int MacroDir = 0;
    int MacroHasMsKey = 0;
    std::uint16_t ListTrans = 0;
    Rect rcMacroList{30, 76, 180, 326};
    Rect rcKeyList{190, 76, 320, 326};
    std::uint16_t VID = 0;
    std::uint16_t PID = 0;
    std::string USBString;
    std::string FontName;
    std::string appdir;
    std::uint16_t TrayIcon = 2;
    int GoWithNoDev = 0;
    int DefSpeed = 4;
    int DefLight = 5;
    std::array<std::uint8_t, LedModeCount> Modes{0, 1, 2, 3, 4, 5, 6, 7, 8, 9};
    int GaoshouIndex = 3;
    // LedOpt[m] is the key "LedOpt<m+1>": [1] speed settable, [2] brightness settable.
    std::array<std::array<std::uint8_t, LedOptionCount>, LedModeCount> LedOpt{};
    int UIDebug = 0;
    Rect rcKB{280, 180, 954, 365};
    Rect rcLED{19, 247, 261, 501};
    Point ptProfile{33, 49};
    Point ptMin{912, 29};
    Point ptExit{933, 29};
    Point ptApplyBtn{758, 581};
    Point ptMacro{33, 184};
    int BarW = 180;
    int BarH = 18;
    int SliderY = 0;
    std::array<std::uint8_t, 3> LEDParam{0, 4, 5}; // mode, speed, brightness of a new profile
    UnRectOutline UnRectKey;
    std::uint32_t Txt_clr = 0;
    std::uint32_t Btn_txt_clr_nr = 0;
    std::uint32_t Btn_txt_clr_ov = 0;
    std::uint32_t Btn_txt_clr_dn = 0;
    std::uint32_t Menu_txt_clr_nr = 0;
    std::uint32_t Menu_txt_clr_ov = 0;
    std::uint32_t Menu_txt_clr_dn = 0;
    std::uint32_t LstBox_txt_clr_nr = 0;
    std::uint32_t LstBox_txt_clr_dn = 0;
    std::uint32_t LstBox_bkg_clr = 0;
    std::uint32_t LstBox_item_clr = 0;
    std::uint32_t ClrKeyOv = DefaultKeyHighlight;
    std::uint32_t ClrKeyDn = DefaultKeyHighlight;
    std::uint32_t ClrKeyHasFunc = DefaultKeyHighlight;

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

// r + 256*g + 65536*b, red in the lowest byte.
constexpr std::uint32_t makeColor(int r, int g, int b)
{
    return std::uint32_t(r & 0xFF) | (std::uint32_t(g & 0xFF) << 8) | (std::uint32_t(b & 0xFF) << 16);
}

} // namespace kavrel
