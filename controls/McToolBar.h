// McToolBar: an owner-drawn grid of buttons used as the main window's menu bar. It tracks the
// button under the mouse (Button_Index), paints it highlighted, shows a tooltip after the mouse
// has rested, and reports clicks with the button's index. Button geometry is in pixels.
#pragma once

#include <QTimer>
#include <algorithm>
#include <memory>
#include <vector>

#include "BalloonTip.h"
#include "ControlBase.h"

class McToolBarPainter;

struct ToolBarButton {
    Q_GADGET
  public:
    // The icon of the tooltip's title; any other stored number is kept and shows none.
    enum class TipIcon { None = 0, Information = 1, Warning = 2, Error = 3 };
    Q_ENUM(TipIcon)
    // Where the picture sits against the caption; any other stored number is kept and sits
    // above it.
    enum class PicturePlace { Above = 0, Below = 1, Left = 2, Right = 3 };
    Q_ENUM(PicturePlace)

    QString Caption;
    QImage Picture;
    bool Enabled = true;
    QString ToolTipText;
    TipIcon ToolTipIcon = TipIcon::None;
    bool Pressed = false;
    PicturePlace IconAllignment = PicturePlace::Above;
    // The rectangle from the last repaint, in pixels.
    int Width = 0;
    int Height = 0;
    int Top = 0;
    int Left = 0;
};

// A setting of the button at Button_Index, kept in `field` of its record.
#define TOOLBAR_BUTTON_SETTING(Type, Name, field)                          \
    Q_PROPERTY(Type Name READ Name WRITE set##Name NOTIFY SettingsChanged) \
  public:                                                                  \
    Type Name() const {                                                    \
        return FieldOf(buttonIndex_, &ToolBarButton::field);               \
    }                                                                      \
    void set##Name(const Type& value) {                                    \
        SetButtonField(&ToolBarButton::field, value);                      \
    }

class McToolBar : public ControlBase {
    Q_OBJECT
    Q_PROPERTY(int Button_Count READ Button_Count WRITE setButton_Count NOTIFY SettingsChanged)
    Q_PROPERTY(int Button_Index READ Button_Index WRITE setButton_Index NOTIFY SettingsChanged)
  public:
    explicit McToolBar(QWidget* parent = nullptr);
    ~McToolBar() override;

    // Lays the buttons out again and repaints.
    void RedrawControl();
    void HighlightButton(int lIndex) { SetPressed(lIndex, true); }
    void UnHighlightButton(int lIndex) { SetPressed(lIndex, false); }
    // The button's rectangle from the last repaint; 0 for an index outside the buttons.
    int GetButtonWidth(int iIndex) const { return FieldOf(iIndex, &ToolBarButton::Width); }
    int GetButtonHeight(int iIndex) const { return FieldOf(iIndex, &ToolBarButton::Height); }
    int GetButtonTop(int iIndex) const { return FieldOf(iIndex, &ToolBarButton::Top); }
    int GetButtonLeft(int iIndex) const { return FieldOf(iIndex, &ToolBarButton::Left); }

    // Greedy word wrap measured with the control's font; every line at most about lLength
    // pixels wide where the words allow it. Lines break between whole characters only.
    QStringList SplitToLines(const QString& sText, int lLength, bool bFilterLines) const;
    // False only for the letters A to Z, a to z and the underscore.
    static bool IsDelim(QChar Char);
    // Fills the rectangle with the picture repeated, starting at X1, Y1; false without a picture.
    static bool TileBitmap(const QImage& Picture, QPainter& painter, int X1, int Y1, int X2,
                           int Y2);

    // The frame's look with a single border; any other stored number is kept and draws flat.
    enum class FrameLook { Flat = 0, ThreeD = 1 };
    Q_ENUM(FrameLook)
    CONTROL_SETTING(McToolBar::FrameLook, Appearance, appearance_)
    void setAppearance(int value) { setAppearance(static_cast<FrameLook>(value)); }
    CONTROL_SETTING(OleColor, BackColor, backColor_)
    // A frame round the control; any other stored number is kept, draws none and still insets
    // the buttons as a border does.
    enum class Border { None = 0, Single = 1 };
    Q_ENUM(Border)
    CONTROL_SETTING(McToolBar::Border, BorderStyle, borderStyle_)
    void setBorderStyle(int value) { setBorderStyle(static_cast<Border>(value)); }
    CONTROL_SETTING(OleColor, ForeColor, foreColor_)
    CONTROL_SETTING(int, ButtonsHeight, buttonsHeight_)
    CONTROL_SETTING(int, ButtonsPerRow, buttonsPerRow_)
    CONTROL_SETTING(int, ButtonsWidth, buttonsWidth_)
    CONTROL_SETTING(bool, AutoSize, autoSize_)
    CONTROL_SETTING(bool, AutoSizeButtons, autoSizeButtons_)
    CONTROL_SETTING(QImage, BackGround, backGround_)
    int Button_Count() const { return static_cast<int>(buttons_.size()); }
    void setButton_Count(int value);
    int Button_Index() const { return buttonIndex_; }
    void setButton_Index(int value);
    CONTROL_SETTING(OleColor, HoverColor, hoverColor_)
    CONTROL_SETTING(bool, WarpSize, warpSize_)
    CONTROL_SETTING(OleColor, ToolTipBackCol, toolTipBackCol_)
    CONTROL_SETTING(OleColor, ToolTipForeCol, toolTipForeCol_)
    CONTROL_SETTING(int, TooTipStyle, tooTipStyle_)
    // The background's gradient from BackColor to BackGradientCol; any other stored number is
    // kept and runs along the diagonal.
    enum class Gradient { None = 0, LeftToRight = 1, TopToBottom = 2, Diagonal = 3 };
    Q_ENUM(Gradient)
    CONTROL_SETTING(McToolBar::Gradient, BackGradient, backGradient_)
    void setBackGradient(int value) { setBackGradient(static_cast<Gradient>(value)); }
    CONTROL_SETTING(OleColor, BackGradientCol, backGradientCol_)
    // Flat: a hovered button is a filled box, the others bare. Raised: the others stand out in
    // a 3-D frame. Blended: a hovered button is a tinted box edge to edge, as in a menu bar.
    // Any other stored number is kept and draws as Flat.
    enum class ButtonLook { Flat = 0, Raised = 1, Blended = 2 };
    Q_ENUM(ButtonLook)
    CONTROL_SETTING(McToolBar::ButtonLook, ButtonsStyle, buttonsStyle_)
    void setButtonsStyle(int value) { setButtonsStyle(static_cast<ButtonLook>(value)); }
    CONTROL_SETTING(OleColor, BorderColor, borderColor_)
    CONTROL_SETTING(bool, HoverIconShadow, hoverIconShadow_)
    // Docking within the container. The container owns it; the toolbar reads it when it sizes
    // itself. Any other number is kept and docks nowhere.
    enum class Dock { None = 0, Top = 1, Bottom = 2, Left = 3, Right = 4 };
    Q_ENUM(Dock)
    Dock Align() const { return align_; }
    void setAlign(Dock value);
    void setAlign(int value) { setAlign(static_cast<Dock>(value)); }

    // Properties of the button at Button_Index; nothing happens while it is -1.
    TOOLBAR_BUTTON_SETTING(QString, ButtonCaption, Caption)
    TOOLBAR_BUTTON_SETTING(QImage, ButtonIcon, Picture)
    TOOLBAR_BUTTON_SETTING(QString, ButtonToolTip, ToolTipText)
    TOOLBAR_BUTTON_SETTING(ToolBarButton::TipIcon, ButtonToolTipIcon, ToolTipIcon)
    void setButtonToolTipIcon(int value) {
        setButtonToolTipIcon(static_cast<ToolBarButton::TipIcon>(value));
    }
    TOOLBAR_BUTTON_SETTING(bool, ButtonEnabled, Enabled)
    TOOLBAR_BUTTON_SETTING(bool, ButtonPressed, Pressed)
    TOOLBAR_BUTTON_SETTING(ToolBarButton::PicturePlace, ButtonIconAllignment, IconAllignment)
    void setButtonIconAllignment(int value) {
        setButtonIconAllignment(static_cast<ToolBarButton::PicturePlace>(value));
    }
    // Writing any value removes the current button; writing n moves it to position n.
    void setButtonRemove(int value);
    void setButtonMoveTo(int value);

    static const PropertyTable<McToolBar>& Properties();
    // The per-button settings, stored under their key followed by the button's index.
    static const PropertyTable<ToolBarButton>& ButtonProperties();

    // A button's caption, tooltip text, enabled and pressed flags by index, without making it
    // the current button; empty or false outside the buttons.
    QString CaptionOf(int index) const { return FieldOf(index, &ToolBarButton::Caption); }
    QString ToolTipOf(int index) const { return FieldOf(index, &ToolBarButton::ToolTipText); }
    bool IsButtonEnabled(int index) const { return FieldOf(index, &ToolBarButton::Enabled); }
    bool IsButtonPressed(int index) const { return FieldOf(index, &ToolBarButton::Pressed); }
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
    // One cell of the grid.
    QSize minimumSizeHint() const override {
        return QSize(std::max(0, buttonsWidth_), std::max(0, buttonsHeight_));
    }

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
    void focusOutEvent(QFocusEvent* event) override;

  private:
    // Paints from the buttons and the grid the bar has laid out.
    friend class McToolBarPainter;

    ToolBarButton* Current();
    const ToolBarButton* Current() const;
    const ToolBarButton* At(int index) const;
    static ToolBarButton NewButton(int index);
    // A field of the button at `index`, or nothing (empty, 0, false) outside the buttons.
    template <class T>
    T FieldOf(int index, T ToolBarButton::*field) const {
        return At(index) ? At(index)->*field : T();
    }
    // Stores a setting of the current button: marks its key, repaints and notifies.
    template <class T>
    void SetButtonField(T ToolBarButton::*field, const T& value) {
        ToolBarButton* button = Current();
        if (!button) return;
        const bool differs = !(button->*field == value);
        button->*field = value;
        StoredButtonSetting(&(button->*field), differs);
    }
    void StoredButtonSetting(const void* field, bool differs);
    void ButtonListChanged(const QString& key);
    // Repaints and, with `notify`, tells that a setting may hold a new value; false when a
    // handler deleted the bar.
    bool RedrawAndNotify(bool notify = true);
    void SetPressed(int index, bool pressed);
    // Stored as it is read; the buttons are made at once, up to kMostButtonCount.
    qint64 StoredButtonCount() const { return Button_Count(); }
    void LoadButtonCount(qint64 count);

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
    void ShowToolTip();
    void DestroyToolTip();

    std::vector<ToolBarButton> buttons_;
    FrameLook appearance_ = FrameLook::Flat;
    OleColor backColor_ = SysColor::kButtonFace;
    Border borderStyle_ = Border::None;
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
    Gradient backGradient_ = Gradient::None;
    OleColor backGradientCol_ = 0x00C0C0FF;
    ButtonLook buttonsStyle_ = ButtonLook::Flat;
    OleColor borderColor_ = SysColor::kActiveBorder;
    bool hoverIconShadow_ = true;
    Dock align_ = Dock::None;

    bool mouseDown_ = false;
    bool mouseInside_ = false;
    QPointF lastMousePos_{-1, -1};
    QTimer restTimer_;
    QPointer<BalloonTip> toolTip_;
    int rows_ = 1;
    double cellWidth_ = 0;
    double cellHeight_ = 0;
    bool layingOut_ = false;
    std::unique_ptr<McToolBarPainter> painter_;
};
