// dravelo-cli as a user or a script runs it: a real process on real folders. Every run gets a
// clock that advances 250 ms per reading, so that no figure depends on the machine's speed: the
// tests start dravelo-cli-clocked, the test-only build of the same program that takes that clock.
#pragma once

#include <signal.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include "event_wait.h"
#include "modLang.h"
#include "temp_folder.h"

namespace cli {

constexpr int kClockStepMs = 250;

struct Result {
    int exitCode = -1;  // -1 when the process did not end by itself
    QString out;
    QString err;
};

inline QString Program() {
    return QCoreApplication::applicationDirPath() + "/dravelo-cli-clocked";
}

// English locale unless `overrides` says otherwise; a variable set to "" is removed.
inline QProcessEnvironment Environment(const QStringList& overrides = {}) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG", "LANGUAGE"}) environment.remove(name);
    environment.insert("LC_ALL", "C.UTF-8");
    environment.insert("DRAVELO_CLI_CLOCK_STEP_MS", QString::number(kClockStepMs));
    // Runs record into a history of the tests' own, never into the user's.
    static const QTemporaryDir history;
    environment.insert("XDG_DATA_HOME", history.path());
    for (const QString& assignment : overrides) {
        const QString name = assignment.section(u'=', 0, 0);
        const QString value = assignment.section(u'=', 1);
        if (value.isEmpty())
            environment.remove(name);
        else
            environment.insert(name, value);
    }
    return environment;
}

// `program` runs dravelo-cli itself when it is a wrapper (such as setpriv).
inline void Start(QProcess& process, const QStringList& arguments,
                  const QStringList& environment = {}, const QString& program = Program()) {
    process.setProcessEnvironment(Environment(environment));
    process.start(program, arguments);
}

inline Result Finish(QProcess& process) {
    Result result;
    if (!process.waitForFinished(120000)) return result;
    result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    result.out = QString::fromUtf8(process.readAllStandardOutput());
    result.err = QString::fromUtf8(process.readAllStandardError());
    return result;
}

inline Result RunCli(const QStringList& arguments, const QStringList& environment = {},
                     const QString& program = Program()) {
    QProcess process;
    Start(process, arguments, environment, program);
    return Finish(process);
}

// Const, so that fields can be looked up in a chain: Json(result)["outcome"]["status"].
inline const QJsonObject Json(const Result& result) {
    return QJsonDocument::fromJson(result.out.toUtf8()).object();
}

// The test files a run may leave: plain files named by a number without leading zeros.
inline QStringList TestFiles(const QString& folder) {
    static const QRegularExpression numbered("^[1-9][0-9]*\\.tst$");
    return QDir(folder).entryList(QDir::Files | QDir::Hidden).filter(numbered);
}

// A text of one of the shipped language files.
inline QString ShippedText(const QString& file, int16_t index) {
    LoadLanguage(QCoreApplication::applicationDirPath() + "/" + file);
    return LangText(index, false, false, QString());
}

// Sends a signal to the process while it runs. Never to a process that has ended: its number is
// 0 then, which would signal the test's own process group.
inline bool SendSignal(QProcess& process, int signal) {
    const qint64 pid = process.processId();
    return process.state() == QProcess::Running && pid > 0 &&
           ::kill(static_cast<pid_t>(pid), signal) == 0;
}

// Waits until the process runs its write phase: its first test file has grown past 1 MB.
inline bool WaitUntilWriting(const TempFolder& folder, QProcess& process) {
    return RunEventLoopUntil(
        [&] { return folder.size("1.tst") > (1 << 20) || process.state() == QProcess::NotRunning; },
        60000);
}

}  // namespace cli
