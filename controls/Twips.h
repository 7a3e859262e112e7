// Geometry of the controls is kept in twips (1/1440 inch) and converted to screen pixels here
// and nowhere else, so the arithmetic stays in the stored units and the look follows the
// screen's dots per inch.
#pragma once

#include <QtGlobal>

class QWidget;

namespace Twips {

// Twips in one logical pixel of the screen the widget is on (15 at 96 dots per inch).
double PerPixel(const QWidget* widget);
double ToPixels(double twips, const QWidget* widget);
int ToWholePixels(double twips, const QWidget* widget);
double FromPixels(double pixels, const QWidget* widget);

}  // namespace Twips

// Rounds to the nearest whole number, halves to the even neighbour.
double RoundHalfEven(double value);
// A 16-bit signed integer from a number, rounded half to even and held to the 16-bit range.
qint16 ToInteger16(double value);
// A 32-bit signed integer from a number, rounded half to even and held to the 32-bit range.
qint32 ToLong32(double value);
