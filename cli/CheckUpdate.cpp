#include "CheckUpdate.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QProcess>
#include <QTimer>
#include <cstdio>

#include "CloseRequests.h"
#include "CommandLine.h"
#include "StandardOutput.h"
#include "UpdatePrompter.h"
#include "modDl.h"

namespace {

// Texts from the update server reach the terminal: control characters, which could move the
// cursor or rewrite the screen, are shown as "?".
QString PrintableLine(QString line) {
    for (QChar& c : line)
        if (c.category() == QChar::Other_Control) c = u'?';
    return line;
}

void PrintLine(const QString& line) {
    standardoutput::Write(PrintableLine(line).toLocal8Bit() + '\n');
}

class TerminalPrompter final : public UpdatePrompter {
  public:
    explicit TerminalPrompter(bool answerYes) : answerYes_(answerYes) {}

    BoxAnswer Show(const QString&, const QString& text, BoxIcon, BoxButtons buttons,
                   const QString& detail) override {
        // After a close request the check is over: what it still reports is only the abort.
        if (closerequests::FirstSignal() != 0) return BoxAnswer::No;
        if (!detail.isEmpty())
            std::fprintf(stderr, "dravelo-cli: %s\n",
                         PrintableLine(detail).toLocal8Bit().constData());
        for (const QString& line : text.split(QStringLiteral("\r\n"))) PrintLine(line);
        if (buttons == BoxButtons::Ok) return BoxAnswer::Ok;
        PrintLine(answerYes_ ? QStringLiteral("-> Yes") : QStringLiteral("-> No"));
        return answerYes_ ? BoxAnswer::Yes : BoxAnswer::No;
    }

  private:
    bool answerYes_;
};

// The terminal program has no desktop services; xdg-open hands the address to the desktop.
void OpenWithXdgOpen(const QString& address) {
    if (!QProcess::startDetached(QStringLiteral("xdg-open"), {address}))
        std::fprintf(stderr, "dravelo-cli: xdg-open could not be started\n");
}

}  // namespace

// The signal handler can only note a close request; this looks for one while the check waits
// for the server, and ends the transfer at once instead of waiting out its time limit.
void AbortTransferOnCloseRequest(QTimer& watch, QNetworkAccessManager& transfer) {
    QObject::connect(&watch, &QTimer::timeout, &transfer, [&transfer] {
        if (closerequests::FirstSignal() == 0) return;
        for (QNetworkReply* reply : transfer.findChildren<QNetworkReply*>()) reply->abort();
    });
    watch.start(20);
}

int RunUpdateCheck(bool answerYes) {
    QNetworkAccessManager transfer;
    QTimer watch;
    AbortTransferOnCloseRequest(watch, transfer);
    TerminalPrompter prompter(answerYes);
    const UpdateCheckResult result = CheckForUpdate(transfer, prompter, OpenWithXdgOpen);
    if (const int signal = closerequests::FirstSignal()) return exitstatus::kSignalBase + signal;
    if (result.outcome == UpdateOutcome::NewerOffered)
        PrintLine(QStringLiteral("Download: ") + result.downloadAddress);
    std::fflush(stdout);
    return result.outcome == UpdateOutcome::NoInformation ? exitstatus::kFailed
                                                          : exitstatus::kCompleted;
}
