// Cmd1: the push button. A caption, an optional picture and two edge lines that show only while
// the mouse is over the button (raised) or pressing it (sunken). Geometry is in twips.
#pragma once

#include "ControlBase.h"

class Cmd1 : public ControlBase {
    Q_OBJECT
    Q_PROPERTY(QString Caption READ Caption WRITE setCaption NOTIFY CaptionChanged)
  public:
    explicit Cmd1(QWidget* parent = nullptr);

    void Refresh() { update(); }
    // Raises Click, as Enter or space on the focused button does.
    void Press() { emit Click(); }

    CONTROL_SETTING(OleColor, BackColor, backColor_)
    CONTROL_SETTING(OleColor, ForeColor, foreColor_)
    // Border and back style are stored and restored only.
    CONTROL_SETTING(int, BorderStyle, borderStyle_)
    CONTROL_SETTING(ControlBase::BackFill, BackStyle, backStyle_)
    CONTROL_SETTING(QString, ToolTipText, toolTipText_)
    CONTROL_SETTING(bool, WordWrap, wordWrap_)
    CONTROL_SETTING(OleColor, HighColor1, highColor1_)
    CONTROL_SETTING(OleColor, HighColor2, highColor2_)
    CONTROL_SETTING(OleColor, Color1, color1_)
    CONTROL_SETTING(OleColor, Color2, color2_)
    CONTROL_SETTING(QImage, Picture, picture_)
    CONTROL_SETTING(int, PicSize, picSize_)
    // Where the picture or the caption sits; any other stored number centres and is kept.
    enum class Placement {
        TopLeft,
        MiddleLeft,
        BottomLeft,
        TopRight,
        MiddleRight,
        BottomRight,
        TopCentre,
        BottomCentre,
        Centre
    };
    Q_ENUM(Placement)
    CONTROL_SETTING(Cmd1::Placement, PicAlign, picAlign_)
    // The stored numbers, as layouts and callers that count give them.
    void setPicAlign(int value) { setPicAlign(static_cast<Placement>(value)); }
    CONTROL_SETTING(int, PicHeight, picHeight_)
    CONTROL_SETTING(int, PicWidth, picWidth_)
    CONTROL_SETTING(Cmd1::Placement, TextAlign, textAlign_)
    void setTextAlign(int value) { setTextAlign(static_cast<Placement>(value)); }
    CONTROL_SETTING(int, PicDistToEdge, picDistToEdge_)
    CONTROL_SETTING(int, TextDistToEdge, textDistToEdge_)
    CONTROL_SETTING(int, TextWidth, textWidth_)
    CONTROL_SETTING(bool, TextSetWH, textSetWH_)
    QString Caption() const { return caption_; }
    void setCaption(const QString& value);

    static const PropertyTable<Cmd1>& Properties();

    // The elements as laid out, in twips. The pressed look shifts caption and picture.
    QRectF CaptionRect() const { return captionRect_.translated(PressOffset()); }
    QRectF PictureRect() const { return pictureRect_.translated(PressOffset()); }
    // The engraved copy of the caption, shown while disabled; empty otherwise.
    QRectF DisabledCopyRect() const;
    // Current colours of the light (top, left) and dark (bottom, right) edges.
    OleColor LightEdgeColor() const;
    OleColor DarkEdgeColor() const;
    bool IsHovered() const { return hovered_; }
    bool IsPressed() const { return pressed_; }
    // The hover and pressed looks show the focus; focus from the keyboard shows it always.
    bool ShowsFocusRect() const {
        return (Focused() && (hovered_ || pressed_)) || HasKeyboardFocus();
    }

    // The caption on one line, its distance to the edges around it.
    QSize minimumSizeHint() const override { return TextRoom(caption_, textDistToEdge_); }

    void ReadProperties(const PropertyBag& bag) override;
    void WriteProperties(PropertyBag& bag) const override;

    // Where an element of size `size` sits for an alignment value 0 to 8, `distance` from the
    // edges, within a control of `area`.
    static QPointF AlignedPosition(int align, const QSizeF& area, const QSizeF& size,
                                   double distance);

  signals:
    void DblClick();
    void Click();
    void MouseMove(int Button, int Shift, float X, float Y);
    void MouseDown(int Button, int Shift, float X, float Y);
    void MouseUp(int Button, int Shift, float X, float Y);
    void Resize();
    void Show();
    void KeyDown(int KeyCode, int Shift);
    void KeyPress(int KeyAscii);
    void CaptionChanged(const QString& caption);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void LookChanged(QEvent::Type cause) override;
    bool event(QEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

  private:
    void LayOut();
    QSizeF CaptionSize(double width) const;
    void PlaceCaption(QSizeF size);
    QSizeF PictureSize() const;
    QPointF PressOffset() const;
    void ShowHover();
    void HideHover();

    OleColor backColor_ = SysColor::kButtonFace;
    OleColor foreColor_ = SysColor::kButtonText;
    int borderStyle_ = 0;
    BackFill backStyle_ = BackFill::Transparent;
    QString toolTipText_;
    bool wordWrap_ = true;
    OleColor highColor1_ = SysColor::kButtonHighlight;
    OleColor highColor2_ = SysColor::kButtonShadow;
    OleColor color1_ = SysColor::kButtonFace;
    OleColor color2_ = SysColor::kButtonFace;
    QImage picture_;
    int picSize_ = 32;
    Placement picAlign_ = Placement::Centre;
    int picHeight_ = 320;
    int picWidth_ = 320;
    QString caption_ = QStringLiteral("Command");
    Placement textAlign_ = Placement::Centre;
    int picDistToEdge_ = 40;
    int textDistToEdge_ = 40;
    int textWidth_ = 1000;
    bool textSetWH_ = false;

    bool hovered_ = false;
    bool pressed_ = false;
    // The hover look follows the mouse from its first move over the button until it leaves.
    bool tracking_ = false;
    QRectF captionRect_;
    QRectF pictureRect_;
};
