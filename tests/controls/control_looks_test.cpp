// Every control painted in each look a user brings about: idle, keyboard focus, the mouse over
// it, a button held down, disabled, and the variants the main window uses. What a person would
// check on the pictures is asserted: a press, the focus and the disabled state each show, the
// look comes back when they end, and the caption is drawn inside the control. A look that fails
// a check is saved under the build folder for a person to open.
#include <gtest/gtest.h>

#include <QDir>
#include <QPainter>
#include <QTest>
#include <functional>

#include "Chk1.h"
#include "Cmd1.h"
#include "McToolBar.h"
#include "PPB.h"
#include "Txt.h"
#include "control_test_support.h"

namespace {

QImage Icon(const QColor& colour) {
    QImage icon(16, 16, QImage::Format_ARGB32);
    icon.fill(Qt::transparent);
    QPainter painter(&icon);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(colour);
    painter.setPen(Qt::black);
    painter.drawEllipse(QRect(1, 1, 13, 13));
    return icon;
}

QImage Look(QWidget& widget) {
    QApplication::processEvents();
    return widget.grab().toImage();
}

void Keep(const QImage& look, const QString& name) {
    QDir().mkpath(QStringLiteral(DRAVELO_LOOKS_DIR));
    look.save(QStringLiteral(DRAVELO_LOOKS_DIR "/") + name + QStringLiteral(".png"));
}

void ExpectShows(const QImage& before, const QImage& after, const QString& name) {
    EXPECT_NE(after, before) << name.toStdString() << " looks the same as before";
    if (after == before) Keep(after, name);
}

void ExpectBackTo(const QImage& idle, const QImage& now, const QString& name) {
    EXPECT_EQ(now, idle) << name.toStdString() << " does not look idle again";
    if (now != idle) Keep(now, name);
}

// The bounding box of the pixels that differ between two pictures of one size.
QRect Difference(const QImage& a, const QImage& b) {
    QRect box;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            if (a.pixel(x, y) != b.pixel(x, y)) box |= QRect(x, y, 1, 1);
    return box;
}

McToolBar* Toolbar(QWidget& face, const QString& caption, int style) {
    auto* bar = new McToolBar(&face);
    bar->setButtonsStyle(style);
    bar->setButton_Count(3);
    for (int i = 0; i < 3; ++i) {
        bar->setButton_Index(i);
        bar->setButtonCaption(caption);
        bar->setButtonIcon(Icon(QColor::fromHsv(i * 100, 200, 230)));
    }
    bar->setButton_Index(-1);
    bar->setHoverColor(0x00FFC080);
    bar->move(10, 10);
    return bar;
}

struct Subject {
    std::string name;
    // Makes the control on `face` with `caption` as its text; an empty caption draws none.
    std::function<ControlBase*(QWidget& face, const QString& caption)> make;
    QString caption;
    // Where the mouse rests and presses, in the control; no press look without `pressable`.
    QPoint pointer;
    bool pressable = true;
    bool focusable = true;
    // The progress bar only shows progress: disabled, it looks the same.
    bool disabledShows = true;
    // Further looks, each expected to differ from the one before it.
    std::vector<std::pair<const char*, std::function<void(ControlBase&)>>> variants = {};
};

template <typename Control>
Control& As(ControlBase& control) {
    return static_cast<Control&>(control);
}

std::vector<Subject> Subjects() {
    std::vector<Subject> subjects;
    for (int style = 0; style <= 2; ++style) {
        subjects.push_back(
            {"toolbar_style" + std::to_string(style),
             [style](QWidget& face, const QString& caption) {
                 return Toolbar(face, caption, style);
             },
             "Bearbeiten",
             {110, 20},
             true,
             true,
             true,
             {{"checked", [](ControlBase& c) { As<McToolBar>(c).HighlightButton(0); }},
              {"button_disabled", [](ControlBase& c) {
                   auto& bar = As<McToolBar>(c);
                   bar.setButton_Index(2);
                   bar.setButtonEnabled(false);
               }}}});
    }
    subjects.push_back({"toolbar_main_menu",
                        [](QWidget& face, const QString& caption) {
                            auto* menu = new McToolBar(&face);
                            menu->setBackColor(RGB(255, 255, 255));
                            menu->setButton_Count(3);
                            menu->setAutoSizeButtons(true);
                            menu->setButtonsHeight(20);
                            menu->setButtonsStyle(2);
                            menu->setAlign(1);
                            for (int i = 0; i < 3; ++i) {
                                menu->setButton_Index(i);
                                menu->setButtonCaption(caption);
                            }
                            menu->setButton_Index(-1);
                            menu->setGeometry(10, 10, 400, 20);
                            return menu;
                        },
                        "Hilfe",
                        {5, 5}});
    subjects.push_back({"toolbar_gradient_frame",
                        [](QWidget& face, const QString& caption) {
                            McToolBar* bar = Toolbar(face, caption, 0);
                            bar->setBackGradient(3);
                            bar->setBorderStyle(1);
                            bar->setAppearance(1);
                            return bar;
                        },
                        "Datei",
                        {20, 20}});
    subjects.push_back({"ppb",
                        [](QWidget& face, const QString& caption) {
                            auto* bar = new PPB(&face);
                            bar->setGeometry(10, 10, 200, 24);
                            bar->setUseCustomCaption(true);
                            bar->SetCustomCaption(caption);
                            bar->ValueChange(42);
                            return bar;
                        },
                        "Lesen",
                        {20, 10},
                        false,
                        false,
                        false,
                        {{"main_window_70", [](ControlBase& c) {
                              auto& bar = As<PPB>(c);
                              bar.setShowBorder(false);
                              bar.setBorderColor(0x00FF8080);
                              bar.setBackColor(0x00FF8080);
                              bar.ValueChange(70);
                          }}}});
    subjects.push_back({"cmd",
                        [](QWidget& face, const QString& caption) {
                            auto* button = new Cmd1(&face);
                            button->setCaption(caption);
                            button->setGeometry(10, 10, 120, 40);
                            return button;
                        },
                        "Start Single",
                        {60, 20},
                        true,
                        true,
                        true,
                        {{"picture_wrapped", [](ControlBase& c) {
                              auto& button = As<Cmd1>(c);
                              button.setCaption("Werte automatisch berechnen");
                              button.setPicture(Icon(Qt::yellow));
                              button.setPicSize(3);
                              button.setPicAlign(6);
                              button.setTextAlign(7);
                              button.resize(120, 56);
                          }}}});
    subjects.push_back({"chk",
                        [](QWidget& face, const QString& caption) {
                            auto* box = new Chk1(&face);
                            box->setCaption(caption);
                            box->setGeometry(10, 10, 250, 24);
                            box->setHighColor(0x00C00000);
                            box->setAnim_Duration(0);
                            return box;
                        },
                        "Protokolldatei schreiben",
                        {5, 10},
                        true,
                        true,
                        true,
                        {{"checked_tick", [](ControlBase& c) { As<Chk1>(c).setStyle(2); }},
                         {"animating", [](ControlBase& c) {
                              auto& box = As<Chk1>(c);
                              box.setAnim_Duration(2);
                              box.setAnim_Speed(1);
                              QTest::mousePress(&box, Qt::LeftButton, {}, QPoint(5, 10));
                          }}}});
    subjects.push_back({"txt",
                        [](QWidget& face, const QString& caption) {
                            auto* box = new Txt(&face);
                            box->setGeometry(10, 10, 100, 22);
                            box->setText(caption);
                            return box;
                        },
                        "100",
                        {2, 2},
                        false,
                        true,
                        true,
                        {{"multiline", [](ControlBase& c) {
                              auto& box = As<Txt>(c);
                              box.setStyle(1);
                              box.setText("zwei\nZeilen");
                              box.resize(100, 40);
                          }}}});
    return subjects;
}

// A face around the control, ten pixels wider on every side.
ControlBase* Place(const Subject& subject, QWidget& face, const QString& caption) {
    ControlBase* control = subject.make(face, caption);
    face.resize(control->geometry().right() + 11, control->geometry().bottom() + 11);
    return control;
}

void PrintTo(const Subject& subject, std::ostream* out) {
    *out << subject.name;
}

class ControlLooks : public testing::TestWithParam<Subject> {};

}  // namespace

TEST_P(ControlLooks, EachStateShowsAndEnds) {
    const Subject& subject = GetParam();
    const QString name = QString::fromStdString(subject.name) + QLatin1Char('_');
    QWidget face;
    ControlBase* control = Place(subject, face, subject.caption);
    ASSERT_TRUE(ShowActive(face));
    control->clearFocus();  // the active window gave it the focus
    const QImage idle = Look(*control);

    control->setEnabled(false);
    if (subject.disabledShows)
        ExpectShows(idle, Look(*control), name + "disabled");
    else
        ExpectBackTo(idle, Look(*control), name + "disabled");
    control->setEnabled(true);
    ExpectBackTo(idle, Look(*control), name + "enabled_again");

    if (subject.focusable) {
        control->setFocus(Qt::TabFocusReason);
        ExpectShows(idle, Look(*control), name + "keyboard_focused");
        control->clearFocus();
        ExpectBackTo(idle, Look(*control), name + "focus_gone");
    }

    MoveMouse(control, subject.pointer);
    const QImage hover = Look(*control);
    if (subject.pressable) {
        QTest::mousePress(control, Qt::LeftButton, {}, subject.pointer);
        const QImage pressed = Look(*control);
        ExpectShows(idle, pressed, name + "pressed");
        ExpectShows(hover, pressed, name + "pressed_over_hover");
        QTest::mouseRelease(control, Qt::LeftButton, {}, subject.pointer);
    }
    SendLeave(*control);
    control->clearFocus();  // a press gives the focus

    QImage before = Look(*control);
    for (const auto& [variant, change] : subject.variants) {
        change(*control);
        const QImage after = Look(*control);
        ExpectShows(before, after, name + variant);
        before = after;
    }
}

// The caption's ink, the pixels a caption changes on the face around the control, lies inside
// the control and leaves its outer edge free.
TEST_P(ControlLooks, CaptionIsDrawnInsideTheControl) {
    const Subject& subject = GetParam();
    QWidget plainFace;
    QWidget captionFace;
    ControlBase* plainControl = Place(subject, plainFace, QString());
    ControlBase* captionControl = Place(subject, captionFace, subject.caption);
    const QRect bounds = captionControl->geometry();
    ShowAndWait(plainFace);
    ShowAndWait(captionFace);
    plainControl->clearFocus();  // a window shown first may be made active
    captionControl->clearFocus();
    const QImage plain = Look(plainFace);
    const QImage withCaption = Look(captionFace);
    ASSERT_EQ(plain.size(), withCaption.size());

    const QRect ink = Difference(plain, withCaption);
    EXPECT_FALSE(ink.isEmpty()) << subject.name << ": no caption drawn";
    const QRect inside = bounds.adjusted(1, 1, -1, -1);
    EXPECT_TRUE(inside.contains(ink)) << subject.name << ": ink at " << ink.x() << "," << ink.y()
                                      << " " << ink.width() << "x" << ink.height();
    if (!inside.contains(ink)) Keep(withCaption, QString::fromStdString(subject.name) + "_caption");
}

INSTANTIATE_TEST_SUITE_P(EveryControl, ControlLooks, testing::ValuesIn(Subjects()),
                         [](const testing::TestParamInfo<Subject>& info) {
                             return info.param.name;
                         });
