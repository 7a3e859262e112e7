// Renders every control in its idle, hover, pressed, checked, keyboard-focused and disabled
// looks to PNG files under the build folder, for a person to open and judge. The progress bar
// takes no focus, so it has no focused look.
#include <gtest/gtest.h>

#include <QDir>
#include <QPainter>
#include <QTest>

#include "Chk1.h"
#include "Cmd1.h"
#include "McToolBar.h"
#include "PPB.h"
#include "Txt.h"
#include "control_test_support.h"

namespace {

QString LooksDir() {
    QDir().mkpath(QStringLiteral(DRAVELO_LOOKS_DIR));
    return QStringLiteral(DRAVELO_LOOKS_DIR);
}

// Saves the widget's look and checks the file holds a picture of it.
void Render(QWidget& widget, const QString& name) {
    QApplication::processEvents();
    const QImage look = widget.grab().toImage();
    ASSERT_FALSE(look.isNull());
    const QString path = LooksDir() + QLatin1Char('/') + name + QStringLiteral(".png");
    ASSERT_TRUE(look.save(path)) << path.toStdString();
    EXPECT_EQ(QImage(path).size(), look.size());
}

QImage Icon(const QColor& colour) {
    QImage icon(16, 16, QImage::Format_ARGB32);
    icon.fill(Qt::transparent);
    QPainter painter(&icon);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(colour);
    painter.setPen(Qt::black);
    painter.drawEllipse(QRect(1, 1, 13, 13));
    return icon;
}

}  // namespace

TEST(ControlLooks, ProgressBar) {
    PPB bar;
    ShowAndWait(bar);
    Render(bar, "ppb_idle");
    bar.ValueChange(42);
    Render(bar, "ppb_42");
    bar.setShowBorder(false);
    bar.setBorderColor(0x00FF8080);
    bar.setBackColor(0x00FF8080);
    bar.ValueChange(70);
    Render(bar, "ppb_main_window_70");
    bar.setEnabled(false);
    Render(bar, "ppb_disabled");
}

TEST(ControlLooks, Toolbar) {
    for (int style = 0; style <= 2; ++style) {
        McToolBar bar;
        bar.setButtonsStyle(style);
        bar.setButton_Count(3);
        const QStringList captions{"Datei", "Bearbeiten", "Hilfe"};
        for (int i = 0; i < 3; ++i) {
            bar.setButton_Index(i);
            bar.setButtonCaption(captions[i]);
            bar.setButtonIcon(Icon(QColor::fromHsv(i * 100, 200, 230)));
            bar.setButtonToolTip("Tip " + captions[i]);
        }
        bar.setButton_Index(-1);
        bar.setHoverColor(0x00FFC080);
        ShowAndWait(bar);
        const QString prefix = QStringLiteral("toolbar_style%1_").arg(style);
        Render(bar, prefix + "idle");
        MoveMouse(&bar, QPoint(bar.GetButtonLeft(1) + 20, 20));
        Render(bar, prefix + "hover");
        QTest::mousePress(&bar, Qt::LeftButton, {}, QPoint(bar.GetButtonLeft(1) + 20, 20));
        Render(bar, prefix + "pressed");
        QTest::mouseRelease(&bar, Qt::LeftButton, {}, QPoint(bar.GetButtonLeft(1) + 20, 20));
        SendLeave(bar);
        ASSERT_TRUE(ShowActive(bar));
        bar.clearFocus();  // the mouse press gave it the focus
        bar.setFocus(Qt::TabFocusReason);
        QTest::keyClick(&bar, Qt::Key_Right);
        QTest::keyClick(&bar, Qt::Key_Right);
        Render(bar, prefix + "keyboard_focused");
        bar.HighlightButton(0);
        Render(bar, prefix + "checked");
        bar.setButton_Index(2);
        bar.setButtonEnabled(false);
        Render(bar, prefix + "button_disabled");
        bar.setEnabled(false);
        Render(bar, prefix + "disabled");
    }

    McToolBar menu;
    menu.setBackColor(RGB(255, 255, 255));
    menu.setButton_Count(3);
    menu.setAutoSizeButtons(true);
    menu.setButtonsHeight(20);
    menu.setButtonsStyle(2);
    menu.setAlign(1);
    const QStringList captions{"Datei", "Bearbeiten", "Hilfe"};
    for (int i = 0; i < 3; ++i) {
        menu.setButton_Index(i);
        menu.setButtonCaption(captions[i]);
    }
    menu.resize(400, 20);
    ShowAndWait(menu);
    MoveMouse(&menu, QPoint(menu.GetButtonLeft(1) + 5, 5));
    Render(menu, "toolbar_main_menu_hover");

    McToolBar gradient;
    gradient.setBackGradient(3);
    gradient.setBorderStyle(1);
    gradient.setAppearance(1);
    ShowAndWait(gradient);
    Render(gradient, "toolbar_gradient_frame");
}

TEST(ControlLooks, CommandButton) {
    QWidget face;
    face.resize(140, 60);
    auto* button = new Cmd1(&face);
    button->setCaption("Start Single");
    button->setGeometry(10, 10, 120, 40);
    ShowAndWait(face);
    Render(*button, "cmd_idle");
    MoveMouse(button, QPoint(60, 20));
    Render(*button, "cmd_hover");
    QTest::mousePress(button, Qt::LeftButton, {}, QPoint(60, 20));
    Render(*button, "cmd_pressed");
    QTest::mouseRelease(button, Qt::LeftButton, {}, QPoint(60, 20));
    SendLeave(*button);
    ASSERT_TRUE(ShowActive(face));
    button->clearFocus();  // the mouse press gave it the focus
    button->setFocus(Qt::TabFocusReason);
    Render(*button, "cmd_keyboard_focused");
    button->setEnabled(false);
    Render(*button, "cmd_disabled");
    button->setEnabled(true);
    button->setCaption("Werte automatisch berechnen");
    button->setPicture(Icon(Qt::yellow));
    button->setPicSize(3);
    button->setPicAlign(6);
    button->setTextAlign(7);
    button->resize(120, 56);
    Render(*button, "cmd_picture_wrapped");
}

TEST(ControlLooks, CheckBox) {
    QWidget face;
    face.resize(260, 30);
    auto* box = new Chk1(&face);
    box->setCaption("Protokolldatei schreiben");
    box->setGeometry(5, 3, 250, 24);
    box->setHighColor(0x00C00000);
    box->setAnim_Duration(0);
    ShowAndWait(face);
    Render(*box, "chk_idle");
    MoveMouse(box, QPoint(5, 10));
    Render(*box, "chk_hover");
    QTest::mousePress(box, Qt::LeftButton, {}, QPoint(5, 10));
    Render(*box, "chk_pressed_checked_cross");
    SendLeave(*box);
    Render(*box, "chk_checked_cross");
    box->setStyle(2);
    Render(*box, "chk_checked_tick");
    ASSERT_TRUE(ShowActive(face));
    box->clearFocus();  // the mouse press gave it the focus
    box->setFocus(Qt::TabFocusReason);
    Render(*box, "chk_keyboard_focused");
    box->setEnabled(false);
    Render(*box, "chk_disabled");
    box->setEnabled(true);
    box->setAnim_Duration(2);
    box->setAnim_Speed(1);
    QTest::mousePress(box, Qt::LeftButton, {}, QPoint(5, 10));
    Render(*box, "chk_animating");
}

TEST(ControlLooks, TextBox) {
    QWidget face;
    face.resize(120, 40);
    auto* box = new Txt(&face);
    box->setGeometry(10, 10, 100, 22);
    box->setText("100");
    ShowAndWait(face);
    Render(*box, "txt_idle");
    MoveMouse(box, QPoint(2, 2));
    Render(*box, "txt_hover");
    SendLeave(*box);
    ASSERT_TRUE(ShowActive(face));
    box->setFocus(Qt::TabFocusReason);
    Render(*box, "txt_keyboard_focused");
    box->setEnabled(false);
    Render(*box, "txt_disabled");
    box->setEnabled(true);
    box->setStyle(1);
    box->setText("zwei\nZeilen");
    box->resize(100, 40);
    Render(*box, "txt_multiline");
}
