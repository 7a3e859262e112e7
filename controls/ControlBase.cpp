#include "ControlBase.h"

#include <QApplication>
#include <QCursor>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QPainter>
#include <QPixmap>
#include <algorithm>

#include "ControlAccessibility.h"

ControlBase::ControlBase(QWidget* parent) : QWidget(parent), storedFont_(StoredFont()) {
    InstallControlAccessibility();
}

QVariant ControlBase::StoredFont() const {
    PropertyBag bag;
    bag.WriteFont(QStringLiteral("Font"), font(), AmbientFont());
    return bag.ReadValue(QStringLiteral("Font"));
}

// Qt tells of every change, the control's own and its container's alike; only one that changes
// the stored value is the control's. A container never sets the control's own disabled state.
void ControlBase::changeEvent(QEvent* event) {
    if (event->type() == QEvent::FontChange || event->type() == QEvent::EnabledChange)
        LookChanged(event->type());
    if (event->type() == QEvent::EnabledChange && Enabled() != storedEnabled_) {
        storedEnabled_ = Enabled();
        MarkChanged(QStringLiteral("Enabled"));
    } else if (event->type() == QEvent::FontChange) {
        QVariant stored = StoredFont();
        if (stored != storedFont_) {
            storedFont_ = std::move(stored);
            MarkChanged(QStringLiteral("Font"));
        }
    }
    QWidget::changeEvent(event);
}

bool ControlBase::event(QEvent* event) {
    const QEvent::Type type = event->type();
    const bool handled = QWidget::event(event);
    // A new font needs new room in a layout.
    if (type == QEvent::FontChange) updateGeometry();
    if (type == QEvent::FontChange || type == QEvent::EnabledChange) NotifySettingsChanged();
    return handled;
}

namespace {

// A menu or another window took the focus for a while; it comes back the way it went.
bool FocusLentOut(Qt::FocusReason reason) {
    return reason == Qt::PopupFocusReason || reason == Qt::ActiveWindowFocusReason;
}

}  // namespace

void ControlBase::focusInEvent(QFocusEvent* event) {
    const Qt::FocusReason reason = event->reason();
    if (!FocusLentOut(reason))
        keyboardFocus_ = reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason ||
                         reason == Qt::ShortcutFocusReason;
    focused_ = true;
    QWidget::focusInEvent(event);
    LookChanged(QEvent::FocusIn);
}

void ControlBase::focusOutEvent(QFocusEvent* event) {
    if (!FocusLentOut(event->reason())) keyboardFocus_ = false;
    focused_ = false;
    QWidget::focusOutEvent(event);
    LookChanged(QEvent::FocusOut);
}

void ControlBase::PaintEdges(QPainter& painter, const QRect& edge, const QColor& topLeft,
                             const QColor& bottomRight) {
    painter.setPen(topLeft);
    painter.drawLine(edge.topLeft(), edge.topRight());
    painter.drawLine(edge.topLeft(), edge.bottomLeft());
    painter.setPen(bottomRight);
    painter.drawLine(edge.bottomLeft(), edge.bottomRight());
    painter.drawLine(edge.topRight(), edge.bottomRight());
}

void ControlBase::PaintFocusRect(QPainter& painter, const QRect& rect, const QColor& colour) {
    painter.save();
    painter.setPen(QPen(colour, 1, Qt::DotLine));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(rect);
    painter.restore();
}

double ControlBase::ScaleOf(double twips, int pixels) const {
    if (twips >= 0 && Twips::ToWholePixels(twips, this) == pixels) return twips;
    return TwipsFromPixels(pixels);
}

void ControlBase::setSizeTwips(double width, double height) {
    twipsWidth_ = width;
    twipsHeight_ = height;
    const QSize pixels(Twips::ToWholePixels(width, this), Twips::ToWholePixels(height, this));
    if (pixels == size()) {
        // Same pixels, new twips: the layout still has to follow.
        QResizeEvent event(size(), size());
        QApplication::sendEvent(this, &event);
    } else {
        resize(pixels);
    }
}

QSize ControlBase::sizeHint() const {
    if (twipsWidth_ < 0 || twipsHeight_ < 0) return QWidget::sizeHint();
    return QSize(Twips::ToWholePixels(twipsWidth_, this), Twips::ToWholePixels(twipsHeight_, this));
}

QSize ControlBase::TextRoom(const QString& text, double margin) const {
    const QFontMetrics metrics(font(), this);
    const int edges = 2 * Twips::ToWholePixels(margin, this);
    return QSize(metrics.horizontalAdvance(text) + edges, metrics.height() + edges);
}

QFont ControlBase::AmbientFont() const {
    return parentWidget() ? parentWidget()->font() : QApplication::font();
}

QRectF ControlBase::PixelRect(const QRectF& r) const {
    return QRectF(PixelsFromTwips(r.x()), PixelsFromTwips(r.y()), PixelsFromTwips(r.width()),
                  PixelsFromTwips(r.height()));
}

QPointF ControlBase::TwipsPoint(const QPointF& p) const {
    return QPointF(TwipsFromPixels(p.x()), TwipsFromPixels(p.y()));
}

namespace {

// Bit 1, 2 and 4 of a code for the first, second and third of `flags`.
template <class Flags>
int CodeOf(Flags state, std::initializer_list<typename Flags::enum_type> flags) {
    int code = 0;
    int bit = 1;
    for (const auto flag : flags) {
        if (state & flag) code |= bit;
        bit <<= 1;
    }
    return code;
}

}  // namespace

int ControlBase::ButtonCode(Qt::MouseButtons buttons) {
    return CodeOf(buttons, {Qt::LeftButton, Qt::RightButton, Qt::MiddleButton});
}

int ControlBase::ShiftCode(Qt::KeyboardModifiers modifiers) {
    return CodeOf(modifiers, {Qt::ShiftModifier, Qt::ControlModifier, Qt::AltModifier});
}

namespace {

// Virtual-key codes of the keys that are neither letters, digits nor function keys.
constexpr std::pair<int, int> kKeyCodes[] = {
    {Qt::Key_Backspace, 8}, {Qt::Key_Tab, 9},      {Qt::Key_Return, 13},   {Qt::Key_Enter, 13},
    {Qt::Key_Shift, 16},    {Qt::Key_Control, 17}, {Qt::Key_Alt, 18},      {Qt::Key_Escape, 27},
    {Qt::Key_Space, 32},    {Qt::Key_PageUp, 33},  {Qt::Key_PageDown, 34}, {Qt::Key_End, 35},
    {Qt::Key_Home, 36},     {Qt::Key_Left, 37},    {Qt::Key_Up, 38},       {Qt::Key_Right, 39},
    {Qt::Key_Down, 40},     {Qt::Key_Insert, 45},  {Qt::Key_Delete, 46},
};

// The cursors of the mouse-pointer numbers; 0 and any other number is the arrow.
constexpr std::pair<int, Qt::CursorShape> kCursors[] = {
    {2, Qt::CrossCursor},      {3, Qt::IBeamCursor},    {5, Qt::SizeAllCursor},
    {6, Qt::SizeBDiagCursor},  {7, Qt::SizeVerCursor},  {8, Qt::SizeFDiagCursor},
    {9, Qt::SizeHorCursor},    {10, Qt::UpArrowCursor}, {11, Qt::WaitCursor},
    {12, Qt::ForbiddenCursor}, {13, Qt::BusyCursor},    {14, Qt::WhatsThisCursor},
    {15, Qt::SizeAllCursor},
};

}  // namespace

int ControlBase::KeyCode(const QKeyEvent* event) {
    const int key = event->key();
    if ((key >= Qt::Key_A && key <= Qt::Key_Z) || (key >= Qt::Key_0 && key <= Qt::Key_9))
        return key;
    if (key >= Qt::Key_F1 && key <= Qt::Key_F24) return 112 + (key - Qt::Key_F1);
    for (const auto& [qtKey, code] : kKeyCodes)
        if (qtKey == key) return code;
    return 0;
}

int ControlBase::KeyAscii(const QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) return 13;
    const QString text = event->text();
    return text.isEmpty() ? 0 : text.front().unicode();
}

void ControlBase::ShowPointer(QWidget* target, int mousePointer, const QImage& mouseIcon) {
    const auto known =
        std::find_if(std::begin(kCursors), std::end(kCursors),
                     [&](const auto& cursor) { return cursor.first == mousePointer; });
    if (mousePointer == 0)
        target->unsetCursor();
    else if (mousePointer == 99 && !mouseIcon.isNull())
        target->setCursor(QCursor(QPixmap::fromImage(mouseIcon)));
    else
        target->setCursor(known != std::end(kCursors) ? known->second : Qt::ArrowCursor);
}
