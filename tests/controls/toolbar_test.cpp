#include <gtest/gtest.h>

#include <QKeyEvent>
#include <QPainter>
#include <QSignalSpy>
#include <QTest>
#include <functional>

#include "McToolBar.h"
#include "control_test_support.h"

namespace {

// A fixed grid: cells of 90 x 40 pixels, three to a row, the control wider than the grid.
void MakeFixedGrid(McToolBar& bar, int buttons) {
    bar.setWarpSize(false);
    bar.setAutoSize(false);
    bar.setButton_Count(buttons);
    bar.setButtonsPerRow(3);
    bar.resize(400, 80);
}

void SetCaptions(McToolBar& bar, const QStringList& captions) {
    bar.setButton_Count(static_cast<int>(captions.size()));
    for (int i = 0; i < captions.size(); ++i) {
        bar.setButton_Index(i);
        bar.setButtonCaption(captions[i]);
    }
}

QStringList Captions(McToolBar& bar) {
    const int current = bar.Button_Index();
    QStringList captions;
    for (int i = 0; i < bar.Button_Count(); ++i) {
        bar.setButton_Index(i);
        captions << bar.ButtonCaption();
    }
    bar.setButton_Index(current);
    return captions;
}

QImage Dot(const QColor& colour) {
    QImage dot(12, 12, QImage::Format_ARGB32);
    dot.fill(Qt::transparent);
    QPainter painter(&dot);
    painter.setBrush(colour);
    painter.drawEllipse(QRect(1, 1, 9, 9));
    return dot;
}

// A diagonal gradient and three pictured buttons: the first current (drawn with its shadow),
// the second disabled (drawn greyed).
void MakePicturedBar(McToolBar& bar) {
    bar.setWarpSize(false);
    bar.setBackGradient(3);
    SetCaptions(bar, {"Eins", "Zwei", "Drei"});
    for (int i = 0; i < 3; ++i) {
        bar.setButton_Index(i);
        bar.setButtonIcon(Dot(QColor::fromHsv(i * 100, 200, 230)));
    }
    bar.setButton_Index(1);
    bar.setButtonEnabled(false);
    bar.setButton_Index(0);
    bar.resize(270, 60);
}

}  // namespace

TEST(Toolbar, UniformGridHitTesting) {
    McToolBar bar;
    MakeFixedGrid(bar, 3);
    ShowAndWait(bar);
    QSignalSpy hover(&bar, &McToolBar::OnButtonHover);
    QSignalSpy move(&bar, &McToolBar::MouseMove);

    MoveMouse(&bar, QPoint(100, 20));
    EXPECT_EQ(bar.Button_Index(), 1);
    ASSERT_EQ(hover.count(), 1);
    EXPECT_EQ(IntArg(hover, 0, 0), 1);

    bar.setCursor(Qt::PointingHandCursor);
    MoveMouse(&bar, QPoint(300, 20));  // fourth cell column
    EXPECT_EQ(bar.Button_Index(), -1);
    EXPECT_EQ(bar.cursor().shape(), Qt::ArrowCursor);
    MoveMouse(&bar, QPoint(20, 60));  // second row, no button there
    EXPECT_EQ(bar.Button_Index(), -1);
    EXPECT_EQ(IntArg(hover, hover.count() - 1, 0), -1);
    EXPECT_EQ(IntArg(move, move.count() - 1, 4), -1);
}

TEST(Toolbar, DisabledButtonIsNeverHovered) {
    McToolBar bar;
    MakeFixedGrid(bar, 3);
    bar.setButton_Index(1);
    bar.setButtonEnabled(false);
    ShowAndWait(bar);
    MoveMouse(&bar, QPoint(10, 10));
    EXPECT_EQ(bar.Button_Index(), 0);
    QSignalSpy hover(&bar, &McToolBar::OnButtonHover);
    MoveMouse(&bar, QPoint(120, 10));
    ASSERT_EQ(hover.count(), 1);
    EXPECT_EQ(IntArg(hover, 0, 0), -1);
}

TEST(Toolbar, AutoSizedButtonsHitTestByTheirRectangles) {
    McToolBar bar;
    bar.setAutoSizeButtons(true);
    SetCaptions(bar, {"Datei", "Bearbeiten", "Hilfe"});
    bar.setButtonsHeight(20);
    bar.setAlign(1);
    bar.resize(600, 20);
    ShowAndWait(bar);
    EXPECT_EQ(bar.GetButtonLeft(0), 0);
    EXPECT_EQ(bar.GetButtonLeft(1), bar.GetButtonWidth(0));
    EXPECT_EQ(bar.GetButtonLeft(2), bar.GetButtonWidth(0) + bar.GetButtonWidth(1));
    EXPECT_GT(bar.GetButtonWidth(1), bar.GetButtonWidth(2));  // longer caption, wider button
    EXPECT_EQ(bar.GetButtonHeight(0), 20);

    MoveMouse(&bar, QPoint(bar.GetButtonLeft(1) + 2, 5));
    EXPECT_EQ(bar.Button_Index(), 1);
    MoveMouse(&bar, QPoint(bar.GetButtonLeft(2) + bar.GetButtonWidth(2) + 5, 5));
    EXPECT_EQ(bar.Button_Index(), -1);
}

TEST(Toolbar, AutoSizeAndWarpSizeFollowTheGrid) {
    McToolBar bar;
    bar.setButton_Count(5);
    bar.resize(400, 10);
    bar.RedrawControl();
    // 400 / 90 rounds to 4 buttons a row; two rows of 40 pixels; the width snaps to the grid.
    EXPECT_EQ(bar.ButtonsPerRow(), 4);
    EXPECT_EQ(bar.size(), QSize(360, 80));
    EXPECT_EQ(bar.GetButtonLeft(3), 270);
    EXPECT_EQ(bar.GetButtonTop(4), 40);
    EXPECT_EQ(bar.GetButtonLeft(4), 0);

    bar.setAlign(1);  // docked at the top: the width stays the container's
    bar.resize(300, 10);
    bar.RedrawControl();
    EXPECT_EQ(bar.ButtonsPerRow(), 3);
    EXPECT_EQ(bar.size(), QSize(300, 80));
}

TEST(Toolbar, ButtonQueriesOutsideTheButtonsGiveZero) {
    McToolBar bar;
    MakeFixedGrid(bar, 3);
    EXPECT_EQ(bar.GetButtonLeft(2), 180);
    EXPECT_EQ(bar.GetButtonLeft(3), 0);
    EXPECT_EQ(bar.GetButtonWidth(-1), 0);
    EXPECT_EQ(bar.GetButtonTop(3), 0);
    EXPECT_EQ(bar.GetButtonHeight(7), 0);
}

TEST(Toolbar, ButtonCountGrowsWithNumberedCaptionsAndIgnoresBadValues) {
    McToolBar bar;
    QSignalSpy changed(&bar, &McToolBar::PropertyChanged);
    bar.setButton_Count(0);
    bar.setButton_Count(1);
    EXPECT_EQ(bar.Button_Count(), 1);
    EXPECT_EQ(changed.count(), 0);
    bar.setButton_Count(3);
    EXPECT_EQ(Captions(bar), QStringList({"Button 0", "Button 1", "Button 2"}));
    bar.setButton_Index(2);
    EXPECT_TRUE(bar.ButtonEnabled());
    EXPECT_EQ(bar.ButtonToolTip(), "");
}

TEST(Toolbar, ButtonIndexIsClamped) {
    McToolBar bar;
    bar.setButton_Count(3);
    bar.setButton_Index(-5);
    EXPECT_EQ(bar.Button_Index(), -1);
    bar.setButton_Index(99);
    EXPECT_EQ(bar.Button_Index(), 2);
    // No current button: per-button settings do nothing.
    bar.setButton_Index(-1);
    bar.setButtonCaption("lost");
    EXPECT_FALSE(Captions(bar).contains("lost"));
}

TEST(Toolbar, MoveToSwapsAndRemoveClosesUp) {
    McToolBar bar;
    SetCaptions(bar, {"A", "B", "C"});
    bar.setButton_Index(0);
    bar.setButtonMoveTo(99);
    EXPECT_EQ(bar.Button_Index(), 2);
    EXPECT_EQ(Captions(bar), QStringList({"C", "B", "A"}));
    bar.setButtonMoveTo(-4);
    EXPECT_EQ(bar.Button_Index(), 0);
    EXPECT_EQ(Captions(bar), QStringList({"A", "B", "C"}));

    bar.setButton_Index(1);
    bar.setButtonRemove(0);
    EXPECT_EQ(Captions(bar), QStringList({"A", "C"}));
    bar.setButton_Index(1);
    bar.setButtonRemove(0);
    EXPECT_EQ(bar.Button_Index(), 0);
    bar.setButtonRemove(0);  // the last button stays
    EXPECT_EQ(Captions(bar), QStringList({"A"}));
}

TEST(Toolbar, HighlightButtonSetsThePressedFlag) {
    McToolBar bar;
    bar.setButton_Count(2);
    bar.HighlightButton(1);
    bar.setButton_Index(1);
    EXPECT_TRUE(bar.ButtonPressed());
    bar.UnHighlightButton(1);
    EXPECT_FALSE(bar.ButtonPressed());
    bar.HighlightButton(5);  // no such button: nothing happens
}

TEST(Toolbar, ClicksReportTheHoveredButton) {
    McToolBar bar;
    MakeFixedGrid(bar, 3);
    ShowAndWait(bar);
    QSignalSpy click(&bar, &McToolBar::Click);
    QSignalSpy down(&bar, &McToolBar::MouseDown);
    QSignalSpy up(&bar, &McToolBar::MouseUp);
    MoveMouse(&bar, QPoint(200, 10));
    QTest::mouseClick(&bar, Qt::LeftButton, {}, QPoint(200, 10));
    ASSERT_EQ(click.count(), 1);
    EXPECT_EQ(IntArg(click, 0, 0), 2);
    EXPECT_EQ(IntArg(down, 0, 4), 2);
    EXPECT_EQ(IntArg(up, 0, 4), 2);

    MoveMouse(&bar, QPoint(350, 10));
    QTest::mouseClick(&bar, Qt::LeftButton, {}, QPoint(350, 10));
    EXPECT_EQ(down.count(), 1);  // nothing under the mouse: no MouseDown/MouseUp
    EXPECT_EQ(up.count(), 1);
    ASSERT_EQ(click.count(), 2);
    EXPECT_EQ(IntArg(click, 1, 0), -1);
}

TEST(Toolbar, KeysCarryCodesAndIndex) {
    McToolBar bar;
    MakeFixedGrid(bar, 3);
    bar.setButton_Index(1);
    QSignalSpy keyDown(&bar, &McToolBar::KeyDown);
    QSignalSpy keyUp(&bar, &McToolBar::KeyUp);
    QKeyEvent press(QEvent::KeyPress, Qt::Key_A, Qt::ControlModifier, "a");
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_A, Qt::ControlModifier, "a");
    QApplication::sendEvent(&bar, &press);
    QApplication::sendEvent(&bar, &release);
    ASSERT_EQ(keyDown.count(), 1);
    EXPECT_EQ(IntArg(keyDown, 0, 0), 65);
    EXPECT_EQ(IntArg(keyDown, 0, 1), 2);
    EXPECT_EQ(IntArg(keyDown, 0, 2), 1);
    EXPECT_EQ(keyUp.count(), 1);
}

TEST(Toolbar, LeavingClearsTheHoverIndex) {
    McToolBar bar;
    MakeFixedGrid(bar, 3);
    ShowAndWait(bar);
    QSignalSpy enter(&bar, &McToolBar::MouseEnter);
    QSignalSpy leave(&bar, &McToolBar::MouseLeave);
    MoveMouse(&bar, QPoint(10, 10));
    MoveMouse(&bar, QPoint(12, 10));
    EXPECT_EQ(enter.count(), 1);
    SendLeave(bar);
    EXPECT_EQ(bar.Button_Index(), -1);
    EXPECT_EQ(leave.count(), 1);
}

TEST(Toolbar, TooltipAppearsOnlyAfterTheMouseRests) {
    McToolBar bar;
    MakeFixedGrid(bar, 3);
    bar.setButton_Index(1);
    bar.setButtonCaption("Bearbeiten");
    bar.setButtonToolTip("Kopieren und Speichern");
    bar.setButtonToolTipIcon(1);
    ShowAndWait(bar);

    // Moving on every tick keeps restarting the count.
    for (int i = 0; i < 15; ++i) {
        MoveMouse(&bar, QPoint(100 + i, 20));
        QTest::qWait(2);
        EXPECT_EQ(bar.ToolTipWindow(), nullptr);
    }
    QTRY_VERIFY(bar.ToolTipWindow() != nullptr);
    EXPECT_EQ(bar.ToolTipWindow()->Shown().title, "Bearbeiten");
    EXPECT_EQ(bar.ToolTipWindow()->Shown().text, "Kopieren und Speichern");
    EXPECT_EQ(bar.ToolTipWindow()->Shown().icon, 1);
    EXPECT_TRUE(bar.ToolTipWindow()->Shown().balloon);  // TooTipStyle other than 1

    MoveMouse(&bar, QPoint(130, 21));
    EXPECT_EQ(bar.ToolTipWindow(), nullptr);  // moving destroys it

    // A button without tooltip text never shows one.
    MoveMouse(&bar, QPoint(20, 20));
    QTest::qWait(60);
    EXPECT_EQ(bar.ToolTipWindow(), nullptr);
}

TEST(Toolbar, RectangularTooltipForStyleOne) {
    McToolBar bar;
    MakeFixedGrid(bar, 1);
    bar.setButton_Index(0);
    bar.setButtonToolTip("tip");
    bar.setTooTipStyle(1);
    ShowAndWait(bar);
    MoveMouse(&bar, QPoint(10, 10));
    QTRY_VERIFY(bar.ToolTipWindow() != nullptr);
    EXPECT_FALSE(bar.ToolTipWindow()->Shown().balloon);
}

TEST(Toolbar, IsDelimAndSplitToLines) {
    EXPECT_FALSE(McToolBar::IsDelim(QChar('_')));
    EXPECT_FALSE(McToolBar::IsDelim(QChar('a')));
    EXPECT_FALSE(McToolBar::IsDelim(QChar('Z')));
    EXPECT_TRUE(McToolBar::IsDelim(QChar('7')));
    EXPECT_TRUE(McToolBar::IsDelim(QChar(' ')));
    EXPECT_TRUE(McToolBar::IsDelim(QChar('-')));

    McToolBar bar;
    const QString text = "alpha beta gamma delta";
    const int narrow = QFontMetrics(bar.font()).horizontalAdvance("alpha beta") - 2;
    const QStringList lines = bar.SplitToLines(text, narrow, true);
    EXPECT_GT(lines.size(), 1);
    EXPECT_EQ(lines.join(' '), text);  // all of the text, cut at the spaces
    for (const QString& line : lines) EXPECT_EQ(line, line.trimmed());

    EXPECT_EQ(bar.SplitToLines("one\r\ntwo", 10000, true), QStringList({"onetwo"}));
    EXPECT_EQ(bar.SplitToLines("", 100, true), QStringList());
}

TEST(Toolbar, TileBitmapNeedsAPicture) {
    QImage surface(20, 10, QImage::Format_RGB32);
    surface.fill(Qt::white);
    QPainter painter(&surface);
    EXPECT_FALSE(McToolBar::TileBitmap(QImage(), painter, 0, 0, 20, 10));
    QImage tile(2, 2, QImage::Format_RGB32);
    tile.fill(Qt::black);
    tile.setPixelColor(1, 1, Qt::red);
    EXPECT_TRUE(McToolBar::TileBitmap(tile, painter, 4, 2, 20, 10));
    painter.end();
    EXPECT_EQ(surface.pixelColor(3, 3), QColor(Qt::white));  // left of X1
    EXPECT_EQ(surface.pixelColor(4, 2), QColor(Qt::black));
    EXPECT_EQ(surface.pixelColor(5, 3), QColor(Qt::red));  // pattern aligned to X1, Y1
    EXPECT_EQ(surface.pixelColor(7, 5), QColor(Qt::red));
}

TEST(Toolbar, StoredSettingsRoundTrip) {
    McToolBar blank;
    blank.setUserMode(false);
    blank.ReadProperties(PropertyBag());
    PropertyBag nothing;
    blank.WriteProperties(nothing);
    EXPECT_TRUE(nothing.IsEmpty()) << nothing.ToText().toStdString();

    // A new toolbar differs from the stored defaults in its tooltip style and numbered caption.
    McToolBar fresh;
    PropertyBag freshBag;
    fresh.WriteProperties(freshBag);
    EXPECT_EQ(freshBag.Keys(), QStringList({"TooTipStyle", "ButtonCaption0"}));

    McToolBar menu;
    menu.setBackColor(RGB(255, 255, 255));
    menu.setAutoSizeButtons(true);
    menu.setButtonsHeight(20);
    menu.setTooTipStyle(0);
    menu.setButtonsStyle(2);
    SetCaptions(menu, {"Datei", "Bearbeiten", "Hilfe"});
    menu.setButton_Index(2);
    menu.setButtonEnabled(false);
    PropertyBag saved;
    menu.WriteProperties(saved);
    EXPECT_TRUE(saved.Contains("ButtonCaption1"));
    EXPECT_TRUE(saved.Contains("ButtonEnabled2"));
    EXPECT_FALSE(saved.Contains("ButtonEnabled1"));

    const auto text = PropertyBag::FromText(saved.ToText());
    ASSERT_TRUE(text.has_value());
    McToolBar loaded;
    loaded.ReadProperties(*text);
    EXPECT_EQ(loaded.Button_Index(), -1);  // the running program starts with no hover
    EXPECT_EQ(loaded.Button_Count(), 3);
    EXPECT_EQ(Captions(loaded), QStringList({"Datei", "Bearbeiten", "Hilfe"}));
    EXPECT_EQ(loaded.BackColor(), RGB(255, 255, 255));
    EXPECT_TRUE(loaded.AutoSizeButtons());
    EXPECT_EQ(loaded.ButtonsStyle(), McToolBar::ButtonLook::Blended);
    loaded.setButton_Index(2);
    EXPECT_FALSE(loaded.ButtonEnabled());

    McToolBar designer;
    designer.setUserMode(false);
    designer.ReadProperties(*text);
    EXPECT_EQ(designer.Button_Index(), 2);
}

// The gradient and the picture looks the bar keeps between paints follow every change: a bar
// changed after it was painted looks exactly like one painted first with the final settings.
TEST(Toolbar, KeptLooksFollowChanges) {
    const auto onButton = [](int index, auto change) {
        return [index, change](McToolBar& bar) {
            bar.setButton_Index(index);
            change(bar);
            bar.setButton_Index(0);
        };
    };
    const std::vector<std::pair<const char*, std::function<void(McToolBar&)>>> changes{
        {"size", [](McToolBar& bar) { bar.resize(200, 90); }},
        {"back colour", [](McToolBar& bar) { bar.setBackColor(RGB(10, 200, 30)); }},
        {"gradient colour", [](McToolBar& bar) { bar.setBackGradientCol(RGB(0, 0, 90)); }},
        {"gradient direction", [](McToolBar& bar) { bar.setBackGradient(2); }},
        {"greyed picture", onButton(1, [](McToolBar& bar) { bar.setButtonIcon(Dot(Qt::red)); })},
        // A shadow shows the picture's shape only: a square instead of a dot.
        {"shadowed picture", onButton(0,
                                      [](McToolBar& bar) {
                                          QImage square(12, 12, QImage::Format_ARGB32);
                                          square.fill(Qt::blue);
                                          bar.setButtonIcon(square);
                                      })},
        {"button enabled", onButton(1, [](McToolBar& bar) { bar.setButtonEnabled(true); })},
        {"bar disabled", [](McToolBar& bar) { bar.setEnabled(false); }},
    };
    for (const auto& [name, change] : changes) {
        McToolBar painted;
        MakePicturedBar(painted);
        const QImage before = painted.grab().toImage();
        change(painted);
        McToolBar fresh;
        MakePicturedBar(fresh);
        change(fresh);
        const QImage after = fresh.grab().toImage();
        EXPECT_NE(after, before) << name;  // the change shows
        EXPECT_EQ(painted.grab().toImage(), after) << name;
    }
}
