#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QTest>

#include "PPB.h"
#include "control_test_support.h"

namespace {

// A bar of the given inner width in twips, with the border hidden so the fill spans it.
std::unique_ptr<PPB> Bar(double width, bool border = false) {
    auto bar = std::make_unique<PPB>();
    bar->setShowBorder(border);
    bar->setSizeTwips(width, 1110);
    return bar;
}

}  // namespace

TEST(ProgressBar, ValueChangeSetsFillWidthRoundingHalvesToEven) {
    auto bar = Bar(2225);
    bar->ValueChange(50);
    EXPECT_EQ(bar->FillArea().width(), 1112);  // 1112.5
    EXPECT_EQ(bar->LabelText(), "50%");

    auto full = Bar(2220);
    full->ValueChange(100);
    EXPECT_EQ(full->FillArea().width(), 2220);
    full->ValueChange(0);
    EXPECT_EQ(full->FillArea().width(), 0);
    EXPECT_EQ(full->LabelText(), "0%");
    // A fractional percentage is taken as a whole number first.
    full->ValueChange(50.5);
    EXPECT_EQ(full->LabelText(), "50%");
    full->ValueChange(99.7);
    EXPECT_EQ(full->LabelText(), "100%");
}

TEST(ProgressBar, OutOfRangeValuesChangeNothing) {
    auto bar = Bar(2220);
    bar->ValueChange(40);
    QSignalSpy change(bar.get(), &PPB::Change);
    for (double value : {-1.0, 101.0, 100.6, -0.6, 1e9}) bar->ValueChange(value);
    EXPECT_EQ(change.count(), 0);
    EXPECT_EQ(bar->FillArea().width(), 888);
    EXPECT_EQ(bar->LabelText(), "40%");
}

TEST(ProgressBar, BorderMovesTheFillAreaAndLayoutResetsAFullBar) {
    auto bar = Bar(2220, true);
    EXPECT_EQ(bar->FillArea(), QRectF(20, 10, 2200, 1080));
    bar->ValueChange(100);
    // The filled width counts from the whole inner width, so it runs past the right edge.
    EXPECT_EQ(bar->FillArea().left() + bar->FillArea().width(), 2240);
    bar->ValueChange(10);
    EXPECT_EQ(bar->FillImageSize(), QSizeF(2200, 1080));  // revealed, not squeezed
    bar->Redraw();
    EXPECT_EQ(bar->FillArea().width(), 2200);

    bar->setShowBorder(false);
    EXPECT_EQ(bar->FillArea(), QRectF(0, 0, 2220, 1110));
}

TEST(ProgressBar, LabelStaysCentredInTheFill) {
    auto bar = Bar(3000);
    bar->ValueChange(60);
    const QRectF label = bar->LabelRect();
    EXPECT_DOUBLE_EQ(label.center().x(), 900);
    EXPECT_DOUBLE_EQ(label.center().y(), 555);
}

TEST(ProgressBar, IsPercentRewritesTheLabel) {
    auto bar = Bar(2220);
    bar->ValueChange(42);
    QSignalSpy changed(bar.get(), &PPB::PropertyChanged);
    bar->setIsPercent(false);
    EXPECT_EQ(bar->LabelText(), "100");
    EXPECT_EQ(changed.count(), 1);
    EXPECT_EQ(changed.at(0).at(0).toString(), "IsPercent");
    bar->ValueChange(42);
    EXPECT_EQ(bar->LabelText(), "42");
    bar->setIsPercent(true);
    EXPECT_EQ(bar->LabelText(), "100%");
}

TEST(ProgressBar, CustomCaptionKeepsItsTextWhileTheFillMoves) {
    auto bar = Bar(2000);
    QSignalSpy change(bar.get(), &PPB::Change);
    bar->SetCustomCaption("ignored");  // only with UseCustomCaption
    EXPECT_EQ(change.count(), 0);

    bar->setUseCustomCaption(true);
    bar->SetCustomCaption("Lesen");
    EXPECT_EQ(bar->LabelText(), "Lesen");
    EXPECT_EQ(change.count(), 1);
    bar->SetCustomCaption("Lesen");
    EXPECT_EQ(change.count(), 1);
    bar->SetCustomCaption("lesen");  // case counts
    EXPECT_EQ(change.count(), 2);

    bar->ValueChange(30);
    EXPECT_EQ(bar->FillArea().width(), 600);
    EXPECT_EQ(bar->LabelText(), "lesen");
    EXPECT_EQ(change.count(), 2);
}

TEST(ProgressBar, MouseEventsComeOnlyFromTheUncoveredSurface) {
    PPB bar;
    bar.setShowBorder(false);
    ShowAndWait(bar);
    QSignalSpy down(&bar, &PPB::MouseDown);
    QSignalSpy click(&bar, &PPB::Click);
    const QPoint middle = bar.rect().center();
    QTest::mouseClick(&bar, Qt::LeftButton, {}, middle);  // on the full fill
    EXPECT_EQ(down.count(), 0);
    bar.ValueChange(0);
    QTest::mouseClick(&bar, Qt::LeftButton, Qt::ShiftModifier, middle);
    ASSERT_EQ(down.count(), 1);
    EXPECT_EQ(IntArg(down, 0, 0), 1);
    EXPECT_EQ(IntArg(down, 0, 1), 1);
    EXPECT_NEAR(down.at(0).at(2).toFloat(), Twips::FromPixels(middle.x(), &bar), 0.01);
    EXPECT_EQ(click.count(), 1);
}

TEST(ProgressBar, StoredSettingsRoundTrip) {
    PPB blank;
    blank.ReadProperties(PropertyBag());
    PropertyBag nothing;
    blank.WriteProperties(nothing);
    EXPECT_TRUE(nothing.IsEmpty()) << nothing.ToText().toStdString();
    EXPECT_FALSE(blank.isEnabled());  // an absent Enabled reads as disabled

    QImage red(4, 2, QImage::Format_RGB32), blue(4, 2, QImage::Format_RGB32);
    red.fill(Qt::red);
    blue.fill(Qt::blue);
    PropertyBag layout;
    layout.WriteBool("Enabled", true, false);
    layout.WritePicture("Image", red);
    layout.WritePicture("Picture", blue);
    layout.WriteColor("BackColor", 0x00FF8080, SysColor::kButtonFace);
    layout.WriteColor("BorderColor", 0x00FF8080, SysColor::kWindowText);
    layout.WriteBool("ShowBorder", false, true);
    layout.WriteBool("IsPercent", false, true);
    PPB bar;
    bar.ReadProperties(layout);
    EXPECT_EQ(bar.Picture().pixelColor(0, 0), QColor(Qt::blue));  // Picture wins over Image
    EXPECT_TRUE(bar.isEnabled());
    EXPECT_FALSE(bar.ShowBorder());
    EXPECT_FALSE(bar.IsPercent());
    EXPECT_EQ(bar.BorderColor(), 0x00FF8080u);

    PropertyBag saved;
    bar.WriteProperties(saved);
    EXPECT_EQ(saved.Keys(), QStringList({"IsPercent", "Enabled", "Image", "Picture", "BackColor",
                                         "BorderColor", "ShowBorder"}));

    PropertyBag imageOnly;
    imageOnly.WritePicture("Image", red);
    PPB cleared;
    cleared.ReadProperties(imageOnly);
    EXPECT_TRUE(cleared.Picture().isNull());  // an absent Picture clears the fill image
}
