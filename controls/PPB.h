// PPB: the progress bar. It keeps no value: every ValueChange resizes the fill area and
// rewrites the label, and a layout (creation, resize, Redraw) shows a full bar again.
#pragma once

#include <QFont>
#include <QImage>
#include <QRectF>
#include <QString>

#include "ControlBase.h"

class PPB : public ControlBase {
    Q_OBJECT
    Q_PROPERTY(bool IsPercent READ IsPercent WRITE setIsPercent)
    Q_PROPERTY(int MousePointer READ MousePointer WRITE setMousePointer)
    Q_PROPERTY(QImage MouseIcon READ MouseIcon WRITE setMouseIcon)
    Q_PROPERTY(QImage Image READ Image WRITE setImage)
    Q_PROPERTY(QImage Picture READ Picture WRITE setPicture)
    Q_PROPERTY(QString ToolTipText READ ToolTipText WRITE setToolTipText)
    Q_PROPERTY(OleColor BackColor READ BackColor WRITE setBackColor)
    Q_PROPERTY(int BackStyle READ BackStyle WRITE setBackStyle)
    Q_PROPERTY(OleColor BorderColor READ BorderColor WRITE setBorderColor)
    Q_PROPERTY(bool ShowLabel READ ShowLabel WRITE setShowLabel)
    Q_PROPERTY(bool ShowBorder READ ShowBorder WRITE setShowBorder)
    Q_PROPERTY(bool UseCustomCaption READ UseCustomCaption WRITE setUseCustomCaption)
  public:
    explicit PPB(QWidget* parent = nullptr);

    // Lays the fill area, fill image, label and border out again.
    void Redraw();
    // Shows a percentage; the value is rounded to a whole number and ignored outside 0 to 100.
    void ValueChange(double Value);
    void SetCustomCaption(const QString& sCaption);
    // Repaints, then lays out.
    void Refresh();

    bool IsPercent() const { return isPercent_; }
    void setIsPercent(bool value);
    bool UseCustomCaption() const { return useCustomCaption_; }
    void setUseCustomCaption(bool value);
    int MousePointer() const { return mousePointer_; }
    void setMousePointer(int value);
    QImage MouseIcon() const { return mouseIcon_; }
    void setMouseIcon(const QImage& value);
    // Image and Picture are two names of the fill image.
    QImage Image() const { return fillImage_; }
    void setImage(const QImage& value);
    QImage Picture() const { return fillImage_; }
    void setPicture(const QImage& value);
    QString ToolTipText() const { return toolTipText_; }
    void setToolTipText(const QString& value);
    OleColor BackColor() const { return backColor_; }
    void setBackColor(OleColor value);
    int BackStyle() const { return backStyle_; }
    void setBackStyle(int value);
    OleColor BorderColor() const { return borderColor_; }
    void setBorderColor(OleColor value);
    bool ShowLabel() const { return showLabel_; }
    void setShowLabel(bool value);
    bool ShowBorder() const { return showBorder_; }
    void setShowBorder(bool value);

    // The elements as laid out, in twips: the fill area within the control, the label within
    // the fill area, and the size the fill image is stretched to.
    QRectF FillArea() const { return QRectF(fillLeft_, fillTop_, fillWidth_, fillHeight_); }
    QRectF LabelRect() const;
    QSizeF FillImageSize() const { return imageSize_; }
    QString LabelText() const { return labelText_; }
    // The percentage the fill area shows now, read back from its width: 100 after a layout.
    int ShownPercent() const;

    void ReadProperties(const PropertyBag& bag) override;
    void WriteProperties(PropertyBag& bag) const override;

    // The fill picture of a new bar: a dark-to-violet gradient.
    static QImage DefaultFillImage();

  signals:
    void DblClick();
    void Click();
    // The label's text changed.
    void Change();
    void MouseUp(int Button, int Shift, float X, float Y);
    void MouseMove(int Button, int Shift, float X, float Y);
    void MouseDown(int Button, int Shift, float X, float Y);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool event(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

  private:
    // Raises Change for a new text; false when a Change handler deleted the bar.
    bool SetLabelText(const QString& text);
    void CentreLabel();
    QSizeF LabelSize() const;
    bool OnOwnSurface(const QPointF& pixelPoint) const;
    void ApplyPointer();

    bool isPercent_ = true;
    bool useCustomCaption_ = false;
    int mousePointer_ = 0;
    QImage mouseIcon_;
    QImage fillImage_;
    QString toolTipText_;
    OleColor backColor_ = SysColor::kButtonFace;
    int backStyle_ = 1;
    OleColor borderColor_ = SysColor::kWindowText;
    bool showLabel_ = true;
    bool showBorder_ = true;

    // Layout in twips.
    double fillLeft_ = 0;
    double fillTop_ = 0;
    qint16 fillWidth_ = 0;
    double fillHeight_ = 0;
    QSizeF imageSize_;
    double labelLeft_ = 0;
    double labelTop_ = 0;
    QString labelText_ = QStringLiteral("100%");
    bool pressedOnSurface_ = false;
};
