// Shared by the fault tests: a run of either test on a real folder with planted user files, and
// the check of what a run left behind against a row of the fault table.
#pragma once

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <QLocale>
#include <QRegularExpression>
#include <cstring>
#include <map>
#include <memory>

#include "TestRuns.h"
#include "fault_table.h"
#include "modLang.h"
#include "recording_run_host.h"
#include "scripted_clock.h"
#include "temp_folder.h"

inline const std::map<QString, int> kFaultErrors = {
    {"EIO", EIO},     {"ENOSPC", ENOSPC}, {"EACCES", EACCES}, {"EMFILE", EMFILE},
    {"EINTR", EINTR}, {"EROFS", EROFS},   {"EPERM", EPERM}};

inline QString Reason(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

// Descriptors of this process that point into the folder.
inline int DescriptorsInto(const QString& folder) {
    int count = 0;
    QDir fds("/proc/self/fd");
    for (const QString& fd : fds.entryList(QDir::Files | QDir::System))
        if (QFile::symLinkTarget(fds.filePath(fd)).startsWith(folder)) ++count;
    return count;
}

// Files of the user's beside the test files: no run may change their bytes or their time.
struct PlantedFile {
    const char* name;
    QByteArray bytes;
};
inline const PlantedFile kPlanted[] = {{"notes.txt", "the user's own notes\n"},
                                       {"keep.tst", QByteArray(3000, 'k')}};
constexpr time_t kPlantedTime = 1500000000;

inline void PlantUserFiles(const QString& folder) {
    for (const auto& planted : kPlanted) {
        QFile file(folder + planted.name);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(planted.bytes);
        file.close();
        const timespec times[2] = {{kPlantedTime, 0}, {kPlantedTime, 0}};
        ::utimensat(AT_FDCWD, QFile::encodeName(file.fileName()).constData(), times, 0);
    }
}

inline void ExpectUserFilesUnchanged(const QString& folder) {
    for (const auto& planted : kPlanted) {
        QFile file(folder + planted.name);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << planted.name;
        EXPECT_EQ(file.readAll(), planted.bytes) << planted.name;
        struct stat status {};
        ::stat(QFile::encodeName(file.fileName()).constData(), &status);
        EXPECT_EQ(status.st_mtim.tv_sec, kPlantedTime) << planted.name;
    }
}

inline QStringList TestFilesIn(const QString& folder) {
    static const QRegularExpression numbered("^[0-9]+\\.tst$");
    return QDir(folder).entryList(QDir::Files).filter(numbered);
}

// Report blocks in the run's log files in the folder.
inline int ReportsIn(const QString& folder) {
    int reports = 0;
    for (const QString& name : QDir(folder).entryList({"*_DraveloLog_*.log"}, QDir::Files)) {
        QFile file(folder + name);
        if (file.open(QIODevice::ReadOnly))
            reports += QString::fromUtf8(file.readAll()).count("# Dravelo auf: ");
    }
    return reports;
}

// What a run left behind, whether it ran in this process or as the terminal program.
struct Observed {
    bool completed = false;
    QStringList lines;
    QString folder;  // with its trailing "/"
};

// The line a row asks for, as a pattern over the run's log.
inline QRegularExpression LinePattern(const QString& line, const QString& folder, int error) {
    const auto escaped = [](const QString& text) { return QRegularExpression::escape(text); };
    QString pattern = escaped(line);
    pattern.replace(escaped("<folder>"), escaped(folder));
    pattern.replace(escaped("<file>"), escaped(folder) + "[0-9]+\\.tst");
    pattern.replace(escaped("<k>"), "[0-9]+");
    pattern.replace(escaped("<reason>"), escaped(Reason(error)));
    return QRegularExpression(QRegularExpression::anchoredPattern(pattern));
}

inline void ExpectTestFilesAsTheRowSays(const FaultRow& row, const Observed& seen, int nFiles) {
    const QStringList left = TestFilesIn(seen.folder);
    const auto named = [&](const QString& file) {
        return seen.lines.contains("Kann Testdatei " + file + " nicht löschen!");
    };
    if (row.files == "all deleted") {
        EXPECT_TRUE(left.isEmpty()) << left.join(' ').toStdString();
    } else if (row.files == "the one named stays") {
        ASSERT_EQ(left.size(), 1);
        EXPECT_TRUE(named(left[0]));
    } else if (row.files == "each named stays") {
        EXPECT_EQ(left.size(), nFiles);
        for (const QString& file : left) EXPECT_TRUE(named(file)) << file.toStdString();
    } else if (row.files == "one stays") {
        EXPECT_EQ(left.size(), 1);
    } else if (row.files == "all stay") {
        EXPECT_EQ(left.size(), nFiles);
    } else {
        ADD_FAILURE() << "unknown test files column: " << row.files.toStdString();
    }
}

inline void ExpectAsTheRowSays(const FaultRow& row, int error, const Observed& seen, int nFiles) {
    EXPECT_EQ(seen.completed, row.outcome == "completed");
    if (row.line == "none") {
        for (const QString& line : seen.lines)
            EXPECT_FALSE(line.contains(Reason(error)) || line.contains("Checksum Error!") ||
                         line.contains("nicht"))
                << line.toStdString();
    } else {
        EXPECT_FALSE(seen.lines.filter(LinePattern(row.line, seen.folder, error)).isEmpty())
            << seen.lines.join('\n').toStdString();
    }
    ExpectTestFilesAsTheRowSays(row, seen, nFiles);
    EXPECT_EQ(ReportsIn(seen.folder), row.report == "once" ? 1 : 0);
    // A log file that could not be filled does not stay behind empty.
    if (row.report == "none") {
        EXPECT_EQ(QDir(seen.folder).entryList({"*_DraveloLog_*.log"}, QDir::Files), QStringList());
    }
    ExpectUserFilesUnchanged(seen.folder);
}

// A window that lets a test act when the phases are over, just before the end stage.
class EndStageHost : public RecordingRunHost {
  public:
    void SetAbortRequested(bool requested) override {
        if (requested && running && beforeEndStage) beforeEndStage();
        RecordingRunHost::SetAbortRequested(requested);
    }
    std::function<void()> beforeEndStage;
};

// One run of 3 files of 1 MB in a folder with planted user files, on a clock that steps 7 ms a
// reading, appending its report to the log file.
class FaultRun {
  public:
    static constexpr int kFiles = 3;

    FaultRun(bool multiple, const QString& target) : multiple_(multiple), target_(target) {
        host.drive1 = target;
        host.txt1 = QString::number(kFiles);
        host.txt2 = "1";
        host.chk11 = true;
        host.phase.disableCaching = false;
        clock_ = std::make_unique<ScriptedClock>([this] { return 1000 + 7 * ticks_++; });
        runs.Phases().SetTickSourceFactory(clock_->Factory());
        PlantUserFiles(target);
    }

    Observed Run() {
        const RunOutcome outcome = multiple_ ? runs.MultipleRun() : runs.SingleRun();
        return {outcome == RunOutcome::Completed, host.lines, target_};
    }

  private:
    bool multiple_;
    QString target_;
    std::unique_ptr<ScriptedClock> clock_;  // outlives the runs, which hold it
    int32_t ticks_ = 0;

  public:
    EndStageHost host;
    TestRuns runs{host};
};

class FaultTest : public ::testing::TestWithParam<bool> {
  protected:
    void SetUp() override {
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        LoadLanguage("/nonexistent/no-language.lng");
    }
    void TearDown() override { QLocale::setDefault(QLocale::system()); }
    bool Multiple() const { return GetParam(); }
    QString TestName() const { return Multiple() ? "multiple" : "single"; }
};
