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
    LayOut();
}

namespace {

// Where an element sits along one side: at the distance from the near edge, centred, or at the
// distance from the far edge.
enum class Along { Near, Centre, Far };

// Left and top of the alignment values 0 to 8; any other value centres.
constexpr std::pair<Along, Along> kPlaces[] = {
    {Along::Near, Along::Near},   {Along::Near, Along::Centre}, {Along::Near, Along::Far},
    {Along::Far, Along::Near},    {Along::Far, Along::Centre},  {Along::Far, Along::Far},
    {Along::Centre, Along::Near}, {Along::Centre, Along::Far},  {Along::Centre, Along::Centre},
};

double Place(Along along, double room, double length, double distance) {
    if (along == Along::Near) return distance;
    return along == Along::Far ? room - length - distance : room / 2 - length / 2;
}

}  // namespace

QPointF Cmd1::AlignedPosition(int align, const QSizeF& area, const QSizeF& size, double d) {
    const auto [left, top] = align >= 0 && align < 9 ? kPlaces[align] : kPlaces[8];
    return {Place(left, area.width(), size.width(), d),
            Place(top, area.height(), size.height(), d)};
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

    if (!picture_.isNull()) {
        const QSizeF size = PictureSize();
        QPointF at = AlignedPosition(static_cast<int>(picAlign_), area, size, picDistToEdge_);
        if (picAlign_ == Placement::BottomCentre)
            at.setY(area.height() - size.height() - kBottomCentrePictureDistance);
        pictureRect_ = QRectF(at, size);
    }
    update();
}

void Cmd1::PlaceCaption(QSizeF size) {
    const QSizeF area(ScaleWidth(), ScaleHeight());
    captionRect_ =
        QRectF(AlignedPosition(static_cast<int>(textAlign_), area, size, textDistToEdge_), size);
}

QPointF Cmd1::PressOffset() const {
    return pressed_ ? QPointF(kPressShift, kPressShift) : QPointF();
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

const PropertyTable<Cmd1>& Cmd1::Properties() {
    using Row = StoredProperty<Cmd1>;
    static const PropertyTable<Cmd1> table(
        {
            {"BackColor", &Cmd1::backColor_, SysColor::kButtonFace},
            {"ForeColor", &Cmd1::foreColor_, SysColor::kButtonText},
            EnabledRow<Cmd1>(true),
            FontRow<Cmd1>(),
            {"BorderStyle", &Cmd1::borderStyle_},
            {"BackStyle", &Cmd1::backStyle_},
            {"ToolTipText", &Cmd1::toolTipText_},
            // Older layouts kept the caption under "checkcaption"; "Caption", read later, wins.
            Row("checkcaption", &Cmd1::caption_, "Test").LoadOnly(),
            {"WordWrap", &Cmd1::wordWrap_, true},
            {"HighColor1", &Cmd1::highColor1_, SysColor::kButtonHighlight},
            {"HighColor2", &Cmd1::highColor2_, SysColor::kButtonShadow},
            {"Color1", &Cmd1::color1_, SysColor::kButtonFace},
            {"Color2", &Cmd1::color2_, SysColor::kButtonFace},
            {"Picture", &Cmd1::picture_},
            {"PicSize", &Cmd1::picSize_, 32},
            {"PicAlign", &Cmd1::picAlign_, Placement::Centre},
            {"PicHeight", &Cmd1::picHeight_, 320},
            {"PicWidth", &Cmd1::picWidth_, 320},
            {"ForeColor", &Cmd1::foreColor_, SysColor::kButtonText},
            {"Caption", &Cmd1::caption_, "Command"},
            {"TextAlign", &Cmd1::textAlign_, Placement::Centre},
            {"PicDistToEdge", &Cmd1::picDistToEdge_, 40},
            {"TextDistToEdge", &Cmd1::textDistToEdge_, 40},
            {"TextWidth", &Cmd1::textWidth_, 1000},
            {"TextSetWH", &Cmd1::textSetWH_, false},
            // Read again with the other default: a layout without the key has no word wrap, so
            // wrapping is what gets written.
            {"WordWrap", &Cmd1::wordWrap_, false},
        },
        &Cmd1::LayOut);
    return table;
}

void Cmd1::setCaption(const QString& value) {
    const bool changed = value != caption_;
    caption_ = value;
    MarkChanged(QStringLiteral("Caption"));
    LayOut();  // repaints
    const double room = ScaleWidth() - 2.0 * textDistToEdge_;
    if (captionRect_.width() > room) PlaceCaption(CaptionSize(room));
    if (!changed) return;
    updateGeometry();
    NotifyAccessibleName(this);
    emit CaptionChanged(caption_);
}

void Cmd1::ReadProperties(const PropertyBag& bag) {
    const QString captionBefore = caption_;
    if (!LoadSettings(*this, bag, [this] { LayOut(); })) return;
    if (caption_ != captionBefore) emit CaptionChanged(caption_);
}

void Cmd1::WriteProperties(PropertyBag& bag) const {
    Properties().Write(*this, bag);
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

    PaintEdges(painter, rect().adjusted(0, 0, -1, -1), ToQColor(LightEdgeColor()),
               ToQColor(DarkEdgeColor()));

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
    RaiseMouse(&Cmd1::MouseMove, event, TwipsPoint(at));
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
    RaiseMouse(&Cmd1::MouseDown, event, TwipsPoint(event->position()));
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
    RaiseMouse(&Cmd1::MouseUp, event, TwipsPoint(event->position()));
}

void Cmd1::mouseDoubleClickEvent(QMouseEvent* event) {
    const QPointer<Cmd1> alive(this);
    emit DblClick();
    if (alive) mousePressEvent(event);
}

void Cmd1::keyPressEvent(QKeyEvent* event) {
    if (RaiseKeyDown<Cmd1>(event)) emit Click();
}

void Cmd1::LookChanged(QEvent::Type cause) {
    if (cause == QEvent::FocusIn) return;  // the focus rectangle shows at the next paint
    if (cause == QEvent::FocusOut) {
        tracking_ = false;
        hovered_ = false;
    }
    LayOut();
}

void Cmd1::resizeEvent(QResizeEvent*) {
    LayOut();
    emit Resize();
}

void Cmd1::showEvent(QShowEvent*) {
    emit Show();
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
