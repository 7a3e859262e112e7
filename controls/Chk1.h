// Chk1: the check box. A box glyph and a caption that light up while the mouse is over them;
// the state toggles on the press of the left button (not on release) and a short colour
// animation then plays on the box, driven by a timer so input goes on meanwhile.
#pragma once

#include <QTimer>

#include "ControlBase.h"

class Chk1 : public ControlBase {
    Q_OBJECT
    Q_PROPERTY(QString Caption READ Caption WRITE setCaption NOTIFY CaptionChanged)
    Q_PROPERTY(OleColor ForeColor READ ForeColor WRITE setForeColor NOTIFY SettingsChanged)
    Q_PROPERTY(QVariant Size READ Size WRITE setSize NOTIFY SettingsChanged)
    Q_PROPERTY(bool Checked READ Checked WRITE setChecked NOTIFY CheckedChanged)
    Q_PROPERTY(Colours ColorSet READ ColorSet WRITE setColorSet NOTIFY SettingsChanged)
    Q_PROPERTY(bool DoExternalChange READ DoExternalChange WRITE setDoExternalChange NOTIFY
                   SettingsChanged)
  public:
    // Character codes of the box glyph in the symbol font.
    static constexpr int kEmptyBox = 0xA8;
    static constexpr int kCrossedBox = 0xFD;
    static constexpr int kTickedBox = 0xFE;

    explicit Chk1(QWidget* parent = nullptr);

    // Lays the glyph and caption out and repaints.
    void Redraw();

    QString Caption() const { return caption_; }
    void setCaption(const QString& value);
    OleColor ForeColor() const { return foreColor_; }
    void setForeColor(OleColor value);
    CONTROL_SETTING(QString, ToolTipText, toolTipText_)
    CONTROL_SETTING(OleColor, HighColor, highColor_)
    // Point size of the box glyph; an empty value leaves the glyph's size as it is.
    QVariant Size() const;
    void setSize(const QVariant& value);
    // The mark of a checked box: a cross for 1, a tick for any other number (kept as it is).
    enum class BoxMark { Cross = 1, Tick = 2 };
    Q_ENUM(BoxMark)
    CONTROL_SETTING(Chk1::BoxMark, Style, style_)
    void setStyle(int value) { setStyle(static_cast<BoxMark>(value)); }
    CONTROL_SETTING(bool, UnderlineOnMOver, underlineOnMOver_)
    CONTROL_SETTING(QImage, MouseIcon, mouseIcon_)
    CONTROL_SETTING(int, MousePointer, mousePointer_)
    CONTROL_SETTING(ControlBase::BackFill, BackStyle, backStyle_)
    CONTROL_SETTING(OleColor, BackColor, backColor_)
    bool Checked() const { return checked_; }
    // Raises Click unless DoExternalChange is set.
    void setChecked(bool value);
    CONTROL_SETTING(bool, Animation, animation_)
    CONTROL_SETTING(OleColor, AnimColor1, animColor1_)
    CONTROL_SETTING(OleColor, AnimColor2, animColor2_)
    CONTROL_SETTING(OleColor, ClickColor, clickColor_)
    CONTROL_SETTING(double, Anim_Speed, animSpeed_)
    CONTROL_SETTING(double, Anim_Duration, animDuration_)
    // Other numbers are kept and leave the colours alone.
    enum class Colours { Grey = 1, Blue, Red, Green };
    Q_ENUM(Colours)
    Colours ColorSet() const { return colorSet_; }
    void setColorSet(Colours value);
    void setColorSet(int value) { setColorSet(static_cast<Colours>(value)); }
    CONTROL_SETTING(bool, IsOptionBtn, isOptionBtn_)
    bool DoExternalChange() const { return doExternalChange_; }
    // Only a designer may change it: in the running program the call fails (error 387),
    // returns false and changes nothing.
    bool setDoExternalChange(bool value);

    static const PropertyTable<Chk1>& Properties();

    // What is shown now: the glyph's character code, its colour and the caption's look.
    int GlyphChar() const;
    OleColor GlyphColor() const { return glyphColor_; }
    OleColor CaptionColor() const { return captionColor_; }
    bool CaptionUnderlined() const { return captionUnderlined_; }
    double GlyphPointSize() const { return glyphPointSize_; }
    bool IsAnimating() const { return animationSteps_ > 0; }
    // Element rectangles in twips.
    QRectF GlyphRect() const { return glyphRect_; }
    QRectF CaptionRect() const { return captionRect_; }

    // The box and the caption beside it.
    QSize minimumSizeHint() const override;

    void ReadProperties(const PropertyBag& bag) override;
    void WriteProperties(PropertyBag& bag) const override;

  signals:
    void Click();
    void Resize();
    void KeyDown(int KeyCode, int Shift);
    void KeyPress(int KeyAscii);
    void KeyUp(int KeyCode, int Shift);
    void CaptionChanged(const QString& caption);
    void CheckedChanged(bool checked);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void LookChanged(QEvent::Type) override { Redraw(); }
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;

  private:
    void ShowColour(OleColor colour);
    void ApplyPointer() { ShowPointer(this, mousePointer_, mouseIcon_); }
    void ApplyToolTip() { setToolTip(toolTipText_); }
    // A stored size: none when empty, the design size when it is no number.
    void LoadSize(const QVariant& value);
    void LayOut();

    // Toggles the state and plays the click animation; `thenClick` raises Click again at its end.
    void ToggleAndAnimate(bool thenClick);
    void RunAnimationStep();
    void FinishAnimation();

    QString caption_ = QStringLiteral("Check");
    OleColor foreColor_ = 0;
    QString toolTipText_;
    OleColor highColor_ = 0;
    std::optional<double> size_ = 13.0;
    BoxMark style_ = BoxMark::Cross;
    bool underlineOnMOver_ = true;
    QImage mouseIcon_;
    int mousePointer_ = 0;
    BackFill backStyle_ = BackFill::Transparent;
    OleColor backColor_ = SysColor::kButtonFace;
    bool checked_ = false;
    bool animation_ = true;
    OleColor animColor1_ = 0x00404040;
    OleColor animColor2_ = 0x00808080;
    OleColor clickColor_ = 0x00404040;
    double animSpeed_ = 0.08;
    double animDuration_ = 2;
    Colours colorSet_ = Colours::Grey;
    bool isOptionBtn_ = false;
    bool doExternalChange_ = false;

    double glyphPointSize_ = 9.75;
    OleColor glyphColor_ = 0;
    OleColor captionColor_ = 0;
    bool captionUnderlined_ = false;
    bool mouseInside_ = false;
    QRectF glyphRect_;
    QRectF captionRect_;

    QTimer animationTimer_;
    int animationStep_ = 0;
    int animationSteps_ = 0;
    // Key presses whose second Click waits for the end of the animation.
    int clicksAfterAnimation_ = 0;
};
