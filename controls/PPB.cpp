#include "PPB.h"

#include <QFontMetricsF>
#include <QHelpEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QRandomGenerator>
#include <QToolTip>
#include <algorithm>

#include "ControlAccessibility.h"

namespace {

constexpr double kBorderFillLeft = 20;
constexpr double kBorderFillTop = 10;
constexpr double kBorderFillWidthLoss = 20;
constexpr double kBorderFillHeightLoss = 30;
constexpr double kBorderInset = 5;
const OleColor kLabelColor = RGB(255, 255, 255);

QFont DesignFont() {
    QFont font(QStringLiteral("Arial"));
    font.setPointSizeF(11.25);
    font.setBold(true);
    return font;
}

}  // namespace

PPB::PPB(QWidget* parent) : ControlBase(parent) {
    setFont(DesignFont());
    fillImage_ = DefaultFillImage();
    setMouseTracking(true);
    setSizeTwips(2220, 1110);
    Redraw();
}

QImage PPB::DefaultFillImage() {
    constexpr int kWidth = 591;
    constexpr int kHeight = 39;
    constexpr int kFullColourAt = kWidth - 30;
    QImage image(kWidth, kHeight, QImage::Format_RGB888);
    // A fixed start value keeps the faint noise identical from run to run.
    QRandomGenerator noise(591);
    for (int x = 0; x < kWidth; ++x) {
        const double t = std::min(1.0, static_cast<double>(x) / kFullColourAt);
        for (int y = 0; y < kHeight; ++y) {
            const int jitter = noise.bounded(-3, 4);
            const auto channel = [&](int full) {
                return std::clamp(static_cast<int>(full * t) + jitter, 0, 255);
            };
            image.setPixelColor(x, y, QColor(channel(107), channel(73), channel(255)));
        }
    }
    return image;
}

void PPB::Redraw() {
    const double w = ScaleWidth();
    const double h = ScaleHeight();
    // Without a border the fill area is the whole control.
    const double border = showBorder_ ? 1 : 0;
    fillLeft_ = border * kBorderFillLeft;
    fillTop_ = border * kBorderFillTop;
    fillWidth_ = ToInteger16(w - border * kBorderFillWidthLoss);
    fillHeight_ = h - border * kBorderFillHeightLoss;
    imageSize_ = QSizeF(fillWidth_, fillHeight_);
    update();
}

void PPB::ValueChange(double Value) {
    const double whole = RoundHalfEven(Value);
    if (!(whole >= 0 && whole <= 100)) return;
    const int shownBefore = ShownPercent();
    fillWidth_ = ToInteger16(whole * ScaleWidth() / 100.0);
    if (ShownPercent() != shownBefore) NotifyAccessibleValue(this, ShownPercent());
    if (!useCustomCaption_) {
        const QString number = QString::number(static_cast<int>(whole));
        if (!SetLabelText(isPercent_ ? number + QLatin1Char('%') : number)) return;
    }
    update();
}

int PPB::ShownPercent() const {
    const double width = ScaleWidth();
    const double laidOut = showBorder_ ? width - kBorderFillWidthLoss : width;
    if (fillWidth_ >= ToInteger16(laidOut) || width <= 0) return 100;
    return std::clamp(static_cast<int>(RoundHalfEven(fillWidth_ * 100.0 / width)), 0, 100);
}

void PPB::SetCustomCaption(const QString& sCaption) {
    if (!useCustomCaption_ || sCaption == labelText_) return;
    if (SetLabelText(sCaption)) update();
}

bool PPB::SetLabelText(const QString& text) {
    if (text == labelText_) return true;
    labelText_ = text;
    const QPointer<PPB> alive(this);
    emit Change();
    return !alive.isNull();
}

QSizeF PPB::LabelSize() const {
    // The label sizes itself to its text.
    const QFontMetricsF metrics(font(), this);
    return QSizeF(TwipsFromPixels(metrics.horizontalAdvance(labelText_)),
                  TwipsFromPixels(metrics.height()));
}

QRectF PPB::LabelRect() const {
    const QSizeF label = LabelSize();
    return QRectF(
        QPointF(fillWidth_ / 2.0 - label.width() / 2.0, fillHeight_ / 2.0 - label.height() / 2.0),
        label);
}

const PropertyTable<PPB>& PPB::Properties() {
    using Row = StoredProperty<PPB>;
    static const PropertyTable<PPB> table(
        {
            {"IsPercent", &PPB::isPercent_, true},
            FontRow<PPB>(),
            // An absent key reads as disabled, so an enabled bar is written out.
            EnabledRow<PPB>(false),
            Row("MousePointer", &PPB::mousePointer_).Then(&PPB::ApplyPointer),
            Row("MouseIcon", &PPB::mouseIcon_).Then(&PPB::ApplyPointer),
            {"Image", &PPB::fillImage_},
            {"ToolTipText", &PPB::toolTipText_},
            // Picture is read after Image and so decides the fill image.
            {"Picture", &PPB::fillImage_},
            {"BackColor", &PPB::backColor_, SysColor::kButtonFace},
            {"BackStyle", &PPB::backStyle_, BackFill::Opaque},
            {"BorderColor", &PPB::borderColor_, SysColor::kWindowText},
            {"ShowLabel", &PPB::showLabel_, true},
            Row("ShowBorder", &PPB::showBorder_, true).Then(&PPB::Redraw),
            {"UseCustomCaption", &PPB::useCustomCaption_, false},
        },
        &PPB::Repaint);
    return table;
}

void PPB::setIsPercent(bool value) {
    const bool changed = value != isPercent_;
    isPercent_ = value;
    MarkChanged(QStringLiteral("IsPercent"));
    const QPointer<PPB> alive(this);
    if (changed) NotifySettingsChanged();
    if (alive && SetLabelText(value ? QStringLiteral("100%") : QStringLiteral("100"))) update();
}

void PPB::SetFillImage(const QImage& value, const QString& key) {
    const bool changed = value != fillImage_;
    fillImage_ = value;
    MarkChanged(key);
    update();
    if (changed) NotifySettingsChanged();
}

void PPB::ReadProperties(const PropertyBag& bag) {
    // The pointer and border rows lay the bar out and set its pointer as they are read.
    LoadSettings(*this, bag, [] {});
}

void PPB::WriteProperties(PropertyBag& bag) const {
    Properties().Write(*this, bag);
}

void PPB::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (backStyle_ == BackFill::Opaque) painter.fillRect(rect(), ToQColor(backColor_));

    const QRectF fill = PixelRect(FillArea());
    painter.save();
    painter.setClipRect(fill);
    if (!fillImage_.isNull())
        painter.drawImage(PixelRect(QRectF(QPointF(fillLeft_, fillTop_), imageSize_)), fillImage_);
    if (showLabel_) {
        painter.setFont(font());
        painter.setPen(ToQColor(kLabelColor));
        const QRectF label = LabelRect().translated(fillLeft_, fillTop_);
        painter.drawText(PixelRect(label), Qt::AlignCenter | Qt::TextDontClip, labelText_);
    }
    painter.restore();

    if (showBorder_) {
        const QRectF border =
            PixelRect(QRectF(0, 0, ScaleWidth() - kBorderInset, ScaleHeight() - kBorderInset));
        painter.setPen(ToQColor(borderColor_));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(border.toRect().adjusted(0, 0, -1, -1));
    }
}

void PPB::resizeEvent(QResizeEvent*) {
    Redraw();
}

void PPB::changeEvent(QEvent* event) {
    if (event->type() == QEvent::FontChange) Redraw();
    ControlBase::changeEvent(event);
}

bool PPB::event(QEvent* event) {
    if (event->type() == QEvent::ToolTip) {
        // The tooltip belongs to the fill area only.
        auto* help = static_cast<QHelpEvent*>(event);
        if (!toolTipText_.isEmpty() && PixelRect(FillArea()).contains(help->pos()))
            QToolTip::showText(help->globalPos(), toolTipText_, this);
        else
            QToolTip::hideText();
        return true;
    }
    return ControlBase::event(event);
}

bool PPB::OnOwnSurface(const QPointF& pixelPoint) const {
    return !PixelRect(FillArea()).contains(pixelPoint);
}

void PPB::mousePressEvent(QMouseEvent* event) {
    pressedOnSurface_ = OnOwnSurface(event->position());
    if (!pressedOnSurface_) return;
    RaiseMouse(&PPB::MouseDown, event, TwipsPoint(event->position()));
}

void PPB::mouseReleaseEvent(QMouseEvent* event) {
    if (!pressedOnSurface_) return;
    pressedOnSurface_ = false;
    const bool over = rect().contains(event->position().toPoint());
    // A MouseUp handler may delete the bar.
    const QPointer<PPB> alive(this);
    RaiseMouse(&PPB::MouseUp, event, TwipsPoint(event->position()));
    if (alive && over) emit Click();
}

void PPB::mouseMoveEvent(QMouseEvent* event) {
    if (!OnOwnSurface(event->position())) return;
    RaiseMouse(&PPB::MouseMove, event, TwipsPoint(event->position()));
}

void PPB::mouseDoubleClickEvent(QMouseEvent* event) {
    if (OnOwnSurface(event->position())) emit DblClick();
}
