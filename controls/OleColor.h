// Colours are 32-bit values: &H00BBGGRR for an RGB colour, &H800000nn for system colour nn.
// System colours are resolved against the current palette in TranslateColor only.
#pragma once

#include <QColor>
#include <QPalette>
#include <QtGlobal>

using OleColor = quint32;

constexpr OleColor kSystemColorFlag = 0x80000000u;

constexpr OleColor SystemColor(int index) {
    return kSystemColorFlag | static_cast<OleColor>(index);
}
constexpr bool IsSystemColor(OleColor color) {
    return (color & 0xFF000000u) == kSystemColorFlag;
}
constexpr OleColor RGB(int red, int green, int blue) {
    return static_cast<OleColor>((red & 0xFF) | ((green & 0xFF) << 8) | ((blue & 0xFF) << 16));
}
constexpr int RedOf(OleColor color) {
    return static_cast<int>(color & 0xFF);
}
constexpr int GreenOf(OleColor color) {
    return static_cast<int>((color >> 8) & 0xFF);
}
constexpr int BlueOf(OleColor color) {
    return static_cast<int>((color >> 16) & 0xFF);
}

// System colours the controls use by name.
namespace SysColor {
constexpr OleColor kWindowBackground = SystemColor(5);
constexpr OleColor kWindowText = SystemColor(8);
constexpr OleColor kActiveBorder = SystemColor(10);
constexpr OleColor kButtonFace = SystemColor(15);
constexpr OleColor kButtonShadow = SystemColor(16);
constexpr OleColor kGrayText = SystemColor(17);
constexpr OleColor kButtonText = SystemColor(18);
constexpr OleColor kButtonHighlight = SystemColor(20);
}  // namespace SysColor

// The RGB value of a colour; system colours become the application palette's current colour for
// that role. An unknown system colour yields black. The palette handle of the original call has
// no use here.
OleColor TranslateColor(OleColor color);

QColor ToQColor(OleColor color);
OleColor FromQColor(const QColor& color);

// Mixes two colours channel by channel: Alpha 255 gives `from`, 0 gives `to`.
OleColor BlendColor(OleColor from, OleColor to, long alpha);

// The contrast ratio of two colours from their relative luminance, 1 (same) to 21 (black on
// white).
double ContrastRatio(const QColor& a, const QColor& b);
// Disabled captions and glyphs keep at least this contrast against their background.
constexpr double kDisabledContrast = 3.0;
// The system's grey text, darkened (or lightened on a dark background) just enough to keep
// kDisabledContrast against `background`: still grey, still readable.
QColor ReadableDisabledColor(const QColor& background);
