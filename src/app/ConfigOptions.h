#pragma once

#include "app/Config.h"

#include <string>
#include <string_view>

// The options of cfg.ini's [OPT] section, listed once: name, form, default
// and the field they fill, in file order. The loader, the defaults of
// Settings and kavrel-cli config's JSON all walk this list.
//
// A visitor has one member per form; each gets the option's name, the field
// (const for readers of settings), and the default where the form has one:
//   integer(name, field, default)        int or std::uint16_t field, decimal
//   text(name, field, messageWhenEmpty)  up to 29 characters; a non-empty message is shown for an empty value
//   edgeRect(name, field, default)       left,top,right,bottom; "Wrong rect num" when fewer than 4
//   sizeRect(name, field, default)       x,y,width,height; "Wrong rect num" (and an empty rect) when fewer than 4
//   point(name, field, default)          x,y; "Wrong POINT num" when fewer than 2
//   color(name, field, default)          r,g,b; default when the colour is 0 (0 default: black stays black)
//   modes(name, field, default)          hex list of up to 10 modes
//   ledOptions(name, field, mode)        up to 26 flags; missing: [1] speed (not for LedOpt1, LedOpt4), [2] brightness
//   ledParam(name, field, default)       exactly 3 hex numbers, else "LED Param error"
//   outline(name, field)                 matrix position and up to 20 points; "EnterPt[0]!=EnterPt[Last] "
//   logLevelKnown()                      Debug has been read (the loader starts the log here)
// Defaults may depend on options visited before them (ptExit on ptMin, LEDParam on DefSpeed and DefLight).
namespace kavrel {

template <typename SettingsT, typename Visitor> void visitConfigOptions(SettingsT& s, Visitor&& v)
{
    v.integer("Debug", s.Debug, 0);
    v.logLevelKnown();
    v.integer("Suwnd", s.Suwnd, 0);
    v.integer("MatchStr", s.MatchStr, 0);
    v.integer("Macro_Opt_X", s.Macro_Opt_X, 350);
    v.integer("BtnTips", s.BtnTips, 0);
    v.integer("ApplyNow", s.ApplyNow, 0);
    v.integer("MacroDir", s.MacroDir, 0);
    v.integer("MacroHasMsKey", s.MacroHasMsKey, 0);
    v.integer("ListTrans", s.ListTrans, 0);
    v.edgeRect("rcMacroList", s.rcMacroList, Rect{30, 76, 180, 326});
    v.edgeRect("rcKeyList", s.rcKeyList, Rect{190, 76, 320, 326});
    v.integer("VID", s.VID, 0);
    v.integer("PID", s.PID, 0);
    v.text("USBString", s.USBString, "");
    v.text("FontName", s.FontName, "");
    v.text("appdir", s.appdir, "APPDATA=NULL");
    v.integer("TrayIcon", s.TrayIcon, 2);
    v.integer("GoWithNoDev", s.GoWithNoDev, 0);
    v.integer("DefSpeed", s.DefSpeed, 4);
    v.integer("DefLight", s.DefLight, 5);
    v.modes("Modes", s.Modes, std::array<std::uint8_t, LedModeCount>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9});
    v.integer("GaoshouIndex", s.GaoshouIndex, 3);
    for (int mode = 0; mode < LedModeCount; ++mode)
        v.ledOptions("LedOpt" + std::to_string(mode + 1), s.LedOpt[mode], mode);
    v.integer("UIDebug", s.UIDebug, 0);
    v.sizeRect("rcKB", s.rcKB, Rect{280, 180, 954, 365});
    v.sizeRect("rcLED", s.rcLED, Rect{19, 247, 261, 501});
    v.point("ptProfile", s.ptProfile, Point{33, 49});
    v.point("ptMin", s.ptMin, Point{912, 29});
    v.point("ptExit", s.ptExit, Point{saturatingSum(s.ptMin.x, 21), s.ptMin.y});
    v.point("ptApplyBtn", s.ptApplyBtn, Point{758, 581});
    v.point("ptMacro", s.ptMacro, Point{33, 184});
    v.integer("BarW", s.BarW, 180);
    v.integer("BarH", s.BarH, 18);
    v.integer("SliderY", s.SliderY, 0);
    v.ledParam(
        "LEDParam", s.LEDParam, std::array<std::uint8_t, 3>{0, std::uint8_t(s.DefSpeed), std::uint8_t(s.DefLight)});
    v.outline("UnRectKey", s.UnRectKey);
    v.color("Txt_clr", s.Txt_clr, 0u);
    v.color("Btn_txt_clr_nr", s.Btn_txt_clr_nr, 0u);
    v.color("Btn_txt_clr_ov", s.Btn_txt_clr_ov, 0u);
    v.color("Btn_txt_clr_dn", s.Btn_txt_clr_dn, 0u);
    v.color("Menu_txt_clr_nr", s.Menu_txt_clr_nr, 0u);
    v.color("Menu_txt_clr_ov", s.Menu_txt_clr_ov, 0u);
    v.color("Menu_txt_clr_dn", s.Menu_txt_clr_dn, 0u);
    v.color("LstBox_txt_clr_nr", s.LstBox_txt_clr_nr, 0u);
    v.color("LstBox_txt_clr_dn", s.LstBox_txt_clr_dn, 0u);
    v.color("LstBox_bkg_clr", s.LstBox_bkg_clr, 0u);
    v.color("LstBox_item_clr", s.LstBox_item_clr, 0u);
    v.color("ClrKeyOv", s.ClrKeyOv, DefaultKeyHighlight);
    v.color("ClrKeyDn", s.ClrKeyDn, DefaultKeyHighlight);
    v.color("ClrKeyHasFunc", s.ClrKeyHasFunc, DefaultKeyHighlight);
}

} // namespace kavrel
