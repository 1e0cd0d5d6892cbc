#pragma once

#include <QSize>

// Sizes of the default skin's pictures. The windows take their layout from
// the pictures (a button is as large as its image), so these sizes are
// chosen to fit the positions the windows and cfg.ini use.
namespace kavrel::skin {

inline constexpr QSize MainWindowSize{1060, 640};
inline constexpr QSize ProfileButtonSize{226, 28}; // button_nr / button_dn
inline constexpr QSize TextButtonSize{60, 28}; // btn_nr / btn_ov: OK, Cancel, Apply 63 pixels apart
inline constexpr QSize PageButtonSize{150, 44}; // btn2_nr: the picker's page buttons, 64 pixels apart
inline constexpr QSize ComboSize{150, 26};
inline constexpr QSize CaptionButtonSize{20, 20}; // min / exit, 21 pixels apart
inline constexpr QSize CheckSize{20, 18};
inline constexpr QSize RadioSize{18, 18};
inline constexpr QSize RecordButtonSize{148, 29};
inline constexpr QSize ListIconSize{16, 16}; // UP_N, DN_N, TM_N, open, close
inline constexpr QSize ThumbSize{18, 18}; // slider.png; as tall as a slider bar
inline constexpr QSize BarSize{180, 18}; // dpi_bar.png; BarW x BarH
inline constexpr QSize MessageIconSize{48, 48};
inline constexpr QSize MenuRowSize{160, 20};
inline constexpr QSize PickerSize{550, 355};
inline constexpr QSize MessageBoxSize{540, 190};
inline constexpr QSize ProgressSize{530, 150};
inline constexpr QSize MacroPageSize{590, 380};
inline constexpr int IconSize = 64; // appico.ico
// The desktop icons of the installed program (hicolor theme).
inline constexpr int DesktopIconSizes[] = {48, 64, 128, 256};
inline constexpr int DesktopIconSvgSize = 256;

} // namespace kavrel::skin
