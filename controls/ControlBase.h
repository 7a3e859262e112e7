// What every custom control shares: stored settings through a PropertyBag, the "changed" mark
// per stored key, the run-time/designer distinction, a size in twips, and the mapping of Qt's
// input to the button, shift and key codes the controls' events carry.
#pragma once

#include <QImage>
#include <QMouseEvent>
#include <QPointer>
#include <QScopedValueRollback>
#include <QWidget>
#include <cmath>
#include <type_traits>

#include "OleColor.h"
#include "PropertyBag.h"
#include "PropertyTable.h"
#include "Twips.h"

// A stored setting kept in `member`: its Qt property, its getter, and a setter that stores the
// value through the control's property table (key marked, follow-up run, change notified).
#define CONTROL_SETTING(Type, Name, member)                                \
    Q_PROPERTY(Type Name READ Name WRITE set##Name NOTIFY SettingsChanged) \
  public:                                                                  \
    Type Name() const {                                                    \
        return member;                                                     \
    }                                                                      \
    void set##Name(const Type& value) {                                    \
        StoreSetting(*this, member, value);                                \
    }

class QKeyEvent;
class QPainter;

class ControlBase : public QWidget {
    Q_OBJECT
    Q_PROPERTY(bool Enabled READ Enabled WRITE setEnabled NOTIFY SettingsChanged)
    Q_PROPERTY(QFont Font READ Font WRITE setFont NOTIFY SettingsChanged)
    Q_PROPERTY(qint64 hWnd READ hWnd)
  public:
    // Back style: 0 lets the container show through, 1 fills the control with its BackColor.
    // Any other stored number is kept as it is and draws as transparent.
    enum class BackFill { Transparent = 0, Opaque = 1 };
    Q_ENUM(BackFill)

    explicit ControlBase(QWidget* parent = nullptr);

    // Restoring the stored settings marks nothing changed (LoadSettings).
    virtual void ReadProperties(const PropertyBag& bag) = 0;
    virtual void WriteProperties(PropertyBag& bag) const = 0;

    // The control's own enabled state and font, set with QWidget's setEnabled and setFont. A
    // change marks "Enabled" or "Font" when it changes what the control stores; a state or font
    // the control merely takes over from its container is not its own and marks nothing.
    bool Enabled() const { return !testAttribute(Qt::WA_ForceDisabled); }
    QFont Font() const { return font(); }
    // The window the control is drawn into, without making the control a native window.
    qint64 hWnd() const { return static_cast<qint64>(effectiveWinId()); }

    // True from a focus gained by Tab, Backtab or a shortcut until the focus leaves: the
    // control then shows a focus rectangle whatever the mouse does.
    bool HasKeyboardFocus() const { return keyboardFocus_ && hasFocus(); }

    // True when the control runs in the program, false when hosted by a layout designer.
    bool UserMode() const { return userMode_; }
    void setUserMode(bool userMode) { userMode_ = userMode; }

    // Inner size in twips. A size set in twips is kept exactly while the widget keeps the
    // matching pixel size; otherwise it follows the pixel size.
    double ScaleWidth() const { return ScaleOf(twipsWidth_, width()); }
    double ScaleHeight() const { return ScaleOf(twipsHeight_, height()); }
    void setSizeTwips(double width, double height);

    // The size last set in twips, so that layouts start from the control's designed size.
    QSize sizeHint() const override;
    // Room for the control's text on one line in its font, with `margin` twips on each side.
    QSize TextRoom(const QString& text, double margin) const;

    // The font a new control takes: its container's.
    QFont AmbientFont() const;

    // Mouse button (1 left, 2 right, 4 middle) and shift state (1 shift, 2 ctrl, 4 alt) codes.
    static int ButtonCode(Qt::MouseButtons buttons);
    static int ShiftCode(Qt::KeyboardModifiers modifiers);
    // The edges of the rectangle `edge`: top and left in one colour, bottom and right in the
    // other.
    static void PaintEdges(QPainter& painter, const QRect& edge, const QColor& topLeft,
                           const QColor& bottomRight);
    // The virtual-key code of a key (letters upper case, Enter 13, space 32, arrows 37 to 40).
    static int KeyCode(const QKeyEvent* event);
    // The character code a key types, 0 when it types none.
    static int KeyAscii(const QKeyEvent* event);
    // Gives `target` the cursor of a mouse-pointer number (99 uses the custom icon); pointer 0
    // leaves it the one of its container.
    static void ShowPointer(QWidget* target, int mousePointer, const QImage& mouseIcon);

    // The rows every control's table holds: its own enabled state (`byDefault` is what an
    // absent key loads as) and its font, against its container's.
    template <class Control>
    static StoredProperty<Control> EnabledRow(bool byDefault) {
        return {"Enabled", &ControlBase::Enabled, &ControlBase::setEnabled, byDefault};
    }
    template <class Control>
    static StoredProperty<Control> FontRow() {
        return {"Font", &ControlBase::Font, &ControlBase::setFont,
                [](const Control& c) { return c.AmbientFont(); }};
    }

  signals:
    // The stored setting under `key` has been changed.
    void PropertyChanged(const QString& key);
    // A setting may hold a new value: the notify signal of the controls' Qt properties.
    void SettingsChanged();

  protected:
    void MarkChanged(const QString& key) {
        if (!loading_) emit PropertyChanged(key);
    }
    // What a setter of a member setting does: store the value, mark its key, run its row's
    // follow-up, and notify when the value differs. A handler may delete the control on the
    // way; nothing of it is touched afterwards.
    // A number that cannot be stored (infinite, not a number) is refused.
    template <class Control, class T>
    void StoreSetting(Control& self, T& field, const T& value) {
        if constexpr (std::is_floating_point_v<T>)
            if (!std::isfinite(value)) return;
        const auto& table = Control::Properties();
        const auto& row = table.RowOf(self, &field);
        const bool differs = !(field == value);
        field = value;
        MarkChanged(QLatin1String(row.key));
        const QPointer<ControlBase> alive(this);
        if (const auto followUp = table.FollowUpOf(row)) (self.*followUp)();
        if (alive && differs) NotifySettingsChanged();
    }
    // Loads the table's rows and runs `finish` with nothing marked, then notifies once.
    // Returns false when a handler deleted the control.
    template <class Control, class Finish>
    bool LoadSettings(Control& self, const PropertyBag& bag, Finish finish) {
        {
            const QScopedValueRollback<bool> loading(loading_, true);
            Control::Properties().Read(self, bag);
            finish();
        }
        const QPointer<ControlBase> alive(this);
        emit SettingsChanged();
        return !alive.isNull();
    }
    bool IsLoading() const { return loading_; }
    // A setting may hold a new value. A load notifies once, at its end, so that no handler runs
    // (and perhaps deletes the control) while the stored settings are applied.
    void NotifySettingsChanged() {
        if (!loading_) emit SettingsChanged();
    }
    // Notifies a new enabled state or font once the control has taken it in.
    bool event(QEvent* event) override;
    // A follow-up for table rows whose change only shows in the next paint.
    void Repaint() { update(); }
    // Marks "Font" or "Enabled" when the stored value changes.
    void changeEvent(QEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    // What a new font or enabled state (before either is marked) or a focus gained or lost
    // changes in the control's look.
    virtual void LookChanged(QEvent::Type cause) { Q_UNUSED(cause); }
    // From a focus gained until it is lost, to a menu that pops up too (hasFocus stays true).
    bool Focused() const { return focused_; }
    // The dotted rectangle of keyboard focus.
    static void PaintFocusRect(QPainter& painter, const QRect& rect, const QColor& colour);
    double PixelsFromTwips(double twips) const { return Twips::ToPixels(twips, this); }
    double TwipsFromPixels(double pixels) const { return Twips::FromPixels(pixels, this); }
    // A rectangle in twips as a pixel rectangle.
    QRectF PixelRect(const QRectF& twipsRect) const;
    // A mouse position in twips, as the controls' mouse events report it.
    QPointF TwipsPoint(const QPointF& pixelPoint) const;
    // Enter and space act on the control; every other key goes on to its window (Escape closes
    // a dialog).
    static bool ActivatesControl(int keyAscii) { return keyAscii == 13 || keyAscii == 32; }
    // Raises the control's KeyDown and, for a key that types a character, KeyPress. True when
    // the key is Enter or space and no handler deleted the control.
    template <class Control>
    bool RaiseKeyDown(QKeyEvent* event) {
        const int ascii = KeyAscii(event);
        if (!ActivatesControl(ascii)) event->ignore();
        const QPointer<ControlBase> alive(this);
        Control* self = static_cast<Control*>(this);
        emit self->KeyDown(KeyCode(event), ShiftCode(event->modifiers()));
        if (!alive || ascii == 0) return false;
        emit self->KeyPress(ascii);
        return alive && ActivatesControl(ascii);
    }
    // Raises the control's mouse event `signal` for `event` at `at`, with any further
    // arguments: a move carries every button held, a press or a release the one that changed.
    template <class Control, class... Extra>
    void RaiseMouse(void (Control::*signal)(int, int, float, float, Extra...),
                    const QMouseEvent* event, const QPointF& at,
                    std::type_identity_t<Extra>... extra) {
        const Qt::MouseButtons buttons =
            event->type() == QEvent::MouseMove ? event->buttons() : event->button();
        emit(static_cast<Control*>(this)->*signal)(
            ButtonCode(buttons), ShiftCode(event->modifiers()), at.x(), at.y(), extra...);
    }

  private:
    bool userMode_ = true;
    bool loading_ = false;
    // The font as WriteProperties stores it: empty while the font is the container's.
    QVariant StoredFont() const;
    // The twips last set for a side while it keeps their pixels, else its pixels in twips.
    double ScaleOf(double twips, int pixels) const;

    bool storedEnabled_ = true;
    QVariant storedFont_;
    bool focused_ = false;
    bool keyboardFocus_ = false;
    double twipsWidth_ = -1;
    double twipsHeight_ = -1;
};
