// Stored layouts: whatever numbers they hold they load without crashing, one unreadable value
// loses only its own key, the saved text comes back as it was, and loading marks nothing changed.
#include <gtest/gtest.h>

#include <QAccessible>
#include <QSignalSpy>
#include <QTest>
#include <limits>

#include "Chk1.h"
#include "Cmd1.h"
#include "McToolBar.h"
#include "PPB.h"
#include "Txt.h"
#include "control_test_support.h"

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

}  // namespace

TEST(StoredLayout, ToolbarWithoutCellWidthOrRowCountNeverDividesByZero) {
    McToolBar fromCode;
    fromCode.setButton_Count(3);
    fromCode.setButtonsWidth(0);
    fromCode.setButtonsPerRow(0);
    fromCode.resize(300, 40);
    fromCode.grab();
    EXPECT_GE(fromCode.ButtonsPerRow(), 1);

    const auto layouts = {
        QStringLiteral("Button_Count = 3\nButtonsWidth = 0\nButtonsPerRow = 0\n"),
        QStringLiteral("ButtonsWidth = -5\nButtonsPerRow = 0\nAutoSizeButtons = True\n"),
        QStringLiteral("Button_Count = 2\nButtonsWidth = 2147483647\nButtonsPerRow = 2147483647\n"
                       "ButtonsHeight = 2147483647\nAutoSize = False\n"),
    };
    for (const QString& text : layouts) {
        McToolBar loaded;
        loaded.ReadProperties(*PropertyBag::FromText(text));
        EXPECT_GE(loaded.ButtonsPerRow(), 0) << text.toStdString();
        EXPECT_GE(loaded.sizeHint().width(), 0) << text.toStdString();
    }
}

TEST(StoredLayout, TextBoxReloadsItsTextWhateverWasSelected) {
    for (int style : {0, 1}) {
        Txt box;
        box.setStyle(style);
        box.setText("abc");
        box.setSelStart(1);
        box.setSelLength(1);
        ASSERT_EQ(box.SelText(), "b");
        PropertyBag saved;
        box.WriteProperties(saved);

        Txt loaded;
        QSignalSpy change(&loaded, &Txt::Change);
        loaded.ReadProperties(*PropertyBag::FromText(saved.ToText()));
        EXPECT_EQ(loaded.Text(), "abc") << style;
        EXPECT_EQ(change.count(), 1) << style;
    }
}

TEST(StoredLayout, NumbersThatCannotBeStoredAreRefusedAndABadValueLosesOnlyItsKey) {
    Chk1 box;
    box.setAnim_Speed(0.5);
    Txt text;
    const double fontSize = text.FontSize();
    for (double bad : {kInf, -kInf, kNaN}) {
        box.setAnim_Speed(bad);
        box.setAnim_Duration(bad);
        box.setSize(bad);
        text.setFontSize(bad);
    }
    EXPECT_DOUBLE_EQ(box.Anim_Speed(), 0.5);
    EXPECT_DOUBLE_EQ(box.Anim_Duration(), 2);
    EXPECT_DOUBLE_EQ(box.Size().toDouble(), 13);
    EXPECT_DOUBLE_EQ(text.FontSize(), fontSize);
    PropertyBag direct;
    direct.WriteNumber("Anim_Speed", kInf, 0.08);
    EXPECT_TRUE(direct.IsEmpty());

    // A layout written before numbers were checked: the readable keys still load.
    const auto bag = PropertyBag::FromText(
        "Caption = \"Protokoll\"\nAnim_Speed = inf.0\nAnim_Duration = nan.0\nChecked = True\n"
        "Size = twelve\nColorSet = 3\n");
    ASSERT_TRUE(bag.has_value());
    EXPECT_EQ(bag->SkippedKeys(), QStringList({"Anim_Speed", "Anim_Duration", "Size"}));
    Chk1 loaded;
    loaded.ReadProperties(*bag);
    EXPECT_EQ(loaded.Caption(), "Protokoll");
    EXPECT_TRUE(loaded.Checked());
    EXPECT_EQ(loaded.ColorSet(), Chk1::Colours::Red);
    EXPECT_DOUBLE_EQ(loaded.Anim_Speed(), 0.08);

    // A text that spells infinity is no number either.
    Chk1 spelled;
    spelled.ReadProperties(
        *PropertyBag::FromText("Anim_Speed = \"inf\"\nAnim_Duration = \"1e999\""));
    EXPECT_DOUBLE_EQ(spelled.Anim_Speed(), 0.08);
    EXPECT_DOUBLE_EQ(spelled.Anim_Duration(), 2);
}

namespace {

// Loading, and what the container passes down, mark nothing; the control's own setters do.
template <typename Control>
void ExpectOnlyOwnSettersMark() {
    const char* kind = Control::staticMetaObject.className();
    QWidget container;
    auto* control = new Control(&container);
    QSignalSpy marked(control, &ControlBase::PropertyChanged);
    PropertyBag layout;
    layout.WriteBool("Enabled", true, false);
    QFont stored("Arial");
    stored.setPointSizeF(14);
    layout.WriteFont("Font", stored, QFont());
    control->ReadProperties(layout);
    container.setEnabled(false);
    QFont bigger = container.font();
    bigger.setPointSizeF(20);
    container.setFont(bigger);
    EXPECT_EQ(marked.count(), 0) << kind << " "
                                 << marked.value(0).value(0).toString().toStdString();

    PropertyBag saved;
    control->WriteProperties(saved);
    EXPECT_TRUE(saved.ReadBool("Enabled", true)) << kind;  // the container's state is not its own
    container.setEnabled(true);

    control->setEnabled(false);
    control->setFont(QFont("Arial", 7));
    QStringList keys;
    for (const auto& call : marked) keys << call.at(0).toString();
    EXPECT_TRUE(keys.contains("Enabled")) << kind;
    EXPECT_TRUE(keys.contains("Font")) << kind;
}

QStringList MarkedKeys(const QSignalSpy& marked) {
    QStringList keys;
    for (const auto& call : marked) keys << call.at(0).toString();
    return keys;
}

// QWidget's setEnabled and setFont, called on a plain QWidget, do what the control's Enabled
// and Font properties do: the same look, the same accessible state, the same marked keys.
template <typename Control>
void ExpectQWidgetSettersActAsProperties() {
    const char* kind = Control::staticMetaObject.className();
    QFont small("Arial");
    small.setPointSizeF(7);
    Control byWidget;
    Control byProperty;
    QSignalSpy widgetMarks(&byWidget, &ControlBase::PropertyChanged);
    QSignalSpy propertyMarks(&byProperty, &ControlBase::PropertyChanged);
    QWidget& plain = byWidget;
    plain.setEnabled(false);
    plain.setFont(small);
    byProperty.setProperty("Enabled", false);
    byProperty.setProperty("Font", small);

    EXPECT_EQ(byWidget.grab().toImage(), byProperty.grab().toImage()) << kind;
    EXPECT_TRUE(QAccessible::queryAccessibleInterface(&byWidget)->state().disabled) << kind;
    EXPECT_TRUE(QAccessible::queryAccessibleInterface(&byProperty)->state().disabled) << kind;
    EXPECT_EQ(MarkedKeys(widgetMarks), MarkedKeys(propertyMarks)) << kind;
    EXPECT_TRUE(MarkedKeys(widgetMarks).contains("Enabled")) << kind;
    EXPECT_TRUE(MarkedKeys(widgetMarks).contains("Font")) << kind;
    EXPECT_FALSE(byWidget.Enabled()) << kind;
    EXPECT_EQ(byWidget.Font(), byProperty.Font()) << kind;
}

}  // namespace

TEST(StoredLayout, QWidgetSettersActAsTheControlsProperties) {
    ExpectQWidgetSettersActAsProperties<PPB>();
    ExpectQWidgetSettersActAsProperties<McToolBar>();
    ExpectQWidgetSettersActAsProperties<Cmd1>();
    ExpectQWidgetSettersActAsProperties<Chk1>();
    ExpectQWidgetSettersActAsProperties<Txt>();
}

TEST(StoredLayout, OnlyTheControlsOwnSettersMarkKeys) {
    ExpectOnlyOwnSettersMark<PPB>();
    ExpectOnlyOwnSettersMark<McToolBar>();
    ExpectOnlyOwnSettersMark<Cmd1>();
    ExpectOnlyOwnSettersMark<Chk1>();
    ExpectOnlyOwnSettersMark<Txt>();
}
