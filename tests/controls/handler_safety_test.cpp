// A control deleted by a handler of its own event, as Qt's own buttons allow; keys a control
// does not use reaching its dialog; a stored toolbar that asks for absurd numbers of buttons;
// captions that hold characters made of more than one code unit.
#include <gtest/gtest.h>

#include <QDialog>
#include <QMenu>
#include <QPointer>
#include <QTest>
#include <QVBoxLayout>
#include <functional>

#include "Chk1.h"
#include "Cmd1.h"
#include "McToolBar.h"
#include "PPB.h"
#include "control_test_support.h"

namespace {

// One way of raising an event whose handler deletes the control: `make` builds the control in
// `parent` and connects `deleteIt` to the event, `act` makes the event happen.
struct DeletionCase {
    const char* name;
    std::function<QWidget*(QWidget* parent, std::function<void()> deleteIt)> make;
    std::function<void(QWidget* control)> act;
};

template <typename Control, typename Signal>
std::function<QWidget*(QWidget*, std::function<void()>)> Deleting(Signal signal) {
    return [signal](QWidget* parent, std::function<void()> deleteIt) {
        auto* control = new Control(parent);
        control->setGeometry(0, 0, 200, 40);
        QObject::connect(control, signal, parent, [deleteIt] { deleteIt(); });
        return control;
    };
}

// Press and release, as far as the control lives: the check box acts on the press.
void ClickIt(QWidget* control) {
    const QPointer<QWidget> alive(control);
    const QPoint at(20, 10);
    MoveMouse(control, at);
    QTest::mousePress(control, Qt::LeftButton, Qt::NoModifier, at);
    if (alive) QTest::mouseRelease(control, Qt::LeftButton, Qt::NoModifier, at);
}

void PressKey(QWidget* control, Qt::Key key) {
    control->setFocus();
    QTest::keyClick(control, key);
}

McToolBar* ToolBarIn(QWidget* parent) {
    auto* bar = new McToolBar(parent);
    bar->setButtonCaption(QStringLiteral("Datei"));
    return bar;
}

const DeletionCase kDeletionCases[] = {
    {"ButtonClickByMouse", Deleting<Cmd1>(&Cmd1::Click), ClickIt},
    {"ButtonClickByEnter", Deleting<Cmd1>(&Cmd1::Click),
     [](QWidget* c) { PressKey(c, Qt::Key_Return); }},
    {"ButtonKeyDown", Deleting<Cmd1>(&Cmd1::KeyDown),
     [](QWidget* c) { PressKey(c, Qt::Key_Space); }},
    {"CheckBoxClickByMouse", Deleting<Chk1>(&Chk1::Click), ClickIt},
    {"CheckBoxClickBySpace", Deleting<Chk1>(&Chk1::Click),
     [](QWidget* c) { PressKey(c, Qt::Key_Space); }},
    {"CheckBoxCheckedChanged", Deleting<Chk1>(&Chk1::CheckedChanged),
     [](QWidget* c) { static_cast<Chk1*>(c)->setChecked(true); }},
    {"ProgressBarChange", Deleting<PPB>(&PPB::Change),
     [](QWidget* c) { static_cast<PPB*>(c)->ValueChange(42); }},
    {"ProgressBarIsPercentChange", Deleting<PPB>(&PPB::Change),
     [](QWidget* c) { static_cast<PPB*>(c)->setIsPercent(false); }},
    {"ProgressBarMouseUp", Deleting<PPB>(&PPB::MouseUp),
     [](QWidget* c) {
         static_cast<PPB*>(c)->ValueChange(0);  // the whole surface is the bar's own
         ClickIt(c);
     }},
    {"ToolBarClickByMouse",
     [](QWidget* parent, std::function<void()> deleteIt) -> QWidget* {
         McToolBar* bar = ToolBarIn(parent);
         QObject::connect(bar, &McToolBar::Click, parent, [deleteIt] { deleteIt(); });
         return bar;
     },
     ClickIt},
    {"ToolBarClickByKey",
     [](QWidget* parent, std::function<void()> deleteIt) -> QWidget* {
         McToolBar* bar = ToolBarIn(parent);
         bar->setButton_Index(0);
         QObject::connect(bar, &McToolBar::Click, parent, [deleteIt] { deleteIt(); });
         return bar;
     },
     [](QWidget* c) { PressKey(c, Qt::Key_Return); }},
    {"ToolBarHover",
     [](QWidget* parent, std::function<void()> deleteIt) -> QWidget* {
         McToolBar* bar = ToolBarIn(parent);
         bar->setButton_Index(-1);
         QObject::connect(bar, &McToolBar::OnButtonHover, parent, [deleteIt] { deleteIt(); });
         return bar;
     },
     [](QWidget* c) {
         const QPointer<QWidget> alive(c);
         QTest::mouseMove(c, QPoint(21, 11));
         if (alive) QTest::mouseMove(c, QPoint(20, 10));
     }},
};

class DeletedInItsOwnHandler : public ::testing::TestWithParam<DeletionCase> {};

}  // namespace

// Under the sanitizer build a use of the freed control fails the test.
TEST_P(DeletedInItsOwnHandler, IsGoneWithoutTouchingFreedMemory) {
    QWidget window;
    window.resize(240, 60);
    QPointer<QWidget> control;
    control = GetParam().make(&window, [&control] { delete control.data(); });
    ASSERT_TRUE(ShowActive(window));
    GetParam().act(control);
    QTest::qWait(50);  // a click animation would run now
    EXPECT_TRUE(control.isNull());
}

INSTANTIATE_TEST_SUITE_P(Events, DeletedInItsOwnHandler, ::testing::ValuesIn(kDeletionCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(UnusedKeys, EscapeStillClosesTheDialogThatHoldsTheControl) {
    const std::function<QWidget*(QWidget*)> makers[] = {
        [](QWidget* p) -> QWidget* { return new Cmd1(p); },
        [](QWidget* p) -> QWidget* { return new Chk1(p); },
        [](QWidget* p) -> QWidget* { return ToolBarIn(p); },
    };
    for (const auto& make : makers) {
        QDialog dialog;
        QWidget* control = make(&dialog);
        (new QVBoxLayout(&dialog))->addWidget(control);
        ASSERT_TRUE(ShowActive(dialog));
        control->setFocus();
        QTest::keyClick(control, Qt::Key_Escape);
        EXPECT_EQ(dialog.result(), QDialog::Rejected);
        EXPECT_FALSE(dialog.isVisible()) << control->metaObject()->className();
    }
}

TEST(StoredToolBar, AbsurdButtonCountsAreCutToAThousand) {
    for (const char* stored : {"2000000000", "300000", "1001"}) {
        McToolBar bar;
        bar.ReadProperties(*PropertyBag::FromText(QStringLiteral("Button_Count = ") +
                                                  QString::fromLatin1(stored)));
        EXPECT_EQ(bar.Button_Count(), McToolBar::kMostButtonCount) << stored;
    }
    McToolBar bar;
    bar.setButton_Count(2000000000);
    EXPECT_EQ(bar.Button_Count(), McToolBar::kMostButtonCount);
    bar.setButton_Count(4);
    EXPECT_EQ(bar.Button_Count(), 4);
}

TEST(ToolBarCaptions, LinesBreakBetweenWholeCharactersOnly) {
    McToolBar bar;
    const QString emoji = QString::fromUtf8("\xF0\x9F\x98\x80");  // one surrogate pair
    const QString accented = QString::fromUtf8("e\xCC\x81");      // e + combining acute
    const QString flag = QString::fromUtf8("\xF0\x9F\x87\xA9\xF0\x9F\x87\xAA");  // two pairs
    for (const QString& character : {emoji, accented, flag}) {
        const QString caption = character.repeated(12);
        for (int width : {1, 10, 30}) {
            const QStringList lines = bar.SplitToLines(caption, width, true);
            EXPECT_EQ(lines.join(QString()), caption) << width;
            for (const QString& line : lines)
                EXPECT_EQ(line.size() % character.size(), 0)
                    << line.toStdString() << " at width " << width;
        }
    }
}

TEST(ToolBarKeys, AMenuOpenedByAKeyLeavesNoButtonDrawnDown) {
    QWidget window;
    McToolBar* bar = ToolBarIn(&window);
    QMenu menu;
    menu.addAction(QStringLiteral("Speichern unter..."));
    QObject::connect(bar, &McToolBar::Click, &menu,
                     [&] { menu.popup(bar->mapToGlobal(QPoint(0, bar->height()))); });
    ASSERT_TRUE(ShowActive(window));
    bar->setFocus();
    bar->setButton_Index(0);
    QTest::keyPress(bar, Qt::Key_Return);  // the release goes to the menu
    ASSERT_TRUE(menu.isVisible());
    EXPECT_FALSE(bar->ButtonLooksPressed(0));
    menu.close();
}
