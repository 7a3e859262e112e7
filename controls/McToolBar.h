// McToolBar: an owner-drawn grid of buttons used as the main window's menu bar. It tracks the
// button under the mouse (Button_Index), paints it highlighted, shows a tooltip after the mouse
// has rested, and reports clicks with the button's index. Button geometry is in pixels.
#pragma once

#include <QFont>
#include <QImage>
#include <QPointF>
#include <QPointer>
#include <QStringList>
#include <QTimer>
#include <algorithm>
#include <memory>
#include <vector>

#include "BalloonTip.h"
#include "ControlBase.h"

class McToolBarPainter;
class QPainter;

struct ToolBarButton {
    QString Caption;
    QImage Picture;
    bool Enabled = true;
    QString ToolTipText;
    int ToolTipIcon = 0;
    bool Pressed = false;
    int IconAllignment = 0;
    // The rectangle from the last repaint, in pixels.
    int Width = 0;
    int Height = 0;
    int Top = 0;
    int Left = 0;
};

class McToolBar : public ControlBase {
    Q_OBJECT
    Q_PROPERTY(int Appearance READ Appearance WRITE setAppearance)
    Q_PROPERTY(OleColor BackColor READ BackColor WRITE setBackColor)
    Q_PROPERTY(int BorderStyle READ BorderStyle WRITE setBorderStyle)
    Q_PROPERTY(OleColor ForeColor READ ForeColor WRITE setForeColor)
    Q_PROPERTY(QImage ButtonIcon READ ButtonIcon WRITE setButtonIcon)
    Q_PROPERTY(int ButtonsHeight READ ButtonsHeight WRITE setButtonsHeight)
    Q_PROPERTY(int ButtonsPerRow READ ButtonsPerRow WRITE setButtonsPerRow)
    Q_PROPERTY(int ButtonsWidth READ ButtonsWidth WRITE setButtonsWidth)
    Q_PROPERTY(bool AutoSize READ AutoSize WRITE setAutoSize)
    Q_PROPERTY(bool AutoSizeButtons READ AutoSizeButtons WRITE setAutoSizeButtons)
    Q_PROPERTY(QString ButtonCaption READ ButtonCaption WRITE setButtonCaption)
    Q_PROPERTY(QImage BackGround READ BackGround WRITE setBackGround)
    Q_PROPERTY(int Button_Count READ Button_Count WRITE setButton_Count)
    Q_PROPERTY(int Button_Index READ Button_Index WRITE setButton_Index)
    Q_PROPERTY(OleColor HoverColor READ HoverColor WRITE setHoverColor)
    Q_PROPERTY(bool WarpSize READ WarpSize WRITE setWarpSize)
    Q_PROPERTY(QString ButtonToolTip READ ButtonToolTip WRITE setButtonToolTip)
    Q_PROPERTY(OleColor ToolTipBackCol READ ToolTipBackCol WRITE setToolTipBackCol)
    Q_PROPERTY(OleColor ToolTipForeCol READ ToolTipForeCol WRITE setToolTipForeCol)
    Q_PROPERTY(int TooTipStyle READ TooTipStyle WRITE setTooTipStyle)
    Q_PROPERTY(int ButtonToolTipIcon READ ButtonToolTipIcon WRITE setButtonToolTipIcon)
    Q_PROPERTY(int BackGradient READ BackGradient WRITE setBackGradient)
    Q_PROPERTY(OleColor BackGradientCol READ BackGradientCol WRITE setBackGradientCol)
    Q_PROPERTY(int ButtonsStyle READ ButtonsStyle WRITE setButtonsStyle)
    Q_PROPERTY(bool ButtonEnabled READ ButtonEnabled WRITE setButtonEnabled)
    Q_PROPERTY(OleColor BorderColor READ BorderColor WRITE setBorderColor)
    Q_PROPERTY(bool HoverIconShadow READ HoverIconShadow WRITE setHoverIconShadow)
    Q_PROPERTY(bool ButtonPressed READ ButtonPressed WRITE setButtonPressed)
    Q_PROPERTY(int ButtonIconAllignment READ ButtonIconAllignment WRITE setButtonIconAllignment)
  public:
    explicit McToolBar(QWidget* parent = nullptr);
    ~McToolBar() override;

    // Lays the buttons out again and repaints.
    void RedrawControl();
    void HighlightButton(int lIndex);
    void UnHighlightButton(int lIndex);
    // The button's rectangle from the last repaint; 0 for an index outside the buttons.
    int GetButtonWidth(int iIndex) const;
    int GetButtonHeight(int iIndex) const;
    int GetButtonTop(int iIndex) const;
    int GetButtonLeft(int iIndex) const;

    // Greedy word wrap measured with the control's font; every line at most about lLength
    // pixels wide where the words allow it. Lines break between whole characters only.
    QStringList SplitToLines(const QString& sText, int lLength, bool bFilterLines) const;
    // False only for the letters A to Z, a to z and the underscore.
    static bool IsDelim(QChar Char);
    // Fills the rectangle with the picture repeated, starting at X1, Y1; false without a picture.
    static bool TileBitmap(const QImage& Picture, QPainter& painter, int X1, int Y1, int X2,
                           int Y2);

    int Appearance() const { return appearance_; }
    void setAppearance(int value);
    OleColor BackColor() const { return backColor_; }
    void setBackColor(OleColor value);
    int BorderStyle() const { return borderStyle_; }
    void setBorderStyle(int value);
    OleColor ForeColor() const { return foreColor_; }
    void setForeColor(OleColor value);
    int ButtonsHeight() const { return buttonsHeight_; }
    void setButtonsHeight(int value);
    int ButtonsPerRow() const { return buttonsPerRow_; }
    void setButtonsPerRow(int value);
    int ButtonsWidth() const { return buttonsWidth_; }
    void setButtonsWidth(int value);
    bool AutoSize() const { return autoSize_; }
    void setAutoSize(bool value);
    bool AutoSizeButtons() const { return autoSizeButtons_; }
    void setAutoSizeButtons(bool value);
    QImage BackGround() const { return backGround_; }
    void setBackGround(const QImage& value);
    int Button_Count() const { return static_cast<int>(buttons_.size()); }
    void setButton_Count(int value);
    int Button_Index() const { return buttonIndex_; }
    void setButton_Index(int value);
    OleColor HoverColor() const { return hoverColor_; }
    void setHoverColor(OleColor value);
    bool WarpSize() const { return warpSize_; }
    void setWarpSize(bool value);
    OleColor ToolTipBackCol() const { return toolTipBackCol_; }
    void setToolTipBackCol(OleColor value);
    OleColor ToolTipForeCol() const { return toolTipForeCol_; }
    void setToolTipForeCol(OleColor value);
    int TooTipStyle() const { return tooTipStyle_; }
    void setTooTipStyle(int value);
    int BackGradient() const { return backGradient_; }
    void setBackGradient(int value);
    OleColor BackGradientCol() const { return backGradientCol_; }
    void setBackGradientCol(OleColor value);
    int ButtonsStyle() const { return buttonsStyle_; }
    void setButtonsStyle(int value);
    OleColor BorderColor() const { return borderColor_; }
    void setBorderColor(OleColor value);
    bool HoverIconShadow() const { return hoverIconShadow_; }
    void setHoverIconShadow(bool value);
    // Docking within the container: 0 none, 1 top, 2 bottom, 3 left, 4 right. The container
    // owns it; the toolbar reads it when it sizes itself.
    int Align() const { return align_; }
    void setAlign(int value);

    // Properties of the button at Button_Index; nothing happens while it is -1.
    QString ButtonCaption() const;
    void setButtonCaption(const QString& value);
    QImage ButtonIcon() const;
    void setButtonIcon(const QImage& value);
    QString ButtonToolTip() const;
    void setButtonToolTip(const QString& value);
    int ButtonToolTipIcon() const;
    void setButtonToolTipIcon(int value);
    bool ButtonEnabled() const;
    void setButtonEnabled(bool value);
    bool ButtonPressed() const;
    void setButtonPressed(bool value);
    int ButtonIconAllignment() const;
    void setButtonIconAllignment(int value);
    // Writing any value removes the current button; writing n moves it to position n.
    void setButtonRemove(int value);
    void setButtonMoveTo(int value);

    // A button's caption, tooltip text, enabled and pressed flags by index, without making it
    // the current button; empty or false outside the buttons.
    QString CaptionOf(int index) const;
    QString ToolTipOf(int index) const;
    bool IsButtonEnabled(int index) const;
    bool IsButtonPressed(int index) const;
    // The button is drawn down: its Pressed flag, or the mouse or a key holds it.
    bool ButtonLooksPressed(int index) const;
    // Makes an enabled button the current one and raises Click for it, as its keys do.
    void ClickButton(int index);

    // The most buttons a bar holds; a larger count, stored or set, is cut to it, so that no
    // stored layout costs gigabytes or seconds.
    static constexpr int kMostButtonCount = 1000;

    // The tooltip shown now, or null.
    BalloonTip* ToolTipWindow() const { return toolTip_; }

    void ReadProperties(const PropertyBag& bag) override;
    void WriteProperties(PropertyBag& bag) const override;
    // The grid's size: ButtonsPerRow cells across, one row of cells per row of buttons.
    QSize sizeHint() const override;

  signals:
    void MouseEnter();
    void MouseLeave();
    void Click(int vButton_Index);
    void DblClick(int vButton_Index);
    void OnRedrawing(int vButton_Index);
    void OnButtonHover(int vButton_Index);
    void KeyDown(int KeyCode, int Shift, int vButton_Index);
    void KeyUp(int KeyCode, int Shift, int vButton_Index);
    void MouseUp(int Button, int Shift, float X, float Y, int vButton_Index);
    void MouseDown(int Button, int Shift, float X, float Y, int vButton_Index);
    void MouseMove(int Button, int Shift, float X, float Y, int vButton_Index);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

  private:
    // Paints from the buttons and the grid the bar has laid out.
    friend class McToolBarPainter;

    ToolBarButton* Current();
    const ToolBarButton* Current() const;
    const ToolBarButton* At(int index) const;
    // Stores a changed setting: marks the key and repaints.
    void Changed(const QString& key);
    static ToolBarButton NewButton(int index);

    // Geometry (pixels).
    void LayOutButtons();
    void SizeCells();
    bool WarpToGrid();
    void PlaceButtons();
    int ContentWidth(const ToolBarButton& button) const;
    int HitTest(const QPointF& point);
    // Buttons in one row of the grid, never below 1 where it divides.
    int PerRow() const { return std::max(1, buttonsPerRow_); }

    // Keyboard: the next enabled button in `step`'s direction becomes the current one.
    void MoveCurrent(int step);
    void SetHoverIndex(int index);

    // Mouse rest and tooltip.
    void OnTooltipTick();
    void ShowToolTip();
    void DestroyToolTip();

    std::vector<ToolBarButton> buttons_;
    int appearance_ = 0;
    OleColor backColor_ = SysColor::kButtonFace;
    int borderStyle_ = 0;
    OleColor foreColor_ = 0;
    int buttonsHeight_ = 40;
    int buttonsPerRow_ = 3;
    int buttonsWidth_ = 90;
    bool autoSize_ = true;
    bool autoSizeButtons_ = false;
    QImage backGround_;
    int buttonIndex_ = 0;
    OleColor hoverColor_ = SysColor::kButtonFace;
    bool warpSize_ = true;
    OleColor toolTipBackCol_ = RGB(253, 253, 230);
    OleColor toolTipForeCol_ = 0;
    int tooTipStyle_ = 0;
    int backGradient_ = 0;
    OleColor backGradientCol_ = 0x00C0C0FF;
    int buttonsStyle_ = 0;
    OleColor borderColor_ = SysColor::kActiveBorder;
    bool hoverIconShadow_ = true;
    int align_ = 0;

    bool mouseDown_ = false;
    bool mouseInside_ = false;
    QPointF lastMousePos_{-1, -1};
    int restTicks_ = 0;
    QTimer restTimer_;
    QPointer<BalloonTip> toolTip_;
    int rows_ = 1;
    double cellWidth_ = 0;
    double cellHeight_ = 0;
    bool layingOut_ = false;
    std::unique_ptr<McToolBarPainter> painter_;
};
