#include <gtest/gtest.h>

#include <QApplication>
#include <QWidget>

#include "OleColor.h"
#include "PropertyBag.h"
#include "Twips.h"

TEST(Twips, RoundsHalvesToEvenAndHoldsTheSixteenBitRange) {
    EXPECT_EQ(ToInteger16(1112.5), 1112);
    EXPECT_EQ(ToInteger16(1113.5), 1114);
    EXPECT_EQ(ToInteger16(-0.5), 0);
    EXPECT_EQ(ToInteger16(-2.5), -2);
    EXPECT_EQ(ToInteger16(40000), 32767);
    EXPECT_EQ(ToInteger16(-40000), -32768);
    EXPECT_EQ(ToLong32(2.5), 2);
}

TEST(Twips, FifteenToAPixelAtNinetySixDotsPerInch) {
    QWidget widget;
    if (widget.logicalDpiX() != 96) GTEST_SKIP() << "screen is not at 96 dpi";
    EXPECT_DOUBLE_EQ(Twips::PerPixel(&widget), 15.0);
    EXPECT_EQ(Twips::ToWholePixels(2220, &widget), 148);
    EXPECT_DOUBLE_EQ(Twips::FromPixels(2, &widget), 30.0);
}

TEST(Colours, TranslateKeepsRgbAndResolvesSystemColoursFromThePalette) {
    EXPECT_EQ(TranslateColor(0x00FF8080), 0x00FF8080u);
    EXPECT_EQ(TranslateColor(SysColor::kButtonFace),
              FromQColor(QApplication::palette().color(QPalette::Button)));
    EXPECT_EQ(TranslateColor(SysColor::kWindowText),
              FromQColor(QApplication::palette().color(QPalette::Text)));
    EXPECT_EQ(TranslateColor(SystemColor(0xFF)), 0u);
    const QColor violet = ToQColor(0x00FF496B);
    EXPECT_EQ(violet, QColor(107, 73, 255));
}

TEST(Colours, BlendColorMixesByAlpha) {
    const OleColor white = RGB(255, 255, 255);
    const OleColor black = RGB(0, 0, 0);
    EXPECT_EQ(BlendColor(white, black, 70), RGB(70, 70, 70));
    EXPECT_EQ(BlendColor(white, black, 255), white);
    EXPECT_EQ(BlendColor(white, black, 0), black);
    // 100 x 128 / 255 + 255 x 155 / 255 = 205.196...
    EXPECT_EQ(BlendColor(RGB(128, 0, 255), white, 100), RGB(205, 155, 255));
    // System colours are translated before mixing.
    EXPECT_EQ(BlendColor(SysColor::kButtonFace, black, 255), TranslateColor(SysColor::kButtonFace));
}

TEST(PropertyBag, WritesNothingForDefaultsAndReadsDefaultsForAbsentKeys) {
    PropertyBag bag;
    bag.WriteBool("A", true, true);
    bag.WriteInt("B", 3, 3);
    bag.WriteColor("C", 0x8000000F, 0x8000000F);
    bag.WriteString("D", "x", "x");
    bag.WritePicture("E", QImage());
    EXPECT_TRUE(bag.IsEmpty());
    EXPECT_EQ(bag.ReadInt("B", 7), 7);
    EXPECT_EQ(bag.ReadString("D", "dflt"), "dflt");
    EXPECT_EQ(bag.ReadLog(), QStringList({"B", "D"}));
}

TEST(PropertyBag, TextFormRoundTripsEveryKindAndKeepsOrder) {
    PropertyBag bag;
    bag.WriteString("Caption", "Say \"hi\"\\\nnext", "");
    bag.WriteColor("BackColor", 0x00FF8080, 0);
    bag.WriteBool("ShowBorder", false, true);
    bag.WriteInt("Button_Count", 3, 1);
    bag.WriteNumber("Anim_Speed", 0.25, 0.08);
    QFont font("Arial");
    font.setPointSizeF(9);
    font.setBold(true);
    bag.WriteFont("Font", font, QFont());
    QImage picture(3, 2, QImage::Format_RGB32);
    picture.fill(QColor(10, 20, 30));
    bag.WritePicture("Picture", picture);

    const QString text = bag.ToText();
    EXPECT_TRUE(text.contains("BackColor = &H00FF8080\n"));
    EXPECT_TRUE(text.contains("ShowBorder = False\n"));
    EXPECT_TRUE(text.contains("Font = Font(\"Arial\", 9.0, Bold)\n"));
    const auto back = PropertyBag::FromText(text);
    ASSERT_TRUE(back.has_value());
    EXPECT_EQ(back->ToText(), text);
    EXPECT_EQ(back->Keys(), bag.Keys());
    EXPECT_EQ(back->ReadString("Caption", ""), "Say \"hi\"\\\nnext");
    EXPECT_EQ(back->ReadColor("BackColor", 0), 0x00FF8080u);
    EXPECT_FALSE(back->ReadBool("ShowBorder", true));
    EXPECT_EQ(back->ReadInt("Button_Count", 1), 3);
    EXPECT_DOUBLE_EQ(back->ReadNumber("Anim_Speed", 0), 0.25);
    EXPECT_EQ(back->ReadFont("Font", QFont()).family(), "Arial");
    EXPECT_TRUE(back->ReadFont("Font", QFont()).bold());
    EXPECT_EQ(back->ReadPicture("Picture").pixelColor(2, 1), QColor(10, 20, 30));
}

TEST(PropertyBag, KeysMatchWithoutCaseAndBadLinesAreRefused) {
    const auto bag = PropertyBag::FromText("ForeColor = &H000000FF\nChecked = True\n");
    ASSERT_TRUE(bag.has_value());
    EXPECT_EQ(bag->ReadColor("Forecolor", 0), 0x000000FFu);
    EXPECT_TRUE(bag->ReadBool("checked", false));
    EXPECT_FALSE(PropertyBag::FromText("no equals sign").has_value());
    // A value that cannot be read leaves out its key only.
    const auto partly = PropertyBag::FromText("Caption = \"unterminated\nSize = twelve\nStyle = 2");
    ASSERT_TRUE(partly.has_value());
    EXPECT_EQ(partly->Keys(), QStringList({"Style"}));
    EXPECT_EQ(partly->SkippedKeys(), QStringList({"Caption", "Size"}));
}
