#include <gtest/gtest.h>

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSignalSpy>
#include <QTest>

#include "Txt.h"
#include "control_test_support.h"

namespace {

std::unique_ptr<Txt> EmptyBox(int style) {
    auto box = std::make_unique<Txt>();
    box->setStyle(style);
    box->MultiLineField()->setPlainText(QString());
    box->SingleLineField()->setText(QString());
    return box;
}

}  // namespace

TEST(TextBox, StyleZeroTypingInTheSingleLineFieldChangesOnce) {
    auto box = EmptyBox(0);
    EXPECT_TRUE(box->MultiLineField()->isHidden());
    EXPECT_FALSE(box->SingleLineField()->isHidden());
    QSignalSpy change(box.get(), &Txt::Change);
    QTest::keyClick(box->SingleLineField(), Qt::Key_4);
    EXPECT_EQ(change.count(), 1);
    QTest::keyClicks(box->SingleLineField(), "20");
    EXPECT_EQ(change.count(), 3);
    EXPECT_EQ(box->Text(), "420");
    EXPECT_EQ(box->MultiLineField()->toPlainText(), "420");
}

TEST(TextBox, StyleOneShowsTheMultiLineField) {
    auto box = EmptyBox(1);
    EXPECT_FALSE(box->MultiLineField()->isHidden());
    EXPECT_TRUE(box->SingleLineField()->isHidden());
    QSignalSpy change(box.get(), &Txt::Change);
    QTest::keyClicks(box->MultiLineField(), "ab");
    EXPECT_EQ(change.count(), 2);
    EXPECT_EQ(box->Text(), "ab");  // read from the single-line copy
}

TEST(TextBox, StyleTwoTypingRaisesNoChange) {
    auto box = EmptyBox(2);
    EXPECT_FALSE(box->SingleLineField()->isHidden());
    QSignalSpy change(box.get(), &Txt::Change);
    QTest::keyClicks(box->SingleLineField(), "77");
    EXPECT_EQ(change.count(), 0);
    EXPECT_EQ(box->Text(), "77");
}

TEST(TextBox, SettingTextFromTheProgram) {
    auto box = EmptyBox(0);
    QSignalSpy change(box.get(), &Txt::Change);
    box->setText("10");
    EXPECT_EQ(change.count(), 1);
    EXPECT_EQ(box->SingleLineField()->text(), "10");
    box->setText("10");
    EXPECT_EQ(change.count(), 1);

    // The shown field takes the text in every style.
    auto multi = EmptyBox(1);
    QSignalSpy multiChange(multi.get(), &Txt::Change);
    multi->setText("zwei\nZeilen");
    EXPECT_EQ(multi->MultiLineField()->toPlainText(), "zwei\nZeilen");
    EXPECT_EQ(multi->Text(), "zwei\nZeilen");
    EXPECT_EQ(multiChange.count(), 1);
    auto plain = EmptyBox(2);
    QSignalSpy plainChange(plain.get(), &Txt::Change);
    plain->setText("7");
    EXPECT_EQ(plain->SingleLineField()->text(), "7");
    EXPECT_EQ(plainChange.count(), 0);
}

TEST(TextBox, KeyAndMouseEventsOfTheFieldArePassedOn) {
    Txt box;
    ShowAndWait(box);
    QSignalSpy keyPress(&box, &Txt::KeyPress);
    QSignalSpy keyDown(&box, &Txt::KeyDown);
    QSignalSpy click(&box, &Txt::Click);
    QTest::keyClick(box.SingleLineField(), Qt::Key_B);
    ASSERT_EQ(keyPress.count(), 1);
    EXPECT_EQ(IntArg(keyPress, 0, 0), 'b');
    EXPECT_EQ(IntArg(keyDown, 0, 0), 66);
    QTest::mouseClick(box.SingleLineField(), Qt::LeftButton, {}, QPoint(3, 3));
    EXPECT_EQ(click.count(), 1);
}

TEST(TextBox, FrameLightsWithMouseAndFocus) {
    QWidget window;
    auto* box = new Txt(&window);
    auto* other = new QLineEdit(&window);
    other->move(0, 60);
    ASSERT_TRUE(ShowActive(window));
    other->setFocus();
    QTRY_VERIFY(other->hasFocus());
    SendLeave(*box);  // the cursor may have been over the window when it appeared
    EXPECT_FALSE(box->FrameHighlighted());

    MoveMouse(box, QPoint(1, 1));
    EXPECT_TRUE(box->FrameHighlighted());
    SendLeave(*box);
    EXPECT_FALSE(box->FrameHighlighted());

    box->setFocus();
    QTRY_VERIFY(box->SingleLineField()->hasFocus());
    EXPECT_TRUE(box->FrameHighlighted());
    MoveMouse(box, QPoint(2, 2));
    SendLeave(*box);
    EXPECT_TRUE(box->FrameHighlighted());  // focused: stays lit
    other->setFocus();
    QTRY_VERIFY(other->hasFocus());
    EXPECT_FALSE(box->FrameHighlighted());
}

TEST(TextBox, StoredSettingsRoundTrip) {
    Txt blank;
    blank.ReadProperties(PropertyBag());
    EXPECT_EQ(blank.Text(), "Text");
    PropertyBag nothing;
    blank.WriteProperties(nothing);
    EXPECT_TRUE(nothing.IsEmpty()) << nothing.ToText().toStdString();

    PropertyBag layout;
    layout.WriteString("FontName", "Arial", "");
    layout.WriteNumber("FontSize", 8.25, 0);
    layout.WriteInt("MaxLength", 10, 0);
    layout.WriteString("Text", "", "Text");
    layout.WriteInt("Alignment", 1, 0);
    Txt box;
    box.ReadProperties(layout);
    EXPECT_EQ(box.Text(), "");
    EXPECT_EQ(box.MaxLength(), 10);
    EXPECT_EQ(box.SingleLineField()->maxLength(), 10);  // the visible field follows
    EXPECT_DOUBLE_EQ(box.FontSize(), 8.25);
    EXPECT_EQ(box.SingleLineField()->font().pointSizeF(), 8.25);
    EXPECT_TRUE(box.SingleLineField()->alignment() & Qt::AlignRight);

    PropertyBag saved;
    box.WriteProperties(saved);
    Txt loaded;
    loaded.ReadProperties(*PropertyBag::FromText(saved.ToText()));
    EXPECT_EQ(loaded.Text(), "");
    EXPECT_EQ(loaded.MaxLength(), 10);
    EXPECT_EQ(loaded.Alignment(), Txt::TextAlignment::Right);
    EXPECT_EQ(loaded.FontName(), box.FontName());

    PropertyBag styled;
    styled.WriteInt("Style", 2, 0);
    styled.WriteString("Text", "single", "Text");
    Txt second;
    second.ReadProperties(styled);
    EXPECT_EQ(second.SingleLineField()->text(), "single");
}

TEST(TextBox, NewBoxShowsItsDesignTextsAndBothStylesKeepMaxLength) {
    Txt fresh;
    EXPECT_EQ(fresh.MultiLineField()->toPlainText(), "TextMultiline\n");
    EXPECT_EQ(fresh.SingleLineField()->text(), "TextSingleline");

    for (int style : {0, 1}) {
        auto box = EmptyBox(style);
        box->setMaxLength(3);
        QWidget* shown = style == 1 ? static_cast<QWidget*>(box->MultiLineField())
                                    : static_cast<QWidget*>(box->SingleLineField());
        QTest::keyClicks(shown, "abcde");
        EXPECT_EQ(box->Text(), "abc") << style;
        EXPECT_EQ(box->MultiLineField()->toPlainText(), "abc") << style;
    }
    auto longer = EmptyBox(1);
    longer->setText("abcdef");
    longer->setMaxLength(4);
    EXPECT_EQ(longer->Text(), "abcd");
}
