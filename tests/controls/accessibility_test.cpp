// What a screen reader finds: walking the accessibility tree of a window holding every control.
#include <gtest/gtest.h>

#include <QAccessible>
#include <QLabel>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>
#include <algorithm>

#include "Chk1.h"
#include "Cmd1.h"
#include "McToolBar.h"
#include "PPB.h"
#include "Txt.h"
#include "control_test_support.h"

namespace {

QAccessibleInterface* ChildWithRole(QAccessibleInterface* parent, QAccessible::Role role) {
    for (int i = 0; i < parent->childCount(); ++i)
        if (parent->child(i)->role() == role) return parent->child(i);
    return nullptr;
}

void Press(QAccessibleInterface* node, const QString& action) {
    QAccessibleActionInterface* actions = node->actionInterface();
    ASSERT_NE(actions, nullptr);
    ASSERT_TRUE(actions->actionNames().contains(action));
    actions->doAction(action);
}

}  // namespace

TEST(Accessibility, TreeNamesEveryControlWithItsRoleStateAndActions) {
    QWidget window;
    auto* column = new QVBoxLayout(&window);
    auto* bar = new McToolBar;
    auto* button = new Cmd1;
    auto* box = new Chk1;
    auto* text = new Txt;
    auto* progress = new PPB;
    for (QWidget* control :
         {static_cast<QWidget*>(bar), static_cast<QWidget*>(button), static_cast<QWidget*>(box),
          static_cast<QWidget*>(text), static_cast<QWidget*>(progress)})
        column->addWidget(control);
    bar->setButton_Count(3);
    const QStringList captions{"Datei", "Bearbeiten", "Hilfe"};
    for (int i = 0; i < 3; ++i) {
        bar->setButton_Index(i);
        bar->setButtonCaption(captions[i]);
    }
    bar->setButtonEnabled(false);  // "Hilfe"
    bar->setButton_Index(-1);
    button->setCaption("Start Single");
    box->setCaption("Protokolldatei schreiben");
    box->setChecked(true);
    text->setText("10");
    text->setAccessibleName("Anzahl Dateien");
    ShowAndWait(window);
    progress->ValueChange(42);  // after the layout, which shows a full bar

    QAccessibleInterface* root = QAccessible::queryAccessibleInterface(&window);
    ASSERT_NE(root, nullptr);

    QAccessibleInterface* push = ChildWithRole(root, QAccessible::Button);
    ASSERT_NE(push, nullptr);
    EXPECT_EQ(push->text(QAccessible::Name), "Start Single");
    QSignalSpy clicked(button, &Cmd1::Click);
    Press(push, QAccessibleActionInterface::pressAction());
    EXPECT_EQ(clicked.count(), 1);

    QAccessibleInterface* check = ChildWithRole(root, QAccessible::CheckBox);
    ASSERT_NE(check, nullptr);
    EXPECT_EQ(check->text(QAccessible::Name), "Protokolldatei schreiben");
    EXPECT_TRUE(check->state().checkable);
    EXPECT_TRUE(check->state().checked);
    Press(check, QAccessibleActionInterface::toggleAction());
    EXPECT_FALSE(box->Checked());
    EXPECT_FALSE(check->state().checked);

    QAccessibleInterface* edit = ChildWithRole(root, QAccessible::EditableText);
    ASSERT_NE(edit, nullptr);
    EXPECT_EQ(edit->text(QAccessible::Name), "Anzahl Dateien");
    EXPECT_EQ(edit->text(QAccessible::Value), "10");
    EXPECT_TRUE(edit->state().editable);
    text->setLocked(true);
    EXPECT_TRUE(edit->state().readOnly);

    QAccessibleInterface* meter = ChildWithRole(root, QAccessible::ProgressBar);
    ASSERT_NE(meter, nullptr);
    ASSERT_NE(meter->valueInterface(), nullptr);
    EXPECT_EQ(meter->valueInterface()->currentValue().toInt(), 42);
    EXPECT_EQ(meter->valueInterface()->maximumValue().toInt(), 100);
    EXPECT_EQ(meter->text(QAccessible::Value), "42%");

    QAccessibleInterface* tools = ChildWithRole(root, QAccessible::ToolBar);
    ASSERT_NE(tools, nullptr);
    ASSERT_EQ(tools->childCount(), 3);
    for (int i = 0; i < 3; ++i) {
        QAccessibleInterface* entry = tools->child(i);
        EXPECT_EQ(entry->role(), QAccessible::Button);
        EXPECT_EQ(entry->text(QAccessible::Name), captions[i]);
        EXPECT_EQ(entry->parent(), tools);
        EXPECT_EQ(tools->indexOfChild(entry), i);
        EXPECT_EQ(entry->state().disabled, i == 2) << i;
        EXPECT_TRUE(tools->rect().contains(entry->rect())) << i;
    }
    QSignalSpy menu(bar, &McToolBar::Click);
    Press(tools->child(1), QAccessibleActionInterface::pressAction());
    ASSERT_EQ(menu.count(), 1);
    EXPECT_EQ(menu.at(0).at(0).toInt(), 1);
    EXPECT_TRUE(tools->child(1)->state().hotTracked);
    Press(tools->child(2), QAccessibleActionInterface::pressAction());  // disabled: nothing
    EXPECT_EQ(menu.count(), 1);

    bar->setButton_Count(2);
    EXPECT_EQ(tools->childCount(), 2);
}

// What a reader hears where a control shows no text of its own: a label's text for the text box
// and its editor, the tooltip of a picture button, the window's name for a progress bar; and a
// password is never spoken in clear.
TEST(Accessibility, ControlsWithoutOwnTextAreNamedAndPasswordsStayMasked) {
    QWidget window;
    auto* column = new QVBoxLayout(&window);
    auto* label = new QLabel(QStringLiteral("Anzahl der &Dateien:"));
    auto* text = new Txt;
    auto* picture = new Cmd1;
    auto* progress = new PPB;
    column->addWidget(label);
    column->addWidget(text);
    column->addWidget(picture);
    column->addWidget(progress);
    label->setBuddy(text);
    picture->setCaption(QString());
    picture->setToolTipText(QStringLiteral("Werte automatisch berechnen"));
    progress->setAccessibleName(QStringLiteral("Gesamtfortschritt"));
    text->setText(QStringLiteral("geheim"));
    ShowAndWait(window);

    QAccessibleInterface* box = QAccessible::queryAccessibleInterface(text);
    EXPECT_EQ(box->text(QAccessible::Name), "Anzahl der Dateien:");
    ASSERT_EQ(box->childCount(), 1);  // the editor that is shown, not the hidden one
    EXPECT_EQ(box->child(0)->object(), text->SingleLineField());
    EXPECT_EQ(box->child(0)->text(QAccessible::Name), "Anzahl der Dateien:");
    ASSERT_NE(box->textInterface(), nullptr);
    EXPECT_EQ(box->textInterface()->text(0, 6), "geheim");
    ASSERT_NE(box->editableTextInterface(), nullptr);
    box->editableTextInterface()->replaceText(0, 6, QStringLiteral("20"));
    EXPECT_EQ(text->Text(), "20");

    text->setPasswordChar(QStringLiteral("*"));
    EXPECT_EQ(box->text(QAccessible::Value), "**");
    EXPECT_NE(box->child(0)->text(QAccessible::Value), "20");

    EXPECT_EQ(QAccessible::queryAccessibleInterface(picture)->text(QAccessible::Name),
              "Werte automatisch berechnen");
    EXPECT_EQ(QAccessible::queryAccessibleInterface(progress)->text(QAccessible::Name),
              "Gesamtfortschritt");
}
