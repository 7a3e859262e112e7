// Txt: the text entry field. A multi-line and a single-line edit field, one shown at a time by
// Style and kept holding the same text, inside a thin frame that lights up while the mouse is
// over the control or the control has the focus.
#pragma once

#include "ControlBase.h"

class QLineEdit;
class QPlainTextEdit;

class Txt : public ControlBase {
    Q_OBJECT
    Q_PROPERTY(QString SelText READ SelText WRITE setSelText NOTIFY SettingsChanged)
    Q_PROPERTY(int SelStart READ SelStart WRITE setSelStart NOTIFY SettingsChanged)
    Q_PROPERTY(int SelLength READ SelLength WRITE setSelLength NOTIFY SettingsChanged)
    Q_PROPERTY(QString PasswordChar READ PasswordChar WRITE setPasswordChar NOTIFY SettingsChanged)
    Q_PROPERTY(QString Text READ Text WRITE setText NOTIFY Change)
    Q_PROPERTY(bool FontItalic READ FontItalic WRITE setFontItalic NOTIFY SettingsChanged)
    Q_PROPERTY(QString FontName READ FontName WRITE setFontName NOTIFY SettingsChanged)
    Q_PROPERTY(double FontSize READ FontSize WRITE setFontSize NOTIFY SettingsChanged)
    Q_PROPERTY(
        bool FontStrikethru READ FontStrikethru WRITE setFontStrikethru NOTIFY SettingsChanged)
    Q_PROPERTY(bool FontUnderline READ FontUnderline WRITE setFontUnderline NOTIFY SettingsChanged)
    Q_PROPERTY(int MaxLength READ MaxLength WRITE setMaxLength NOTIFY SettingsChanged)
  public:
    explicit Txt(QWidget* parent = nullptr);

    // Mirrored shows the single-line field while the multi-line one holds the text; MultiLine
    // shows and holds in the multi-line field; SingleLine (and any other number, kept as it is)
    // shows and holds in the single-line field alone.
    enum class FieldStyle { Mirrored = 0, MultiLine = 1, SingleLine = 2 };
    Q_ENUM(FieldStyle)
    CONTROL_SETTING(Txt::FieldStyle, Style, style_)
    void setStyle(int value) { setStyle(static_cast<FieldStyle>(value)); }

    // The data field (multi-line with Style 0, single-line otherwise) holds the text.
    QString Text() const;
    void setText(const QString& value);
    QString SelText() const;
    void setSelText(const QString& value);
    int SelStart() const;
    void setSelStart(int value);
    int SelLength() const;
    void setSelLength(int value);

    // Appearance, kept with the multi-line field and shown by both fields.
    CONTROL_SETTING(QImage, MouseIcon, mouseIcon_)
    CONTROL_SETTING(int, MousePointer, mousePointer_)
    QString PasswordChar() const { return passwordChar_; }
    void setPasswordChar(const QString& value);
    CONTROL_SETTING(QString, ToolTipText, toolTipText_)
    CONTROL_SETTING(OleColor, BackColor, backColor_)
    CONTROL_SETTING(OleColor, ForeColor, foreColor_)
    bool FontItalic() const { return font().italic(); }
    void setFontItalic(bool value) { SetFontPart(&QFont::setItalic, value, "FontItalic"); }
    QString FontName() const { return font().family(); }
    void setFontName(const QString& value) { SetFontPart(&QFont::setFamily, value, "FontName"); }
    double FontSize() const { return font().pointSizeF(); }
    void setFontSize(double value);
    bool FontStrikethru() const { return font().strikeOut(); }
    void setFontStrikethru(bool value) {
        SetFontPart(&QFont::setStrikeOut, value, "FontStrikethru");
    }
    bool FontUnderline() const { return font().underline(); }
    void setFontUnderline(bool value) { SetFontPart(&QFont::setUnderline, value, "FontUnderline"); }
    CONTROL_SETTING(bool, Locked, locked_)
    // 0: no limit. Both fields keep to it, whichever is shown.
    int MaxLength() const { return maxLength_; }
    void setMaxLength(int value);
    // Any other stored number is kept as it is and aligns left.
    enum class TextAlignment { Left = 0, Right = 1, Centre = 2 };
    Q_ENUM(TextAlignment)
    CONTROL_SETTING(TextAlignment, Alignment, alignment_)

    static const PropertyTable<Txt>& Properties();

    bool FrameHighlighted() const { return highlighted_; }
    // The editor that is shown, by Style.
    QWidget* ShownField() const;
    // The name a screen reader speaks: the box's own accessible name, else the text of the label
    // whose buddy it is, else its tooltip.
    QString AccessibleName() const;
    // Gives the editors the box's name, so that a reader names the editor that has the focus.
    // The box does it when it is shown; call it after the name or the label changes.
    void ShareAccessibleName();
    QPlainTextEdit* MultiLineField() const { return text1_; }
    QLineEdit* SingleLineField() const { return text2_; }

    // One line of a few characters inside the frame.
    QSize minimumSizeHint() const override { return TextRoom(QStringLiteral("0000"), 20); }

    void ReadProperties(const PropertyBag& bag) override;
    void WriteProperties(PropertyBag& bag) const override;

  signals:
    void Change();
    void Click();
    void DblClick();
    void KeyPress(int KeyAscii);
    void KeyUp(int KeyCode, int Shift);
    void KeyDown(int KeyCode, int Shift);
    void MouseDown(int Button, int Shift, float X, float Y);
    void MouseMove(int Button, int Shift, float X, float Y);
    void MouseUp(int Button, int Shift, float X, float Y);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    // The fields show the box's font.
    void LookChanged(QEvent::Type cause) override;
    void showEvent(QShowEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    bool MultiLineIsDataField() const { return style_ == FieldStyle::Mirrored; }
    void LayOut();
    void SetHighlight(bool on);
    void MouseCameIn();
    void OnMultiLineChanged();
    void OnSingleLineChanged();
    void HoldMultiLineLimit();
    int SingleLineLimit() const;
    void ApplyColours();
    void ApplyPointer();
    void ApplyAlignment();
    void ApplyToolTip();
    void ApplyLocked();
    template <class Part, class Value>
    void SetFontPart(void (QFont::*part)(Part), const Value& value, const char* key) {
        QFont changed = font();
        (changed.*part)(value);
        setFont(changed);
        MarkChanged(QLatin1String(key));
    }
    void ForwardMouse(QWidget* field, QMouseEvent* event);
    void ForwardKey(QKeyEvent* event);

    QPlainTextEdit* text1_;
    QLineEdit* text2_;
    FieldStyle style_ = FieldStyle::Mirrored;
    QImage mouseIcon_;
    int mousePointer_ = 0;
    QString passwordChar_;
    QString toolTipText_;
    OleColor backColor_ = SysColor::kWindowBackground;
    OleColor foreColor_ = SysColor::kWindowText;
    bool locked_ = false;
    int maxLength_ = 0;
    TextAlignment alignment_ = TextAlignment::Left;

    bool highlighted_ = false;
    bool mouseInside_ = false;
    bool focused_ = false;
    bool syncing_ = false;
    // The text is set by the program or copied between the fields: MaxLength limits the user's
    // typing only, so the multi-line field keeps it whole.
    bool keepWhole_ = false;
    // Where the multi-line field's last insertion ended, -1 when unknown.
    int lastInsertEnd_ = -1;
};
