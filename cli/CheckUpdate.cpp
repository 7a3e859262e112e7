#include "CheckUpdate.h"

#include <QNetworkAccessManager>
#include <QProcess>
#include <cstdio>

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

    BoxAnswer Show(const QString&, const QString& text, BoxIcon, BoxButtons buttons) override {
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

int RunUpdateCheck(bool answerYes) {
    QNetworkAccessManager transfer;
    TerminalPrompter prompter(answerYes);
    const UpdateCheckResult result = CheckForUpdate(transfer, prompter, OpenWithXdgOpen);
    if (result.outcome == UpdateOutcome::NewerOffered)
        PrintLine(QStringLiteral("Download: ") + result.downloadAddress);
    std::fflush(stdout);
    return result.outcome == UpdateOutcome::NoInformation ? exitstatus::kFailed
                                                          : exitstatus::kCompleted;
}
