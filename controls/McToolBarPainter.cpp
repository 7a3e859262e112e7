#include "McToolBarPainter.h"

#include <QFontMetrics>
#include <QGuiApplication>
#include <QIcon>
#include <QPainter>
#include <QSet>
#include <utility>
#include <vector>

#include "McToolBar.h"

using namespace ToolBarContent;

namespace {

const OleColor kWhite = RGB(255, 255, 255);
const OleColor kBlack = RGB(0, 0, 0);
const OleColor kShadowGrey = RGB(128, 128, 128);

QImage Silhouette(const QImage& picture, const QColor& colour) {
    QImage shadow = picture.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    QPainter painter(&shadow);
    painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
    painter.fillRect(shadow.rect(), colour);
    return shadow;
}

QImage GreyedOut(const QImage& picture) {
    const QIcon icon(QPixmap::fromImage(picture));
    return icon.pixmap(picture.size(), QIcon::Disabled).toImage();
}

void Paint3DFrame(QPainter& painter, const QRect& r, OleColor base, bool sunken) {
    QColor light = ToQColor(BlendColor(base, kWhite, 70));
    QColor dark = ToQColor(BlendColor(base, kBlack, 70));
    if (sunken) std::swap(light, dark);
    McToolBar::PaintEdges(painter, r, light, dark);
    // The inner line deepens the shadowed side.
    painter.setPen(ToQColor(BlendColor(base, kBlack, 250)));
    const QRect inner = r.adjusted(1, 1, -1, -1);
    if (sunken) {
        painter.drawLine(inner.topLeft(), inner.topRight());
        painter.drawLine(inner.topLeft(), inner.bottomLeft());
    } else {
        painter.drawLine(inner.bottomLeft(), inner.bottomRight());
        painter.drawLine(inner.topRight(), inner.bottomRight());
    }
}

// A gradient left to right or top to bottom is one strip of colours stretched over the surface.
bool IsStrip(McToolBar::Gradient direction) {
    return direction == McToolBar::Gradient::LeftToRight ||
           direction == McToolBar::Gradient::TopToBottom;
}

// The gradient's picture: one row or column of colours to stretch over the surface, or the
// whole surface for the diagonal.
QImage MakeGradient(QSize size, McToolBar::Gradient direction, OleColor from, OleColor to) {
    const int w = size.width();
    const int h = size.height();
    const bool across = direction == McToolBar::Gradient::LeftToRight;
    const bool down = direction == McToolBar::Gradient::TopToBottom;
    const int steps = across ? w : down ? h : w + h - 1;
    const auto channel = [steps](int a, int b, int step) {
        return steps > 1 ? a + (b - a) * step / (steps - 1) : a;
    };
    std::vector<QRgb> strip(static_cast<size_t>(steps));
    for (int s = 0; s < steps; ++s)
        strip[static_cast<size_t>(s)] =
            qRgb(channel(RedOf(from), RedOf(to), s), channel(GreenOf(from), GreenOf(to), s),
                 channel(BlueOf(from), BlueOf(to), s));
    // The pixel at x, y takes step x + y: a row across, a column down, both on the diagonal.
    QImage gradient(down ? 1 : w, across ? 1 : h, QImage::Format_RGB32);
    for (int y = 0; y < gradient.height(); ++y)
        for (int x = 0; x < gradient.width(); ++x)
            gradient.setPixel(x, y, strip[static_cast<size_t>(x + y)]);
    return gradient;
}

}  // namespace

QString ToolBarContent::WithoutLineBreaks(QString text) {
    text.remove(QLatin1Char('\r'));
    text.remove(QLatin1Char('\n'));
    return text;
}

void McToolBarPainter::Forget() {
    gradient_ = QImage();  // made again on the next paint, whatever its key
    pictureLooks_.clear();
}

void McToolBarPainter::Paint(QPainter& painter) {
    painter.setFont(bar_.font());
    PaintBackground(painter);
    const int k = InsetFactor();
    for (int i = 0; i < bar_.Button_Count(); ++i) PaintButton(painter, i, k);
    PaintFocus(painter);
    ForgetUnusedPictures();
}

int McToolBarPainter::InsetFactor() const {
    if (bar_.ButtonsStyle() == McToolBar::ButtonLook::Blended) return 0;
    return bar_.BorderStyle() == McToolBar::Border::None ? 1 : 2;
}

void McToolBarPainter::PaintFocus(QPainter& painter) const {
    if (!bar_.HasKeyboardFocus()) return;
    const ToolBarButton* current = bar_.Current();
    const QRect focus =
        current ? QRect(current->Left, current->Top, current->Width, ToLong32(bar_.cellHeight_))
                : bar_.rect();
    McToolBar::PaintFocusRect(painter, focus.adjusted(2, 2, -3, -3), ToQColor(bar_.ForeColor()));
}

void McToolBarPainter::PaintBackground(QPainter& painter) {
    const QRect surface = bar_.rect();
    painter.fillRect(surface, ToQColor(bar_.BackColor()));
    if (bar_.BackGradient() == McToolBar::Gradient::None) {
        McToolBar::TileBitmap(bar_.BackGround(), painter, 0, 0, surface.width(), surface.height());
    } else {
        PaintGradient(painter);
    }
    if (bar_.BorderStyle() == McToolBar::Border::Single) {
        const QRect frame = surface.adjusted(0, 0, -1, -1);
        if (bar_.Appearance() == McToolBar::FrameLook::ThreeD) {
            Paint3DFrame(painter, frame, bar_.BorderColor(), true);
        } else {
            painter.setPen(ToQColor(bar_.BorderColor()));
            painter.setBrush(Qt::NoBrush);
            painter.drawRect(frame);
        }
    }
}

void McToolBarPainter::PaintGradient(QPainter& painter) {
    const QRect surface = bar_.rect();
    if (surface.isEmpty()) return;
    const GradientKey key{surface.size(), bar_.BackGradient(), TranslateColor(bar_.BackColor()),
                          TranslateColor(bar_.BackGradientCol())};
    if (gradient_.isNull() || !(key == gradientKey_)) {
        gradient_ = MakeGradient(key.size, key.direction, key.from, key.to);
        gradientKey_ = key;
    }
    if (IsStrip(key.direction))
        painter.drawImage(surface, gradient_);  // stretched over the surface
    else
        painter.drawImage(0, 0, gradient_);
}

const QImage& McToolBarPainter::LookOf(const QImage& picture, QImage PictureLooks::*look) {
    const qreal pixelRatio = qGuiApp->devicePixelRatio();
    PictureLooks& looks = pictureLooks_[picture.cacheKey()];
    if (looks.pixelRatio != pixelRatio) looks = PictureLooks{pixelRatio, QImage(), QImage()};
    QImage& kept = looks.*look;
    if (kept.isNull())
        kept = look == &PictureLooks::shadow ? Silhouette(picture, ToQColor(kShadowGrey))
                                             : GreyedOut(picture);
    return kept;
}

void McToolBarPainter::ForgetUnusedPictures() {
    if (pictureLooks_.isEmpty()) return;
    QSet<qint64> shown;
    for (const ToolBarButton& button : bar_.buttons_)
        if (!button.Picture.isNull()) shown.insert(button.Picture.cacheKey());
    pictureLooks_.removeIf([&shown](const auto& entry) { return !shown.contains(entry.key()); });
}

void McToolBarPainter::PaintButton(QPainter& painter, int index, int k) {
    const ToolBarButton& button = *bar_.At(index);
    const int x = button.Left;
    const int y = button.Top;
    const int cellHeight = ToLong32(bar_.cellHeight_);
    const bool hovered = index == bar_.Button_Index() && button.Enabled && bar_.isEnabled();
    const bool pressed = bar_.ButtonLooksPressed(index);
    const OleColor hoverColor = bar_.HoverColor();
    const OleColor borderColor = bar_.BorderColor();
    const McToolBar::ButtonLook buttonsStyle = bar_.ButtonsStyle();

    if (hovered && buttonsStyle == McToolBar::ButtonLook::Blended) {
        painter.setPen(ToQColor(BlendColor(hoverColor, kBlack, 250)));
        painter.setBrush(ToQColor(BlendColor(hoverColor, kWhite, 100)));
        painter.drawRect(QRect(QPoint(x, y), QPoint(x + button.Width - 1, y + cellHeight - 1)));
    } else if (hovered) {
        painter.setPen(ToQColor(borderColor));
        painter.setBrush(ToQColor(hoverColor));
        painter.drawRect(QRect(QPoint(x + k, y + k),
                               QPoint(x + button.Width - 3 * k + 1, y + cellHeight - 2 * k)));
    }
    const QRect cell(x, y, button.Width, cellHeight);
    // Pressed buttons are sunken; a raised look frames the buttons that are neither hovered nor
    // disabled.
    if (pressed || (!hovered && buttonsStyle == McToolBar::ButtonLook::Raised && button.Enabled))
        Paint3DFrame(painter, cell.adjusted(k, k, -k - 1, -k - 1), borderColor, pressed);
    PaintButtonContent(painter, button, cell, hovered, pressed);
}

void McToolBarPainter::PaintButtonContent(QPainter& painter, const ToolBarButton& button,
                                          const QRect& cell, bool hovered, bool pressed) {
    const bool enabled = button.Enabled && bar_.isEnabled();
    const QImage& picture = button.Picture;
    const QSize pictureSize = picture.size();  // 0 x 0 without a picture
    using Place = ToolBarButton::PicturePlace;
    const bool beside =
        button.IconAllignment == Place::Left || button.IconAllignment == Place::Right;
    const int wrapWidth =
        beside ? cell.width() - pictureSize.width() - kPictureGap : cell.width() - kWrapMargin;
    const QStringList lines = bar_.SplitToLines(WithoutLineBreaks(button.Caption), wrapWidth, true);
    const QFontMetrics metrics(bar_.font(), &bar_);
    const int blockHeight = static_cast<int>(lines.size()) * metrics.height();
    const QRect area = cell.translated(pressed ? 1 : 0, pressed ? 1 : 0);
    const int gap = (!picture.isNull() && !lines.isEmpty()) ? 2 : 0;

    QRect textBox;
    QPoint pictureAt;
    if (beside) {
        const int pictureLeft = button.IconAllignment == Place::Left
                                    ? area.left() + kPictureGap / 2
                                    : area.right() - kPictureGap / 2 - pictureSize.width() + 1;
        pictureAt = QPoint(pictureLeft, area.top() + (area.height() - pictureSize.height()) / 2);
        const int textLeft =
            button.IconAllignment == Place::Left ? pictureLeft + pictureSize.width() : area.left();
        textBox =
            QRect(textLeft, area.top() + (area.height() - blockHeight) / 2, wrapWidth, blockHeight);
    } else {
        const int total = pictureSize.height() + gap + blockHeight;
        const int top = area.top() + (area.height() - total) / 2;
        const bool pictureBelow = button.IconAllignment == Place::Below;
        const int pictureTop = pictureBelow ? top + blockHeight + gap : top;
        const int textTop = pictureBelow ? top : top + pictureSize.height() + gap;
        pictureAt = QPoint(area.left() + (area.width() - pictureSize.width()) / 2, pictureTop);
        textBox = QRect(area.left(), textTop, area.width(), blockHeight);
    }

    if (!picture.isNull()) {
        if (enabled && hovered && bar_.HoverIconShadow()) {
            painter.drawImage(pictureAt + QPoint(1, 1), LookOf(picture, &PictureLooks::shadow));
            painter.drawImage(pictureAt - QPoint(1, 1), picture);
        } else {
            painter.drawImage(pictureAt,
                              enabled ? picture : LookOf(picture, &PictureLooks::disabled));
        }
    }

    const QString text = lines.join(QLatin1Char('\n'));
    const int flags = Qt::AlignHCenter | Qt::AlignTop;
    if (!enabled) {
        // The disabled look: an engraved caption.
        painter.setPen(ToQColor(SysColor::kButtonHighlight));
        painter.drawText(textBox.translated(1, 1), flags, text);
        painter.setPen(ReadableDisabledColor(ToQColor(bar_.BackColor())));
    } else {
        painter.setPen(ToQColor(bar_.ForeColor()));
    }
    painter.drawText(textBox, flags, text);
}
