// Keyboard-only use: focus from the keyboard shows a focus rectangle, the toolbar's arrows pick
// a button drawn with the hover look, and its keys raise Click. No mouse events until the end.
#include <gtest/gtest.h>

#include <QHBoxLayout>
#include <QSignalSpy>
#include <QTest>

#include "Chk1.h"
#include "Cmd1.h"
#include "McToolBar.h"
#include "control_test_support.h"

namespace {

const OleColor kHover = RGB(255, 160, 0);

struct Face {
    QWidget window;
    Cmd1* button = new Cmd1(&window);
    McToolBar* bar = new McToolBar(&window);
    Chk1* box = new Chk1(&window);

    Face() {
        auto* row = new QHBoxLayout(&window);
        row->addWidget(button);
        row->addWidget(bar);
        row->addWidget(box);
        bar->setButton_Count(3);
        const QStringList captions{"Datei", "Bearbeiten", "Hilfe"};
        for (int i = 0; i < 3; ++i) {
            bar->setButton_Index(i);
            bar->setButtonCaption(captions[i]);
        }
        bar->setButton_Index(1);
        bar->setButtonEnabled(false);
        bar->setButton_Index(-1);
        bar->setHoverColor(kHover);
        box->setAnim_Duration(0);
    }
};

bool DrawnHovered(McToolBar& bar, int index) {
    const QImage look = bar.grab().toImage();
    return look.pixelColor(bar.GetButtonLeft(index) + 3, bar.GetButtonTop(index) + 3) ==
           ToQColor(kHover);
}

}  // namespace

TEST(Keyboard, TabFocusShowsTheFocusRectangleAndMouseFocusDoesNot) {
    Face face;
    ASSERT_TRUE(ShowActive(face.window));
    face.button->setFocus(Qt::MouseFocusReason);
    EXPECT_FALSE(face.button->ShowsFocusRect());
    QTest::keyClick(face.button, Qt::Key_Tab);
    ASSERT_TRUE(face.bar->hasFocus());
    EXPECT_TRUE(face.bar->HasKeyboardFocus());
    QTest::keyClick(face.bar, Qt::Key_Tab);
    ASSERT_TRUE(face.box->hasFocus());
    EXPECT_TRUE(face.box->HasKeyboardFocus());
    EXPECT_FALSE(face.bar->HasKeyboardFocus());
    QTest::keyClick(face.box, Qt::Key_Backtab);
    QTest::keyClick(face.bar, Qt::Key_Backtab);
    ASSERT_TRUE(face.button->hasFocus());
    EXPECT_FALSE(face.button->IsHovered());
    EXPECT_TRUE(face.button->ShowsFocusRect());

    QSignalSpy click(face.button, &Cmd1::Click);
    QTest::keyClick(face.button, Qt::Key_Return);
    QTest::keyClick(face.button, Qt::Key_Space);
    EXPECT_EQ(click.count(), 2);

    QSignalSpy toggled(face.box, &Chk1::Click);
    face.box->setFocus(Qt::TabFocusReason);
    QTest::keyClick(face.box, Qt::Key_Space);
    EXPECT_TRUE(face.box->Checked());
    EXPECT_EQ(toggled.count(), 2);
}

TEST(Keyboard, ToolbarArrowsPickAButtonAndItsKeysClickIt) {
    Face face;
    ASSERT_TRUE(ShowActive(face.window));
    face.bar->setFocus(Qt::TabFocusReason);
    QSignalSpy hover(face.bar, &McToolBar::OnButtonHover);
    QSignalSpy click(face.bar, &McToolBar::Click);

    QTest::keyClick(face.bar, Qt::Key_Down);  // no current button: nothing to click
    EXPECT_EQ(click.count(), 0);
    QTest::keyClick(face.bar, Qt::Key_Left);  // the first arrow picks the first button
    EXPECT_EQ(face.bar->Button_Index(), 0);
    EXPECT_TRUE(DrawnHovered(*face.bar, 0));
    QTest::keyClick(face.bar, Qt::Key_Right);  // the disabled button is passed over
    EXPECT_EQ(face.bar->Button_Index(), 2);
    EXPECT_TRUE(DrawnHovered(*face.bar, 2));
    EXPECT_FALSE(DrawnHovered(*face.bar, 0));
    QTest::keyClick(face.bar, Qt::Key_Right);  // round to the start
    EXPECT_EQ(face.bar->Button_Index(), 0);
    QTest::keyClick(face.bar, Qt::Key_Left);
    EXPECT_EQ(face.bar->Button_Index(), 2);
    EXPECT_EQ(hover.count(), 4);

    for (Qt::Key key : {Qt::Key_Return, Qt::Key_Space, Qt::Key_Down})
        QTest::keyClick(face.bar, key);
    ASSERT_EQ(click.count(), 3);
    for (const auto& call : click) EXPECT_EQ(call.at(0).toInt(), 2);

    // The mouse takes the hover look over as soon as it moves.
    MoveMouse(face.bar, QPoint(face.bar->GetButtonLeft(0) + 5, 5));
    EXPECT_EQ(face.bar->Button_Index(), 0);
    EXPECT_TRUE(DrawnHovered(*face.bar, 0));
}
