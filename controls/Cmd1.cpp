#include "Cmd1.h"

#include <QFontMetricsF>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QToolTip>

#include "ControlAccessibility.h"

namespace {

constexpr double kPressShift = 20;
constexpr double kEngraveShift = 10;
constexpr double kBottomCentrePictureDistance = 40;
constexpr double kTwipsPerPicSizeUnit = 10;

}  // namespace

Cmd1::Cmd1(QWidget* parent) : ControlBase(parent) {
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    setSizeTwips(1215, 495);
    arranged_ = true;
    LayOut();
}

QPointF Cmd1::AlignedPosition(int align, const QSizeF& area, const QSizeF& size, double d) {
    const double w = area.width();
    const double h = area.height();
    const double middleTop = h / 2 - size.height() / 2;
    const double bottomTop = h - size.height() - d;
    const double centreLeft = w / 2 - size.width() / 2;
    const double rightLeft = w - size.width() - d;
    switch (align) {
        case 0:
            return {d, d};
        case 1:
            return {d, middleTop};
        case 2:
            return {d, bottomTop};
        case 3:
            return {rightLeft, d};
        case 4:
            return {rightLeft, middleTop};
        case 5:
            return {rightLeft, bottomTop};
        case 6:
            return {centreLeft, d};
        case 7:
            return {centreLeft, bottomTop};
        default:
            return {centreLeft, middleTop};
    }
}

QSizeF Cmd1::CaptionSize(double width) const {
    const QFontMetricsF metrics(font(), this);
    if (!wordWrap_) {
        // Without wrapping the caption sizes itself to its one line of text.
        return QSizeF(TwipsFromPixels(metrics.horizontalAdvance(caption_)),
                      TwipsFromPixels(metrics.height()));
    }
    const double pixelWidth = std::max(1.0, PixelsFromTwips(width));
    const QRectF bounds = metrics.boundingRect(QRectF(0, 0, pixelWidth, 1e6),
                                               Qt::TextWordWrap | Qt::AlignHCenter, caption_);
    return QSizeF(width, TwipsFromPixels(std::max(bounds.height(), metrics.height())));
}

QSizeF Cmd1::PictureSize() const {
    const double w = ScaleWidth();
    const double h = ScaleHeight();
    switch (picSize_) {
        case 1:
            return {w - 2.0 * picDistToEdge_, h - 2.0 * picDistToEdge_};
        case 2:
            return {static_cast<double>(picWidth_), static_cast<double>(picHeight_)};
        case 3:
            return {TwipsFromPixels(picture_.width()), TwipsFromPixels(picture_.height())};
        default:
            return {picSize_ * kTwipsPerPicSizeUnit, picSize_ * kTwipsPerPicSizeUnit};
    }
}

void Cmd1::LayOut() {
    const QSizeF area(ScaleWidth(), ScaleHeight());
    const double fullWidth = area.width() - 2.0 * textDistToEdge_;
    // A set text width may be wider than the room between the edges; only a new caption is
    // narrowed to that room (setCaption).
    QSizeF caption = CaptionSize(textSetWH_ ? textWidth_ : fullWidth);
    if (!wordWrap_ && caption.width() > fullWidth) caption.setWidth(fullWidth);
    PlaceCaption(caption);

    if (arranged_ && !picture_.isNull()) {
        const QSizeF size = PictureSize();
        const double distance = picDistToEdge_;
        QPointF at = AlignedPosition(picAlign_, area, size, distance);
        if (picAlign_ == 7) at.setY(area.height() - size.height() - kBottomCentrePictureDistance);
        pictureRect_ = QRectF(at, size);
    }
    update();
}

void Cmd1::PlaceCaption(QSizeF size) {
    const QSizeF area(ScaleWidth(), ScaleHeight());
    captionRect_ = QRectF(AlignedPosition(textAlign_, area, size, textDistToEdge_), size);
}

QRectF Cmd1::CaptionRect() const {
    return pressed_ ? captionRect_.translated(kPressShift, kPressShift) : captionRect_;
}

QRectF Cmd1::PictureRect() const {
    return pressed_ ? pictureRect_.translated(kPressShift, kPressShift) : pictureRect_;
}

QRectF Cmd1::DisabledCopyRect() const {
    if (isEnabled()) return {};
    return captionRect_.translated(kEngraveShift, kEngraveShift);
}

OleColor Cmd1::LightEdgeColor() const {
    if (pressed_) return highColor2_;
    return hovered_ ? highColor1_ : SysColor::kButtonFace;
}

OleColor Cmd1::DarkEdgeColor() const {
    if (pressed_) return highColor1_;
    return hovered_ ? highColor2_ : SysColor::kButtonFace;
}

// ---- properties ------------------------------------------------------------------------------

void Cmd1::Changed(const QString& key) {
    MarkChanged(key);
    LayOut();
}

void Cmd1::setBackColor(OleColor value) {
    backColor_ = value;
    Changed(QStringLiteral("BackColor"));
}
void Cmd1::setForeColor(OleColor value) {
    foreColor_ = value;
    Changed(QStringLiteral("ForeColor"));
}
void Cmd1::setBorderStyle(int value) {
    borderStyle_ = value;
    Changed(QStringLiteral("BorderStyle"));
}
void Cmd1::setBackStyle(int value) {
    backStyle_ = value;
    Changed(QStringLiteral("BackStyle"));
}
void Cmd1::setToolTipText(const QString& value) {
    toolTipText_ = value;
    Changed(QStringLiteral("ToolTipText"));
}
void Cmd1::setWordWrap(bool value) {
    wordWrap_ = value;
    Changed(QStringLiteral("WordWrap"));
}
void Cmd1::setHighColor1(OleColor value) {
    highColor1_ = value;
    Changed(QStringLiteral("HighColor1"));
}
void Cmd1::setHighColor2(OleColor value) {
    highColor2_ = value;
    Changed(QStringLiteral("HighColor2"));
}
void Cmd1::setColor1(OleColor value) {
    color1_ = value;
    Changed(QStringLiteral("Color1"));
}
void Cmd1::setColor2(OleColor value) {
    color2_ = value;
    Changed(QStringLiteral("Color2"));
}
void Cmd1::setPicture(const QImage& value) {
    picture_ = value;
    Changed(QStringLiteral("Picture"));
}
void Cmd1::setPicSize(int value) {
    picSize_ = value;
    Changed(QStringLiteral("PicSize"));
}
void Cmd1::setPicAlign(int value) {
    picAlign_ = value;
    Changed(QStringLiteral("PicAlign"));
}
void Cmd1::setPicHeight(int value) {
    picHeight_ = value;
    Changed(QStringLiteral("PicHeight"));
}
void Cmd1::setPicWidth(int value) {
    picWidth_ = value;
    Changed(QStringLiteral("PicWidth"));
}
void Cmd1::setCaption(const QString& value) {
    const bool changed = value != caption_;
    caption_ = value;
    Changed(QStringLiteral("Caption"));
    const double room = ScaleWidth() - 2.0 * textDistToEdge_;
    if (captionRect_.width() > room) {
        PlaceCaption(CaptionSize(room));
        update();
    }
    if (!changed) return;
    NotifyAccessibleName(this);
    emit CaptionChanged(caption_);
}
void Cmd1::setTextAlign(int value) {
    textAlign_ = value;
    Changed(QStringLiteral("TextAlign"));
}
void Cmd1::setPicDistToEdge(int value) {
    picDistToEdge_ = value;
    Changed(QStringLiteral("PicDistToEdge"));
}
void Cmd1::setTextDistToEdge(int value) {
    textDistToEdge_ = value;
    Changed(QStringLiteral("TextDistToEdge"));
}
void Cmd1::setTextWidth(int value) {
    textWidth_ = value;
    Changed(QStringLiteral("TextWidth"));
}
void Cmd1::setTextSetWH(bool value) {
    textSetWH_ = value;
    Changed(QStringLiteral("TextSetWH"));
}

// ---- stored settings -------------------------------------------------------------------------

void Cmd1::ReadProperties(const PropertyBag& bag) {
    const LoadingScope loading(*this);
    const QString captionBefore = caption_;
    backColor_ = bag.ReadColor(QStringLiteral("BackColor"), SysColor::kButtonFace);
    foreColor_ = bag.ReadColor(QStringLiteral("ForeColor"), SysColor::kButtonText);
    setEnabled(bag.ReadBool(QStringLiteral("Enabled"), true));
    setFont(bag.ReadFont(QStringLiteral("Font"), AmbientFont()));
    borderStyle_ = static_cast<int>(bag.ReadInt(QStringLiteral("BorderStyle"), 0));
    backStyle_ = static_cast<int>(bag.ReadInt(QStringLiteral("BackStyle"), 0));
    toolTipText_ = bag.ReadString(QStringLiteral("ToolTipText"), QString());
    // Older layouts kept the caption under "checkcaption"; "Caption", read later, wins.
    caption_ = bag.ReadString(QStringLiteral("checkcaption"), QStringLiteral("Test"));
    wordWrap_ = bag.ReadBool(QStringLiteral("WordWrap"), true);
    highColor1_ = bag.ReadColor(QStringLiteral("HighColor1"), SysColor::kButtonHighlight);
    highColor2_ = bag.ReadColor(QStringLiteral("HighColor2"), SysColor::kButtonShadow);
    color1_ = bag.ReadColor(QStringLiteral("Color1"), SysColor::kButtonFace);
    color2_ = bag.ReadColor(QStringLiteral("Color2"), SysColor::kButtonFace);
    picture_ = bag.ReadPicture(QStringLiteral("Picture"));
    picSize_ = static_cast<int>(bag.ReadInt(QStringLiteral("PicSize"), 32));
    picAlign_ = static_cast<int>(bag.ReadInt(QStringLiteral("PicAlign"), 8));
    picHeight_ = static_cast<int>(bag.ReadInt(QStringLiteral("PicHeight"), 320));
    picWidth_ = static_cast<int>(bag.ReadInt(QStringLiteral("PicWidth"), 320));
    foreColor_ = bag.ReadColor(QStringLiteral("ForeColor"), SysColor::kButtonText);
    caption_ = bag.ReadString(QStringLiteral("Caption"), QStringLiteral("Command"));
    textAlign_ = static_cast<int>(bag.ReadInt(QStringLiteral("TextAlign"), 8));
    picDistToEdge_ = static_cast<int>(bag.ReadInt(QStringLiteral("PicDistToEdge"), 40));
    textDistToEdge_ = static_cast<int>(bag.ReadInt(QStringLiteral("TextDistToEdge"), 40));
    textWidth_ = static_cast<int>(bag.ReadInt(QStringLiteral("TextWidth"), 1000));
    textSetWH_ = bag.ReadBool(QStringLiteral("TextSetWH"), false);
    // Read again with the other default: a layout without the key has no word wrap.
    wordWrap_ = bag.ReadBool(QStringLiteral("WordWrap"), false);
    LayOut();
    if (caption_ != captionBefore) emit CaptionChanged(caption_);
}

void Cmd1::WriteProperties(PropertyBag& bag) const {
    bag.WriteColor(QStringLiteral("BackColor"), backColor_, SysColor::kButtonFace);
    bag.WriteColor(QStringLiteral("ForeColor"), foreColor_, SysColor::kButtonText);
    bag.WriteBool(QStringLiteral("Enabled"), Enabled(), true);
    bag.WriteFont(QStringLiteral("Font"), font(), AmbientFont());
    bag.WriteInt(QStringLiteral("BorderStyle"), borderStyle_, 0);
    bag.WriteInt(QStringLiteral("BackStyle"), backStyle_, 0);
    bag.WriteString(QStringLiteral("ToolTipText"), toolTipText_, QString());
    // Absent reads as no wrap, so wrapping is what has to be written.
    bag.WriteBool(QStringLiteral("WordWrap"), wordWrap_, false);
    bag.WriteColor(QStringLiteral("HighColor1"), highColor1_, SysColor::kButtonHighlight);
    bag.WriteColor(QStringLiteral("HighColor2"), highColor2_, SysColor::kButtonShadow);
    bag.WriteColor(QStringLiteral("Color1"), color1_, SysColor::kButtonFace);
    bag.WriteColor(QStringLiteral("Color2"), color2_, SysColor::kButtonFace);
    bag.WritePicture(QStringLiteral("Picture"), picture_);
    bag.WriteInt(QStringLiteral("PicSize"), picSize_, 32);
    bag.WriteInt(QStringLiteral("PicAlign"), picAlign_, 8);
    bag.WriteInt(QStringLiteral("PicHeight"), picHeight_, 320);
    bag.WriteInt(QStringLiteral("PicWidth"), picWidth_, 320);
    bag.WriteString(QStringLiteral("Caption"), caption_, QStringLiteral("Command"));
    bag.WriteInt(QStringLiteral("TextAlign"), textAlign_, 8);
    bag.WriteInt(QStringLiteral("PicDistToEdge"), picDistToEdge_, 40);
    bag.WriteInt(QStringLiteral("TextDistToEdge"), textDistToEdge_, 40);
    bag.WriteInt(QStringLiteral("TextWidth"), textWidth_, 1000);
    bag.WriteBool(QStringLiteral("TextSetWH"), textSetWH_, false);
}

// ---- looks -----------------------------------------------------------------------------------

void Cmd1::ShowHover() {
    if (hovered_) return;
    hovered_ = true;
    update();
}

void Cmd1::HideHover() {
    hovered_ = false;
    LayOut();
}

void Cmd1::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), ToQColor(backColor_));
    if (!picture_.isNull()) painter.drawImage(PixelRect(PictureRect()), picture_);

    painter.setFont(font());
    const int flags = Qt::AlignHCenter | Qt::AlignTop | (wordWrap_ ? Qt::TextWordWrap : 0);
    if (!isEnabled()) {
        painter.setPen(ToQColor(SysColor::kButtonHighlight));
        painter.drawText(PixelRect(DisabledCopyRect()), flags, caption_);
        painter.setPen(ReadableDisabledColor(ToQColor(backColor_)));
    } else {
        painter.setPen(ToQColor(foreColor_));
    }
    painter.drawText(PixelRect(CaptionRect()), flags, caption_);

    const QRect edge = rect().adjusted(0, 0, -1, -1);
    painter.setPen(ToQColor(LightEdgeColor()));
    painter.drawLine(edge.topLeft(), edge.topRight());
    painter.drawLine(edge.topLeft(), edge.bottomLeft());
    painter.setPen(ToQColor(DarkEdgeColor()));
    painter.drawLine(edge.bottomLeft(), edge.bottomRight());
    painter.drawLine(edge.topRight(), edge.bottomRight());

    if (ShowsFocusRect())
        PaintFocusRect(painter, rect().adjusted(4, 2, -5, -3), ToQColor(foreColor_));
}

// ---- input -----------------------------------------------------------------------------------

void Cmd1::mouseMoveEvent(QMouseEvent* event) {
    const QPointF at = event->position();
    const bool over = QRectF(rect()).contains(at);
    if (!tracking_ && over) {
        tracking_ = true;
        ShowHover();
    } else if (tracking_ && !over) {
        // Dragged off: the press is abandoned, so releasing later is no click.
        tracking_ = false;
        pressed_ = false;
        HideHover();
    }
    const QPointF twips = TwipsPoint(at);
    emit MouseMove(ButtonCode(event->buttons()), ShiftCode(event->modifiers()), twips.x(),
                   twips.y());
}

void Cmd1::leaveEvent(QEvent*) {
    if (pressed_) return;  // a held button keeps the mouse until it is released
    tracking_ = false;
    HideHover();
}

void Cmd1::mousePressEvent(QMouseEvent* event) {
    pressed_ = true;
    tracking_ = true;
    hovered_ = false;
    update();
    const QPointF twips = TwipsPoint(event->position());
    emit MouseDown(ButtonCode(event->button()), ShiftCode(event->modifiers()), twips.x(),
                   twips.y());
}

void Cmd1::mouseReleaseEvent(QMouseEvent* event) {
    const bool overButton = rect().contains(event->position().toPoint());
    const bool wasPressed = pressed_;
    pressed_ = false;
    if (overButton) {
        ShowHover();
    } else {
        tracking_ = false;
        HideHover();
    }
    LayOut();
    // A Click handler may delete the button; nothing of it is touched afterwards.
    const QPointer<Cmd1> alive(this);
    if (overButton && wasPressed) emit Click();
    if (!alive) return;
    const QPointF twips = TwipsPoint(event->position());
    emit MouseUp(ButtonCode(event->button()), ShiftCode(event->modifiers()), twips.x(), twips.y());
}

void Cmd1::mouseDoubleClickEvent(QMouseEvent* event) {
    const QPointer<Cmd1> alive(this);
    emit DblClick();
    if (alive) mousePressEvent(event);
}

void Cmd1::keyPressEvent(QKeyEvent* event) {
    const int ascii = KeyAscii(event);
    const bool presses = ascii == 13 || ascii == 32;
    // Keys the button does not use go on to its window (Escape closes a dialog).
    if (!presses) event->ignore();
    const QPointer<Cmd1> alive(this);
    emit KeyDown(KeyCode(event), ShiftCode(event->modifiers()));
    if (!alive || ascii == 0) return;
    emit KeyPress(ascii);
    if (alive && presses) emit Click();
}

void Cmd1::focusInEvent(QFocusEvent* event) {
    ControlBase::focusInEvent(event);
    focused_ = true;
    update();
}

void Cmd1::focusOutEvent(QFocusEvent* event) {
    ControlBase::focusOutEvent(event);
    focused_ = false;
    tracking_ = false;
    HideHover();
}

void Cmd1::resizeEvent(QResizeEvent*) {
    LayOut();
    emit Resize();
}

void Cmd1::showEvent(QShowEvent*) {
    emit Show();
}

void Cmd1::changeEvent(QEvent* event) {
    if (event->type() == QEvent::FontChange || event->type() == QEvent::EnabledChange) {
        LayOut();
    }
    ControlBase::changeEvent(event);
}

bool Cmd1::event(QEvent* event) {
    if (event->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(event);
        if (!toolTipText_.isEmpty())
            QToolTip::showText(help->globalPos(), toolTipText_, this);
        else
            QToolTip::hideText();
        return true;
    }
    return ControlBase::event(event);
}
