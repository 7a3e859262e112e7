// Chk1: the check box. A box glyph and a caption that light up while the mouse is over them;
// the state toggles on the press of the left button (not on release) and a short colour
// animation then plays on the box, driven by a timer so input goes on meanwhile.
#pragma once

#include <QImage>
#include <QRectF>
#include <QString>
#include <QTimer>
#include <QVariant>
#include <optional>

#include "ControlBase.h"

class Chk1 : public ControlBase {
    Q_OBJECT
    Q_PROPERTY(QString Caption READ Caption WRITE setCaption NOTIFY CaptionChanged)
    Q_PROPERTY(OleColor ForeColor READ ForeColor WRITE setForeColor)
    Q_PROPERTY(QString ToolTipText READ ToolTipText WRITE setToolTipText)
    Q_PROPERTY(OleColor HighColor READ HighColor WRITE setHighColor)
    Q_PROPERTY(QVariant Size READ Size WRITE setSize)
    Q_PROPERTY(int Style READ Style WRITE setStyle)
    Q_PROPERTY(bool UnderlineOnMOver READ UnderlineOnMOver WRITE setUnderlineOnMOver)
    Q_PROPERTY(QImage MouseIcon READ MouseIcon WRITE setMouseIcon)
    Q_PROPERTY(int MousePointer READ MousePointer WRITE setMousePointer)
    Q_PROPERTY(int BackStyle READ BackStyle WRITE setBackStyle)
    Q_PROPERTY(OleColor BackColor READ BackColor WRITE setBackColor)
    Q_PROPERTY(bool Checked READ Checked WRITE setChecked NOTIFY CheckedChanged)
    Q_PROPERTY(bool Animation READ Animation WRITE setAnimation)
    Q_PROPERTY(OleColor AnimColor1 READ AnimColor1 WRITE setAnimColor1)
    Q_PROPERTY(OleColor AnimColor2 READ AnimColor2 WRITE setAnimColor2)
    Q_PROPERTY(OleColor ClickColor READ ClickColor WRITE setClickColor)
    Q_PROPERTY(double Anim_Speed READ Anim_Speed WRITE setAnim_Speed)
    Q_PROPERTY(double Anim_Duration READ Anim_Duration WRITE setAnim_Duration)
    Q_PROPERTY(int ColorSet READ ColorSet WRITE setColorSet)
    Q_PROPERTY(bool IsOptionBtn READ IsOptionBtn WRITE setIsOptionBtn)
    Q_PROPERTY(bool DoExternalChange READ DoExternalChange WRITE setDoExternalChange)
  public:
    // Character codes of the box glyph in the symbol font.
    static constexpr int kEmptyBox = 0xA8;
    static constexpr int kCrossedBox = 0xFD;
    static constexpr int kTickedBox = 0xFE;
    // Error number of setting a designer-only property while the program runs.
    static constexpr int kErrSetNotAtRunTime = 387;

    explicit Chk1(QWidget* parent = nullptr);

    // Lays the glyph and caption out and repaints.
    void Redraw();

    QString Caption() const { return caption_; }
    void setCaption(const QString& value);
    OleColor ForeColor() const { return foreColor_; }
    void setForeColor(OleColor value);
    QString ToolTipText() const { return toolTipText_; }
    void setToolTipText(const QString& value);
    OleColor HighColor() const { return highColor_; }
    void setHighColor(OleColor value);
    // Point size of the box glyph; an empty value leaves the glyph's size as it is.
    QVariant Size() const;
    void setSize(const QVariant& value);
    int Style() const { return style_; }
    void setStyle(int value);
    bool UnderlineOnMOver() const { return underlineOnMOver_; }
    void setUnderlineOnMOver(bool value);
    QImage MouseIcon() const { return mouseIcon_; }
    void setMouseIcon(const QImage& value);
    int MousePointer() const { return mousePointer_; }
    void setMousePointer(int value);
    int BackStyle() const { return backStyle_; }
    void setBackStyle(int value);
    OleColor BackColor() const { return backColor_; }
    void setBackColor(OleColor value);
    bool Checked() const { return checked_; }
    // Raises Click unless DoExternalChange is set.
    void setChecked(bool value);
    bool Animation() const { return animation_; }
    void setAnimation(bool value);
    OleColor AnimColor1() const { return animColor1_; }
    void setAnimColor1(OleColor value);
    OleColor AnimColor2() const { return animColor2_; }
    void setAnimColor2(OleColor value);
    OleColor ClickColor() const { return clickColor_; }
    void setClickColor(OleColor value);
    // Numbers that cannot be stored (infinite, not a number) are refused.
    double Anim_Speed() const { return animSpeed_; }
    void setAnim_Speed(double value);
    double Anim_Duration() const { return animDuration_; }
    void setAnim_Duration(double value);
    int ColorSet() const { return colorSet_; }
    // 1 grey, 2 blue, 3 red, 4 green; other values leave the colours alone.
    void setColorSet(int value);
    bool IsOptionBtn() const { return isOptionBtn_; }
    void setIsOptionBtn(bool value);
    bool DoExternalChange() const { return doExternalChange_; }
    // Only a designer may change it: in the running program the call fails (error 387),
    // returns false and changes nothing.
    bool setDoExternalChange(bool value);

    // What is shown now: the glyph's character code, its colour and the caption's look.
    int GlyphChar() const;
    OleColor GlyphColor() const { return glyphColor_; }
    OleColor CaptionColor() const { return captionColor_; }
    bool CaptionUnderlined() const { return captionUnderlined_; }
    double GlyphPointSize() const { return glyphPointSize_; }
    bool IsAnimating() const { return animating_; }
    // Element rectangles in twips.
    QRectF GlyphRect() const { return glyphRect_; }
    QRectF CaptionRect() const { return captionRect_; }

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
    void changeEvent(QEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

  private:
    void Changed(const QString& key, bool redraw);
    void ShowColour(OleColor colour);
    void ApplyPointer();
    void LayOut();
    QFont CaptionFont() const;
    // The colour behind the glyph and caption.
    QColor Background() const;

    void PlayClickAnimation(bool thenClick);
    void RunAnimationStep();
    void FinishAnimation();

    QString caption_ = QStringLiteral("Check");
    OleColor foreColor_ = 0;
    QString toolTipText_;
    OleColor highColor_ = 0;
    std::optional<double> size_ = 13.0;
    int style_ = 1;
    bool underlineOnMOver_ = true;
    QImage mouseIcon_;
    int mousePointer_ = 0;
    int backStyle_ = 0;
    OleColor backColor_ = SysColor::kButtonFace;
    bool checked_ = false;
    bool animation_ = true;
    OleColor animColor1_ = 0x00404040;
    OleColor animColor2_ = 0x00808080;
    OleColor clickColor_ = 0x00404040;
    double animSpeed_ = 0.08;
    double animDuration_ = 2;
    int colorSet_ = 1;
    bool isOptionBtn_ = false;
    bool doExternalChange_ = false;

    double glyphPointSize_ = 9.75;
    OleColor glyphColor_ = 0;
    OleColor captionColor_ = 0;
    bool captionUnderlined_ = false;
    bool mouseInside_ = false;
    bool focused_ = false;
    QPointF lastMousePos_{-1, -1};
    QRectF glyphRect_;
    QRectF captionRect_;

    QTimer animationTimer_;
    bool animating_ = false;
    int animationStep_ = 0;
    int animationSteps_ = 0;
    // Key presses whose second Click waits for the end of the animation.
    int clicksAfterAnimation_ = 0;
};
