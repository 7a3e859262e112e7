// How the windows look in both shipped languages: every caption fits its control, nothing lies
// outside its container, and screenshots (PNG) of the main window at rest, during and after a
// run, with each menu open, and of the About dialog, at the scale of the screen. CTest runs this
// program twice: at scale 1 and with QT_SCALE_FACTOR=1.5.
#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QMenu>
#include <QPainter>
#include <QPushButton>
#include <QTimer>

#include "FormWidgets.h"
#include "ProfileRun.h"
#include "frmAbout.h"
#include "frmProfile.h"
#include "temp_folder.h"
#include "window_test_support.h"

namespace {

const char* const kCaptionedLabels[] = {"Label1", "Label2"};
const char* const kCheckBoxes[] = {"Chk11", "ChkDoEvents", "chkDisableCaching",
                                   "chkEnableWriteThrough"};
const char* const kStartButtons[] = {"Cmd11", "Cmd12"};

QString ScaleName() {
    return QString::number(qApp->devicePixelRatio());
}

class WindowLooks : public ::testing::TestWithParam<const char*> {
  protected:
    void SetUp() override {
        ClearStore();
        window_ = OpenWindow(QStringLiteral("lang= ") + QString::fromLatin1(GetParam()));
    }

    QString Language() const { return QString::fromLatin1(GetParam()).section(u'.', 0, 0); }

    void Save(const QImage& image, const QString& what) const {
        const QDir folder(QStringLiteral(DRAVELO_SCREENSHOT_DIR));
        ASSERT_TRUE(folder.mkpath(QStringLiteral(".")));
        const QString name = QStringLiteral("%1_%2_x%3.png").arg(what, Language(), ScaleName());
        EXPECT_TRUE(image.save(folder.filePath(name))) << name.toStdString();
    }

    // The window with a popup drawn over it where the screen shows it, on a canvas large
    // enough for both.
    QImage WithPopup(QWidget* popup) const {
        const QPoint at = popup->mapToGlobal(QPoint(0, 0)) - window_->mapToGlobal(QPoint(0, 0));
        const QRect both = window_->rect().united(QRect(at, popup->size()));
        const qreal scale = qApp->devicePixelRatio();
        QImage image(both.size() * scale, QImage::Format_ARGB32_Premultiplied);
        image.setDevicePixelRatio(scale);
        image.fill(Qt::darkGray);
        QPainter painter(&image);
        painter.drawPixmap(-both.topLeft(), window_->grab());
        painter.drawPixmap(at - both.topLeft(), popup->grab());
        return image;
    }

    std::unique_ptr<frmMain> window_;
};

// Every control of the layout lies within its container, all the way down.
void ExpectNothingCutOff(const QWidget* parent) {
    for (const QWidget* child : parent->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        const QString name = child->objectName();
        if (child->isWindow() || name.isEmpty() || name.startsWith(u"qt_")) continue;
        EXPECT_TRUE(parent->rect().contains(child->geometry()))
            << child->objectName().toStdString() << " lies outside "
            << parent->objectName().toStdString();
        ExpectNothingCutOff(child);
    }
}

int TextWidth(const QWidget* widget, const QString& text) {
    return QFontMetrics(widget->font()).horizontalAdvance(text);
}

}  // namespace

TEST_P(WindowLooks, EveryCaptionFitsItsControl) {
    const frmMain& window = *window_;
    for (const char* name : kCaptionedLabels) {
        const auto* label = Control<QLabel>(window, name);
        EXPECT_LE(TextWidth(label, label->text()), label->width()) << name;
    }
    for (const char* name : kCheckBoxes) {
        const auto* box = Control<Chk1>(window, name);
        EXPECT_LE(box->CaptionRect().right(), box->ScaleWidth()) << name;
    }
    for (const char* name : kStartButtons) {
        const auto* button = Control<Cmd1>(window, name);
        const int margin = Twips::ToWholePixels(button->TextDistToEdge(), button);
        EXPECT_LE(TextWidth(button, button->Caption()), button->width() - 2 * margin) << name;
    }
    auto* bar = Control<McToolBar>(window, "McToolBar1");
    for (int i = 0; i < bar->Button_Count(); ++i) {
        bar->setButton_Index(i);
        EXPECT_LE(TextWidth(bar, bar->ButtonCaption()), bar->GetButtonWidth(i)) << i;
    }
    bar->setButton_Index(-1);
    EXPECT_LE(bar->GetButtonLeft(2) + bar->GetButtonWidth(2), bar->width());
    // The log view holds six lines.
    const auto* log = Control<QLabel>(window, "Label3");
    EXPECT_LE(6 * QFontMetrics(log->font()).lineSpacing(), log->height());

    frmAbout about(window_.get());
    for (const char* name : {"lblVersion", "lblDisclaimer"}) {
        const auto* label = about.findChild<QLabel*>(QString::fromLatin1(name));
        EXPECT_LE(TextWidth(label, label->text()), label->width()) << name;
    }
    const auto* description = about.findChild<QLabel*>(QStringLiteral("lblDescription"));
    const QRect needed = QFontMetrics(description->font())
                             .boundingRect(QRect(0, 0, description->width(), 10000),
                                           Qt::TextWordWrap, description->text());
    EXPECT_LE(needed.height(), description->height());
    ExpectNothingCutOff(window_.get());
    ExpectNothingCutOff(&about);
}

TEST_P(WindowLooks, Screenshots) {
    frmMain& window = *window_;
    const QImage rest = window.grab().toImage();
    EXPECT_EQ(window.size(), QSize(320, 320));
    EXPECT_EQ(rest.size(), window.size() * qApp->devicePixelRatio());
    Save(rest, QStringLiteral("main_rest"));

    // During a run: once the whole run's bar has passed a third, with the banner of the run.
    TempFolder folder;
    Control<Txt>(window, "Txt1")->setText(QStringLiteral("3"));
    Control<Txt>(window, "Txt2")->setText(QStringLiteral("1"));
    Control<DriveBox>(window, "Drive1")->setEditText(folder.path());
    auto* overall = Control<PPB>(window, "OverallProgress");
    QImage running;
    QTimer watcher;
    QObject::connect(&watcher, &QTimer::timeout, [&] {
        const int percent = overall->LabelText().chopped(1).toInt();
        if (running.isNull() && window.RunActive() && percent >= 34 && percent < 100)
            running = window.grab().toImage();
    });
    QObject::connect(&window, &frmMain::RunStarted, [&] { watcher.start(0); });
    Click(Control<Cmd1>(window, "Cmd11"));
    watcher.stop();
    ASSERT_FALSE(running.isNull()) << "no pump point past a third of the run";
    Save(running, QStringLiteral("main_running"));
    Save(window.grab().toImage(), QStringLiteral("main_after_run"));
    const auto* log = Control<QLabel>(window, "Label3");
    for (const QString& line : log->text().split(u'\n'))
        EXPECT_LE(TextWidth(log, line), log->width()) << line.toStdString();

    auto* bar = Control<McToolBar>(window, "McToolBar1");
    const std::pair<QMenu*, const char*> menus[] = {{window.FileMenu(), "menu_file"},
                                                    {window.EditMenu(), "menu_edit"},
                                                    {window.HelpMenu(), "menu_help"}};
    for (int i = 0; i < 3; ++i) {
        ClickToolBarButton(bar, i);
        ASSERT_TRUE(menus[i].first->isVisible());
        Save(WithPopup(menus[i].first), QString::fromLatin1(menus[i].second));
        menus[i].first->close();
    }

    auto* box = Control<DriveBox>(window, "Drive1");
    box->showPopup();
    QWidget* list = box->view()->window();
    ASSERT_TRUE(list->isVisible());
    for (const QString& entry : box->Entries())
        EXPECT_LE(TextWidth(box->view(), entry), box->view()->viewport()->width())
            << entry.toStdString();
    Save(WithPopup(list), QStringLiteral("drive_list"));
    box->hidePopup();

    bool aboutSeen = false;
    WhenModalOpens(&window, [&](QWidget* modal) {
        auto* about = qobject_cast<frmAbout*>(modal);
        ASSERT_TRUE(about);
        aboutSeen = true;
        Save(about->grab().toImage(), QStringLiteral("about"));
        about->accept();
    });
    window.About();
    EXPECT_TRUE(RunEventLoopUntil([&] { return aboutSeen; }, 5000));
}

// The refusals a user reads in the log view, whole; and the grey frames with all four edges at
// any scale (a frame's pixel at the middle of each edge has the frame's colour).
TEST_P(WindowLooks, RefusalsAndFrames) {
    frmMain& window = *window_;
    Control<DriveBox>(window, "Drive1")->setEditText(QStringLiteral("/nonexistent/folder"));
    Click(Control<Cmd1>(window, "Cmd11"));
    Save(window.grab().toImage(), QStringLiteral("main_refused_folder"));
    TempFolder folder;
    Control<DriveBox>(window, "Drive1")->setEditText(folder.path());
    Control<Txt>(window, "Txt1")->setText(QStringLiteral("99999999999"));  // no 32-bit number
    Control<Txt>(window, "Txt2")->setText(QStringLiteral("1"));
    Click(Control<Cmd1>(window, "Cmd11"));
    const QImage refused = window.grab().toImage();
    Save(refused, QStringLiteral("main_text7"));
    EXPECT_TRUE(Control<QLabel>(window, "Label3")->text().simplified().endsWith(u'!'));

    const qreal scale = qApp->devicePixelRatio();
    for (const char* name : {"frView(0)", "Shape1", "Shape2"}) {
        const auto* frame = window.findChild<ShapeBox*>(QString::fromLatin1(name));
        ASSERT_NE(frame, nullptr) << name;
        const QPoint at = frame->mapTo(&window, QPoint(0, 0));
        const int left = qRound(at.x() * scale);
        const int top = qRound(at.y() * scale);
        const int right = qRound((at.x() + frame->width()) * scale) - 1;
        const int bottom = qRound((at.y() + frame->height()) * scale) - 1;
        const int midX = (left + right) / 2;
        const int midY = (top + bottom) / 2;
        for (const QPoint& edge :
             {QPoint(left, midY), QPoint(right, midY), QPoint(midX, top), QPoint(midX, bottom)})
            EXPECT_EQ(refused.pixelColor(edge), frame->BorderColor())
                << name << " at " << edge.x() << "," << edge.y();
    }
}

INSTANTIATE_TEST_SUITE_P(ShippedLanguages, WindowLooks,
                         ::testing::Values("deutsch.lng", "english.lng"),
                         [](const auto& info) { return std::string(info.param).substr(0, 7); });

namespace {

// Figures as a fast drive gives them, for every test of the default preset.
ProfileReport MadeUpProfile() {
    ProfileReport report;
    report.engine = QStringLiteral("io_uring");
    report.cacheBypass = true;
    report.fileBytes = int64_t(1) << 30;
    report.runs = 5;
    report.secondsPerRun = 5;
    double mbps = 3456.7;
    const std::vector<ProfileTest> tests = *PresetTests(QStringLiteral("default"));
    for (const ProfileTest& test : tests) {
        DirectionFigures figures;
        figures.runs = {{mbps, mbps / 1.048576, mbps * 1e6 / test.blockBytes}};
        SummariseRuns(figures);
        for (uint64_t ns = 20000; ns < 900000; ns += 7000) figures.latency.Add(ns);
        report.tests.push_back({test, figures, figures});
        mbps /= 3;
    }
    return report;
}

}  // namespace

TEST_P(WindowLooks, ProfileWindowFitsItsTextsAndFigures) {
    frmMain& window = *window_;
    window.FileMenu()->findChild<QAction*>(QStringLiteral("mnuFileProfile"))->trigger();
    frmProfile* profile = window.ProfileWindow();
    ASSERT_TRUE(profile);
    profile->ProfileFinished(MadeUpProfile());
    (void)QTest::qWaitForWindowExposed(profile);
    QApplication::processEvents();
    for (const QPushButton* button : profile->findChildren<QPushButton*>())
        EXPECT_LE(button->sizeHint().width(), button->width()) << button->text().toStdString();
    for (const QLabel* label : profile->findChildren<QLabel*>()) {
        if (label->wordWrap() || label->text().isEmpty()) continue;
        EXPECT_LE(label->sizeHint().width(), label->width()) << label->text().toStdString();
        EXPECT_LE(label->sizeHint().height(), label->height()) << label->text().toStdString();
    }
    ExpectNothingCutOff(profile);
    Save(profile->grab().toImage(), QStringLiteral("profile"));
}
