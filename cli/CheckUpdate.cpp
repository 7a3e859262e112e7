#include "CheckUpdate.h"

#include <QCommandLineParser>
#include <QNetworkAccessManager>
#include <QProcess>
#include <cstdio>

#include "UpdatePrompter.h"
#include "modDl.h"
#include "modLang.h"

namespace {

constexpr int kExitCompleted = 0;
constexpr int kExitNoInformation = 1;
constexpr int kExitUsage = 2;

const QString kCheckUpdateOption = QStringLiteral("check-update");

// Texts from the update server reach the terminal: control characters, which could move the
// cursor or rewrite the screen, are shown as "?".
QString PrintableLine(QString line) {
    for (QChar& c : line)
        if (c.category() == QChar::Other_Control) c = u'?';
    return line;
}

void PrintLine(const QString& line) {
    std::printf("%s\n", PrintableLine(line).toLocal8Bit().constData());
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

bool AsksForUpdateCheck(const QStringList& arguments) {
    return arguments.contains(QStringLiteral("--") + kCheckUpdateOption);
}

int RunUpdateCheck(const QStringList& arguments) {
    QCommandLineParser parser;
    const QCommandLineOption checkUpdate(kCheckUpdateOption), yes(QStringLiteral("yes")),
        language(QStringLiteral("lang"), QString(), QStringLiteral("FILE"),
                 QStringLiteral("deutsch.lng"));
    parser.addOptions({checkUpdate, yes, language});
    if (!parser.parse(arguments) || !parser.positionalArguments().isEmpty()) {
        std::fprintf(stderr,
                     "dravelo-cli: %s\nUsage: dravelo-cli --check-update [--yes] [--lang FILE]\n",
                     qPrintable(parser.errorText().isEmpty() ? QStringLiteral("unexpected argument")
                                                             : parser.errorText()));
        return kExitUsage;
    }
    LoadLanguage(FindLanguageFile(parser.value(language)));

    QNetworkAccessManager transfer;
    TerminalPrompter prompter(parser.isSet(yes));
    const UpdateCheckResult result = CheckForUpdate(transfer, prompter, OpenWithXdgOpen);
    if (result.outcome == UpdateOutcome::NewerOffered)
        PrintLine(QStringLiteral("Download: ") + result.downloadAddress);
    std::fflush(stdout);
    return result.outcome == UpdateOutcome::NoInformation ? kExitNoInformation : kExitCompleted;
}
