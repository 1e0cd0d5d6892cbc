#pragma once

#include <QColor>

// The default skin's colours: a dark neutral base in a few steps of
// lightness and one accent colour. Every picture of the skin takes its
// colours from here.
namespace kavrel::skin {

struct Palette {
    static QColor window() { return QColor(0x10, 0x12, 0x16); }
    static QColor windowEdge() { return QColor(0x2A, 0x2F, 0x39); }
    static QColor card() { return QColor(0x17, 0x1A, 0x20); }
    static QColor cardEdge() { return QColor(0x24, 0x28, 0x31); }
    static QColor well() { return QColor(0x0C, 0x0E, 0x12); }
    static QColor wellEdge() { return QColor(0x22, 0x26, 0x2F); }
    static QColor raisedTop() { return QColor(0x27, 0x2B, 0x34); }
    static QColor raisedBottom() { return QColor(0x1F, 0x23, 0x2A); }
    static QColor raisedEdge() { return QColor(0x33, 0x39, 0x45); }
    static QColor hoverTop() { return QColor(0x2F, 0x35, 0x40); }
    static QColor hoverBottom() { return QColor(0x27, 0x2C, 0x35); }
    static QColor hoverEdge() { return QColor(0x45, 0x4E, 0x5E); }
    static QColor divider() { return QColor(0x22, 0x26, 0x2E); }
    static QColor text() { return QColor(0xDC, 0xE0, 0xE8); }
    static QColor textMuted() { return QColor(0x8A, 0x93, 0xA3); }
    static QColor textFaint() { return QColor(0x55, 0x5D, 0x6B); }
    static QColor accent() { return QColor(0x3D, 0x9B, 0xFF); }
    static QColor accentDeep() { return QColor(0x1F, 0x6F, 0xD1); }
    static QColor accentLight() { return QColor(0x78, 0xC8, 0xFF); }
    // The accent laid thinly over a dark surface.
    static QColor accentTint(int alpha) { return QColor(0x3D, 0x9B, 0xFF, alpha); }
    // The one colour that is not the accent: recording.
    static QColor record() { return QColor(0xFF, 0x5A, 0x5F); }
    static QColor highlight(int alpha) { return QColor(255, 255, 255, alpha); }
    static QColor shade(int alpha) { return QColor(0, 0, 0, alpha); }
};

} // namespace kavrel::skin
