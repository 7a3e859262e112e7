#include "Chk1.h"

#include <QFontMetricsF>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPointer>
#include <cmath>

#include "ControlAccessibility.h"

namespace {

constexpr double kTwipsPerPoint = 20;
constexpr double kCaptionGap = 20;
// Longest animation accepted: beyond it the request is plainly not meant.
constexpr double kMostCycles = 10000;

struct ColourSet {
    OleColor anim1, anim2, click, high, fore;
};

constexpr ColourSet kColourSets[] = {
    {0x00404040, 0x00808080, 0x00404040, 0x00000000, 0x00000000},  // grey
    {0x00FF0000, 0x00800000, 0x00FF0000, 0x00C00000, 0x00800000},  // blue
    {0x000000FF, 0x000080FF, 0x00000080, 0x000040C0, 0x000000FF},  // red
    {0x0000FF00, 0x0000C000, 0x00008000, 0x0000C000, 0x00008000},  // green
};

QFont DesignFont() {
    QFont font(QStringLiteral("Arial"));
    font.setPointSizeF(9.75);
    return font;
}

// The box glyph of the symbol font, drawn: an empty box, a box with a cross, a box with a tick.
// The box and its line lie on whole pixels, so that its edges are sharp.
void PaintBoxGlyph(QPainter& painter, const QRectF& cell, int glyph, const QColor& colour) {
    const double side = std::max(3.0, std::round(std::min(cell.width(), cell.height()) * 0.72));
    const QRectF box(std::round(cell.center().x() - side / 2),
                     std::round(cell.center().y() - side / 2), side, side);
    const double line = std::max(1.0, std::round(side / 11));
    painter.save();
    painter.setPen(Qt::NoPen);
    painter.setBrush(colour);
    // The outline as four filled bands: whole pixels whatever the pen would round to.
    painter.drawRect(QRectF(box.left(), box.top(), side, line));
    painter.drawRect(QRectF(box.left(), box.bottom() - line, side, line));
    painter.drawRect(QRectF(box.left(), box.top(), line, side));
    painter.drawRect(QRectF(box.right() - line, box.top(), line, side));
    const QRectF inner = box.adjusted(side * 0.24, side * 0.24, -side * 0.24, -side * 0.24);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(colour, line * 1.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    if (glyph == Chk1::kCrossedBox) {
        painter.drawLine(inner.topLeft(), inner.bottomRight());
        painter.drawLine(inner.bottomLeft(), inner.topRight());
    } else if (glyph == Chk1::kTickedBox) {
        QPainterPath tick;
        tick.moveTo(inner.left(), inner.center().y());
        tick.lineTo(inner.left() + inner.width() * 0.38, inner.bottom());
        tick.lineTo(inner.right(), inner.top());
        painter.drawPath(tick);
    }
    painter.restore();
}

}  // namespace

Chk1::Chk1(QWidget* parent) : ControlBase(parent) {
    setFont(DesignFont());
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    animationTimer_.setSingleShot(true);
    animationTimer_.setTimerType(Qt::PreciseTimer);
    connect(&animationTimer_, &QTimer::timeout, this, &Chk1::RunAnimationStep);
    setSizeTwips(1935, 375);
    Redraw();
}

// ---- layout and looks ------------------------------------------------------------------------

void Chk1::Redraw() {
    if (size_) glyphPointSize_ = *size_;
    captionUnderlined_ = focused_;
    LayOut();
    update();
}

QFont Chk1::CaptionFont() const {
    QFont captionFont = font();
    captionFont.setUnderline(captionUnderlined_);
    return captionFont;
}

void Chk1::LayOut() {
    const double h = ScaleHeight();
    const double side = glyphPointSize_ * kTwipsPerPoint;
    glyphRect_ = QRectF(0, h / 2 - side / 2, side, side);
    const QFontMetricsF metrics(font(), this);
    const QSizeF caption(TwipsFromPixels(metrics.horizontalAdvance(caption_)),
                         TwipsFromPixels(metrics.height()));
    captionRect_ =
        QRectF(QPointF(glyphRect_.right() + kCaptionGap, h / 2 - caption.height() / 2), caption);
}

int Chk1::GlyphChar() const {
    if (!checked_) return kEmptyBox;
    return style_ == 1 ? kCrossedBox : kTickedBox;
}

void Chk1::ShowColour(OleColor colour) {
    glyphColor_ = colour;
    captionColor_ = colour;
    update();
}

QColor Chk1::Background() const {
    return backStyle_ == 1 ? ToQColor(backColor_) : palette().color(backgroundRole());
}

void Chk1::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (backStyle_ == 1) painter.fillRect(rect(), ToQColor(backColor_));
    // Disabled, box and caption are drawn in one readable grey.
    const QColor disabled = isEnabled() ? QColor() : ReadableDisabledColor(Background());
    PaintBoxGlyph(painter, PixelRect(glyphRect_), GlyphChar(),
                  isEnabled() ? ToQColor(glyphColor_) : disabled);
    painter.setFont(CaptionFont());
    painter.setPen(isEnabled() ? ToQColor(captionColor_) : disabled);
    const QRectF caption = PixelRect(captionRect_);
    painter.drawText(caption, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextDontClip, caption_);
    if (HasKeyboardFocus())
        PaintFocusRect(
            painter, caption.toAlignedRect().adjusted(-2, 0, 1, -1) & rect().adjusted(0, 0, -1, -1),
            painter.pen().color());
}

// ---- properties ------------------------------------------------------------------------------

void Chk1::Changed(const QString& key, bool redraw) {
    MarkChanged(key);
    if (redraw) Redraw();
}

void Chk1::setCaption(const QString& value) {
    const bool changed = value != caption_;
    caption_ = value;
    Changed(QStringLiteral("Caption"), true);
    if (!changed) return;
    NotifyAccessibleName(this);
    emit CaptionChanged(caption_);
}

void Chk1::setForeColor(OleColor value) {
    foreColor_ = value;
    glyphColor_ = value;
    captionColor_ = value;
    Changed(QStringLiteral("ForeColor"), true);
}

void Chk1::setToolTipText(const QString& value) {
    toolTipText_ = value;
    setToolTip(value);
    Changed(QStringLiteral("ToolTipText"), false);
}

void Chk1::setHighColor(OleColor value) {
    highColor_ = value;
    Changed(QStringLiteral("HighColor"), true);
}

QVariant Chk1::Size() const {
    return size_ ? QVariant(*size_) : QVariant(QString());
}

void Chk1::setSize(const QVariant& value) {
    bool ok = false;
    const double points = value.toDouble(&ok);
    if (ok && !std::isfinite(points)) return;
    if (ok && points > 0)
        size_ = points;
    else
        size_.reset();
    Changed(QStringLiteral("Size"), true);
}

void Chk1::setStyle(int value) {
    style_ = value;
    Changed(QStringLiteral("Style"), true);
}

void Chk1::setUnderlineOnMOver(bool value) {
    underlineOnMOver_ = value;
    Changed(QStringLiteral("UnderlineOnMOver"), false);
}

void Chk1::setMouseIcon(const QImage& value) {
    mouseIcon_ = value;
    ApplyPointer();
    Changed(QStringLiteral("MouseIcon"), false);
}

void Chk1::setMousePointer(int value) {
    mousePointer_ = value;
    ApplyPointer();
    Changed(QStringLiteral("MousePointer"), false);
}

void Chk1::ApplyPointer() {
    if (mousePointer_ == 0)
        unsetCursor();
    else
        setCursor(CursorFor(mousePointer_, mouseIcon_));
}

void Chk1::setBackStyle(int value) {
    backStyle_ = value;
    update();
    Changed(QStringLiteral("BackStyle"), false);
}

void Chk1::setBackColor(OleColor value) {
    backColor_ = value;
    Changed(QStringLiteral("BackColor"), true);
}

void Chk1::setChecked(bool value) {
    const bool changed = value != checked_;
    checked_ = value;
    Changed(QStringLiteral("Checked"), true);
    // A handler may delete the box; nothing of it is touched afterwards.
    const QPointer<Chk1> alive(this);
    if (changed) {
        NotifyAccessibleChecked(this);
        emit CheckedChanged(checked_);
    }
    if (alive && !doExternalChange_) emit Click();
}

void Chk1::setAnimation(bool value) {
    animation_ = value;
    Changed(QStringLiteral("Animation"), false);
}

void Chk1::setAnimColor1(OleColor value) {
    animColor1_ = value;
    Changed(QStringLiteral("AnimColor1"), false);
}

void Chk1::setAnimColor2(OleColor value) {
    animColor2_ = value;
    Changed(QStringLiteral("AnimColor2"), false);
}

void Chk1::setClickColor(OleColor value) {
    clickColor_ = value;
    Changed(QStringLiteral("ClickColor"), false);
}

void Chk1::setAnim_Speed(double value) {
    if (!std::isfinite(value)) return;
    animSpeed_ = value;
    Changed(QStringLiteral("Anim_Speed"), false);
}

void Chk1::setAnim_Duration(double value) {
    if (!std::isfinite(value)) return;
    animDuration_ = value;
    Changed(QStringLiteral("Anim_Duration"), false);
}

void Chk1::setColorSet(int value) {
    colorSet_ = value;
    Changed(QStringLiteral("ColorSet"), false);
    if (value < 1 || value > 4) return;
    const ColourSet& set = kColourSets[value - 1];
    setAnimColor1(set.anim1);
    setAnimColor2(set.anim2);
    setClickColor(set.click);
    setHighColor(set.high);
    setForeColor(set.fore);
}

void Chk1::setIsOptionBtn(bool value) {
    isOptionBtn_ = value;
    Changed(QStringLiteral("IsOptionBtn"), false);
}

bool Chk1::setDoExternalChange(bool value) {
    if (UserMode()) return false;
    doExternalChange_ = value;
    Changed(QStringLiteral("DoExternalChange"), false);
    return true;
}

// ---- stored settings -------------------------------------------------------------------------

void Chk1::ReadProperties(const PropertyBag& bag) {
    const LoadingScope loading(*this);
    const QString captionBefore = caption_;
    const bool checkedBefore = checked_;
    caption_ = bag.ReadString(QStringLiteral("Caption"), QStringLiteral("Check"));
    setEnabled(bag.ReadBool(QStringLiteral("Enabled"), true));
    setFont(bag.ReadFont(QStringLiteral("Font"), AmbientFont()));
    captionColor_ = bag.ReadColor(QStringLiteral("ForeColor"), SysColor::kButtonText);
    toolTipText_ = bag.ReadString(QStringLiteral("ToolTipText"), QString());
    setToolTip(toolTipText_);
    highColor_ = bag.ReadColor(QStringLiteral("HighColor"), 0);
    const auto readSize = [&bag]() -> std::optional<double> {
        const QVariant raw = bag.ReadValue(QStringLiteral("Size"));
        if (!raw.isValid()) return 13.0;
        bool ok = false;
        const double points = raw.toDouble(&ok);
        if (ok && !std::isfinite(points)) return 13.0;
        return ok && points > 0 ? std::optional<double>(points) : std::nullopt;
    };
    size_ = readSize();
    style_ = static_cast<int>(bag.ReadInt(QStringLiteral("Style"), 1));
    underlineOnMOver_ = bag.ReadBool(QStringLiteral("UnderlineOnMOver"), true);
    mouseIcon_ = bag.ReadPicture(QStringLiteral("MouseIcon"));
    mousePointer_ = static_cast<int>(bag.ReadInt(QStringLiteral("MousePointer"), 0));
    backStyle_ = static_cast<int>(bag.ReadInt(QStringLiteral("BackStyle"), 0));
    backColor_ = bag.ReadColor(QStringLiteral("BackColor"), SysColor::kButtonFace);
    foreColor_ = bag.ReadColor(QStringLiteral("ForeColor"), 0);
    highColor_ = bag.ReadColor(QStringLiteral("HighColor"), 0);
    size_ = readSize();
    // The last read colours box and caption alike, whatever the caption got first.
    setForeColor(bag.ReadColor(QStringLiteral("Forecolor"), 0));
    checked_ = bag.ReadBool(QStringLiteral("Checked"), false);
    Redraw();
    animation_ = bag.ReadBool(QStringLiteral("Animation"), true);
    animColor1_ = bag.ReadColor(QStringLiteral("AnimColor1"), 0x00404040);
    animColor2_ = bag.ReadColor(QStringLiteral("AnimColor2"), 0x00808080);
    clickColor_ = bag.ReadColor(QStringLiteral("ClickColor"), 0x00404040);
    animSpeed_ = bag.ReadNumber(QStringLiteral("Anim_Speed"), 0.08);
    animDuration_ = bag.ReadNumber(QStringLiteral("Anim_Duration"), 2);
    colorSet_ = static_cast<int>(bag.ReadInt(QStringLiteral("ColorSet"), 1));
    isOptionBtn_ = bag.ReadBool(QStringLiteral("IsOptionBtn"), false);
    doExternalChange_ = bag.ReadBool(QStringLiteral("DoExternalChange"), false);
    ApplyPointer();
    const QPointer<Chk1> alive(this);
    if (caption_ != captionBefore) emit CaptionChanged(caption_);
    if (alive && checked_ != checkedBefore) emit CheckedChanged(checked_);
}

void Chk1::WriteProperties(PropertyBag& bag) const {
    bag.WriteString(QStringLiteral("Caption"), caption_, QStringLiteral("Check"));
    bag.WriteBool(QStringLiteral("Enabled"), Enabled(), true);
    bag.WriteFont(QStringLiteral("Font"), font(), AmbientFont());
    bag.WriteColor(QStringLiteral("ForeColor"), foreColor_, 0);
    bag.WriteString(QStringLiteral("ToolTipText"), toolTipText_, QString());
    bag.WriteColor(QStringLiteral("HighColor"), highColor_, 0);
    if (size_)
        bag.WriteNumber(QStringLiteral("Size"), *size_, 13);
    else
        bag.WriteString(QStringLiteral("Size"), QString(), QStringLiteral("13"));
    bag.WriteInt(QStringLiteral("Style"), style_, 1);
    bag.WriteBool(QStringLiteral("UnderlineOnMOver"), underlineOnMOver_, true);
    bag.WritePicture(QStringLiteral("MouseIcon"), mouseIcon_);
    bag.WriteInt(QStringLiteral("MousePointer"), mousePointer_, 0);
    bag.WriteInt(QStringLiteral("BackStyle"), backStyle_, 0);
    bag.WriteColor(QStringLiteral("BackColor"), backColor_, SysColor::kButtonFace);
    bag.WriteBool(QStringLiteral("Checked"), checked_, false);
    bag.WriteBool(QStringLiteral("Animation"), animation_, true);
    bag.WriteColor(QStringLiteral("AnimColor1"), animColor1_, 0x00404040);
    bag.WriteColor(QStringLiteral("AnimColor2"), animColor2_, 0x00808080);
    bag.WriteColor(QStringLiteral("ClickColor"), clickColor_, 0x00404040);
    bag.WriteNumber(QStringLiteral("Anim_Speed"), animSpeed_, 0.08);
    bag.WriteNumber(QStringLiteral("Anim_Duration"), animDuration_, 2);
    bag.WriteInt(QStringLiteral("ColorSet"), colorSet_, 1);
    bag.WriteBool(QStringLiteral("IsOptionBtn"), isOptionBtn_, false);
    bag.WriteBool(QStringLiteral("DoExternalChange"), doExternalChange_, false);
}

// ---- click animation -------------------------------------------------------------------------

void Chk1::PlayClickAnimation(bool thenClick) {
    if (thenClick) ++clicksAfterAnimation_;
    const double cycles = std::isfinite(animDuration_) ? std::floor(animDuration_) : 0;
    animationSteps_ = 2 * static_cast<int>(std::clamp(cycles, 0.0, kMostCycles));
    animationStep_ = 0;
    animating_ = true;
    animationTimer_.stop();
    RunAnimationStep();
}

void Chk1::RunAnimationStep() {
    if (animationStep_ >= animationSteps_) {
        FinishAnimation();
        return;
    }
    if (animationStep_ % 2 == 0) {
        captionColor_ = highColor_;
        glyphColor_ = animColor1_;
    } else {
        glyphColor_ = animColor2_;
    }
    update();
    ++animationStep_;
    const double seconds = std::isfinite(animSpeed_) ? std::clamp(animSpeed_, 0.0, 3600.0) : 0;
    animationTimer_.start(static_cast<int>(std::lround(seconds * 1000)));
}

void Chk1::FinishAnimation() {
    animating_ = false;
    animationSteps_ = 0;
    animationStep_ = 0;
    ShowColour(mouseInside_ ? highColor_ : foreColor_);
    const QPointer<Chk1> alive(this);
    while (alive && clicksAfterAnimation_ > 0) {
        --clicksAfterAnimation_;
        emit Click();
    }
}

// ---- input -----------------------------------------------------------------------------------

void Chk1::mouseMoveEvent(QMouseEvent* event) {
    if (event->position() == lastMousePos_) return;
    lastMousePos_ = event->position();
    if (mouseInside_) return;
    mouseInside_ = true;
    ShowColour(highColor_);
    if (underlineOnMOver_) captionUnderlined_ = true;
}

void Chk1::leaveEvent(QEvent*) {
    mouseInside_ = false;
    lastMousePos_ = QPointF(-1, -1);
    ShowColour(foreColor_);
    captionUnderlined_ = focused_;
}

void Chk1::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    const QPointer<Chk1> alive(this);
    setChecked(!checked_);
    if (alive) PlayClickAnimation(false);
}

namespace {

// Enter and space toggle the box; every other key goes on to its window.
bool TogglesBox(int ascii) {
    return ascii == 13 || ascii == 32;
}

}  // namespace

void Chk1::keyPressEvent(QKeyEvent* event) {
    const int ascii = KeyAscii(event);
    if (!TogglesBox(ascii)) event->ignore();
    const QPointer<Chk1> alive(this);
    emit KeyDown(KeyCode(event), ShiftCode(event->modifiers()));
    if (!alive || ascii == 0) return;
    emit KeyPress(ascii);
    if (!alive || !TogglesBox(ascii)) return;
    setChecked(!checked_);
    if (alive) PlayClickAnimation(true);
}

void Chk1::keyReleaseEvent(QKeyEvent* event) {
    if (!TogglesBox(KeyAscii(event))) event->ignore();
    emit KeyUp(KeyCode(event), ShiftCode(event->modifiers()));
}

void Chk1::focusInEvent(QFocusEvent* event) {
    ControlBase::focusInEvent(event);
    focused_ = true;
    Redraw();
}

void Chk1::focusOutEvent(QFocusEvent* event) {
    ControlBase::focusOutEvent(event);
    focused_ = false;
    Redraw();
}

void Chk1::resizeEvent(QResizeEvent*) {
    LayOut();
    emit Resize();
}

void Chk1::changeEvent(QEvent* event) {
    if (event->type() == QEvent::FontChange || event->type() == QEvent::EnabledChange) {
        Redraw();
    }
    ControlBase::changeEvent(event);
}
