// Runs both tests with one system call made to fail through the file layer's fault seam, for
// every call kind of every stage at its first, a middle and its last call, and checks the
// outcome against the fault table of tests/README.md.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <QLocale>
#include <QRegularExpression>
#include <cstring>
#include <map>
#include <set>

#include "TestRuns.h"
#include "fault_seam.h"
#include "fault_table.h"
#include "modLang.h"
#include "recording_run_host.h"
#include "scripted_clock.h"
#include "temp_folder.h"

namespace {

using faults::Call;

// Where each call kind's calls fall in a run without faults: stage, kind, then the call
// numbers (counted over the whole run) of that kind in that stage.
using CallMap = std::map<QString, std::map<Call, std::vector<int>>>;

const std::map<QString, int> kErrors = {
    {"EIO", EIO}, {"ENOSPC", ENOSPC}, {"EACCES", EACCES}, {"EMFILE", EMFILE}, {"EINTR", EINTR}};

CallMap StagesOf(const std::vector<faults::TracedCall>& trace) {
    CallMap stages;
    std::map<Call, int> counts;
    QString stage = "write";
    for (const auto& traced : trace) {
        if (traced.reading) stage = "read";
        if (traced.call == Call::Unlink) stage = "end";
        stages[stage][traced.call].push_back(++counts[traced.call]);
    }
    return stages;
}

std::set<int> FirstMiddleLast(const std::vector<int>& calls) {
    return {calls.front(), calls[calls.size() / 2], calls.back()};
}

// Descriptors of this process that point into the folder.
int DescriptorsInto(const QString& folder) {
    int count = 0;
    QDir fds("/proc/self/fd");
    for (const QString& fd : fds.entryList(QDir::Files | QDir::System))
        if (QFile::symLinkTarget(fds.filePath(fd)).startsWith(folder)) ++count;
    return count;
}

struct PlantedFile {
    QString name;
    QByteArray bytes;
};

const PlantedFile kPlanted[] = {{"notes.txt", "the user's own notes\n"},
                                {"keep.tst", QByteArray(3000, 'k')}};

class FaultRun {
  public:
    explicit FaultRun(bool multiple) : multiple_(multiple) {
        host.drive1 = folder.path();
        host.txt1 = "3";
        host.txt2 = "1";
        host.chk11 = true;  // the end stage appends the report, which can fail too
        host.phase.disableCaching = false;
        clock_ = std::make_unique<ScriptedClock>([this] { return 1000 + 7 * ticks_++; });
        runs.Phases().SetTickSourceFactory(clock_->Factory());
        for (const auto& planted : kPlanted) {
            folder.write(planted.name, planted.bytes);
            const timespec old[2] = {{1500000000, 0}, {1500000000, 0}};
            ::utimensat(AT_FDCWD, QFile::encodeName(folder.file(planted.name)).constData(), old, 0);
        }
    }

    RunOutcome Run() { return multiple_ ? runs.MultipleRun() : runs.SingleRun(); }

    QStringList TestFiles() const {
        static const QRegularExpression numbered("^[0-9]+\\.tst$");
        return QDir(folder.path()).entryList(QDir::Files).filter(numbered);
    }

    int ReportsInLogFile() const {
        QFile file(runs.LogFileName());
        if (!file.open(QIODevice::ReadOnly)) return 0;
        return QString::fromUtf8(file.readAll()).count("# Dravelo auf: ");
    }

    void ExpectUserFilesUnchanged() const {
        for (const auto& planted : kPlanted) {
            QFile file(folder.file(planted.name));
            ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << planted.name.toStdString();
            EXPECT_EQ(file.readAll(), planted.bytes) << planted.name.toStdString();
            struct stat status {};
            ::stat(QFile::encodeName(folder.file(planted.name)).constData(), &status);
            EXPECT_EQ(status.st_mtim.tv_sec, 1500000000) << planted.name.toStdString();
        }
    }

  private:
    bool multiple_;
    std::unique_ptr<ScriptedClock> clock_;  // outlives the runs, which hold it
    int32_t ticks_ = 0;

  public:
    TempFolder folder;
    RecordingRunHost host;
    TestRuns runs{host};
};

class FaultMatrix : public ::testing::TestWithParam<bool> {
  protected:
    void SetUp() override {
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        LoadLanguage("/nonexistent/no-language.lng");
    }
    void TearDown() override {
        faults::Stop();
        QLocale::setDefault(QLocale::system());
    }
    QString TestName() const { return GetParam() ? "multiple" : "single"; }
};

// The line a row asks for, as a pattern over the run's log.
QRegularExpression LinePattern(const QString& line, const QString& folder, int error) {
    QString pattern = QRegularExpression::escape(line);
    pattern.replace(QRegularExpression::escape("<folder>"), QRegularExpression::escape(folder));
    pattern.replace(QRegularExpression::escape("<file>"),
                    QRegularExpression::escape(folder) + "[0-9]+\\.tst");
    pattern.replace(QRegularExpression::escape("<k>"), "[0-9]+");
    pattern.replace(QRegularExpression::escape("<reason>"),
                    QRegularExpression::escape(QString::fromLocal8Bit(std::strerror(error))));
    return QRegularExpression(QRegularExpression::anchoredPattern(pattern));
}

void ExpectCase(const FaultRow& row, int error, FaultRun& run, RunOutcome outcome) {
    EXPECT_EQ(outcome, row.outcome == "completed" ? RunOutcome::Completed : RunOutcome::Stopped);
    const QStringList& lines = run.host.lines;
    if (row.line == "none") {
        for (const QString& line : lines) {
            EXPECT_FALSE(line.contains(QString::fromLocal8Bit(std::strerror(error))) ||
                         line.contains("Checksum Error!") || line.contains("nicht"))
                << line.toStdString();
        }
    } else {
        const QRegularExpression pattern = LinePattern(row.line, run.folder.path(), error);
        EXPECT_EQ(lines.filter(pattern).size(), 1) << lines.join('\n').toStdString();
    }
    const QStringList left = run.TestFiles();
    if (row.files == "the one named stays") {
        ASSERT_EQ(left.size(), 1);
        EXPECT_TRUE(lines.contains("Kann Testdatei " + left[0] + " nicht löschen!"));
    } else {
        EXPECT_TRUE(left.isEmpty()) << left.join(' ').toStdString();
    }
    // The report reaches the log file once, or not at all when the log says so.
    const bool reportLost = row.line.contains("Protokolldatei");
    EXPECT_EQ(run.ReportsInLogFile(), reportLost ? 0 : 1);
    EXPECT_EQ(DescriptorsInto(run.folder.path()), 0);
    run.ExpectUserFilesUnchanged();
}

TEST_P(FaultMatrix, EveryCallOfEveryStageFailsAsTheTableSays) {
    CallMap stages;
    {
        FaultRun dry(GetParam());
        faults::Watch();
        ASSERT_EQ(dry.Run(), RunOutcome::Completed);
        faults::Stop();
        stages = StagesOf(faults::Trace());
    }
    const std::vector<FaultRow> rows = FaultRows(TestName());
    std::set<std::pair<QString, QString>> ran, described;
    for (const FaultRow& row : rows) described.insert({row.stage, row.call});

    for (const auto& [stage, calls] : stages) {
        for (const auto& [call, numbers] : calls) {
            ran.insert({stage, faults::CallName(call)});
            const FaultRow* row = FindRow(rows, stage, faults::CallName(call));
            if (!row) continue;  // reported below
            for (const QString& errorName : row->errors) {
                for (int nth : FirstMiddleLast(numbers)) {
                    SCOPED_TRACE((TestName() + " " + stage + " " + faults::CallName(call) + " #" +
                                  QString::number(nth) + " " + errorName)
                                     .toStdString());
                    FaultRun run(GetParam());
                    faults::Watch();
                    faults::Arm(call, nth, kErrors.at(errorName));
                    const RunOutcome outcome = run.Run();
                    faults::Stop();
                    ASSERT_EQ(faults::Injected(), 1);
                    ExpectCase(*row, kErrors.at(errorName), run, outcome);
                }
            }
        }
    }
    EXPECT_EQ(ran, described) << "the fault table and the calls of the run differ";
}

INSTANTIATE_TEST_SUITE_P(BothTests, FaultMatrix, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "Multiple" : "Single"; });

}  // namespace
