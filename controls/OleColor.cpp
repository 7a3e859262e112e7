#include "OleColor.h"

#include <QGuiApplication>
#include <algorithm>
#include <array>
#include <cmath>
#include <optional>

#include "Twips.h"

namespace {

// The classic desktop scheme, used for system colours that have no palette role.
constexpr std::array<OleColor, 31> kClassicScheme = {
    RGB(212, 208, 200), RGB(58, 110, 165),  RGB(10, 36, 106),   RGB(128, 128, 128),
    RGB(212, 208, 200), RGB(255, 255, 255), RGB(0, 0, 0),       RGB(0, 0, 0),
    RGB(0, 0, 0),       RGB(255, 255, 255), RGB(212, 208, 200), RGB(212, 208, 200),
    RGB(128, 128, 128), RGB(10, 36, 106),   RGB(255, 255, 255), RGB(212, 208, 200),
    RGB(128, 128, 128), RGB(128, 128, 128), RGB(0, 0, 0),       RGB(212, 208, 200),
    RGB(255, 255, 255), RGB(64, 64, 64),    RGB(212, 208, 200), RGB(0, 0, 0),
    RGB(255, 255, 225), RGB(181, 181, 181), RGB(0, 0, 128),     RGB(166, 202, 240),
    RGB(192, 192, 192), RGB(49, 106, 197),  RGB(236, 233, 216)};

// System colours that follow the palette's current group, by index.
constexpr std::pair<int, QPalette::ColorRole> kPaletteRoles[] = {
    {5, QPalette::Base},         {8, QPalette::Text},
    {13, QPalette::Highlight},   {14, QPalette::HighlightedText},
    {15, QPalette::Button},      {16, QPalette::Dark},
    {18, QPalette::ButtonText},  {20, QPalette::Light},
    {21, QPalette::Shadow},      {22, QPalette::Midlight},
    {23, QPalette::ToolTipText}, {24, QPalette::ToolTipBase},
};

std::optional<QColor> PaletteColorFor(int index, const QPalette& palette) {
    // The grey of disabled text is the disabled group's.
    if (index == 17) return palette.color(QPalette::Disabled, QPalette::Text);
    for (const auto& [number, role] : kPaletteRoles)
        if (number == index) return palette.color(role);
    return std::nullopt;
}

int BlendChannel(int from, int to, long alpha) {
    const double mixed = to * (255.0 - alpha) / 255.0 + from * static_cast<double>(alpha) / 255.0;
    return std::clamp(static_cast<int>(RoundHalfEven(mixed)), 0, 255);
}

}  // namespace

OleColor TranslateColor(OleColor color) {
    if (!IsSystemColor(color)) return color & 0x00FFFFFFu;
    const int index = static_cast<int>(color & 0xFFu);
    if (auto fromPalette = PaletteColorFor(index, QGuiApplication::palette()))
        return FromQColor(*fromPalette);
    if (index < static_cast<int>(kClassicScheme.size())) return kClassicScheme[index];
    return 0;
}

QColor ToQColor(OleColor color) {
    const OleColor rgb = TranslateColor(color);
    return QColor(RedOf(rgb), GreenOf(rgb), BlueOf(rgb));
}

OleColor FromQColor(const QColor& color) {
    return RGB(color.red(), color.green(), color.blue());
}

OleColor BlendColor(OleColor from, OleColor to, long alpha) {
    const OleColor a = TranslateColor(from);
    const OleColor b = TranslateColor(to);
    return RGB(BlendChannel(RedOf(a), RedOf(b), alpha), BlendChannel(GreenOf(a), GreenOf(b), alpha),
               BlendChannel(BlueOf(a), BlueOf(b), alpha));
}

namespace {

double RelativeLuminance(const QColor& colour) {
    const auto linear = [](double channel) {
        return channel <= 0.04045 ? channel / 12.92 : std::pow((channel + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * linear(colour.redF()) + 0.7152 * linear(colour.greenF()) +
           0.0722 * linear(colour.blueF());
}

}  // namespace

double ContrastRatio(const QColor& a, const QColor& b) {
    const double la = RelativeLuminance(a);
    const double lb = RelativeLuminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

QColor ReadableDisabledColor(const QColor& background) {
    const QColor grey = ToQColor(SysColor::kGrayText);
    const QColor away =
        RelativeLuminance(background) > 0.18 ? QColor(Qt::black) : QColor(Qt::white);
    constexpr int kSteps = 64;
    for (int step = 0; step <= kSteps; ++step) {
        const double t = static_cast<double>(step) / kSteps;
        const QColor candidate = QColor::fromRgbF(
            static_cast<float>(grey.redF() + (away.redF() - grey.redF()) * t),
            static_cast<float>(grey.greenF() + (away.greenF() - grey.greenF()) * t),
            static_cast<float>(grey.blueF() + (away.blueF() - grey.blueF()) * t));
        // A little above the limit, so the rounding of drawn pixels keeps it.
        if (ContrastRatio(candidate, background) >= kDisabledContrast + 0.1) return candidate;
    }
    return away;
}
