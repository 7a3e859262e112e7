// dravelo-cli: Dravelo's test runs for a terminal, for machines without a display and for
// scripts. CommandLine.cpp reads the options; main dispatches each command to its function here.
#include <QCoreApplication>
#include <QDateTime>
#include <QGuiApplication>
#include <cstdio>
#include <memory>

#include "CheckUpdate.h"
#include "CloseRequests.h"
#include "CommandLine.h"
#include "FinishedRun.h"
#include "JsonReport.h"
#include "ProfileCommand.h"
#include "RunChart.h"
#include "SpeedChart.h"
#include "TerminalHost.h"
#include "TestRuns.h"
#include "modFile.h"
#include "modLang.h"
#include "modTest.h"
#ifdef DRAVELO_CLOCK_SEAM
#include "SteppingClock.h"
#endif

namespace {

int UsageError(const QString& message) {
    std::fprintf(stderr, "dravelo-cli: %s\n%s", qPrintable(message), UsageText());
    return exitstatus::kUsage;
}

void LoadChosenLanguage(const CliOptions& options) {
    // Names of 4 characters or fewer cannot be a language file; the texts stay built in.
    if (options.language.size() > 4) LoadLanguage(FindLanguageFile(options.language));
}

int PrintSuggestion(const CliOptions& options) {
    const QString folder = TestedFolder(options);
    const auto suggestion = SuggestionFor(folder);
    const Proposal proposal = suggestion ? suggestion->proposal : Proposal{-1, -1};
    if (options.json) {
        std::fputs(SuggestionJson(folder, proposal.files, proposal.size).constData(), stdout);
    } else if (suggestion) {
        std::printf("%s\n%s\n", qPrintable(suggestion->freeSpaceLine),
                    qPrintable(suggestion->proposalLine));
    }
    if (proposal.files >= 1 && proposal.size >= 1) return exitstatus::kCompleted;
    std::fprintf(stderr, "dravelo-cli: no free space found for %s\n", qPrintable(folder));
    return exitstatus::kFailed;
}

// The chart shows a completed run only: a stopped one has no figures worth plotting.
QString DrawChart(const FinishedRun& run) {
    if (run.options.chartPath.isEmpty() || run.closeSignal != 0) return QString();
    if (run.outcome != RunOutcome::Completed) return QStringLiteral("the run did not complete");
    QString error;
    const ChartInput input =
        ChartOfRun(run.report, run.options.multiple ? ChartTest::Multiple : ChartTest::Single,
                   TestedFolder(run.options), run.startTime);
    return WriteSpeedChart(input, run.options.chartPath, &error) ? QString() : error;
}

int RunTest(const CliOptions& options) {
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
    if (options.json) std::fputs(JsonReport(run).constData(), stdout);
    std::fflush(stdout);
    // A reader that went away while the report was printed stopped the program too.
    run.closeSignal = closerequests::FirstSignal();
    return ExitStatus(run);
}

}  // namespace

int main(int argc, char** argv) {
    // First of all, so that a close request never ends the program halfway through a test.
    closerequests::Install();
    // Text in a chart needs fonts, which only a graphical application object provides; no
    // display is needed for drawing into a file.
    std::unique_ptr<QCoreApplication> app;
    if (AsksForChart(argc, argv)) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        app = std::make_unique<QGuiApplication>(argc, argv);
    } else {
        app = std::make_unique<QCoreApplication>(argc, argv);
    }
    const ParsedCommandLine parsed = ParseCommandLine(QCoreApplication::arguments());
    if (!parsed.usageError.isEmpty()) return UsageError(parsed.usageError);
    const CliOptions& options = parsed.options;
    switch (options.command) {
        case CliCommand::Help:
            std::printf("%s\n%s", UsageText(), HelpText());
            return exitstatus::kCompleted;
        case CliCommand::Version:
            std::printf("Dravelo v.%s\n", DRAVELO_VERSION);
            return exitstatus::kCompleted;
        case CliCommand::Suggest:
            LoadChosenLanguage(options);
            return PrintSuggestion(options);
        case CliCommand::CheckUpdate:
            LoadChosenLanguage(options);
            return RunUpdateCheck(options.answerYes);
        case CliCommand::RunTest:
            LoadChosenLanguage(options);
            return RunTest(options);
        case CliCommand::Profile:
            LoadChosenLanguage(options);
            return RunProfileCommand(options);
    }
    return exitstatus::kUsage;
}
