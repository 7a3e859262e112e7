// The log view, the report export and the small helpers beside them.
#include <gtest/gtest.h>

#include <QFile>

#include "Checked.h"
#include "LogView.h"
#include "modStd.h"
#include "temp_folder.h"

TEST(LogView, ShowsTheSixNewestNonEmptyLinesOldestFirst) {
    LogView log;
    log.LogPrint("<clear>");
    for (const char* line : {"A", "B", "C", "D", "E", "F", "G"}) log.LogPrint(line);
    EXPECT_EQ(log.ViewText(), "B\r\nC\r\nD\r\nE\r\nF\r\nG\r\n");
    EXPECT_EQ(log.LogText(), "A\r\nB\r\nC\r\nD\r\nE\r\nF\r\nG\r\n");
}

TEST(LogView, ClearEmptiesTheViewButKeepsTheText) {
    LogView log;
    log.LogPrint("X");
    log.LogPrint("<clear>");
    EXPECT_EQ(log.ViewText(), "");
    EXPECT_EQ(log.LogText(), "X\r\n");
    log.LogPrint("Y");
    EXPECT_EQ(log.ViewText(), "Y\r\n");
}

TEST(LogView, EmptyLinesReachTheTextButNotTheView) {
    LogView log;
    log.LogPrint("X");
    log.LogPrint("");
    log.LogPrint("\r\n");
    log.LogPrint("Y");
    EXPECT_EQ(log.ViewText(), "X\r\nY\r\n");
    EXPECT_EQ(log.LogText(), "X\r\n\r\n\r\n\r\nY\r\n");
    log.ClearLogText();
    EXPECT_EQ(log.LogText(), "");
    EXPECT_EQ(log.ViewText(), "X\r\nY\r\n");
}

TEST(SaveAs, WritesTheTextAndOneMoreLineEndReplacingAnOldFile) {
    TempFolder folder;
    folder.write("report.txt", QByteArray(10000, 'o'));
    ASSERT_TRUE(SaveLogText(folder.file("report.txt"), "Ergebnis:\r\n4 MB/s\r\n"));
    QFile file(folder.file("report.txt"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), "Ergebnis:\r\n4 MB/s\r\n\r\n");
    EXPECT_FALSE(SaveLogText(folder.file("missing/report.txt"), "x"));
}

TEST(Helpers, AppendTextAndIncrementCounter) {
    QString target = "a";
    const QString copy = AppendText(target, "b");
    EXPECT_EQ(target, "ab");
    EXPECT_EQ(copy, "ab");

    int16_t counter = 32766;
    IncrementCounter(counter);
    EXPECT_EQ(counter, 32767);
    EXPECT_THROW(IncrementCounter(counter), ArithmeticFailure);
    EXPECT_EQ(counter, 32767);
}
