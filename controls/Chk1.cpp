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
    captionUnderlined_ = Focused();
    LayOut();
    update();
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

QSize Chk1::minimumSizeHint() const {
    const QSize caption = TextRoom(caption_, 0);
    const int glyph = Twips::ToWholePixels(glyphPointSize_ * kTwipsPerPoint, this);
    return QSize(glyph + Twips::ToWholePixels(kCaptionGap, this) + caption.width(),
                 std::max(glyph, caption.height()));
}

int Chk1::GlyphChar() const {
    if (!checked_) return kEmptyBox;
    return style_ == BoxMark::Cross ? kCrossedBox : kTickedBox;
}

void Chk1::ShowColour(OleColor colour) {
    glyphColor_ = colour;
    captionColor_ = colour;
    update();
}

void Chk1::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const bool opaque = backStyle_ == BackFill::Opaque;
    if (opaque) painter.fillRect(rect(), ToQColor(backColor_));
    // Disabled, box and caption are drawn in one grey that stays readable on what is behind them.
    const QColor behind = opaque ? ToQColor(backColor_) : palette().color(backgroundRole());
    const QColor disabled = isEnabled() ? QColor() : ReadableDisabledColor(behind);
    PaintBoxGlyph(painter, PixelRect(glyphRect_), GlyphChar(),
                  isEnabled() ? ToQColor(glyphColor_) : disabled);
    QFont captionFont = font();
    captionFont.setUnderline(captionUnderlined_);
    painter.setFont(captionFont);
    painter.setPen(isEnabled() ? ToQColor(captionColor_) : disabled);
    const QRectF caption = PixelRect(captionRect_);
    painter.drawText(caption, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextDontClip, caption_);
    if (HasKeyboardFocus())
        PaintFocusRect(
            painter, caption.toAlignedRect().adjusted(-2, 0, 1, -1) & rect().adjusted(0, 0, -1, -1),
            painter.pen().color());
}

// ---- properties ------------------------------------------------------------------------------

const PropertyTable<Chk1>& Chk1::Properties() {
    using Row = StoredProperty<Chk1>;
    static const PropertyTable<Chk1> table({
        {"Caption", &Chk1::caption_, "Check"},
        EnabledRow<Chk1>(true),
        FontRow<Chk1>(),
        // The first read colours the caption only; the later ones decide box and caption alike.
        {"ForeColor", &Chk1::captionColor_, SysColor::kButtonText},
        Row("ToolTipText", &Chk1::toolTipText_).Then(&Chk1::ApplyToolTip),
        Row("HighColor", &Chk1::highColor_, 0).Then(&Chk1::Redraw),
        {"Size", &Chk1::Size, &Chk1::LoadSize, 13.0},
        Row("Style", &Chk1::style_, BoxMark::Cross).Then(&Chk1::Redraw),
        {"UnderlineOnMOver", &Chk1::underlineOnMOver_, true},
        Row("MouseIcon", &Chk1::mouseIcon_).Then(&Chk1::ApplyPointer),
        Row("MousePointer", &Chk1::mousePointer_).Then(&Chk1::ApplyPointer),
        Row("BackStyle", &Chk1::backStyle_).Then(&Chk1::Repaint),
        Row("BackColor", &Chk1::backColor_, SysColor::kButtonFace).Then(&Chk1::Redraw),
        Row("ForeColor", &Chk1::foreColor_, 0).Then(&Chk1::Redraw),
        {"HighColor", &Chk1::highColor_, 0},
        {"Size", &Chk1::Size, &Chk1::LoadSize, 13.0},
        {"Forecolor", &Chk1::ForeColor, &Chk1::setForeColor, 0},
        {"Checked", &Chk1::checked_, false},
        {"Animation", &Chk1::animation_, true},
        {"AnimColor1", &Chk1::animColor1_, 0x00404040},
        {"AnimColor2", &Chk1::animColor2_, 0x00808080},
        {"ClickColor", &Chk1::clickColor_, 0x00404040},
        {"Anim_Speed", &Chk1::animSpeed_, 0.08},
        {"Anim_Duration", &Chk1::animDuration_, 2.0},
        // Loading keeps the number without applying its colours.
        {"ColorSet", &Chk1::colorSet_, Colours::Grey},
        {"IsOptionBtn", &Chk1::isOptionBtn_, false},
        {"DoExternalChange", &Chk1::doExternalChange_, false},
    });
    return table;
}

void Chk1::setCaption(const QString& value) {
    const bool changed = value != caption_;
    caption_ = value;
    MarkChanged(QStringLiteral("Caption"));
    Redraw();
    if (!changed) return;
    updateGeometry();
    NotifyAccessibleName(this);
    emit CaptionChanged(caption_);
}

void Chk1::setForeColor(OleColor value) {
    glyphColor_ = value;
    captionColor_ = value;
    StoreSetting(*this, foreColor_, value);
}

QVariant Chk1::Size() const {
    return size_ ? QVariant(*size_) : QVariant(QString());
}

void Chk1::setSize(const QVariant& value) {
    bool ok = false;
    const double points = value.toDouble(&ok);
    if (ok && !std::isfinite(points)) return;
    const std::optional<double> before = size_;
    LoadSize(value);
    MarkChanged(QStringLiteral("Size"));
    Redraw();
    if (size_ != before) NotifySettingsChanged();
}

void Chk1::LoadSize(const QVariant& value) {
    bool ok = false;
    const double points = value.toDouble(&ok);
    if (ok && !std::isfinite(points))
        size_ = 13.0;
    else if (ok && points > 0)
        size_ = points;
    else
        size_.reset();
}

void Chk1::setChecked(bool value) {
    const bool changed = value != checked_;
    checked_ = value;
    MarkChanged(QStringLiteral("Checked"));
    Redraw();
    // A handler may delete the box; nothing of it is touched afterwards.
    const QPointer<Chk1> alive(this);
    if (changed) {
        NotifyAccessibleChecked(this);
        emit CheckedChanged(checked_);
    }
    if (alive && !doExternalChange_) emit Click();
}

void Chk1::setColorSet(Colours value) {
    const QPointer<Chk1> alive(this);
    StoreSetting(*this, colorSet_, value);
    const int number = static_cast<int>(value);
    if (!alive || number < 1 || number > 4) return;
    const ColourSet& set = kColourSets[number - 1];
    setAnimColor1(set.anim1);
    setAnimColor2(set.anim2);
    setClickColor(set.click);
    setHighColor(set.high);
    setForeColor(set.fore);
}

bool Chk1::setDoExternalChange(bool value) {
    if (UserMode()) return false;
    StoreSetting(*this, doExternalChange_, value);
    return true;
}

// ---- stored settings -------------------------------------------------------------------------

void Chk1::ReadProperties(const PropertyBag& bag) {
    const QString captionBefore = caption_;
    const bool checkedBefore = checked_;
    const bool loaded = LoadSettings(*this, bag, [this] {
        Redraw();
        ApplyToolTip();
        ApplyPointer();
    });
    const QPointer<Chk1> alive(this);
    if (loaded && caption_ != captionBefore) emit CaptionChanged(caption_);
    if (loaded && alive && checked_ != checkedBefore) emit CheckedChanged(checked_);
}

void Chk1::WriteProperties(PropertyBag& bag) const {
    Properties().Write(*this, bag);
}

// ---- click animation -------------------------------------------------------------------------

void Chk1::ToggleAndAnimate(bool thenClick) {
    const QPointer<Chk1> alive(this);
    setChecked(!checked_);
    if (!alive) return;
    if (thenClick) ++clicksAfterAnimation_;
    const double cycles = std::isfinite(animDuration_) ? std::floor(animDuration_) : 0;
    animationSteps_ = 2 * static_cast<int>(std::clamp(cycles, 0.0, kMostCycles));
    animationStep_ = 0;
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

void Chk1::mouseMoveEvent(QMouseEvent*) {
    if (mouseInside_) return;
    mouseInside_ = true;
    ShowColour(highColor_);
    if (underlineOnMOver_) captionUnderlined_ = true;
}

void Chk1::leaveEvent(QEvent*) {
    mouseInside_ = false;
    ShowColour(foreColor_);
    captionUnderlined_ = Focused();
}

void Chk1::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) ToggleAndAnimate(false);
}

void Chk1::keyPressEvent(QKeyEvent* event) {
    if (RaiseKeyDown<Chk1>(event)) ToggleAndAnimate(true);
}

void Chk1::keyReleaseEvent(QKeyEvent* event) {
    if (!ActivatesControl(KeyAscii(event))) event->ignore();
    emit KeyUp(KeyCode(event), ShiftCode(event->modifiers()));
}

void Chk1::resizeEvent(QResizeEvent*) {
    LayOut();
    emit Resize();
}
