// What every custom control shares: stored settings through a PropertyBag, the "changed" mark
// per stored key, the run-time/designer distinction, a size in twips, and the mapping of Qt's
// input to the button, shift and key codes the controls' events carry.
#pragma once

#include <QImage>
#include <QWidget>

#include "OleColor.h"
#include "PropertyBag.h"
#include "Twips.h"

class QKeyEvent;
class QMouseEvent;

class ControlBase : public QWidget {
    Q_OBJECT
  public:
    explicit ControlBase(QWidget* parent = nullptr);

    virtual void ReadProperties(const PropertyBag& bag) = 0;
    virtual void WriteProperties(PropertyBag& bag) const = 0;

    // True when the control runs in the program, false when hosted by a layout designer.
    bool UserMode() const { return userMode_; }
    void setUserMode(bool userMode) { userMode_ = userMode; }

    // Inner size in twips. A size set in twips is kept exactly while the widget keeps the
    // matching pixel size; otherwise it follows the pixel size.
    double ScaleWidth() const;
    double ScaleHeight() const;
    void setSizeTwips(double width, double height);

    // The size last set in twips, so that layouts start from the control's designed size.
    QSize sizeHint() const override;

    // The font a new control takes: its container's.
    QFont AmbientFont() const;

    // Mouse button (1 left, 2 right, 4 middle) and shift state (1 shift, 2 ctrl, 4 alt) codes.
    static int ButtonCode(Qt::MouseButtons buttons);
    static int ShiftCode(Qt::KeyboardModifiers modifiers);
    // The virtual-key code of a key (letters upper case, Enter 13, space 32, arrows 37 to 40).
    static int KeyCode(const QKeyEvent* event);
    // The character code a key types, 0 when it types none.
    static int KeyAscii(const QKeyEvent* event);
    // The cursor for a mouse-pointer number (99 uses the custom icon).
    static QCursor CursorFor(int mousePointer, const QImage& mouseIcon);

  signals:
    // The stored setting under `key` has been changed.
    void PropertyChanged(const QString& key);

  protected:
    void MarkChanged(const QString& key) { emit PropertyChanged(key); }
    double PixelsFromTwips(double twips) const { return Twips::ToPixels(twips, this); }
    double TwipsFromPixels(double pixels) const { return Twips::FromPixels(pixels, this); }
    // A rectangle in twips as a pixel rectangle.
    QRectF PixelRect(const QRectF& twipsRect) const;
    // A mouse position in twips, as the controls' mouse events report it.
    QPointF TwipsPoint(const QPointF& pixelPoint) const;

  private:
    bool userMode_ = true;
    double twipsWidth_ = -1;
    double twipsHeight_ = -1;
};
