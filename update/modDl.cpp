#include "modDl.h"

#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QPointer>
#include <QTimer>
#include <algorithm>
#include <optional>

#include "UpdateAddress.h"
#include "VersionFile.h"
#include "modLang.h"

namespace {

// 4049 lines of any sensible length fit; a larger reply is not a version file.
constexpr qint64 kLargestVersionFile = 1024 * 1024;

std::chrono::milliseconds transferTimeLimit = std::chrono::seconds(30);

const QString kProgramTitle = QStringLiteral("Dravelo");

void ReportTransferFailure(UpdatePrompter& prompter, const QString& reason) {
    prompter.Show(kProgramTitle,
                  QStringLiteral("An error has occured in the file transfer or write.  Please "
                                 "try again later."),
                  BoxIcon::Information, BoxButtons::Ok, reason);
}

bool TransferStillRunning(const QNetworkAccessManager& transfer) {
    const auto replies = transfer.findChildren<QNetworkReply*>(Qt::FindDirectChildrenOnly);
    return std::any_of(replies.begin(), replies.end(),
                       [](const QNetworkReply* reply) { return !reply->isFinished(); });
}

// The whole body, or why there is none: the transfer failed, was cut off by the time limit or
// grew beyond the largest version file.
struct Fetched {
    std::optional<QByteArray> body;
    QString failure;
    bool closed = false;  // the window closed or the program is ending: nobody waits any more
};

// The server's own status where it sent one, then the transfer component's words.
QString TransferFailure(const QNetworkReply& reply) {
    const QVariant status = reply.attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (!status.isValid()) return reply.errorString();
    return QStringLiteral("HTTP %1: %2").arg(status.toInt()).arg(reply.errorString());
}

Fetched FetchWhole(QNetworkAccessManager& transfer, const QUrl& url) {
    const QPointer<QNetworkReply> reply = transfer.get(QNetworkRequest(url));
    QByteArray body;
    bool tooLarge = false;
    bool timedOut = false;
    QEventLoop loop;
    QObject::connect(reply, &QNetworkReply::readyRead, &loop, [&] {
        body += reply->readAll();
        if (body.size() > kLargestVersionFile) {
            tooLarge = true;
            reply->abort();
        }
    });
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    // Closing the window takes the transfer component and its replies with it.
    QObject::connect(reply, &QObject::destroyed, &loop, &QEventLoop::quit);
    QTimer::singleShot(transferTimeLimit, &loop, [&] {
        timedOut = true;
        if (reply) reply->abort();
    });
    if (!reply->isFinished()) loop.exec();
    if (!reply) return {std::nullopt, QStringLiteral("the transfer was closed"), true};
    // The wait ended from outside: the program is quitting, and the check ends with it.
    if (!reply->isFinished()) {
        reply->abort();
        reply->deleteLater();
        return {std::nullopt, QStringLiteral("the program is ending"), true};
    }
    if (reply->isOpen()) body += reply->readAll();  // an aborted reply is closed
    Fetched fetched;
    if (tooLarge || body.size() > kLargestVersionFile)
        fetched.failure =
            QStringLiteral("the reply is larger than %1 bytes").arg(kLargestVersionFile);
    else if (timedOut)
        fetched.failure = QStringLiteral("no complete answer within %1 s")
                              .arg(std::chrono::duration<double>(transferTimeLimit).count());
    else if (reply->error() != QNetworkReply::NoError)
        fetched.failure = TransferFailure(*reply);
    else
        fetched.body = body;
    reply->deleteLater();
    return fetched;
}

// Creates or truncates the file first, so that no tail of an older, longer file survives.
// Empty on success, else the path and the system's reason.
QString WriteWhole(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return path + QStringLiteral(": ") + file.errorString();
    const bool written = file.write(bytes) == bytes.size();
    file.close();
    if (written && file.error() == QFileDevice::NoError) return QString();
    return path + QStringLiteral(": ") + file.errorString();
}

// The values of the version file, parsed from the downloaded bytes: no file is written, so
// checks running at the same time cannot spoil each other's, and a missing or full cache folder
// does not matter. All empty when it could not be fetched; nothing when the check was closed.
std::optional<VersionFileValues> FetchVersionFile(QNetworkAccessManager& transfer,
                                                  UpdatePrompter& prompter) {
    const QString address = VersionFileAddress();
    if (!IsVersionFileAddress(address)) {
        ReportTransferFailure(prompter, address + QStringLiteral(": not a version file address"));
        return VersionFileValues{};
    }
    if (TransferStillRunning(transfer)) return VersionFileValues{};
    const Fetched fetched = FetchWhole(transfer, QUrl(address));
    if (fetched.closed) return std::nullopt;
    if (!fetched.body) {
        ReportTransferFailure(prompter, fetched.failure);
        return VersionFileValues{};
    }
    try {
        return ParseVersionFile(*fetched.body);
    } catch (...) {
        return VersionFileValues{};  // bytes that cannot be read name no version
    }
}

bool IsBidirectionalControl(char32_t c) {
    return (c >= 0x202A && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069);
}

bool ShowsMessage(const VersionFileValues& values, bool newer) {
    if (values.message.isEmpty()) return false;
    return values.errorCode == 1 || ((values.errorCode == 0 || values.errorCode == 2) && newer);
}

QString Text(int16_t index, bool leadingSpace = false) {
    return LangText(index, leadingSpace, false, QString());
}

bool AsksForNewVersion(UpdatePrompter& prompter, const VersionNumber& serverVersion) {
    const QString question = Text(43) + VersionText(serverVersion) + QStringLiteral("\r\n") +
                             Text(44) + VersionText(kInstalledVersion) +
                             QStringLiteral("\r\n\r\n") + Text(45) + Text(46, true);
    return prompter.Show(Text(45), question, BoxIcon::Information, BoxButtons::YesNo, QString()) ==
           BoxAnswer::Yes;
}

void ShowUpToDate(UpdatePrompter& prompter) {
    prompter.Show(Text(47), Text(47) + Text(48, true), BoxIcon::Information, BoxButtons::Ok,
                  QString());
}

}  // namespace

QString ShownServerText(const QString& text) {
    QString shown;
    for (const char32_t c : text.toUcs4()) {
        if (static_cast<qsizetype>(shown.size()) >= kLongestServerText) {
            shown += QChar(0x2026);
            break;
        }
        const bool control = QChar::category(c) == QChar::Other_Control && c != u'\r' && c != u'\n';
        if (control || IsBidirectionalControl(c))
            shown += u'?';
        else
            shown += QString::fromUcs4(&c, 1);
    }
    return shown;
}

void SetTransferTimeLimit(std::chrono::milliseconds limit) {
    transferTimeLimit = limit;
}

bool DownloadFile(QNetworkAccessManager& transfer, const QString& address, const QString& localPath,
                  UpdatePrompter& prompter) {
    if (TransferStillRunning(transfer)) return false;
    const Fetched fetched = FetchWhole(transfer, QUrl(address));
    if (fetched.closed) return false;
    const QString failure = fetched.body ? WriteWhole(localPath, *fetched.body) : fetched.failure;
    if (!failure.isEmpty()) {
        ReportTransferFailure(prompter, failure);
        return false;
    }
    return true;
}

UpdateCheckResult CheckForUpdate(QNetworkAccessManager& transfer, UpdatePrompter& prompter,
                                 const DownloadOpener& openDownload) {
    const std::optional<VersionFileValues> fetched = FetchVersionFile(transfer, prompter);
    // Closed while waiting for the server: the user is gone, so no box follows.
    if (!fetched) return {UpdateOutcome::NoInformation, QString()};
    const VersionFileValues& values = *fetched;
    const QString download = WebDownloadAddress(values.download);
    const std::optional<VersionNumber> serverVersion = ParseVersion(values.currentVersion);
    if (download.isEmpty() || !serverVersion) {
        prompter.Show(kProgramTitle, Text(50), BoxIcon::Critical, BoxButtons::Ok, QString());
        return {UpdateOutcome::NoInformation, QString()};
    }
    const bool newer = *serverVersion > kInstalledVersion;
    if (ShowsMessage(values, newer))
        prompter.Show(kProgramTitle, ShownServerText(values.message), BoxIcon::Information,
                      BoxButtons::Ok, QString());
    if (!newer) {
        ShowUpToDate(prompter);
        return {UpdateOutcome::UpToDate, QString()};
    }
    if (AsksForNewVersion(prompter, *serverVersion) && openDownload) openDownload(download);
    return {UpdateOutcome::NewerOffered, download};
}
