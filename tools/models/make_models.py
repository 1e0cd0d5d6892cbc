#!/usr/bin/env python3
"""Writes the bundled keyboard models data/models/{ansi,iso}/cfg.ini.

The key table is laid out in key units (U pixels each) on the keyboard
picture; the matrix position of a key is column * 6 + row, with rows 0 (the
function row) to 5 (the space bar row) and columns 0 to 23. Run it from the
source tree after changing the layout and commit the result.
"""
import os
import sys

U = 30          # one key unit on the picture, in pixels
GAP = 2         # dark gap between two keys
MARGIN = 8      # picture border around the keys
MAIN_X = 1.5    # where the main block starts (after the dedicated column)
ROW_Y = [0, 1.5, 2.5, 3.5, 4.5, 5.5]

def key(x, row, w, kind, code, col, h=1.0, name=""):
    return dict(x=x, y=ROW_Y[row], w=w, h=h, kind=kind, code=code, row=row, col=col, name=name)

def vk(x, row, w, code, col, h=1.0, name=""):
    return key(x, row, w, 2, code, col, h, name)

def row_of(row, start_x, start_col, specs):
    """specs: (width, vk, name) in order; columns count up from start_col."""
    keys, x, col = [], start_x, start_col
    for width, code, name in specs:
        if code is not None:
            keys.append(vk(x, row, width, code, col, name=name))
        x += width
        col += 1
    return keys

LETTERS_Q = [(1, ord(c), c) for c in "QWERTYUIOP"]
LETTERS_A = [(1, ord(c), c) for c in "ASDFGHJKL"]
LETTERS_Z = [(1, ord(c), c) for c in "ZXCVBNM"]

def dedicated_column():
    # mute, volume down, volume up, play/pause (media, kind 3), lighting (kind 8, code 167)
    media = [(0x28, "Mute"), (0x27, "Vol-"), (0x26, "Vol+"), (0x22, "Play")]
    keys = [key(0, row, 1, 3, code, 0, name=name) for row, (code, name) in enumerate(media)]
    keys.append(key(0, 4, 1, 8, 0xA7, 0, name="Light"))
    return keys

def function_row():
    m = MAIN_X
    keys = [vk(m, 0, 1, 0x1B, 1, name="Esc")]
    starts = [m + 2, m + 6.5, m + 11]
    for group, x0 in enumerate(starts):
        for i in range(4):
            n = group * 4 + i
            keys.append(vk(x0 + i, 0, 1, 0x70 + n, 2 + n, name="F%d" % (n + 1)))
    nav = MAIN_X + 15.5
    keys += [vk(nav, 0, 1, 0x2C, 15, name="PrtSc"), vk(nav + 1, 0, 1, 0x91, 16, name="ScrLk"),
             vk(nav + 2, 0, 1, 0x13, 17, name="Pause")]
    return keys

def number_row():
    digits = [(1, 0x30 + d, str(d)) for d in list(range(1, 10)) + [0]]
    return row_of(1, MAIN_X, 1, [(1, 0xC0, "`")] + digits + [(1, 0xBD, "-"), (1, 0xBB, "="), (2, 0x08, "Backspace")])

def nav_and_keypad():
    nav = MAIN_X + 15.5
    pad = MAIN_X + 19
    k = []
    k += [vk(nav, 1, 1, 0x2D, 15, name="Ins"), vk(nav + 1, 1, 1, 0x24, 16, name="Home"), vk(nav + 2, 1, 1, 0x21, 17, name="PgUp")]
    k += [vk(nav, 2, 1, 0x2E, 15, name="Del"), vk(nav + 1, 2, 1, 0x23, 16, name="End"), vk(nav + 2, 2, 1, 0x22, 17, name="PgDn")]
    k += [vk(nav + 1, 4, 1, 0x26, 16, name="Up")]
    k += [vk(nav, 5, 1, 0x25, 16 + 0, name="Left"), vk(nav + 1, 5, 1, 0x28, 17, name="Down"), vk(nav + 2, 5, 1, 0x27, 18, name="Right")]
    k += [vk(pad, 1, 1, 0x90, 18, name="NumLk"), vk(pad + 1, 1, 1, 0x6F, 19, name="Num/"),
          vk(pad + 2, 1, 1, 0x6A, 20, name="Num*"), vk(pad + 3, 1, 1, 0x6D, 21, name="Num-")]
    k += [vk(pad, 2, 1, 0x67, 18, name="Num7"), vk(pad + 1, 2, 1, 0x68, 19, name="Num8"),
          vk(pad + 2, 2, 1, 0x69, 20, name="Num9"), vk(pad + 3, 2, 1, 0x6B, 21, h=2, name="Num+")]
    k += [vk(pad, 3, 1, 0x64, 18, name="Num4"), vk(pad + 1, 3, 1, 0x65, 19, name="Num5"), vk(pad + 2, 3, 1, 0x66, 20, name="Num6")]
    k += [vk(pad, 4, 1, 0x61, 18, name="Num1"), vk(pad + 1, 4, 1, 0x62, 19, name="Num2"),
          vk(pad + 2, 4, 1, 0x63, 20, name="Num3"), vk(pad + 3, 4, 1, 0x0D, 22, h=2, name="NumEnter")]
    k += [vk(pad, 5, 2, 0x60, 19, name="Num0"), vk(pad + 2, 5, 1, 0x6E, 20, name="Num.")]
    return k

def bottom_row():
    return row_of(5, MAIN_X, 1, [(1.25, 0xA2, "LCtrl"), (1.25, 0x5B, "LWin"), (1.25, 0xA4, "LAlt"),
                                 (6.0, 0x20, "Space"), (1.25, 0xA5, "RAlt"), (1, 0x5C, "RWin"),
                                 (1, 0xFA, "Fn"), (1, 0x5D, "Menu"), (1, 0xA3, "RCtrl")])

def fix_bottom_columns(keys):
    # Space and the keys right of it sit in fixed columns of the matrix.
    cols = {"LCtrl": 1, "LWin": 2, "LAlt": 3, "Space": 7, "RAlt": 11, "RWin": 12, "Fn": 13, "Menu": 14, "RCtrl": 15}
    for k in keys:
        if k["name"] in cols:
            k["col"] = cols[k["name"]]
    return keys

def ansi_rows():
    q = [(1.5, 0x09, "Tab")] + LETTERS_Q + [(1, 0xDB, "["), (1, 0xDD, "]"), (1.5, 0xDC, "\\")]
    a = [(1.75, 0x14, "Caps")] + LETTERS_A + [(1, 0xBA, ";"), (1, 0xDE, "'")]
    keys = row_of(2, MAIN_X, 1, q) + row_of(3, MAIN_X, 1, a)
    keys.append(vk(MAIN_X + 12.75, 3, 2.25, 0x0D, 14, name="Enter"))
    z = [(2.25, 0xA0, "LShift"), (0, None, "")] + LETTERS_Z + [(1, 0xBC, ","), (1, 0xBE, "."), (1, 0xBF, "/"), (0, None, ""), (2.75, 0xA1, "RShift")]
    keys += row_of(4, MAIN_X, 1, z)
    return keys, None

def iso_rows():
    q = [(1.5, 0x09, "Tab")] + LETTERS_Q + [(1, 0xDB, "["), (1, 0xDD, "]")]
    a = [(1.75, 0x14, "Caps")] + LETTERS_A + [(1, 0xBA, ";"), (1, 0xDE, "'"), (1, 0xDC, "#")]
    keys = row_of(2, MAIN_X, 1, q) + row_of(3, MAIN_X, 1, a)
    # The ISO Enter spans two rows: 1.5 units wide on the Q row, 1.25 on the A row.
    enter = vk(MAIN_X + 13.5, 2, 1.5, 0x0D, 14, h=2, name="Enter")
    enter["row"] = 3
    keys.append(enter)
    z = [(1.25, 0xA0, "LShift"), (1, 0xE2, "\\")] + LETTERS_Z + [(1, 0xBC, ","), (1, 0xBE, "."), (1, 0xBF, "/"), (0, None, ""), (2.75, 0xA1, "RShift")]
    keys += row_of(4, MAIN_X, 1, z)
    outline = iso_enter_outline()
    return keys, outline

def px(units):
    return MARGIN + int(round(units * U))

def rect_of(k):
    left, top = px(k["x"]), px(k["y"])
    right, bottom = px(k["x"] + k["w"]) - GAP, px(k["y"] + k["h"]) - GAP
    return left, top, right, bottom

def iso_enter_outline():
    x0, x1, x2 = px(MAIN_X + 13.5), px(MAIN_X + 13.75), px(MAIN_X + 15) - GAP
    y0, y1, y2 = px(ROW_Y[2]), px(ROW_Y[3]) - GAP, px(ROW_Y[4]) - GAP
    return [(x0, y0), (x2, y0), (x2, y2), (x1, y2), (x1, y1), (x0, y1), (x0, y0)]

def all_keys(variant):
    main, outline = variant()
    keys = dedicated_column() + function_row() + number_row() + main + fix_bottom_columns(bottom_row()) + nav_and_keypad()
    # Matrix columns of the Z row: LShift 1, ISO extra key 2, Z..M 3..9, punctuation 10..12, RShift 14.
    for k in keys:
        if k["row"] == 4 and k["name"] == "RShift":
            k["col"] = 14
    return keys, outline

OPT = """[OPT]
; Logging: 0 off, 1 standard error, 2 Log.txt on the desktop.
Debug=0
Suwnd=1
MatchStr=0
Macro_Opt_X=350
BtnTips=1
ApplyNow=0
MacroDir=1
; Mouse buttons allowed in macros: left, right, middle.
MacroHasMsKey=7
ListTrans=0
rcMacroList=30,76,180,326
rcKeyList=190,76,320,326
; USB identity 0x1A2C:0x0B3D, written in decimal.
VID=6700
PID=2877
USBString=Kavrel Gaming Keyboard
FontName=
appdir=Kavrel
TrayIcon=3
GoWithNoDev=0
DefSpeed=3
DefLight=4
Modes=0,1,2,3,4,5,6,7,8,9
GaoshouIndex=3
; Per mode: unused, speed settable, brightness settable.
LedOpt1=0,0,1
LedOpt2=0,1,1
LedOpt3=0,1,1
LedOpt4=0,0,1
LedOpt5=0,1,1
LedOpt6=0,1,1
LedOpt7=0,1,1
LedOpt8=0,1,1
LedOpt9=0,1,1
LedOpt10=0,1,1
UIDebug=0
rcKB={rckb}
rcLED=24,232,250,180
ptProfile=33,66
ptMin=1008,14
ptApplyBtn=856,584
ptMacro=33,180
BarW=180
BarH=18
SliderY=0
LEDParam=4,3,4
{unrect}Txt_clr=220,224,232
Btn_txt_clr_nr=220,224,232
Btn_txt_clr_ov=255,255,255
Btn_txt_clr_dn=120,200,255
Menu_txt_clr_nr=220,224,232
Menu_txt_clr_ov=255,255,255
Menu_txt_clr_dn=120,200,255
LstBox_txt_clr_nr=220,224,232
LstBox_txt_clr_dn=255,255,255
LstBox_bkg_clr=32,35,42
LstBox_item_clr=44,48,58
ClrKeyOv=80,170,255
ClrKeyDn=30,120,230
ClrKeyHasFunc=255,150,40
"""

def write_model(folder, title, variant):
    keys, outline = all_keys(variant)
    width = px(24.5) - GAP + MARGIN
    height = px(6.5) - GAP + MARGIN
    # The keyboard stands centred in the main window's stage, right of the sidebar.
    rckb = "290,200,%d,%d" % (width, height)
    unrect = ""
    if outline:
        enter = [k for k in keys if k["name"] == "Enter"][0]
        matrix = enter["col"] * 6 + enter["row"]
        unrect = "UnRectKey=%d,%s\n" % (matrix, ",".join("%d,%d" % p for p in outline))
    lines = ["; Kavrel keyboard model: %s." % title,
             "; Written by tools/models/make_models.py; edit the generator, not this file.", ""]
    lines.append(OPT.format(rckb=rckb, unrect=unrect))
    lines.append("[KEY]")
    lines.append("; left,top,right,bottom (picture pixels), kind (hex), code (hex), modifiers (hex), matrix position")
    for n, k in enumerate(keys, start=1):
        l, t, r, b = rect_of(k)
        matrix = k["col"] * 6 + k["row"]
        lines.append("K%d=%d,%d,%d,%d,%X,%X,0,%d" % (n, l, t, r, b, k["kind"], k["code"], matrix))
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, "cfg.ini"), "w", newline="\n") as f:
        f.write("\n".join(lines) + "\n")
    return keys

def main():
    root = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "data", "models")
    ansi = write_model(os.path.join(root, "ansi"), "full-size ANSI keyboard with Fn and dedicated media keys", ansi_rows)
    iso = write_model(os.path.join(root, "iso"), "full-size ISO keyboard with Fn and dedicated media keys", iso_rows)
    print("ansi: %d keys, iso: %d keys" % (len(ansi), len(iso)))

if __name__ == "__main__":
    sys.exit(main())
