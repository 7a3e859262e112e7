#include "Txt.h"

#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPointer>
#include <QTextCursor>
#include <QTextDocument>
#include <cmath>

#include "ControlAccessibility.h"

namespace {

constexpr double kFieldInset = 20;
constexpr double kFieldSizeLoss = 30;
const OleColor kFrameDark = 0x00808080;
const OleColor kFrameLight = 0x00E0E0E0;
constexpr int kLineEditLimit = 32767;

}  // namespace

Txt::Txt(QWidget* parent)
    : ControlBase(parent), text1_(new QPlainTextEdit(this)), text2_(new QLineEdit(this)) {
    text1_->setFrameShape(QFrame::NoFrame);
    text2_->setFrame(false);
    // The design-time texts: the fields only hold the same text once one of them changes.
    text1_->setPlainText(QStringLiteral("TextMultiline\n"));
    text2_->setText(QStringLiteral("TextSingleline"));
    for (QWidget* watched : std::initializer_list<QWidget*>{text1_, text1_->viewport(), text2_}) {
        watched->installEventFilter(this);
        watched->setMouseTracking(true);
    }
    setMouseTracking(true);
    connect(text1_->document(), &QTextDocument::contentsChange, this,
            [this](int position, int, int added) { lastInsertEnd_ = position + added; });
    connect(text1_, &QPlainTextEdit::textChanged, this, &Txt::OnMultiLineChanged);
    connect(text2_, &QLineEdit::textChanged, this, &Txt::OnSingleLineChanged);
    // The selection is a setting of the box too.
    connect(text1_, &QPlainTextEdit::cursorPositionChanged, this, &Txt::NotifySettingsChanged);
    connect(text1_, &QPlainTextEdit::selectionChanged, this, &Txt::NotifySettingsChanged);
    connect(text2_, &QLineEdit::cursorPositionChanged, this, &Txt::NotifySettingsChanged);
    connect(text2_, &QLineEdit::selectionChanged, this, &Txt::NotifySettingsChanged);
    ApplyColours();
    setSizeTwips(1215, 315);
    LayOut();
}

// ---- layout and looks ------------------------------------------------------------------------

void Txt::LayOut() {
    const bool multiLine = style_ == FieldStyle::MultiLine;
    text1_->setVisible(multiLine);
    text2_->setVisible(!multiLine);
    setFocusProxy(multiLine ? static_cast<QWidget*>(text1_) : static_cast<QWidget*>(text2_));
    const QRectF field(kFieldInset, kFieldInset, ScaleWidth() - kFieldSizeLoss,
                       ScaleHeight() - kFieldSizeLoss);
    const QRect pixels = PixelRect(field).toRect();
    text1_->setGeometry(pixels);
    text2_->setGeometry(pixels);
    update();
}

void Txt::SetHighlight(bool on) {
    if (on == highlighted_) return;
    highlighted_ = on;
    update();
}

void Txt::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), ToQColor(backColor_));
    PaintEdges(painter, rect().adjusted(0, 0, -1, -1),
               ToQColor(highlighted_ ? kFrameDark : SysColor::kButtonFace),
               ToQColor(highlighted_ ? kFrameLight : SysColor::kButtonFace));
}

void Txt::ApplyColours() {
    for (QWidget* field : {static_cast<QWidget*>(text1_), static_cast<QWidget*>(text2_)}) {
        QPalette palette = field->palette();
        for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
            palette.setColor(group, QPalette::Base, ToQColor(backColor_));
            palette.setColor(group, QPalette::Text, ToQColor(foreColor_));
        }
        // The disabled group keeps the system's greyed background, with a grey text that stays
        // readable on it, as the other controls' disabled looks are.
        const QColor disabledBase = palette.color(QPalette::Disabled, QPalette::Base);
        palette.setColor(QPalette::Disabled, QPalette::Text, ReadableDisabledColor(disabledBase));
        field->setPalette(palette);
    }
    update();
}

void Txt::ApplyPointer() {
    ShowPointer(text1_->viewport(), mousePointer_, mouseIcon_);
    ShowPointer(text2_, mousePointer_, mouseIcon_);
}

void Txt::ApplyAlignment() {
    const Qt::Alignment horizontal = alignment_ == TextAlignment::Right    ? Qt::AlignRight
                                     : alignment_ == TextAlignment::Centre ? Qt::AlignHCenter
                                                                           : Qt::AlignLeft;
    text2_->setAlignment(horizontal | Qt::AlignVCenter);
    QTextOption option = text1_->document()->defaultTextOption();
    option.setAlignment(horizontal);
    text1_->document()->setDefaultTextOption(option);
}

// ---- text kept in step -----------------------------------------------------------------------

void Txt::OnMultiLineChanged() {
    if (syncing_) return;
    syncing_ = true;
    HoldMultiLineLimit();
    const QString text = text1_->toPlainText();
    if (text2_->text() != text) text2_->setText(text);
    syncing_ = false;
    MarkChanged(QStringLiteral("Text"));
    // A load reports its text once, when it is done.
    if (IsLoading()) return;
    NotifyAccessibleValue(this, text);
    emit Change();
}

void Txt::HoldMultiLineLimit() {
    if (keepWhole_) return;
    const int length = static_cast<int>(text1_->toPlainText().size());
    const int excess = length - maxLength_;
    if (maxLength_ <= 0 || excess <= 0) return;
    // What was just typed or pasted is cut, as the single-line field cuts it; otherwise the end.
    const int end = lastInsertEnd_ >= excess && lastInsertEnd_ <= length ? lastInsertEnd_ : length;
    QTextCursor cursor(text1_->document());
    cursor.setPosition(end - excess);
    cursor.setPosition(end, QTextCursor::KeepAnchor);
    cursor.removeSelectedText();
    lastInsertEnd_ = -1;
}

void Txt::OnSingleLineChanged() {
    if (syncing_) return;
    if (style_ != FieldStyle::Mirrored || !text1_->isHidden()) return;
    // The multi-line field reports the change, so it is reported once. The single-line field
    // has kept to the limit already; what it holds is copied whole.
    const QPointer<Txt> alive(this);
    const bool keepWhole = keepWhole_;
    keepWhole_ = true;
    text1_->setPlainText(text2_->text());
    if (alive) keepWhole_ = keepWhole;
}

QString Txt::Text() const {
    return MultiLineIsDataField() ? text1_->toPlainText() : text2_->text();
}

void Txt::setText(const QString& value) {
    if (value == Text()) return;
    // The text goes into the field on show, so it is seen whatever the style; the fields then
    // keep each other in step as they do for typing. MaxLength limits typing only: a longer
    // text the program sets is kept whole, and the single-line field holds it by a limit of
    // its length.
    const QPointer<Txt> alive(this);
    keepWhole_ = true;
    text2_->setMaxLength(std::max(SingleLineLimit(), static_cast<int>(value.size())));
    if (style_ == FieldStyle::MultiLine)
        text1_->setPlainText(value);
    else
        text2_->setText(value);
    if (!alive) return;  // a Change handler deleted the box
    keepWhole_ = false;
    MarkChanged(QStringLiteral("Text"));
}

int Txt::SingleLineLimit() const {
    return maxLength_ > 0 ? std::min(maxLength_, kLineEditLimit) : kLineEditLimit;
}

QString Txt::SelText() const {
    if (MultiLineIsDataField()) return text1_->textCursor().selectedText();
    return text2_->selectedText();
}

void Txt::setSelText(const QString& value) {
    if (MultiLineIsDataField())
        text1_->textCursor().insertText(value);
    else
        text2_->insert(value);
    MarkChanged(QStringLiteral("SelText"));
}

int Txt::SelStart() const {
    if (MultiLineIsDataField()) return text1_->textCursor().selectionStart();
    return text2_->hasSelectedText() ? text2_->selectionStart() : text2_->cursorPosition();
}

void Txt::setSelStart(int value) {
    const int start = std::clamp(value, 0, static_cast<int>(Text().size()));
    if (MultiLineIsDataField()) {
        QTextCursor cursor = text1_->textCursor();
        cursor.setPosition(start);
        text1_->setTextCursor(cursor);
    } else {
        text2_->setCursorPosition(start);
    }
    MarkChanged(QStringLiteral("SelStart"));
}

int Txt::SelLength() const {
    return static_cast<int>(SelText().size());
}

void Txt::setSelLength(int value) {
    const int start = SelStart();
    const int length = std::clamp(value, 0, static_cast<int>(Text().size()) - start);
    if (MultiLineIsDataField()) {
        QTextCursor cursor = text1_->textCursor();
        cursor.setPosition(start);
        cursor.setPosition(start + length, QTextCursor::KeepAnchor);
        text1_->setTextCursor(cursor);
    } else {
        text2_->setSelection(start, length);
    }
    MarkChanged(QStringLiteral("SelLength"));
}

// ---- properties ------------------------------------------------------------------------------

namespace {

// The single font values follow "Font"; written against the container's font.
template <class T>
auto AmbientPart(T (QFont::*part)() const) {
    return [part](const Txt& box) { return (box.AmbientFont().*part)(); };
}

// Loading an empty text leaves the box as it is.
auto UnlessEmpty(void (Txt::*setter)(const QString&)) {
    return [setter](Txt& box, const QString& value) {
        if (!value.isEmpty()) (box.*setter)(value);
    };
}

}  // namespace

const PropertyTable<Txt>& Txt::Properties() {
    using Row = StoredProperty<Txt>;
    static const PropertyTable<Txt> table({
        EnabledRow<Txt>(true),
        FontRow<Txt>(),
        Row("MouseIcon", &Txt::mouseIcon_).Then(&Txt::ApplyPointer),
        Row("Style", &Txt::style_, FieldStyle::Mirrored).Then(&Txt::LayOut),
        // The selection comes first and the text last, so the stored text is what the box holds.
        {"SelText", &Txt::SelText, UnlessEmpty(&Txt::setSelText), QString()},
        {"SelStart", &Txt::SelStart, &Txt::setSelStart, 0},
        {"SelLength", &Txt::SelLength, &Txt::setSelLength, 0},
        Row("MousePointer", &Txt::mousePointer_).Then(&Txt::ApplyPointer),
        {"PasswordChar", &Txt::PasswordChar, &Txt::setPasswordChar, QString()},
        {"Text", &Txt::Text, &Txt::setText, "Text"},
        Row("ToolTipText", &Txt::toolTipText_).Then(&Txt::ApplyToolTip),
        Row("BackColor", &Txt::backColor_, SysColor::kWindowBackground).Then(&Txt::ApplyColours),
        Row("ForeColor", &Txt::foreColor_, SysColor::kWindowText).Then(&Txt::ApplyColours),
        Row("FontItalic", &Txt::FontItalic, &Txt::setFontItalic, AmbientPart(&QFont::italic))
            .KeepWhenAbsent(),
        Row("FontName", &Txt::FontName, UnlessEmpty(&Txt::setFontName), AmbientPart(&QFont::family))
            .KeepWhenAbsent(),
        Row("FontSize", &Txt::FontSize, &Txt::setFontSize, AmbientPart(&QFont::pointSizeF))
            .KeepWhenAbsent(),
        Row("FontStrikethru", &Txt::FontStrikethru, &Txt::setFontStrikethru,
            AmbientPart(&QFont::strikeOut))
            .KeepWhenAbsent(),
        Row("FontUnderline", &Txt::FontUnderline, &Txt::setFontUnderline,
            AmbientPart(&QFont::underline))
            .KeepWhenAbsent(),
        Row("Locked", &Txt::locked_, false).Then(&Txt::ApplyLocked),
        {"MaxLength", &Txt::MaxLength, &Txt::setMaxLength, 0},
        Row("Alignment", &Txt::alignment_, TextAlignment::Left).Then(&Txt::ApplyAlignment),
    });
    return table;
}

void Txt::setPasswordChar(const QString& value) {
    const QString before = passwordChar_;
    passwordChar_ = value.left(1);
    text2_->setEchoMode(passwordChar_.isEmpty() ? QLineEdit::Normal : QLineEdit::Password);
    MarkChanged(QStringLiteral("PasswordChar"));
    if (passwordChar_ != before) NotifySettingsChanged();
}

void Txt::ApplyToolTip() {
    text1_->setToolTip(toolTipText_);
    text2_->setToolTip(toolTipText_);
}

void Txt::ApplyLocked() {
    text1_->setReadOnly(locked_);
    text2_->setReadOnly(locked_);
}

void Txt::setFontSize(double value) {
    if (value > 0 && std::isfinite(value)) SetFontPart(&QFont::setPointSizeF, value, "FontSize");
}

void Txt::setMaxLength(int value) {
    const int before = maxLength_;
    maxLength_ = std::max(0, value);
    text2_->setMaxLength(SingleLineLimit());
    if (maxLength_ > 0 && text1_->toPlainText().size() > maxLength_) {
        lastInsertEnd_ = -1;
        OnMultiLineChanged();
    }
    MarkChanged(QStringLiteral("MaxLength"));
    if (maxLength_ != before) NotifySettingsChanged();
}

// ---- stored settings -------------------------------------------------------------------------

void Txt::ReadProperties(const PropertyBag& bag) {
    const QString textBefore = Text();
    if (!LoadSettings(*this, bag, [this] { SetHighlight(false); })) return;
    if (Text() != textBefore) emit Change();
}

void Txt::WriteProperties(PropertyBag& bag) const {
    Properties().Write(*this, bag);
}

// ---- mouse, keys and focus -------------------------------------------------------------------

void Txt::MouseCameIn() {
    if (mouseInside_) return;
    mouseInside_ = true;
    SetHighlight(true);
}

void Txt::mouseMoveEvent(QMouseEvent* event) {
    MouseCameIn();
    RaiseMouse(&Txt::MouseMove, event, TwipsPoint(event->position()));
}

void Txt::leaveEvent(QEvent*) {
    mouseInside_ = false;
    if (!focused_) SetHighlight(false);
}

void Txt::ForwardMouse(QWidget* field, QMouseEvent* event) {
    const QPointF twips = Twips::FromPixels(1, field) * event->position();
    switch (event->type()) {
        case QEvent::MouseButtonPress:
            RaiseMouse(&Txt::MouseDown, event, twips);
            break;
        case QEvent::MouseButtonRelease:
            RaiseMouse(&Txt::MouseUp, event, twips);
            if (field->rect().contains(event->position().toPoint())) emit Click();
            break;
        case QEvent::MouseButtonDblClick:
            emit DblClick();
            break;
        case QEvent::MouseMove:
            MouseCameIn();
            RaiseMouse(&Txt::MouseMove, event, twips);
            break;
        default:
            break;
    }
}

void Txt::ForwardKey(QKeyEvent* event) {
    const int shift = ShiftCode(event->modifiers());
    if (event->type() == QEvent::KeyRelease) {
        emit KeyUp(KeyCode(event), shift);
        return;
    }
    emit KeyDown(KeyCode(event), shift);
    if (const int ascii = KeyAscii(event)) emit KeyPress(ascii);
}

bool Txt::eventFilter(QObject* watched, QEvent* event) {
    auto* field = qobject_cast<QWidget*>(watched);
    switch (event->type()) {
        case QEvent::Enter:
            MouseCameIn();
            break;
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::MouseMove:
            ForwardMouse(field, static_cast<QMouseEvent*>(event));
            break;
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
            if (watched != text1_->viewport()) ForwardKey(static_cast<QKeyEvent*>(event));
            break;
        case QEvent::FocusIn:
        case QEvent::FocusOut:
            if (watched != text1_->viewport()) {
                focused_ = event->type() == QEvent::FocusIn;
                SetHighlight(focused_);
            }
            break;
        default:
            break;
    }
    return ControlBase::eventFilter(watched, event);
}

void Txt::resizeEvent(QResizeEvent*) {
    LayOut();
}

void Txt::showEvent(QShowEvent* event) {
    ShareAccessibleName();
    ControlBase::showEvent(event);
}

QWidget* Txt::ShownField() const {
    return style_ == FieldStyle::MultiLine ? static_cast<QWidget*>(text1_)
                                           : static_cast<QWidget*>(text2_);
}

QString Txt::AccessibleName() const {
    if (!accessibleName().isEmpty()) return accessibleName();
    if (parentWidget()) {
        for (const QLabel* label : parentWidget()->findChildren<QLabel*>()) {
            if (label->buddy() != this) continue;
            // The mnemonic's marker is no part of what is read out.
            QString text = label->text();
            text.replace(QStringLiteral("&&"), QStringLiteral("\x01"));
            text.remove(QLatin1Char('&'));
            text.replace(QLatin1Char('\x01'), QLatin1Char('&'));
            return text;
        }
    }
    return toolTipText_;
}

void Txt::ShareAccessibleName() {
    const QString name = AccessibleName();
    text1_->setAccessibleName(name);
    text2_->setAccessibleName(name);
}

void Txt::LookChanged(QEvent::Type cause) {
    if (cause != QEvent::FontChange) return;
    text1_->setFont(font());
    text2_->setFont(font());
}
