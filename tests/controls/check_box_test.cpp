#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>

#include "Chk1.h"
#include "control_test_support.h"

TEST(CheckBox, ProgramSetCheckedRaisesClickUnlessExternalChange) {
    Chk1 box;
    QSignalSpy click(&box, &Chk1::Click);
    box.setChecked(true);
    EXPECT_EQ(click.count(), 1);
    box.setChecked(true);  // even unchanged
    EXPECT_EQ(click.count(), 2);

    EXPECT_FALSE(box.setDoExternalChange(true));  // refused while the program runs
    EXPECT_FALSE(box.DoExternalChange());

    box.setUserMode(false);
    EXPECT_TRUE(box.setDoExternalChange(true));
    box.setChecked(false);
    EXPECT_FALSE(box.Checked());
    EXPECT_EQ(click.count(), 2);
}

TEST(CheckBox, SpaceTogglesAndClicksTwice) {
    Chk1 box;
    box.setAnim_Speed(0.005);
    QSignalSpy click(&box, &Chk1::Click);
    QSignalSpy press(&box, &Chk1::KeyPress);
    QTest::keyClick(&box, Qt::Key_Space);
    EXPECT_TRUE(box.Checked());
    EXPECT_EQ(IntArg(press, 0, 0), 32);
    EXPECT_EQ(click.count(), 1);  // the second comes when the animation is over
    QTRY_COMPARE(click.count(), 2);

    QTest::keyClick(&box, Qt::Key_Return);
    EXPECT_FALSE(box.Checked());
    QTRY_COMPARE(click.count(), 4);

    QTest::keyClick(&box, Qt::Key_X);
    EXPECT_FALSE(box.Checked());
    QTest::qWait(30);
    EXPECT_EQ(click.count(), 4);
}

TEST(CheckBox, SpaceWithExternalChangeClicksOnce) {
    PropertyBag layout;
    layout.WriteBool("DoExternalChange", true, false);
    layout.WriteNumber("Anim_Duration", 0, 2);
    Chk1 box;
    box.ReadProperties(layout);
    EXPECT_TRUE(box.DoExternalChange());
    QSignalSpy click(&box, &Chk1::Click);
    QTest::keyClick(&box, Qt::Key_Space);
    EXPECT_TRUE(box.Checked());
    EXPECT_EQ(click.count(), 1);
}

TEST(CheckBox, GlyphByStateAndStyle) {
    Chk1 box;
    EXPECT_EQ(box.GlyphChar(), Chk1::kEmptyBox);
    box.setChecked(true);
    EXPECT_EQ(box.GlyphChar(), Chk1::kCrossedBox);
    box.setStyle(2);
    EXPECT_EQ(box.GlyphChar(), Chk1::kTickedBox);
    box.setStyle(0);
    EXPECT_EQ(box.GlyphChar(), Chk1::kTickedBox);
}

TEST(CheckBox, GlyphSizeAndLayout) {
    Chk1 box;
    box.setSizeTwips(2000, 400);
    EXPECT_DOUBLE_EQ(box.GlyphPointSize(), 13);
    box.setSize(20);
    EXPECT_DOUBLE_EQ(box.GlyphPointSize(), 20);
    box.setSize(QString());  // an empty size leaves the glyph as it is
    EXPECT_DOUBLE_EQ(box.GlyphPointSize(), 20);
    EXPECT_EQ(box.GlyphRect(), QRectF(0, 0, 400, 400));
    EXPECT_DOUBLE_EQ(box.CaptionRect().left(), 420);
    EXPECT_DOUBLE_EQ(box.CaptionRect().center().y(), 200);
}

// The box's edges lie on whole pixels: from outside in, a background pixel, then the full glyph
// colour, with no blurred grey between them.
TEST(CheckBox, BoxEdgesAreSharp) {
    for (double points : {9.0, 9.75, 13.0}) {
        QWidget face;
        face.setStyleSheet(QStringLiteral("background: white"));
        auto* box = new Chk1(&face);
        box->setSize(points);
        box->setGeometry(0, 0, 200, 24);
        ShowAndWait(face);
        const QImage look = box->grab().toImage();
        const QRect glyph = QRectF(Twips::ToPixels(box->GlyphRect().x(), box),
                                   Twips::ToPixels(box->GlyphRect().y(), box),
                                   Twips::ToPixels(box->GlyphRect().width(), box),
                                   Twips::ToPixels(box->GlyphRect().height(), box))
                                .toAlignedRect();
        const QColor background = look.pixelColor(199, 1);
        // Along the middle row from the left and the middle column from the top.
        const int row = glyph.center().y();
        const int column = glyph.center().x();
        int x = glyph.left();
        while (x < glyph.right() && look.pixelColor(x, row) == background) ++x;
        EXPECT_EQ(look.pixelColor(x, row), QColor(Qt::black)) << points;
        int y = glyph.top();
        while (y < glyph.bottom() && look.pixelColor(column, y) == background) ++y;
        EXPECT_EQ(look.pixelColor(column, y), QColor(Qt::black)) << points;
    }
}

TEST(CheckBox, ColourSets) {
    Chk1 box;
    box.setColorSet(3);
    EXPECT_EQ(box.AnimColor1(), 0x000000FFu);
    EXPECT_EQ(box.AnimColor2(), 0x000080FFu);
    EXPECT_EQ(box.ClickColor(), 0x00000080u);
    EXPECT_EQ(box.HighColor(), 0x000040C0u);
    EXPECT_EQ(box.ForeColor(), 0x000000FFu);
    EXPECT_EQ(box.GlyphColor(), 0x000000FFu);
    EXPECT_EQ(box.CaptionColor(), 0x000000FFu);

    QSignalSpy changed(&box, &Chk1::PropertyChanged);
    box.setColorSet(5);
    EXPECT_EQ(static_cast<int>(box.ColorSet()), 5);
    EXPECT_EQ(box.AnimColor1(), 0x000000FFu);
    EXPECT_EQ(box.ForeColor(), 0x000000FFu);
    EXPECT_EQ(changed.count(), 1);

    box.setColorSet(2);
    EXPECT_EQ(box.HighColor(), 0x00C00000u);
    EXPECT_EQ(box.ForeColor(), 0x00800000u);
}

TEST(CheckBox, ZeroDurationSetsOnlyTheFinalColour) {
    Chk1 box;
    box.setHighColor(0x0000C000);
    box.setForeColor(0x00008000);
    box.setAnim_Duration(0);
    ShowAndWait(box);
    QSignalSpy click(&box, &Chk1::Click);
    MoveMouse(&box, QPoint(5, 5));
    QTest::mousePress(&box, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_FALSE(box.IsAnimating());
    EXPECT_TRUE(box.Checked());
    EXPECT_EQ(click.count(), 1);
    EXPECT_EQ(box.GlyphColor(), 0x0000C000u);  // the mouse is over the box
    SendLeave(box);
    QTest::keyClick(&box, Qt::Key_Space);
    EXPECT_EQ(box.GlyphColor(), 0x00008000u);
    EXPECT_EQ(click.count(), 3);
}

TEST(CheckBox, AnimationRunsFromATimerAndEndsInTheFinalColour) {
    Chk1 box;
    box.setForeColor(0x00000011);
    box.setHighColor(0x00000022);
    box.setAnimColor1(0x00000033);
    box.setAnimColor2(0x00000044);
    box.setAnim_Speed(0.03);
    box.setAnim_Duration(2);
    ShowAndWait(box);
    QSignalSpy click(&box, &Chk1::Click);
    QElapsedTimer elapsed;
    elapsed.start();
    QTest::mousePress(&box, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_LT(elapsed.elapsed(), 100);  // the press returns at once
    EXPECT_EQ(click.count(), 1);
    EXPECT_TRUE(box.IsAnimating());
    EXPECT_EQ(box.GlyphColor(), 0x00000033u);
    EXPECT_EQ(box.CaptionColor(), 0x00000022u);
    QTRY_COMPARE(box.GlyphColor(), 0x00000044u);
    SendLeave(box);
    QTRY_VERIFY(!box.IsAnimating());
    EXPECT_GE(elapsed.elapsed(), 4 * 30 - 10);
    EXPECT_EQ(box.GlyphColor(), 0x00000011u);  // the mouse left meanwhile
    EXPECT_EQ(box.CaptionColor(), 0x00000011u);
    EXPECT_EQ(click.count(), 1);
}

TEST(CheckBox, RightButtonDoesNotToggle) {
    Chk1 box;
    ShowAndWait(box);
    QTest::mousePress(&box, Qt::RightButton, {}, QPoint(5, 5));
    EXPECT_FALSE(box.Checked());
}

TEST(CheckBox, HoverHighlightsAndUnderlines) {
    Chk1 box;
    box.setHighColor(0x00FF0000);
    box.setForeColor(0x000000FF);
    ShowAndWait(box);
    box.clearFocus();  // focus alone keeps the caption underlined
    MoveMouse(&box, QPoint(5, 5));
    EXPECT_EQ(box.GlyphColor(), 0x00FF0000u);
    EXPECT_EQ(box.CaptionColor(), 0x00FF0000u);
    EXPECT_TRUE(box.CaptionUnderlined());
    SendLeave(box);
    EXPECT_EQ(box.GlyphColor(), 0x000000FFu);
    EXPECT_FALSE(box.CaptionUnderlined());

    box.setUnderlineOnMOver(false);
    MoveMouse(&box, QPoint(6, 6));
    EXPECT_FALSE(box.CaptionUnderlined());

    box.setFocus();
    QTRY_VERIFY(box.hasFocus());
    SendLeave(box);
    EXPECT_TRUE(box.CaptionUnderlined());
}

TEST(CheckBox, StoredSettingsRoundTrip) {
    Chk1 blank;
    blank.ReadProperties(PropertyBag());
    // The caption first takes the button text colour, then the last ForeColor read.
    EXPECT_EQ(blank.CaptionColor(), 0u);
    PropertyBag nothing;
    blank.WriteProperties(nothing);
    EXPECT_TRUE(nothing.IsEmpty()) << nothing.ToText().toStdString();

    PropertyBag layout;
    layout.WriteColor("ForeColor", 0x000000FF, 0);
    layout.WriteString("Caption", "Protokolldatei schreiben", "");
    layout.WriteBool("Checked", true, false);
    layout.WriteInt("ColorSet", 2, 1);
    Chk1 box;
    QSignalSpy click(&box, &Chk1::Click);
    box.ReadProperties(layout);
    EXPECT_EQ(click.count(), 0);  // loading is no click
    EXPECT_TRUE(box.Checked());
    EXPECT_EQ(box.GlyphColor(), 0x000000FFu);
    EXPECT_EQ(box.CaptionColor(), 0x000000FFu);
    EXPECT_EQ(box.ColorSet(), Chk1::Colours::Blue);
    EXPECT_EQ(box.HighColor(), 0u);  // the set is stored, not applied
    const QStringList log = layout.ReadLog();
    EXPECT_EQ(log.count("ForeColor"), 2);
    EXPECT_EQ(log.count("Forecolor"), 1);
    EXPECT_LT(log.lastIndexOf("Forecolor"), log.indexOf("Checked"));

    box.setSize(QString());
    box.setAnim_Speed(0.5);
    PropertyBag saved;
    box.WriteProperties(saved);
    Chk1 loaded;
    loaded.ReadProperties(*PropertyBag::FromText(saved.ToText()));
    EXPECT_EQ(loaded.Caption(), "Protokolldatei schreiben");
    EXPECT_TRUE(loaded.Checked());
    EXPECT_DOUBLE_EQ(loaded.Anim_Speed(), 0.5);
    EXPECT_EQ(loaded.Size().toString(), QString());
    EXPECT_EQ(loaded.ForeColor(), 0x000000FFu);
}
