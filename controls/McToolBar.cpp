#include "McToolBar.h"

#include <QApplication>
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

// How long the mouse rests on a button before its tooltip shows.
constexpr int kTooltipRestMs = 5;

// The keys the bar acts on; every other key goes on to its window.
constexpr int kToolBarKeys[] = {Qt::Key_Left,  Qt::Key_Right, Qt::Key_Return,
                                Qt::Key_Enter, Qt::Key_Space, Qt::Key_Down};

bool ToolBarKey(int key) {
    return std::find(std::begin(kToolBarKeys), std::end(kToolBarKeys), key) !=
           std::end(kToolBarKeys);
}

// A product of stored numbers as a widget length: a stored layout may hold any numbers.
int WidgetLength(qint64 a, qint64 b) {
    qint64 product = 0;
    if (__builtin_mul_overflow(a, b, &product)) return QWIDGETSIZE_MAX;
    return static_cast<int>(std::clamp<qint64>(product, 0, QWIDGETSIZE_MAX));
}

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

McToolBar::McToolBar(QWidget* parent)
    : ControlBase(parent), painter_(std::make_unique<McToolBarPainter>(*this)) {
    buttons_.push_back(NewButton(0));
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    restTimer_.setInterval(kTooltipRestMs);
    restTimer_.setSingleShot(true);
    restTimer_.setTimerType(Qt::PreciseTimer);
    connect(&restTimer_, &QTimer::timeout, this, [this] {
        if (mouseInside_) ShowToolTip();
    });
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
    // An automatic size fits as many cells into a row as the width holds. Without a cell width
    // there is nothing to divide the width by; the row keeps its count.
    if (autoSize_)
        buttonsPerRow_ = buttonsWidth_ > 0
                             ? std::max(1, ToLong32(static_cast<double>(width()) / buttonsWidth_))
                             : PerRow();
    if (buttonsPerRow_ > 0) rows_ = (Button_Count() - 1) / buttonsPerRow_ + 1;
    const bool spreadOverWidth = autoSize_ && Button_Count() > buttonsPerRow_ && !warpSize_;
    cellWidth_ = spreadOverWidth ? static_cast<double>(width()) / buttonsPerRow_ : buttonsWidth_;
    cellHeight_ = autoSize_ ? std::max(static_cast<double>(height()) / rows_,
                                       static_cast<double>(buttonsHeight_))
                            : buttonsHeight_;
    const bool fitContent = autoSize_ && autoSizeButtons_;
    for (ToolBarButton& button : buttons_) {
        button.Width = fitContent ? ContentWidth(button) : ToLong32(cellWidth_);
        button.Height = ToLong32(cellHeight_);
    }
}

int McToolBar::ContentWidth(const ToolBarButton& button) const {
    const QFontMetrics metrics(font(), this);
    const int picture =
        button.Picture.isNull() ? 0 : button.Picture.width() + ToolBarContent::kPictureGap;
    return picture + metrics.horizontalAdvance(ToolBarContent::WithoutLineBreaks(button.Caption)) +
           ToolBarContent::kCaptionPadding;
}

bool McToolBar::WarpToGrid() {
    if (!warpSize_) return false;
    QSize target(std::max(width(), std::min(buttonsWidth_, QWIDGETSIZE_MAX)), height());
    const bool dockedSideways = align_ == Dock::Left || align_ == Dock::Right;
    const bool dockedTopOrBottom = align_ == Dock::Top || align_ == Dock::Bottom;
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
        if (cell >= 0 && cell < Button_Count()) index = static_cast<int>(cell);
    }
    const bool pastLastColumn =
        buttonsWidth_ > 0 && std::floor(point.x() / buttonsWidth_) >= buttonsPerRow_;
    if (pastLastColumn || index < 0) {
        unsetCursor();
        return -1;
    }
    return buttons_[static_cast<size_t>(index)].Enabled ? index : -1;
}

QSize McToolBar::sizeHint() const {
    return QSize(WidgetLength(PerRow(), buttonsWidth_), WidgetLength(rows_, buttonsHeight_));
}

// ---- text helpers ----------------------------------------------------------------------------

bool McToolBar::IsDelim(QChar Char) {
    const char16_t code = Char.unicode();
    const bool letter = (code >= u'A' && code <= u'Z') || (code >= u'a' && code <= u'z');
    return !(letter || code == u'_');
}

QStringList McToolBar::SplitToLines(const QString& sText, int lLength, bool bFilterLines) const {
    QString text = sText;
    if (bFilterLines) text.remove(QStringLiteral("\r\n"));
    const QFontMetrics metrics(font(), this);
    const QStringList clusters = GraphemeClusters(text);
    QStringList lines;
    // The current line is clusters[start, i]; it may break just after a delimiter at
    // breakAfter - 1 when breakAfter lies past its start.
    qsizetype start = 0;
    qsizetype breakAfter = 0;
    const auto piece = [&clusters](qsizetype from, qsizetype to) {
        return clusters.mid(from, to - from).join(QString());
    };
    const auto emitLine = [&lines](const QString& part) {
        const QString trimmed = part.trimmed();
        if (!trimmed.isEmpty()) lines << trimmed;
    };
    for (qsizetype i = 0; i + 1 < clusters.size(); ++i) {
        if (IsDelim(clusters[i].front())) breakAfter = i + 1;
        if (metrics.horizontalAdvance(piece(start, i + 1)) < lLength) continue;
        qsizetype cut = breakAfter > start ? breakAfter : i;
        if (cut <= start) cut = i + 1;  // a single character wider than the line
        emitLine(piece(start, cut));
        start = cut;
    }
    emitLine(piece(start, clusters.size()));
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

const PropertyTable<McToolBar>& McToolBar::Properties() {
    static const PropertyTable<McToolBar> table(
        {
            {"Appearance", &McToolBar::appearance_},
            {"BackColor", &McToolBar::backColor_, SysColor::kButtonFace},
            {"BorderStyle", &McToolBar::borderStyle_},
            EnabledRow<McToolBar>(true),
            {"ForeColor", &McToolBar::foreColor_, 0},
            {"Button_Count", &McToolBar::StoredButtonCount, &McToolBar::LoadButtonCount, 1},
            // Held to the buttons once they are all read.
            {"Button_Index", &McToolBar::buttonIndex_},
            {"ButtonsWidth", &McToolBar::buttonsWidth_, 90},
            {"AutoSize", &McToolBar::autoSize_, true},
            {"AutoSizeButtons", &McToolBar::autoSizeButtons_, false},
            {"ButtonsHeight", &McToolBar::buttonsHeight_, 40},
            {"ButtonsPerRow", &McToolBar::buttonsPerRow_, 3},
            {"HoverColor", &McToolBar::hoverColor_, SysColor::kButtonFace},
            {"WarpSize", &McToolBar::warpSize_, true},
            {"TooTipStyle", &McToolBar::tooTipStyle_, 2},
            {"ToolTipBackCol", &McToolBar::toolTipBackCol_, RGB(253, 253, 230)},
            {"ToolTipForeCol", &McToolBar::toolTipForeCol_, 0},
            {"BackGradient", &McToolBar::backGradient_},
            {"BackGradientCol", &McToolBar::backGradientCol_, 0x00C0C0FF},
            {"ButtonsStyle", &McToolBar::buttonsStyle_},
            {"BorderColor", &McToolBar::borderColor_, SysColor::kActiveBorder},
            {"HoverIconShadow", &McToolBar::hoverIconShadow_, true},
            FontRow<McToolBar>(),
            {"BackGround", &McToolBar::backGround_},
        },
        &McToolBar::RedrawControl);
    return table;
}

const PropertyTable<ToolBarButton>& McToolBar::ButtonProperties() {
    static const PropertyTable<ToolBarButton> table({
        {"ButtonCaption", &ToolBarButton::Caption, "Button "},
        {"ButtonPicture", &ToolBarButton::Picture},
        {"ButtonToolTipText", &ToolBarButton::ToolTipText},
        {"ButtonToolTipIcon", &ToolBarButton::ToolTipIcon, ToolBarButton::TipIcon::None},
        {"ButtonEnabled", &ToolBarButton::Enabled, true},
        {"ButtonPressed", &ToolBarButton::Pressed, false},
        {"ButtonIconAllignment", &ToolBarButton::IconAllignment,
         ToolBarButton::PicturePlace::Above},
    });
    return table;
}

void McToolBar::setAlign(Dock value) {
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
    ButtonListChanged(QStringLiteral("Button_Count"));
}

void McToolBar::setButton_Index(int value) {
    const int clamped = std::min(std::max(value, -1), Button_Count() - 1);
    if (clamped == buttonIndex_) return;
    buttonIndex_ = clamped;
    ButtonListChanged(QStringLiteral("Button_Index"));
}

void McToolBar::LoadButtonCount(qint64 count) {
    buttons_.assign(static_cast<size_t>(std::clamp<qint64>(count, 1, kMostButtonCount)), {});
}

bool McToolBar::ButtonLooksPressed(int index) const {
    const ToolBarButton* button = At(index);
    if (!button) return false;
    const bool hovered = index == buttonIndex_ && button->Enabled && isEnabled();
    return button->Pressed || (hovered && mouseDown_);
}

void McToolBar::StoredButtonSetting(const void* field, bool differs) {
    const bool name = field == &Current()->Caption;
    const bool enabled = field == &Current()->Enabled;
    const auto& row = ButtonProperties().RowOf(*Current(), field);
    MarkChanged(QLatin1String(row.key) + QString::number(buttonIndex_));
    if (!RedrawAndNotify(differs) || !differs) return;
    // A screen reader hears of the button's new name or enabled state.
    if (name) NotifyToolBarButtonName(this, buttonIndex_);
    if (enabled) NotifyToolBarButtonEnabled(this, buttonIndex_);
}

void McToolBar::setButtonRemove(int) {
    if (Button_Count() <= 1 || !Current()) return;
    buttons_.erase(buttons_.begin() + buttonIndex_);
    buttonIndex_ = std::min(std::max(buttonIndex_, -1), Button_Count() - 1);
    NotifyToolBarButtonCount(this, Button_Count() + 1, Button_Count());
    ButtonListChanged(QStringLiteral("ButtonRemove"));
}

void McToolBar::setButtonMoveTo(int value) {
    if (!Current()) return;
    const int target = std::min(std::max(value, 0), Button_Count() - 1);
    std::swap(buttons_[static_cast<size_t>(buttonIndex_)], buttons_[static_cast<size_t>(target)]);
    buttonIndex_ = target;
    ButtonListChanged(QStringLiteral("ButtonMoveTo"));
}

void McToolBar::ButtonListChanged(const QString& key) {
    MarkChanged(key);
    RedrawAndNotify();
}

bool McToolBar::RedrawAndNotify(bool notify) {
    const QPointer<McToolBar> alive(this);
    RedrawControl();
    if (alive && notify) NotifySettingsChanged();
    return alive;
}

void McToolBar::SetPressed(int index, bool pressed) {
    if (index < 0 || index >= Button_Count()) return;
    buttons_[static_cast<size_t>(index)].Pressed = pressed;
    RedrawAndNotify();
}

// ---- stored settings -------------------------------------------------------------------------

void McToolBar::ReadProperties(const PropertyBag& bag) {
    const bool loaded = LoadSettings(*this, bag, [this, &bag] {
        for (int i = 0; i < Button_Count(); ++i)
            ButtonProperties().Read(buttons_[static_cast<size_t>(i)], bag, QString::number(i));
        // In the running program no button is hovered until the mouse comes.
        buttonIndex_ = UserMode() ? -1 : std::clamp(buttonIndex_, -1, Button_Count() - 1);
    });
    if (loaded) RedrawControl();
}

void McToolBar::WriteProperties(PropertyBag& bag) const {
    Properties().Write(*this, bag);
    for (int i = 0; i < Button_Count(); ++i)
        ButtonProperties().Write(buttons_[static_cast<size_t>(i)], bag, QString::number(i));
}

// ---- mouse, keys and tooltip -----------------------------------------------------------------

void McToolBar::mouseMoveEvent(QMouseEvent* event) {
    const QPointF at = event->position();
    if (at != lastMousePos_) {
        lastMousePos_ = at;
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
    RaiseMouse(&McToolBar::MouseMove, event, at, buttonIndex_);
}

void McToolBar::leaveEvent(QEvent*) {
    mouseInside_ = false;
    restTimer_.stop();
    buttonIndex_ = -1;
    DestroyToolTip();
    const QPointer<McToolBar> alive(this);
    RedrawControl();
    if (alive) emit MouseLeave();
    if (alive) NotifySettingsChanged();
}

void McToolBar::mousePressEvent(QMouseEvent* event) {
    mouseDown_ = true;
    if (!RedrawAndNotify(false) || buttonIndex_ == -1) return;
    RaiseMouse(&McToolBar::MouseDown, event, event->position(), buttonIndex_);
}

void McToolBar::mouseReleaseEvent(QMouseEvent* event) {
    mouseDown_ = false;
    if (!RedrawAndNotify(false)) return;
    // Handlers of the events below may delete the bar.
    const QPointer<McToolBar> alive(this);
    const bool over = rect().contains(event->position().toPoint());
    if (buttonIndex_ != -1) RaiseMouse(&McToolBar::MouseUp, event, event->position(), buttonIndex_);
    if (alive && over) emit Click(buttonIndex_);
}

void McToolBar::mouseDoubleClickEvent(QMouseEvent*) {
    mouseDown_ = true;
    if (RedrawAndNotify(false)) emit DblClick(buttonIndex_);
}

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
    if (alive) RedrawAndNotify();
}

void McToolBar::ClickButton(int index) {
    const ToolBarButton* button = At(index);
    if (!button || !button->Enabled || !isEnabled()) return;
    const QPointer<McToolBar> alive(this);
    SetHoverIndex(index);
    if (alive) emit Click(index);
}

void McToolBar::focusOutEvent(QFocusEvent* event) {
    ControlBase::focusOutEvent(event);
    // A keyboard-current button keeps no hover look once the focus has gone elsewhere; a menu
    // opened from it leaves it lit.
    if (!mouseInside_ && event->reason() != Qt::PopupFocusReason) SetHoverIndex(-1);
}

void McToolBar::keyReleaseEvent(QKeyEvent* event) {
    if (!ToolBarKey(event->key())) event->ignore();
    mouseDown_ = false;
    emit KeyUp(KeyCode(event), ShiftCode(event->modifiers()), buttonIndex_);
}

void McToolBar::ShowToolTip() {
    DestroyToolTip();
    const ToolBarButton* button = Current();
    if (!button || button->ToolTipText.isEmpty()) return;
    toolTip_ = new BalloonTip(this, {.title = button->Caption,
                                     .icon = static_cast<int>(button->ToolTipIcon),
                                     .text = button->ToolTipText,
                                     .balloon = tooTipStyle_ != 1,
                                     .foreColor = TranslateColor(toolTipForeCol_),
                                     .backColor = TranslateColor(toolTipBackCol_)});
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
