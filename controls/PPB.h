// PPB: the progress bar. It keeps no value: every ValueChange resizes the fill area and
// rewrites the label, and a layout (creation, resize, Redraw) shows a full bar again.
#pragma once

#include "ControlBase.h"

class PPB : public ControlBase {
    Q_OBJECT
    Q_PROPERTY(bool IsPercent READ IsPercent WRITE setIsPercent NOTIFY SettingsChanged)
    Q_PROPERTY(QImage Image READ Image WRITE setImage NOTIFY SettingsChanged)
    Q_PROPERTY(QImage Picture READ Picture WRITE setPicture NOTIFY SettingsChanged)
  public:
    explicit PPB(QWidget* parent = nullptr);

    // Lays the fill area, fill image, label and border out again.
    void Redraw();
    // Shows a percentage; the value is rounded to a whole number and ignored outside 0 to 100.
    void ValueChange(double Value);
    void SetCustomCaption(const QString& sCaption);
    // Lays out and repaints, as Redraw does.
    void Refresh() { Redraw(); }

    bool IsPercent() const { return isPercent_; }
    void setIsPercent(bool value);
    CONTROL_SETTING(bool, UseCustomCaption, useCustomCaption_)
    CONTROL_SETTING(int, MousePointer, mousePointer_)
    CONTROL_SETTING(QImage, MouseIcon, mouseIcon_)
    // Image and Picture are two names of the fill image.
    QImage Image() const { return fillImage_; }
    void setImage(const QImage& value) { SetFillImage(value, QStringLiteral("Image")); }
    QImage Picture() const { return fillImage_; }
    void setPicture(const QImage& value) { SetFillImage(value, QStringLiteral("Picture")); }
    CONTROL_SETTING(QString, ToolTipText, toolTipText_)
    CONTROL_SETTING(OleColor, BackColor, backColor_)
    CONTROL_SETTING(ControlBase::BackFill, BackStyle, backStyle_)
    CONTROL_SETTING(OleColor, BorderColor, borderColor_)
    CONTROL_SETTING(bool, ShowLabel, showLabel_)
    CONTROL_SETTING(bool, ShowBorder, showBorder_)

    static const PropertyTable<PPB>& Properties();

    // The elements as laid out, in twips: the fill area within the control, the label centred
    // in the fill area, and the size the fill image is stretched to.
    QRectF FillArea() const { return QRectF(fillLeft_, fillTop_, fillWidth_, fillHeight_); }
    QRectF LabelRect() const;
    QSizeF FillImageSize() const { return imageSize_; }
    QString LabelText() const { return labelText_; }
    // The percentage the fill area shows now, read back from its width: 100 after a layout.
    int ShownPercent() const;

    // A full bar's label, with the room the border takes from the fill area.
    QSize minimumSizeHint() const override { return TextRoom(QStringLiteral("100%"), 30); }

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
    QSizeF LabelSize() const;
    bool OnOwnSurface(const QPointF& pixelPoint) const;
    void ApplyPointer() { ShowPointer(this, mousePointer_, mouseIcon_); }
    void SetFillImage(const QImage& value, const QString& key);

    bool isPercent_ = true;
    bool useCustomCaption_ = false;
    int mousePointer_ = 0;
    QImage mouseIcon_;
    QImage fillImage_;
    QString toolTipText_;
    OleColor backColor_ = SysColor::kButtonFace;
    BackFill backStyle_ = BackFill::Opaque;
    OleColor borderColor_ = SysColor::kWindowText;
    bool showLabel_ = true;
    bool showBorder_ = true;

    // Layout in twips.
    double fillLeft_ = 0;
    double fillTop_ = 0;
    qint16 fillWidth_ = 0;
    double fillHeight_ = 0;
    QSizeF imageSize_;
    QString labelText_ = QStringLiteral("100%");
    bool pressedOnSurface_ = false;
};
