// Cmd1: the push button. A caption, an optional picture and two edge lines that show only while
// the mouse is over the button (raised) or pressing it (sunken). Geometry is in twips.
#pragma once

#include <QImage>
#include <QRectF>
#include <QString>

#include "ControlBase.h"

class Cmd1 : public ControlBase {
    Q_OBJECT
    Q_PROPERTY(OleColor BackColor READ BackColor WRITE setBackColor)
    Q_PROPERTY(OleColor ForeColor READ ForeColor WRITE setForeColor)
    Q_PROPERTY(int BorderStyle READ BorderStyle WRITE setBorderStyle)
    Q_PROPERTY(int BackStyle READ BackStyle WRITE setBackStyle)
    Q_PROPERTY(QString ToolTipText READ ToolTipText WRITE setToolTipText)
    Q_PROPERTY(bool WordWrap READ WordWrap WRITE setWordWrap)
    Q_PROPERTY(OleColor HighColor1 READ HighColor1 WRITE setHighColor1)
    Q_PROPERTY(OleColor HighColor2 READ HighColor2 WRITE setHighColor2)
    Q_PROPERTY(OleColor Color1 READ Color1 WRITE setColor1)
    Q_PROPERTY(OleColor Color2 READ Color2 WRITE setColor2)
    Q_PROPERTY(QImage Picture READ Picture WRITE setPicture)
    Q_PROPERTY(int PicSize READ PicSize WRITE setPicSize)
    Q_PROPERTY(int PicAlign READ PicAlign WRITE setPicAlign)
    Q_PROPERTY(int PicHeight READ PicHeight WRITE setPicHeight)
    Q_PROPERTY(int PicWidth READ PicWidth WRITE setPicWidth)
    Q_PROPERTY(QString Caption READ Caption WRITE setCaption NOTIFY CaptionChanged)
    Q_PROPERTY(int TextAlign READ TextAlign WRITE setTextAlign)
    Q_PROPERTY(int PicDistToEdge READ PicDistToEdge WRITE setPicDistToEdge)
    Q_PROPERTY(int TextDistToEdge READ TextDistToEdge WRITE setTextDistToEdge)
    Q_PROPERTY(int TextWidth READ TextWidth WRITE setTextWidth)
    Q_PROPERTY(bool TextSetWH READ TextSetWH WRITE setTextSetWH)
  public:
    explicit Cmd1(QWidget* parent = nullptr);

    void Refresh() { update(); }
    // Raises Click, as Enter or space on the focused button does.
    void Press() { emit Click(); }

    OleColor BackColor() const { return backColor_; }
    void setBackColor(OleColor value);
    OleColor ForeColor() const { return foreColor_; }
    void setForeColor(OleColor value);
    // Stored and restored only.
    int BorderStyle() const { return borderStyle_; }
    void setBorderStyle(int value);
    int BackStyle() const { return backStyle_; }
    void setBackStyle(int value);
    QString ToolTipText() const { return toolTipText_; }
    void setToolTipText(const QString& value);
    bool WordWrap() const { return wordWrap_; }
    void setWordWrap(bool value);
    OleColor HighColor1() const { return highColor1_; }
    void setHighColor1(OleColor value);
    OleColor HighColor2() const { return highColor2_; }
    void setHighColor2(OleColor value);
    OleColor Color1() const { return color1_; }
    void setColor1(OleColor value);
    OleColor Color2() const { return color2_; }
    void setColor2(OleColor value);
    QImage Picture() const { return picture_; }
    void setPicture(const QImage& value);
    int PicSize() const { return picSize_; }
    void setPicSize(int value);
    int PicAlign() const { return picAlign_; }
    void setPicAlign(int value);
    int PicHeight() const { return picHeight_; }
    void setPicHeight(int value);
    int PicWidth() const { return picWidth_; }
    void setPicWidth(int value);
    QString Caption() const { return caption_; }
    void setCaption(const QString& value);
    int TextAlign() const { return textAlign_; }
    void setTextAlign(int value);
    int PicDistToEdge() const { return picDistToEdge_; }
    void setPicDistToEdge(int value);
    int TextDistToEdge() const { return textDistToEdge_; }
    void setTextDistToEdge(int value);
    int TextWidth() const { return textWidth_; }
    void setTextWidth(int value);
    bool TextSetWH() const { return textSetWH_; }
    void setTextSetWH(bool value);

    // The elements as laid out, in twips. The pressed look shifts caption and picture.
    QRectF CaptionRect() const;
    QRectF PictureRect() const;
    // The engraved copy of the caption, shown while disabled; empty otherwise.
    QRectF DisabledCopyRect() const;
    // Current colours of the light (top, left) and dark (bottom, right) edges.
    OleColor LightEdgeColor() const;
    OleColor DarkEdgeColor() const;
    bool IsHovered() const { return hovered_; }
    bool IsPressed() const { return pressed_; }
    // The hover and pressed looks show the focus; focus from the keyboard shows it always.
    bool ShowsFocusRect() const {
        return (focused_ && (hovered_ || pressed_)) || HasKeyboardFocus();
    }

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
    void changeEvent(QEvent* event) override;
    bool event(QEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

  private:
    void Changed(const QString& key);
    void LayOut();
    QSizeF CaptionSize(double width) const;
    void PlaceCaption(QSizeF size);
    QSizeF PictureSize() const;
    void ShowHover();
    void HideHover();

    OleColor backColor_ = SysColor::kButtonFace;
    OleColor foreColor_ = SysColor::kButtonText;
    int borderStyle_ = 0;
    int backStyle_ = 0;
    QString toolTipText_;
    bool wordWrap_ = true;
    OleColor highColor1_ = SysColor::kButtonHighlight;
    OleColor highColor2_ = SysColor::kButtonShadow;
    OleColor color1_ = SysColor::kButtonFace;
    OleColor color2_ = SysColor::kButtonFace;
    QImage picture_;
    int picSize_ = 32;
    int picAlign_ = 8;
    int picHeight_ = 320;
    int picWidth_ = 320;
    QString caption_ = QStringLiteral("Command");
    int textAlign_ = 8;
    int picDistToEdge_ = 40;
    int textDistToEdge_ = 40;
    int textWidth_ = 1000;
    bool textSetWH_ = false;

    bool hovered_ = false;
    bool pressed_ = false;
    bool focused_ = false;
    bool arranged_ = false;
    // The hover look follows the mouse from its first move over the button until it leaves.
    bool tracking_ = false;
    QRectF captionRect_;
    QRectF pictureRect_;
};
