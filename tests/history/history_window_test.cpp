// The window's history: the File menu opens it beside the main window, its table fills from a
// real history file and filters, the trend follows the selected drive, and Compare shows two runs
// side by side. Screenshots in both languages land beside the main window's.
#include <gtest/gtest.h>

#include <QAbstractItemModel>
#include <QAction>
#include <QDir>
#include <QJsonObject>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTableView>
#include <QTableWidget>
#include <QTest>

#include "HistoryWindow.h"
#include "RunHistory.h"
#include "TrendChart.h"
#include "temp_folder.h"
#include "window_test_support.h"

namespace {

QJsonObject Report(const char* time, const char* host, const char* serial, double write,
                   double read) {
    return {{"schema", 1},
            {"startTime", time},
            {"test", "single"},
            {"host", host},
            {"folder", "/srv/data/"},
            {"device", QJsonObject{{"name", "sda1"}, {"model", "Disk"}, {"serial", serial}}},
            {"inputs", QJsonObject{{"files", 20}, {"sizeMB", 10}}},
            {"outcome", QJsonObject{{"status", "completed"}}},
            {"write", QJsonObject{{"MBps", write}}},
            {"read", QJsonObject{{"MBps", read}}}};
}

class HistoryWindowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        saved_ = qgetenv("XDG_DATA_HOME");
        qputenv("XDG_DATA_HOME", data_.path().toUtf8());
        RunHistory history;
        ASSERT_TRUE(history.OpenForWriting()) << history.Error().toStdString();
        for (const QJsonObject& report : {Report("2026-10-01T03:00:00Z", "node-a", "S1", 100, 400),
                                          Report("2026-11-01T03:00:00Z", "node-a", "S1", 50, 400),
                                          Report("2026-11-02T03:00:00Z", "node-b", "S2", 80, 300)})
            ASSERT_TRUE(history.Record(report));
    }
    void TearDown() override { qputenv("XDG_DATA_HOME", saved_); }

    TempFolder data_;
    QByteArray saved_;
};

QTableView* Runs(const HistoryWindow& window) {
    return window.findChild<QTableView*>("runs");
}

// Selects the rows whose ID column holds the given IDs, as a user does: Ctrl and a click on each.
void Select(QTableView* table, const QList<int>& ids) {
    table->clearSelection();
    for (int row = 0; row < table->model()->rowCount(); ++row) {
        const QModelIndex cell = table->model()->index(row, 0);
        if (ids.contains(cell.data().toInt()))
            QTest::mouseClick(table->viewport(), Qt::LeftButton, Qt::ControlModifier,
                              table->visualRect(cell).center());
    }
}

}  // namespace

TEST_F(HistoryWindowTest, TableFillsFiltersAndComparesTwoRuns) {
    LoadLanguage(QCoreApplication::applicationDirPath() + "/english.lng");
    frmMain main;
    main.Load("lang= x.l");
    QAction* open = nullptr;
    for (QAction* action : main.findChildren<QAction*>())
        if (action->text() == "History…") open = action;
    ASSERT_NE(open, nullptr);
    open->trigger();
    HistoryWindow* window = main.findChild<HistoryWindow*>();
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
    EXPECT_TRUE(window->isVisible());
    EXPECT_FALSE(window->isModal());

    QTableView* table = Runs(*window);
    ASSERT_EQ(table->model()->rowCount(), 3);
    EXPECT_EQ(table->model()->index(0, 2).data().toString(), "node-b");  // newest first
    window->findChild<QLineEdit*>("filter")->setText("NODE-A");
    EXPECT_EQ(table->model()->rowCount(), 2);
    window->findChild<QLineEdit*>("filter")->clear();

    QPushButton* compare = window->findChild<QPushButton*>("compare");
    Select(table, {1});
    EXPECT_FALSE(compare->isEnabled());
    // The trend of drive S1: its two runs, oldest first.
    const TrendInput& trend = window->findChild<TrendView*>("trend")->Input();
    ASSERT_EQ(trend.points.size(), 2u);
    EXPECT_EQ(trend.points[1].writeMBps, 50.0);

    Select(table, {1, 2});
    ASSERT_TRUE(compare->isEnabled());
    QTest::mouseClick(compare, Qt::LeftButton);
    const QTableWidget* comparison = window->findChild<QTableWidget*>("comparison");
    ASSERT_EQ(comparison->rowCount(), 10);
    EXPECT_EQ(comparison->item(0, 1)->text(), "1");
    EXPECT_EQ(comparison->item(0, 2)->text(), "2");
    EXPECT_EQ(comparison->item(7, 0)->text(), "Write MB/s");
    EXPECT_EQ(comparison->item(7, 3)->text(), "0.50");
    EXPECT_EQ(comparison->item(8, 3)->text(), "1.00");
}

TEST_F(HistoryWindowTest, ScreenshotsInBothLanguages) {
    for (const char* language : {"english", "deutsch"}) {
        LoadLanguage(QCoreApplication::applicationDirPath() + "/" + language + ".lng");
        HistoryWindow window(RunHistory::DefaultPath());
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
        Select(Runs(window), {1, 2});
        window.CompareSelected();
        const QString heading = Runs(window)->model()->headerData(1, Qt::Horizontal).toString();
        EXPECT_EQ(heading, language == QString("english") ? "Time" : "Zeit");
        const QDir folder(QStringLiteral(DRAVELO_SCREENSHOT_DIR));
        ASSERT_TRUE(folder.mkpath("."));
        EXPECT_TRUE(
            window.grab().toImage().save(folder.filePath(QString("history_%1.png").arg(language))));
    }
}

// A run in the window is recorded as the terminal's are, and an open history window shows it.
TEST_F(HistoryWindowTest, AWindowRunIsRecordedAndShown) {
    TempFolder folder;
    const auto main = OpenWindow();
    Control<Txt>(*main, "Txt1")->setText("1");
    Control<Txt>(*main, "Txt2")->setText("1");
    Control<DriveBox>(*main, "Drive1")->setEditText(folder.path());
    main->FileMenu()->findChild<QAction*>("mnuFileHistory")->trigger();
    HistoryWindow* window = main->findChild<HistoryWindow*>();
    ASSERT_NE(window, nullptr);
    ASSERT_EQ(Runs(*window)->model()->rowCount(), 3);

    Click(Control<Cmd1>(*main, "Cmd11"));

    ASSERT_EQ(Runs(*window)->model()->rowCount(), 4);
    RunHistory history;
    ASSERT_TRUE(history.OpenForReading());
    const std::vector<HistoryRow> rows = history.List(HistoryFilter{{}, folder.path(), 0});
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].outcome, "completed");
    EXPECT_EQ(rows[0].files, 1);
    EXPECT_TRUE(rows[0].writeMBps.has_value());
    EXPECT_EQ(history.Report(rows[0].id)["program"], "dravelo");
}
