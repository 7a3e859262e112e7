// dravelo-cli: Dravelo's test runs for a terminal, for machines without a display and for
// scripts. CommandLine.cpp reads the options; main dispatches each command to its function here.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QJsonDocument>
#include <QTemporaryDir>
#include <cerrno>
#include <cstdio>
#include <memory>

#include "CheckUpdate.h"
#include "CloseRequests.h"
#include "CommandLine.h"
#include "FinishedRun.h"
#include "HistoryCommands.h"
#include "JsonReport.h"
#include "ProfileCommand.h"
#include "RunChart.h"
#include "SpeedChart.h"
#include "StandardOutput.h"
#include "TerminalHost.h"
#include "TestRuns.h"
#include "modFile.h"
#include "modLang.h"
#include "modTest.h"
#ifdef DRAVELO_CLOCK_SEAM
#include "SteppingClock.h"
#endif

namespace {

// The arguments as they came, so that a folder whose name is not UTF-8 reaches the file calls
// with its own bytes (the application object would decode them with losses).
QStringList ArgumentsOf(int argc, char** argv) {
    QStringList arguments;
    for (int i = 0; i < argc; ++i) arguments << FileNameFromBytes(QByteArray(argv[i]));
    return arguments;
}

int UsageError(const QString& message) {
    std::fprintf(stderr, "dravelo-cli: %s\n%s", qPrintable(ShownText(message)), UsageText());
    return exitstatus::kUsage;
}

// Why a language file cannot be read, in English; empty when it can.
QString UnreadableReason(const QString& path) {
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return EnglishErrorText(errno);
    struct stat status {};
    const bool statted = ::fstat(fd, &status) == 0;
    const int error = errno;
    ::close(fd);
    if (!statted) return EnglishErrorText(error);
    if (S_ISDIR(status.st_mode)) return EnglishErrorText(EISDIR);
    if (!S_ISREG(status.st_mode)) return QStringLiteral("not a plain file");
    return QString();
}

// Loads the language; a file named with --lang that cannot be read is a usage error, because
// the user asked for texts the program cannot give. Returns that error, empty when loaded.
QString LoadChosenLanguage(const CliOptions& options) {
    // Names of 4 characters or fewer cannot be a language file; the texts stay built in.
    if (options.language.size() <= 4) return QString();
    const QString path = FindLanguageFile(options.language);
    if (options.languageChosen) {
        if (const QString reason = UnreadableReason(path); !reason.isEmpty())
            return QStringLiteral("--lang '%1': %2: %3").arg(options.language, path, reason);
    }
    LoadLanguage(path);
    return QString();
}

void PrintLines(const QString& first, const QString& second) {
    standardoutput::Write((first + u'\n' + second + u'\n').toLocal8Bit());
}

int PrintSuggestion(const CliOptions& options) {
    const QString folder = TestedFolder(options);
    const auto suggestion = SuggestionFor(folder);
    const Proposal proposal = suggestion ? suggestion->proposal : Proposal{-1, -1};
    if (options.json) {
        standardoutput::Write(SuggestionJson(folder, proposal.files, proposal.size));
    } else if (suggestion) {
        PrintLines(suggestion->freeSpaceLine, suggestion->proposalLine);
    }
    if (proposal.files >= 1 && proposal.size >= 1) return exitstatus::kCompleted;
    std::fprintf(stderr, "dravelo-cli: no free space found for %s\n", qPrintable(folder));
    return exitstatus::kFailed;
}

// The chart shows a completed run only: a stopped one has no figures worth plotting.
QString DrawChart(const FinishedRun& run) {
    if (run.options.chartPath.isEmpty() || run.closeSignal != 0) return QString();
    if (run.outcome != RunOutcome::Completed)
        return run.options.chartPath + QStringLiteral(": the run did not complete");
    QString error;
    const ChartInput input =
        ChartOfRun(run.report, run.options.multiple ? ChartTest::Multiple : ChartTest::Single,
                   TestedFolder(run.options), run.startTime);
    return WriteSpeedChart(input, run.options.chartPath, &error) ? QString() : error;
}

int RunTest(const CliOptions& options, const HistoryRunOptions& history) {
    // Asked to close while still starting: nothing has been written yet, so nothing is tested.
    if (const int signal = closerequests::FirstSignal()) return exitstatus::kSignalBase + signal;
    RaiseOpenFileLimit();
    TerminalHost host(options);
    TestRuns runs(host);
#ifdef DRAVELO_CLOCK_SEAM
    UseSteppingClockFromEnvironment(runs.Phases());
#endif
    FinishedRun run;
    run.options = options;
    run.startTime = QDateTime::currentDateTime();
    run.outcome = options.multiple ? runs.MultipleRun() : runs.SingleRun();
    run.closeSignal = closerequests::FirstSignal();
    run.report = runs.Report();
    run.results = host.Results();
    run.logLines = host.Lines();
    run.chartError = DrawChart(run);
    PrintDiagnostics(run);
    QJsonObject report = JsonReportObject(run);
    // A folder or inputs refused before the test began leave nothing worth keeping.
    const bool passedChecks =
        run.outcome != RunOutcome::TargetRefused && run.outcome != RunOutcome::InputRefused;
    const bool kept = KeepRun(report, history, passedChecks);
    if (options.json) standardoutput::Write(QJsonDocument(report).toJson(QJsonDocument::Indented));
    // A reader that went away while the report was printed stopped the program too.
    run.closeSignal = closerequests::FirstSignal();
    const int status = ExitStatus(run);
    return !kept && status == exitstatus::kCompleted ? exitstatus::kLeftovers : status;
}

// What a command does, from its parsed options to its exit status.
int RunCommand(const CliOptions& options, const HistoryRunOptions& history) {
    switch (options.command) {
        case CliCommand::Help:
            standardoutput::Write(QByteArray(UsageText()) + '\n' + HelpText());
            return exitstatus::kCompleted;
        case CliCommand::Version:
            standardoutput::Write("Dravelo v." DRAVELO_VERSION "\n");
            return exitstatus::kCompleted;
        case CliCommand::Suggest:
        case CliCommand::CheckUpdate:
        case CliCommand::RunTest:
        case CliCommand::Profile:
            break;
    }
    if (const QString error = LoadChosenLanguage(options); !error.isEmpty())
        return UsageError(error);
    if (options.command == CliCommand::Suggest) return PrintSuggestion(options);
    if (options.command == CliCommand::CheckUpdate) return RunUpdateCheck(options.answerYes);
    if (options.command == CliCommand::Profile) return RunProfileCommand(options, history);
    return RunTest(options, history);
}

// A report that never reached its reader is something asked for that did not happen; a signal
// or a usage error keeps its own status.
int WithOutputChecked(int status) {
    const int error = standardoutput::FirstError();
    if (error == 0 || status == exitstatus::kUsage || status > exitstatus::kSignalBase)
        return status;
    std::fprintf(stderr, "dravelo-cli: the report could not be written to standard output: %s\n",
                 qPrintable(EnglishErrorText(error)));
    return exitstatus::kLeftovers;
}

}  // namespace

int main(int argc, char** argv) {
    // First of all, so that a close request never ends the program halfway through a test.
    closerequests::Install();
    // Text in a chart needs fonts, which only a graphical application object provides; no
    // display is needed for drawing into a file.
    std::unique_ptr<QCoreApplication> app;
    std::unique_ptr<QTemporaryDir> runtimeFolder;
    if (AsksForChart(argc, argv)) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        // Qt's platform wants a runtime folder; root shells, runuser and cron have none, and Qt
        // would warn and create /tmp/runtime-<user>. A private one lasts as long as the program.
        if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) {
            runtimeFolder =
                std::make_unique<QTemporaryDir>(QDir::tempPath() + "/dravelo-cli-runtime-XXXXXX");
            if (runtimeFolder->isValid())
                qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtimeFolder->path()));
        }
        app = std::make_unique<QGuiApplication>(argc, argv);
    } else {
        app = std::make_unique<QCoreApplication>(argc, argv);
    }
    QStringList arguments = ArgumentsOf(argc, argv);
    if (AsksForHistoryCommand(arguments)) return WithOutputChecked(RunHistoryCommand(arguments));
    const HistoryRunOptions history = TakeHistoryRunOptions(arguments);
    if (!history.usageError.isEmpty()) return UsageError(history.usageError);
    const ParsedCommandLine parsed = ParseCommandLine(arguments);
    if (!parsed.usageError.isEmpty()) return UsageError(parsed.usageError);
    if (!history.prometheusPath.isEmpty() && parsed.options.command != CliCommand::RunTest &&
        parsed.options.command != CliCommand::Profile)
        return UsageError(
            QStringLiteral("--prometheus writes a test run's figures; it needs a run"));
    return WithOutputChecked(RunCommand(parsed.options, history));
}
