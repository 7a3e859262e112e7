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

void ReportTransferFailure(UpdatePrompter& prompter) {
    prompter.Show(kProgramTitle,
                  QStringLiteral("An error has occured in the file transfer or write.  Please "
                                 "try again later."),
                  BoxIcon::Information, BoxButtons::Ok);
}

bool TransferStillRunning(const QNetworkAccessManager& transfer) {
    const auto replies = transfer.findChildren<QNetworkReply*>(Qt::FindDirectChildrenOnly);
    return std::any_of(replies.begin(), replies.end(),
                       [](const QNetworkReply* reply) { return !reply->isFinished(); });
}

// The whole body, or nothing when the transfer failed, was cut off by the time limit or grew
// beyond the largest version file.
std::optional<QByteArray> FetchWhole(QNetworkAccessManager& transfer, const QUrl& url) {
    const QPointer<QNetworkReply> reply = transfer.get(QNetworkRequest(url));
    QByteArray body;
    bool tooLarge = false;
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
    QTimer::singleShot(transferTimeLimit, &loop, [&reply] {
        if (reply) reply->abort();
    });
    if (!reply->isFinished()) loop.exec();
    if (!reply) return std::nullopt;
    if (reply->isOpen()) body += reply->readAll();  // an aborted reply is closed
    const bool complete =
        reply->error() == QNetworkReply::NoError && !tooLarge && body.size() <= kLargestVersionFile;
    reply->deleteLater();
    return complete ? std::optional(body) : std::nullopt;
}

// Creates or truncates the file first, so that no tail of an older, longer file survives.
bool WriteWhole(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) return false;
    const bool written = file.write(bytes) == bytes.size();
    file.close();
    return written && file.error() == QFileDevice::NoError;
}

// The values of the version file, read and deleted; all empty when it could not be fetched.
VersionFileValues FetchVersionFile(QNetworkAccessManager& transfer, UpdatePrompter& prompter) {
    const QString address = VersionFileAddress();
    if (!IsVersionFileAddress(address)) {
        ReportTransferFailure(prompter);
        return {};
    }
    const QString tempPath = VersionTempPath();
    if (!DownloadFile(transfer, address, tempPath, prompter)) return {};
    VersionFileValues values;
    QFile file(tempPath);
    try {
        if (file.open(QIODevice::ReadOnly)) values = ParseVersionFile(file.readAll());
    } catch (...) {
        values = {};  // a file that cannot be read names no version
    }
    file.close();
    file.remove();
    return values;
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
    return prompter.Show(Text(45), question, BoxIcon::Information, BoxButtons::YesNo) ==
           BoxAnswer::Yes;
}

void ShowUpToDate(UpdatePrompter& prompter) {
    prompter.Show(Text(47), Text(47) + Text(48, true), BoxIcon::Information, BoxButtons::Ok);
}

}  // namespace

void SetTransferTimeLimit(std::chrono::milliseconds limit) {
    transferTimeLimit = limit;
}

bool DownloadFile(QNetworkAccessManager& transfer, const QString& address, const QString& localPath,
                  UpdatePrompter& prompter) {
    if (TransferStillRunning(transfer)) return false;
    const std::optional<QByteArray> body = FetchWhole(transfer, QUrl(address));
    if (!body || !WriteWhole(localPath, *body)) {
        ReportTransferFailure(prompter);
        return false;
    }
    return true;
}

UpdateCheckResult CheckForUpdate(QNetworkAccessManager& transfer, UpdatePrompter& prompter,
                                 const DownloadOpener& openDownload) {
    const VersionFileValues values = FetchVersionFile(transfer, prompter);
    const QString download = WebDownloadAddress(values.download);
    const std::optional<VersionNumber> serverVersion = ParseVersion(values.currentVersion);
    if (download.isEmpty() || !serverVersion) {
        prompter.Show(kProgramTitle, Text(50), BoxIcon::Critical, BoxButtons::Ok);
        return {UpdateOutcome::NoInformation, QString()};
    }
    const bool newer = *serverVersion > kInstalledVersion;
    if (ShowsMessage(values, newer))
        prompter.Show(kProgramTitle, values.message, BoxIcon::Information, BoxButtons::Ok);
    if (!newer) {
        ShowUpToDate(prompter);
        return {UpdateOutcome::UpToDate, QString()};
    }
    if (AsksForNewVersion(prompter, *serverVersion) && openDownload) openDownload(download);
    return {UpdateOutcome::NewerOffered, download};
}
