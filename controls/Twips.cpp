#include "Twips.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr double kTwipsPerInch = 1440.0;
constexpr double kReferenceDpi = 96.0;

double LogicalDpi(const QWidget* widget) {
    if (widget) return widget->logicalDpiX();
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        return screen->logicalDotsPerInchX();
    return kReferenceDpi;
}

template <typename Int>
Int RoundAndHold(double value) {
    if (std::isnan(value)) return 0;
    const double rounded = RoundHalfEven(value);
    const double low = std::numeric_limits<Int>::min();
    const double high = std::numeric_limits<Int>::max();
    return static_cast<Int>(std::clamp(rounded, low, high));
}

}  // namespace

namespace Twips {

double PerPixel(const QWidget* widget) {
    const double dpi = LogicalDpi(widget);
    return dpi > 0 ? kTwipsPerInch / dpi : kTwipsPerInch / kReferenceDpi;
}

double ToPixels(double twips, const QWidget* widget) {
    return twips / PerPixel(widget);
}

int ToWholePixels(double twips, const QWidget* widget) {
    return ToLong32(ToPixels(twips, widget));
}

double FromPixels(double pixels, const QWidget* widget) {
    return pixels * PerPixel(widget);
}

}  // namespace Twips

double RoundHalfEven(double value) {
    // std::nearbyint follows the current rounding mode, which is round-to-nearest-even.
    return std::nearbyint(value);
}

qint16 ToInteger16(double value) {
    return RoundAndHold<qint16>(value);
}

qint32 ToLong32(double value) {
    return RoundAndHold<qint32>(value);
}
