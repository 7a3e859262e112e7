// dravelo-cli's run history: the options that go with a test run (--no-history, --prometheus)
// and the commands that look back (--history, --compare, --import, --export-csv). They are
// options, not sub-commands, because "dravelo-cli history" already tests the folder ./history.
#pragma once

#include <QJsonObject>
#include <QStringList>

struct HistoryRunOptions {
    bool record = true;      // false with --no-history
    QString prometheusPath;  // --prometheus FILE, absolute; empty when not asked for
    QString usageError;      // empty when the options are usable
};

// Takes --no-history and --prometheus FILE out of `arguments` (the program name first), so that
// the test run's own command line reads the rest.
HistoryRunOptions TakeHistoryRunOptions(QStringList& arguments);

// Whether the arguments ask for one of the looking-back commands instead of a test run.
bool AsksForHistoryCommand(const QStringList& arguments);

// Runs the looking-back command the arguments ask for; the exit status.
int RunHistoryCommand(const QStringList& arguments);

// Keeps a finished run: records its report in the history (when it passed its checks and the
// user did not say --no-history) and writes the Prometheus file asked for. Whatever fails is
// printed on standard error and added to the report's "problems"; a history that cannot be
// written never changes how the run went. False when the asked-for Prometheus file was not
// written.
bool KeepRun(QJsonObject& report, const HistoryRunOptions& options, bool passedChecks);
