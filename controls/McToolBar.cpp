#include "McToolBar.h"

#include <QApplication>
#include <QCursor>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QTextBoundaryFinder>
#include <algorithm>
#include <cmath>

#include "ControlAccessibility.h"
#include "McToolBarPainter.h"

namespace {

constexpr int kTooltipRestTicks = 5;

QString PerButtonKey(const char* word, int index) {
    return QString::fromLatin1(word) + QString::number(index);
}

}  // namespace

McToolBar::McToolBar(QWidget* parent)
    : ControlBase(parent), painter_(std::make_unique<McToolBarPainter>(*this)) {
    buttons_.push_back(NewButton(0));
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    restTimer_.setInterval(1);
    restTimer_.setTimerType(Qt::PreciseTimer);
    connect(&restTimer_, &QTimer::timeout, this, &McToolBar::OnTooltipTick);
    resize(buttonsWidth_ * buttonsPerRow_, buttonsHeight_);
    RedrawControl();
}

McToolBar::~McToolBar() {
    DestroyToolTip();
}

ToolBarButton McToolBar::NewButton(int index) {
    ToolBarButton button;
    button.Caption = QStringLiteral("Button ") + QString::number(index);
    return button;
}

const ToolBarButton* McToolBar::At(int index) const {
    if (index < 0 || index >= Button_Count()) return nullptr;
    return &buttons_[static_cast<size_t>(index)];
}

const ToolBarButton* McToolBar::Current() const {
    return At(buttonIndex_);
}

ToolBarButton* McToolBar::Current() {
    return const_cast<ToolBarButton*>(std::as_const(*this).Current());
}

void McToolBar::Changed(const QString& key) {
    MarkChanged(key);
    RedrawControl();
}

// ---- geometry --------------------------------------------------------------------------------

void McToolBar::RedrawControl() {
    const QPointer<McToolBar> alive(this);
    emit OnRedrawing(buttonIndex_);
    if (!alive) return;
    LayOutButtons();
    update();
}

void McToolBar::LayOutButtons() {
    if (layingOut_) return;
    layingOut_ = true;
    SizeCells();
    // Making the control follow the grid changes its size, and the cells follow that size.
    if (WarpToGrid()) SizeCells();
    PlaceButtons();
    layingOut_ = false;
}

void McToolBar::SizeCells() {
    if (buttonsPerRow_ > 0) rows_ = (Button_Count() - 1) / buttonsPerRow_ + 1;
    if (!autoSize_) {
        cellWidth_ = buttonsWidth_;
        cellHeight_ = buttonsHeight_;
        for (ToolBarButton& button : buttons_) button.Width = buttonsWidth_;
    } else {
        // Without a cell width there is nothing to divide the width by; the row keeps its count.
        buttonsPerRow_ = buttonsWidth_ > 0
                             ? std::max(1, ToLong32(static_cast<double>(width()) / buttonsWidth_))
                             : PerRow();
        rows_ = (Button_Count() - 1) / buttonsPerRow_ + 1;
        const bool spreadOverWidth = Button_Count() > buttonsPerRow_ && !warpSize_;
        cellWidth_ =
            spreadOverWidth ? static_cast<double>(width()) / buttonsPerRow_ : buttonsWidth_;
        cellHeight_ =
            std::max(static_cast<double>(height()) / rows_, static_cast<double>(buttonsHeight_));
        for (ToolBarButton& button : buttons_) {
            button.Width = autoSizeButtons_ ? ContentWidth(button) : ToLong32(cellWidth_);
        }
    }
    for (ToolBarButton& button : buttons_) button.Height = ToLong32(cellHeight_);
}

int McToolBar::ContentWidth(const ToolBarButton& button) const {
    const QFontMetrics metrics(font(), this);
    const int picture =
        button.Picture.isNull() ? 0 : button.Picture.width() + ToolBarContent::kPictureGap;
    return picture + metrics.horizontalAdvance(ToolBarContent::WithoutLineBreaks(button.Caption)) +
           ToolBarContent::kCaptionPadding;
}

namespace {

// A product of stored numbers as a widget length: a stored layout may hold any numbers.
int WidgetLength(qint64 a, qint64 b) {
    qint64 product = 0;
    if (__builtin_mul_overflow(a, b, &product)) return QWIDGETSIZE_MAX;
    return static_cast<int>(std::clamp<qint64>(product, 0, QWIDGETSIZE_MAX));
}

}  // namespace

bool McToolBar::WarpToGrid() {
    if (!warpSize_) return false;
    QSize target(std::max(width(), std::min(buttonsWidth_, QWIDGETSIZE_MAX)), height());
    const bool dockedSideways = align_ == 3 || align_ == 4;
    const bool dockedTopOrBottom = align_ == 1 || align_ == 2;
    if (!dockedSideways) target.setHeight(WidgetLength(buttonsHeight_, rows_));
    if (!dockedTopOrBottom) target.setWidth(WidgetLength(buttonsPerRow_, buttonsWidth_));
    if (target == size() || target.width() < 0 || target.height() < 0) return false;
    resize(target);
    return true;
}

void McToolBar::PlaceButtons() {
    double x = 0;
    double y = 0;
    const int perRow = PerRow();
    for (int i = 0; i < Button_Count(); ++i) {
        ToolBarButton& button = buttons_[static_cast<size_t>(i)];
        button.Left = ToLong32(x);
        button.Top = ToLong32(y);
        x += button.Width;
        if ((i + 1) % perRow == 0) {
            x = 0;
            y += cellHeight_;
        }
    }
}

int McToolBar::HitTest(const QPointF& point) {
    int index = -1;
    if (autoSizeButtons_) {
        index = Button_Count();
        for (int i = 0; i < Button_Count(); ++i) {
            const ToolBarButton& b = buttons_[static_cast<size_t>(i)];
            if (point.x() >= b.Left && point.x() < b.Left + b.Width && point.y() >= b.Top &&
                point.y() < b.Top + b.Height) {
                index = i;
                break;
            }
        }
    } else if (cellWidth_ > 0 && cellHeight_ > 0) {
        const double cell = std::floor(point.y() / cellHeight_) * buttonsPerRow_ +
                            std::floor(point.x() / cellWidth_);
        index = cell < Button_Count() ? static_cast<int>(std::max(cell, -1.0)) : Button_Count();
    }
    const bool pastLastColumn =
        buttonsWidth_ > 0 && std::floor(point.x() / buttonsWidth_) >= buttonsPerRow_;
    if (pastLastColumn || index >= Button_Count() || index < 0) {
        unsetCursor();
        return -1;
    }
    return buttons_[static_cast<size_t>(index)].Enabled ? index : -1;
}

QSize McToolBar::sizeHint() const {
    return QSize(WidgetLength(PerRow(), buttonsWidth_), WidgetLength(rows_, buttonsHeight_));
}

int McToolBar::GetButtonWidth(int iIndex) const {
    return At(iIndex) ? At(iIndex)->Width : 0;
}
int McToolBar::GetButtonHeight(int iIndex) const {
    return At(iIndex) ? At(iIndex)->Height : 0;
}
int McToolBar::GetButtonTop(int iIndex) const {
    return At(iIndex) ? At(iIndex)->Top : 0;
}
int McToolBar::GetButtonLeft(int iIndex) const {
    return At(iIndex) ? At(iIndex)->Left : 0;
}

// ---- text helpers ----------------------------------------------------------------------------

bool McToolBar::IsDelim(QChar Char) {
    const char16_t code = Char.unicode();
    const bool letter = (code >= u'A' && code <= u'Z') || (code >= u'a' && code <= u'z');
    return !(letter || code == u'_');
}

namespace {

// The text cut into grapheme clusters: what a reader sees as one character stays one piece, so
// that a line never ends inside a surrogate pair or a combining sequence.
QStringList GraphemeClusters(const QString& text) {
    QStringList clusters;
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    qsizetype start = 0;
    for (qsizetype end = finder.toNextBoundary(); end != -1; end = finder.toNextBoundary()) {
        clusters << text.mid(start, end - start);
        start = end;
    }
    return clusters;
}

}  // namespace

QStringList McToolBar::SplitToLines(const QString& sText, int lLength, bool bFilterLines) const {
    QString text = sText;
    if (bFilterLines) text.remove(QStringLiteral("\r\n"));
    const QFontMetrics metrics(font(), this);
    const QStringList clusters = GraphemeClusters(text);
    QStringList lines;
    // The current line as clusters, and how many of them end with its last delimiter.
    QStringList line;
    qsizetype breakAfter = -1;
    const auto emitLine = [&lines](const QStringList& part) {
        const QString trimmed = part.join(QString()).trimmed();
        if (!trimmed.isEmpty()) lines << trimmed;
    };
    for (qsizetype i = 0; i < clusters.size(); ++i) {
        line << clusters[i];
        if (IsDelim(clusters[i].front())) breakAfter = line.size();
        if (i + 1 == clusters.size()) break;
        if (metrics.horizontalAdvance(line.join(QString())) < lLength) continue;
        qsizetype cut = breakAfter > 0 ? breakAfter : line.size() - 1;
        if (cut <= 0) cut = line.size();  // a single character wider than the line
        emitLine(line.mid(0, cut));
        line = line.mid(cut);
        breakAfter = -1;
        for (qsizetype j = 0; j < line.size(); ++j)
            if (IsDelim(line[j].front())) breakAfter = j + 1;
    }
    emitLine(line);
    return lines;
}

bool McToolBar::TileBitmap(const QImage& Picture, QPainter& painter, int X1, int Y1, int X2,
                           int Y2) {
    if (Picture.isNull()) return false;
    painter.save();
    painter.setBrushOrigin(X1, Y1);
    painter.fillRect(QRect(QPoint(X1, Y1), QPoint(X2 - 1, Y2 - 1)), QBrush(Picture));
    painter.restore();
    return true;
}

// ---- properties ------------------------------------------------------------------------------

void McToolBar::setAppearance(int value) {
    appearance_ = value;
    Changed(QStringLiteral("Appearance"));
}
void McToolBar::setBackColor(OleColor value) {
    backColor_ = value;
    Changed(QStringLiteral("BackColor"));
}
void McToolBar::setBorderStyle(int value) {
    borderStyle_ = value;
    Changed(QStringLiteral("BorderStyle"));
}
void McToolBar::setForeColor(OleColor value) {
    foreColor_ = value;
    Changed(QStringLiteral("ForeColor"));
}
void McToolBar::setButtonsHeight(int value) {
    buttonsHeight_ = value;
    Changed(QStringLiteral("ButtonsHeight"));
}
void McToolBar::setButtonsPerRow(int value) {
    buttonsPerRow_ = value;
    Changed(QStringLiteral("ButtonsPerRow"));
}
void McToolBar::setButtonsWidth(int value) {
    buttonsWidth_ = value;
    Changed(QStringLiteral("ButtonsWidth"));
}
void McToolBar::setAutoSize(bool value) {
    autoSize_ = value;
    Changed(QStringLiteral("AutoSize"));
}
void McToolBar::setAutoSizeButtons(bool value) {
    autoSizeButtons_ = value;
    Changed(QStringLiteral("AutoSizeButtons"));
}
void McToolBar::setBackGround(const QImage& value) {
    backGround_ = value;
    Changed(QStringLiteral("BackGround"));
}
void McToolBar::setHoverColor(OleColor value) {
    hoverColor_ = value;
    Changed(QStringLiteral("HoverColor"));
}
void McToolBar::setWarpSize(bool value) {
    warpSize_ = value;
    Changed(QStringLiteral("WarpSize"));
}
void McToolBar::setToolTipBackCol(OleColor value) {
    toolTipBackCol_ = value;
    Changed(QStringLiteral("ToolTipBackCol"));
}
void McToolBar::setToolTipForeCol(OleColor value) {
    toolTipForeCol_ = value;
    Changed(QStringLiteral("ToolTipForeCol"));
}
void McToolBar::setTooTipStyle(int value) {
    tooTipStyle_ = value;
    Changed(QStringLiteral("TooTipStyle"));
}
void McToolBar::setBackGradient(int value) {
    backGradient_ = value;
    Changed(QStringLiteral("BackGradient"));
}
void McToolBar::setBackGradientCol(OleColor value) {
    backGradientCol_ = value;
    Changed(QStringLiteral("BackGradientCol"));
}
void McToolBar::setButtonsStyle(int value) {
    buttonsStyle_ = value;
    Changed(QStringLiteral("ButtonsStyle"));
}
void McToolBar::setBorderColor(OleColor value) {
    borderColor_ = value;
    Changed(QStringLiteral("BorderColor"));
}
void McToolBar::setHoverIconShadow(bool value) {
    hoverIconShadow_ = value;
    Changed(QStringLiteral("HoverIconShadow"));
}

void McToolBar::setAlign(int value) {
    align_ = value;
    RedrawControl();
}

void McToolBar::setButton_Count(int value) {
    value = std::min(value, kMostButtonCount);
    if (value == Button_Count() || value < 1) return;
    const int previous = Button_Count();
    buttons_.resize(static_cast<size_t>(value));
    for (int i = previous; i < value; ++i) buttons_[static_cast<size_t>(i)] = NewButton(i);
    if (buttonIndex_ >= value) buttonIndex_ = value - 1;
    NotifyToolBarButtonCount(this, previous, value);
    Changed(QStringLiteral("Button_Count"));
}

void McToolBar::setButton_Index(int value) {
    const int clamped = std::min(std::max(value, -1), Button_Count() - 1);
    if (clamped == buttonIndex_) return;
    buttonIndex_ = clamped;
    Changed(QStringLiteral("Button_Index"));
}

QString McToolBar::ButtonCaption() const {
    return Current() ? Current()->Caption : QString();
}
QImage McToolBar::ButtonIcon() const {
    return Current() ? Current()->Picture : QImage();
}
QString McToolBar::ButtonToolTip() const {
    return Current() ? Current()->ToolTipText : QString();
}
int McToolBar::ButtonToolTipIcon() const {
    return Current() ? Current()->ToolTipIcon : 0;
}
bool McToolBar::ButtonEnabled() const {
    return Current() ? Current()->Enabled : false;
}
bool McToolBar::ButtonPressed() const {
    return Current() ? Current()->Pressed : false;
}
int McToolBar::ButtonIconAllignment() const {
    return Current() ? Current()->IconAllignment : 0;
}

QString McToolBar::CaptionOf(int index) const {
    return At(index) ? At(index)->Caption : QString();
}
QString McToolBar::ToolTipOf(int index) const {
    return At(index) ? At(index)->ToolTipText : QString();
}
bool McToolBar::IsButtonEnabled(int index) const {
    return At(index) && At(index)->Enabled;
}
bool McToolBar::IsButtonPressed(int index) const {
    return At(index) && At(index)->Pressed;
}
bool McToolBar::ButtonLooksPressed(int index) const {
    const ToolBarButton* button = At(index);
    if (!button) return false;
    const bool hovered = index == buttonIndex_ && button->Enabled && isEnabled();
    return button->Pressed || (hovered && mouseDown_);
}

void McToolBar::setButtonCaption(const QString& value) {
    if (!Current()) return;
    const bool changed = Current()->Caption != value;
    Current()->Caption = value;
    if (changed) NotifyToolBarButtonName(this, buttonIndex_);
    Changed(PerButtonKey("ButtonCaption", buttonIndex_));
}

void McToolBar::setButtonIcon(const QImage& value) {
    if (!Current()) return;
    Current()->Picture = value;
    Changed(PerButtonKey("ButtonPicture", buttonIndex_));
}

void McToolBar::setButtonToolTip(const QString& value) {
    if (!Current()) return;
    Current()->ToolTipText = value;
    Changed(PerButtonKey("ButtonToolTipText", buttonIndex_));
}

void McToolBar::setButtonToolTipIcon(int value) {
    if (!Current()) return;
    Current()->ToolTipIcon = value;
    Changed(PerButtonKey("ButtonToolTipIcon", buttonIndex_));
}

void McToolBar::setButtonEnabled(bool value) {
    if (!Current()) return;
    const bool changed = Current()->Enabled != value;
    Current()->Enabled = value;
    if (changed) NotifyToolBarButtonEnabled(this, buttonIndex_);
    Changed(PerButtonKey("ButtonEnabled", buttonIndex_));
}

void McToolBar::setButtonPressed(bool value) {
    if (!Current()) return;
    Current()->Pressed = value;
    Changed(PerButtonKey("ButtonPressed", buttonIndex_));
}

void McToolBar::setButtonIconAllignment(int value) {
    if (!Current()) return;
    Current()->IconAllignment = value;
    Changed(PerButtonKey("ButtonIconAllignment", buttonIndex_));
}

void McToolBar::setButtonRemove(int) {
    if (Button_Count() <= 1 || !Current()) return;
    buttons_.erase(buttons_.begin() + buttonIndex_);
    buttonIndex_ = std::min(std::max(buttonIndex_, -1), Button_Count() - 1);
    NotifyToolBarButtonCount(this, Button_Count() + 1, Button_Count());
    Changed(QStringLiteral("ButtonRemove"));
}

void McToolBar::setButtonMoveTo(int value) {
    if (!Current()) return;
    const int target = std::min(std::max(value, 0), Button_Count() - 1);
    std::swap(buttons_[static_cast<size_t>(buttonIndex_)], buttons_[static_cast<size_t>(target)]);
    buttonIndex_ = target;
    Changed(QStringLiteral("ButtonMoveTo"));
}

void McToolBar::HighlightButton(int lIndex) {
    if (lIndex < 0 || lIndex >= Button_Count()) return;
    buttons_[static_cast<size_t>(lIndex)].Pressed = true;
    RedrawControl();
}

void McToolBar::UnHighlightButton(int lIndex) {
    if (lIndex < 0 || lIndex >= Button_Count()) return;
    buttons_[static_cast<size_t>(lIndex)].Pressed = false;
    RedrawControl();
}

// ---- stored settings -------------------------------------------------------------------------

void McToolBar::ReadProperties(const PropertyBag& bag) {
    const LoadingScope loading(*this);
    appearance_ = static_cast<int>(bag.ReadInt(QStringLiteral("Appearance"), 0));
    backColor_ = bag.ReadColor(QStringLiteral("BackColor"), SysColor::kButtonFace);
    borderStyle_ = static_cast<int>(bag.ReadInt(QStringLiteral("BorderStyle"), 0));
    setEnabled(bag.ReadBool(QStringLiteral("Enabled"), true));
    foreColor_ = bag.ReadColor(QStringLiteral("ForeColor"), 0);
    const int count = static_cast<int>(
        std::clamp<qint64>(bag.ReadInt(QStringLiteral("Button_Count"), 1), 1, kMostButtonCount));
    buttonIndex_ = static_cast<int>(bag.ReadInt(QStringLiteral("Button_Index"), 0));
    buttonsWidth_ = static_cast<int>(bag.ReadInt(QStringLiteral("ButtonsWidth"), 90));
    autoSize_ = bag.ReadBool(QStringLiteral("AutoSize"), true);
    autoSizeButtons_ = bag.ReadBool(QStringLiteral("AutoSizeButtons"), false);
    buttonsHeight_ = static_cast<int>(bag.ReadInt(QStringLiteral("ButtonsHeight"), 40));
    buttonsPerRow_ = static_cast<int>(bag.ReadInt(QStringLiteral("ButtonsPerRow"), 3));
    hoverColor_ = bag.ReadColor(QStringLiteral("HoverColor"), SysColor::kButtonFace);
    warpSize_ = bag.ReadBool(QStringLiteral("WarpSize"), true);
    tooTipStyle_ = static_cast<int>(bag.ReadInt(QStringLiteral("TooTipStyle"), 2));
    toolTipBackCol_ = bag.ReadColor(QStringLiteral("ToolTipBackCol"), RGB(253, 253, 230));
    toolTipForeCol_ = bag.ReadColor(QStringLiteral("ToolTipForeCol"), 0);
    backGradient_ = static_cast<int>(bag.ReadInt(QStringLiteral("BackGradient"), 0));
    backGradientCol_ = bag.ReadColor(QStringLiteral("BackGradientCol"), 0x00C0C0FF);
    buttonsStyle_ = static_cast<int>(bag.ReadInt(QStringLiteral("ButtonsStyle"), 0));
    borderColor_ = bag.ReadColor(QStringLiteral("BorderColor"), SysColor::kActiveBorder);
    hoverIconShadow_ = bag.ReadBool(QStringLiteral("HoverIconShadow"), true);
    setFont(bag.ReadFont(QStringLiteral("Font"), AmbientFont()));
    backGround_ = bag.ReadPicture(QStringLiteral("BackGround"));

    buttons_.assign(static_cast<size_t>(count), ToolBarButton{});
    for (int i = 0; i < count; ++i) {
        ToolBarButton& b = buttons_[static_cast<size_t>(i)];
        b.Caption = bag.ReadString(PerButtonKey("ButtonCaption", i), QStringLiteral("Button "));
        b.Picture = bag.ReadPicture(PerButtonKey("ButtonPicture", i));
        b.ToolTipText = bag.ReadString(PerButtonKey("ButtonToolTipText", i), QString());
        b.ToolTipIcon = static_cast<int>(bag.ReadInt(PerButtonKey("ButtonToolTipIcon", i), 0));
        b.Enabled = bag.ReadBool(PerButtonKey("ButtonEnabled", i), true);
        b.Pressed = bag.ReadBool(PerButtonKey("ButtonPressed", i), false);
        b.IconAllignment =
            static_cast<int>(bag.ReadInt(PerButtonKey("ButtonIconAllignment", i), 0));
    }
    // In the running program no button is hovered until the mouse comes.
    buttonIndex_ = UserMode() ? -1 : std::min(std::max(buttonIndex_, -1), count - 1);
    RedrawControl();
}

void McToolBar::WriteProperties(PropertyBag& bag) const {
    bag.WriteInt(QStringLiteral("Appearance"), appearance_, 0);
    bag.WriteColor(QStringLiteral("BackColor"), backColor_, SysColor::kButtonFace);
    bag.WriteInt(QStringLiteral("BorderStyle"), borderStyle_, 0);
    bag.WriteBool(QStringLiteral("Enabled"), Enabled(), true);
    bag.WriteColor(QStringLiteral("ForeColor"), foreColor_, 0);
    bag.WriteInt(QStringLiteral("Button_Count"), Button_Count(), 1);
    bag.WriteInt(QStringLiteral("Button_Index"), buttonIndex_, 0);
    bag.WriteInt(QStringLiteral("ButtonsWidth"), buttonsWidth_, 90);
    bag.WriteBool(QStringLiteral("AutoSize"), autoSize_, true);
    bag.WriteBool(QStringLiteral("AutoSizeButtons"), autoSizeButtons_, false);
    bag.WriteInt(QStringLiteral("ButtonsHeight"), buttonsHeight_, 40);
    bag.WriteInt(QStringLiteral("ButtonsPerRow"), buttonsPerRow_, 3);
    bag.WriteColor(QStringLiteral("HoverColor"), hoverColor_, SysColor::kButtonFace);
    bag.WriteBool(QStringLiteral("WarpSize"), warpSize_, true);
    bag.WriteInt(QStringLiteral("TooTipStyle"), tooTipStyle_, 2);
    bag.WriteColor(QStringLiteral("ToolTipBackCol"), toolTipBackCol_, RGB(253, 253, 230));
    bag.WriteColor(QStringLiteral("ToolTipForeCol"), toolTipForeCol_, 0);
    bag.WriteInt(QStringLiteral("BackGradient"), backGradient_, 0);
    bag.WriteColor(QStringLiteral("BackGradientCol"), backGradientCol_, 0x00C0C0FF);
    bag.WriteInt(QStringLiteral("ButtonsStyle"), buttonsStyle_, 0);
    bag.WriteColor(QStringLiteral("BorderColor"), borderColor_, SysColor::kActiveBorder);
    bag.WriteBool(QStringLiteral("HoverIconShadow"), hoverIconShadow_, true);
    bag.WriteFont(QStringLiteral("Font"), font(), AmbientFont());
    bag.WritePicture(QStringLiteral("BackGround"), backGround_);
    for (int i = 0; i < Button_Count(); ++i) {
        const ToolBarButton& b = buttons_[static_cast<size_t>(i)];
        bag.WriteString(PerButtonKey("ButtonCaption", i), b.Caption, QStringLiteral("Button "));
        bag.WritePicture(PerButtonKey("ButtonPicture", i), b.Picture);
        bag.WriteString(PerButtonKey("ButtonToolTipText", i), b.ToolTipText, QString());
        bag.WriteInt(PerButtonKey("ButtonToolTipIcon", i), b.ToolTipIcon, 0);
        bag.WriteBool(PerButtonKey("ButtonEnabled", i), b.Enabled, true);
        bag.WriteBool(PerButtonKey("ButtonPressed", i), b.Pressed, false);
        bag.WriteInt(PerButtonKey("ButtonIconAllignment", i), b.IconAllignment, 0);
    }
}

// ---- mouse, keys and tooltip -----------------------------------------------------------------

void McToolBar::mouseMoveEvent(QMouseEvent* event) {
    const QPointF at = event->position();
    if (at != lastMousePos_) {
        lastMousePos_ = at;
        restTicks_ = 0;
        restTimer_.start();
    }
    const QPointer<McToolBar> alive(this);
    if (!mouseInside_) {
        mouseInside_ = true;
        emit MouseEnter();
        if (!alive) return;
    }
    DestroyToolTip();

    SetHoverIndex(HitTest(at));
    if (!alive) return;
    emit MouseMove(ButtonCode(event->buttons()), ShiftCode(event->modifiers()), at.x(), at.y(),
                   buttonIndex_);
}

void McToolBar::leaveEvent(QEvent*) {
    mouseInside_ = false;
    restTimer_.stop();
    buttonIndex_ = -1;
    DestroyToolTip();
    RedrawControl();
    emit MouseLeave();
}

void McToolBar::mousePressEvent(QMouseEvent* event) {
    mouseDown_ = true;
    const QPointer<McToolBar> alive(this);
    RedrawControl();
    if (!alive || buttonIndex_ == -1) return;
    const QPointF at = event->position();
    emit MouseDown(ButtonCode(event->button()), ShiftCode(event->modifiers()), at.x(), at.y(),
                   buttonIndex_);
}

void McToolBar::mouseReleaseEvent(QMouseEvent* event) {
    mouseDown_ = false;
    // Handlers of the events below may delete the bar.
    const QPointer<McToolBar> alive(this);
    RedrawControl();
    if (!alive) return;
    const QPointF at = event->position();
    const bool over = rect().contains(at.toPoint());
    if (buttonIndex_ != -1)
        emit MouseUp(ButtonCode(event->button()), ShiftCode(event->modifiers()), at.x(), at.y(),
                     buttonIndex_);
    if (alive && over) emit Click(buttonIndex_);
}

void McToolBar::mouseDoubleClickEvent(QMouseEvent*) {
    mouseDown_ = true;
    const QPointer<McToolBar> alive(this);
    RedrawControl();
    if (alive) emit DblClick(buttonIndex_);
}

namespace {

// The keys the bar acts on; every other key goes on to its window.
bool ToolBarKey(int key) {
    switch (key) {
        case Qt::Key_Left:
        case Qt::Key_Right:
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_Space:
        case Qt::Key_Down:
            return true;
        default:
            return false;
    }
}

}  // namespace

void McToolBar::keyPressEvent(QKeyEvent* event) {
    const int key = event->key();
    if (!ToolBarKey(key)) event->ignore();
    mouseDown_ = true;
    const QPointer<McToolBar> alive(this);
    emit KeyDown(KeyCode(event), ShiftCode(event->modifiers()), buttonIndex_);
    if (!alive) return;
    if (key == Qt::Key_Left || key == Qt::Key_Right) {
        MoveCurrent(key == Qt::Key_Left ? -1 : 1);
    } else if (ToolBarKey(key) && !event->isAutoRepeat()) {
        ClickButton(buttonIndex_);
        // A menu opened by the key takes its release: the button must not stay down.
        if (alive && QApplication::activePopupWidget()) {
            mouseDown_ = false;
            update();
        }
    }
}

void McToolBar::MoveCurrent(int step) {
    const int count = Button_Count();
    // From no current button the first arrow picks the first button.
    int index = buttonIndex_ < 0 ? 0 : buttonIndex_ + step;
    for (int tried = 0; tried < count; ++tried, index += step) {
        index = (index % count + count) % count;
        if (buttons_[static_cast<size_t>(index)].Enabled) {
            SetHoverIndex(index);
            return;
        }
    }
}

void McToolBar::SetHoverIndex(int index) {
    if (index == buttonIndex_) return;
    buttonIndex_ = index;
    if (hasFocus()) NotifyToolBarButtonFocus(this, index);
    const QPointer<McToolBar> alive(this);
    emit OnButtonHover(index);
    if (alive) RedrawControl();
}

void McToolBar::ClickButton(int index) {
    const ToolBarButton* button = At(index);
    if (!button || !button->Enabled || !isEnabled()) return;
    const QPointer<McToolBar> alive(this);
    SetHoverIndex(index);
    if (alive) emit Click(index);
}

void McToolBar::focusInEvent(QFocusEvent* event) {
    ControlBase::focusInEvent(event);
    update();
}

void McToolBar::focusOutEvent(QFocusEvent* event) {
    ControlBase::focusOutEvent(event);
    // A keyboard-current button keeps no hover look once the focus has gone elsewhere; a menu
    // opened from it leaves it lit.
    if (!mouseInside_ && event->reason() != Qt::PopupFocusReason) SetHoverIndex(-1);
    update();
}

void McToolBar::keyReleaseEvent(QKeyEvent* event) {
    if (!ToolBarKey(event->key())) event->ignore();
    mouseDown_ = false;
    emit KeyUp(KeyCode(event), ShiftCode(event->modifiers()), buttonIndex_);
}

void McToolBar::OnTooltipTick() {
    if (++restTicks_ < kTooltipRestTicks) return;
    restTimer_.stop();
    if (mouseInside_) ShowToolTip();
}

void McToolBar::ShowToolTip() {
    DestroyToolTip();
    const ToolBarButton* button = Current();
    if (!button || button->ToolTipText.isEmpty()) return;
    BalloonTip::Look look;
    look.title = button->Caption;
    look.icon = button->ToolTipIcon;
    look.text = button->ToolTipText;
    look.balloon = tooTipStyle_ != 1;
    look.foreColor = TranslateColor(toolTipForeCol_);
    look.backColor = TranslateColor(toolTipBackCol_);
    toolTip_ = new BalloonTip(this, look);
    toolTip_->ShowAt(mapToGlobal(lastMousePos_.toPoint()) + QPoint(0, 18));
}

void McToolBar::DestroyToolTip() {
    if (toolTip_) delete toolTip_.data();
}

// ---- events that repaint ---------------------------------------------------------------------

void McToolBar::resizeEvent(QResizeEvent*) {
    RedrawControl();
}

void McToolBar::changeEvent(QEvent* event) {
    if (event->type() == QEvent::EnabledChange)
        for (int i = 0; i < Button_Count(); ++i) NotifyToolBarButtonEnabled(this, i);
    if (event->type() == QEvent::FontChange || event->type() == QEvent::EnabledChange) {
        RedrawControl();
    }
    // The greyed pictures follow the palette and the style.
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::StyleChange)
        painter_->Forget();
    ControlBase::changeEvent(event);
}

// ---- painting --------------------------------------------------------------------------------

void McToolBar::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter_->Paint(painter);
}
