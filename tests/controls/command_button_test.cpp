#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QTest>

#include "Cmd1.h"
#include "control_test_support.h"

namespace {

QImage Square(int pixels) {
    QImage image(pixels, pixels, QImage::Format_ARGB32);
    image.fill(Qt::darkGreen);
    return image;
}

}  // namespace

TEST(CommandButton, PressDragOffReleaseGivesNoClick) {
    Cmd1 button;
    button.resize(100, 40);
    ShowAndWait(button);
    QSignalSpy click(&button, &Cmd1::Click);
    QSignalSpy up(&button, &Cmd1::MouseUp);

    MoveMouse(&button, QPoint(50, 20));
    QTest::mousePress(&button, Qt::LeftButton, {}, QPoint(50, 20));
    EXPECT_TRUE(button.IsPressed());
    MoveMouse(&button, QPoint(150, 20));
    EXPECT_FALSE(button.IsPressed());
    EXPECT_FALSE(button.IsHovered());
    QTest::mouseRelease(&button, Qt::LeftButton, {}, QPoint(150, 20));
    EXPECT_EQ(click.count(), 0);
    EXPECT_EQ(up.count(), 1);

    // Released outside without a move in between: still no click.
    QTest::mousePress(&button, Qt::LeftButton, {}, QPoint(50, 20));
    QTest::mouseRelease(&button, Qt::LeftButton, {}, QPoint(-5, 20));
    EXPECT_EQ(click.count(), 0);

    QTest::mouseClick(&button, Qt::LeftButton, {}, QPoint(50, 20));
    EXPECT_EQ(click.count(), 1);
}

TEST(CommandButton, EnterAndSpaceClick) {
    Cmd1 button;
    QSignalSpy click(&button, &Cmd1::Click);
    QSignalSpy press(&button, &Cmd1::KeyPress);
    QSignalSpy down(&button, &Cmd1::KeyDown);
    QTest::keyClick(&button, Qt::Key_Return);
    QTest::keyClick(&button, Qt::Key_Space);
    QTest::keyClick(&button, Qt::Key_A);
    ASSERT_EQ(press.count(), 3);
    EXPECT_EQ(IntArg(press, 0, 0), 13);
    EXPECT_EQ(IntArg(press, 1, 0), 32);
    EXPECT_EQ(IntArg(press, 2, 0), 'a');
    EXPECT_EQ(click.count(), 2);
    EXPECT_EQ(IntArg(down, 2, 0), 65);
}

TEST(CommandButton, LooksByState) {
    Cmd1 button;
    button.resize(100, 40);
    ShowAndWait(button);
    EXPECT_EQ(button.LightEdgeColor(), SysColor::kButtonFace);
    EXPECT_EQ(button.DarkEdgeColor(), SysColor::kButtonFace);
    const QRectF idleCaption = button.CaptionRect();

    MoveMouse(&button, QPoint(50, 20));
    EXPECT_EQ(button.LightEdgeColor(), button.HighColor1());
    EXPECT_EQ(button.DarkEdgeColor(), button.HighColor2());

    QTest::mousePress(&button, Qt::LeftButton, {}, QPoint(50, 20));
    EXPECT_EQ(button.LightEdgeColor(), button.HighColor2());
    EXPECT_EQ(button.DarkEdgeColor(), button.HighColor1());
    EXPECT_EQ(button.CaptionRect(), idleCaption.translated(20, 20));
    QTest::mouseRelease(&button, Qt::LeftButton, {}, QPoint(50, 20));
    EXPECT_EQ(button.CaptionRect(), idleCaption);
    EXPECT_TRUE(button.IsHovered());

    SendLeave(button);
    EXPECT_EQ(button.LightEdgeColor(), SysColor::kButtonFace);
}

TEST(CommandButton, PictureSizing) {
    Cmd1 button;
    button.setSizeTwips(1500, 600);
    button.setPicture(Square(16));
    EXPECT_EQ(button.PictureRect().size(), QSizeF(320, 320));  // PicSize 32
    button.setPicSize(5);
    EXPECT_EQ(button.PictureRect().size(), QSizeF(50, 50));
    button.setPicSize(1);
    button.setPicDistToEdge(100);
    EXPECT_EQ(button.PictureRect(), QRectF(100, 100, 1300, 400));
    button.setPicSize(2);
    button.setPicWidth(200);
    button.setPicHeight(150);
    EXPECT_EQ(button.PictureRect().size(), QSizeF(200, 150));
    button.setPicSize(3);
    EXPECT_EQ(button.PictureRect().size(),
              QSizeF(Twips::FromPixels(16, &button), Twips::FromPixels(16, &button)));
}

TEST(CommandButton, BottomCentrePictureKeepsFortyTwips) {
    Cmd1 button;
    button.setSizeTwips(1500, 600);
    button.setPicture(Square(16));
    button.setPicSize(5);
    button.setPicDistToEdge(100);
    button.setPicAlign(7);
    EXPECT_EQ(button.PictureRect(), QRectF(725, 510, 50, 50));
    button.setPicAlign(2);
    EXPECT_EQ(button.PictureRect(), QRectF(100, 450, 50, 50));
}

TEST(CommandButton, AlignmentTable) {
    const QSizeF area(1200, 500);
    const QSizeF size(200, 100);
    const std::vector<QPointF> expected = {{40, 40},   {40, 200}, {40, 360},  {960, 40}, {960, 200},
                                           {960, 360}, {500, 40}, {500, 360}, {500, 200}};
    for (int align = 0; align <= 8; ++align)
        EXPECT_EQ(Cmd1::AlignedPosition(align, area, size, 40), expected[align]) << align;
    EXPECT_EQ(Cmd1::AlignedPosition(42, area, size, 40), expected[8]);
}

TEST(CommandButton, WideCaptionIsNarrowedAndWraps) {
    Cmd1 button;
    button.setSizeTwips(1200, 900);
    button.setTextSetWH(true);
    button.setTextWidth(5000);
    const double oneLine = Twips::FromPixels(QFontMetricsF(button.font()).height(), &button);
    button.setCaption("Werte automatisch berechnen und noch mehr");
    EXPECT_DOUBLE_EQ(button.CaptionRect().width(), 1200 - 2 * 40);
    EXPECT_GT(button.CaptionRect().height(), oneLine * 1.5);

    button.setWordWrap(false);
    EXPECT_DOUBLE_EQ(button.CaptionRect().height(), oneLine);
    EXPECT_LE(button.CaptionRect().width(), 1200 - 2 * 40);
}

TEST(CommandButton, DisabledCaptionIsEngraved) {
    Cmd1 button;
    EXPECT_TRUE(button.DisabledCopyRect().isNull());
    button.setEnabled(false);
    EXPECT_EQ(button.DisabledCopyRect(), button.CaptionRect().translated(10, 10));
    button.setEnabled(true);
    EXPECT_TRUE(button.DisabledCopyRect().isNull());
}

TEST(CommandButton, StoredSettingsRoundTrip) {
    Cmd1 blank;
    blank.ReadProperties(PropertyBag());
    EXPECT_EQ(blank.Caption(), "Command");
    EXPECT_FALSE(blank.WordWrap());  // absent WordWrap ends as false
    PropertyBag nothing;
    blank.WriteProperties(nothing);
    EXPECT_TRUE(nothing.IsEmpty()) << nothing.ToText().toStdString();

    PropertyBag old;
    old.WriteString("checkcaption", "Alt", "");
    Cmd1 fromOld;
    fromOld.ReadProperties(old);
    EXPECT_EQ(fromOld.Caption(), "Command");  // "Caption" is read later and wins
    old.WriteString("Caption", "Start Single", "");
    old.WriteBool("WordWrap", true, false);
    fromOld.ReadProperties(old);
    EXPECT_EQ(fromOld.Caption(), "Start Single");
    EXPECT_TRUE(fromOld.WordWrap());
    const QStringList log = old.ReadLog();
    EXPECT_LT(log.indexOf("checkcaption"), log.indexOf("Caption"));
    EXPECT_EQ(log.count("WordWrap"), 4);  // twice per load
    EXPECT_EQ(log.count("ForeColor"), 4);

    Cmd1 fresh;  // a new button wraps its caption, so that is written
    fresh.setCaption("Start Multiple");
    fresh.setPicAlign(3);
    fresh.setHighColor1(0x00FF0000);
    PropertyBag saved;
    fresh.WriteProperties(saved);
    Cmd1 loaded;
    loaded.ReadProperties(*PropertyBag::FromText(saved.ToText()));
    EXPECT_EQ(loaded.Caption(), "Start Multiple");
    EXPECT_TRUE(loaded.WordWrap());
    EXPECT_EQ(loaded.PicAlign(), Cmd1::Placement::TopRight);
    EXPECT_EQ(loaded.HighColor1(), 0x00FF0000u);
}

TEST(CommandButton, SettingAPropertyMarksItsKey) {
    Cmd1 button;
    QSignalSpy changed(&button, &Cmd1::PropertyChanged);
    button.setCaption("x");
    button.setTextAlign(0);
    ASSERT_EQ(changed.count(), 2);
    EXPECT_EQ(changed.at(0).at(0).toString(), "Caption");
    EXPECT_EQ(changed.at(1).at(0).toString(), "TextAlign");
    EXPECT_EQ(button.CaptionRect().topLeft(), QPointF(40, 40));
}

TEST(CommandButton, SetTextWidthWiderThanTheRoomTakesEffect) {
    Cmd1 button;
    button.setSizeTwips(1200, 495);
    button.setTextSetWH(true);
    button.setTextWidth(1150);  // the room between the edges is 1120
    EXPECT_DOUBLE_EQ(button.CaptionRect().width(), 1150);
    button.setCaption("Start Single");  // a new caption is narrowed to the room
    EXPECT_DOUBLE_EQ(button.CaptionRect().width(), 1120);
    button.setTextAlign(0);  // the next layout uses the set width again
    EXPECT_DOUBLE_EQ(button.CaptionRect().width(), 1150);
}
