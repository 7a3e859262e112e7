#include "UpdateAddress.h"

#include <QDir>
#include <QStandardPaths>
#include <QUrl>

#include "AppSettings.h"

namespace {

// A reserved name that no real host answers, so that an unconfigured program contacts nobody.
const QString kDefaultVersionFileAddress =
    QStringLiteral("https://dravelo.example/download/Dravelo.zip.ver");

bool IsWebUrl(const QUrl& url) {
    return url.isValid() && !url.host().isEmpty() &&
           (url.scheme() == u"https" || url.scheme() == u"http");
}

}  // namespace

QString VersionFileAddress() {
    const QString fromEnvironment = qEnvironmentVariable("DRAVELO_UPDATE_URL").trimmed();
    if (!fromEnvironment.isEmpty()) return fromEnvironment;
    const QString stored = AppSettings().updateUrl().trimmed();
    return stored.isEmpty() ? kDefaultVersionFileAddress : stored;
}

bool IsVersionFileAddress(const QString& address) {
    const QUrl url(address, QUrl::StrictMode);
    return IsWebUrl(url) && url.path().endsWith(u"/download/Dravelo.zip.ver");
}

QString WebDownloadAddress(const QString& value) {
    const QUrl url(value.trimmed(), QUrl::StrictMode);
    return IsWebUrl(url) ? url.toString(QUrl::FullyEncoded) : QString();
}

QString VersionTempPath() {
    const QString cache = QStandardPaths::writableLocation(QStandardPaths::CacheLocation);
    // Without a cache folder there is no private place for the file, and writing it fails.
    return cache.isEmpty() ? QString() : QDir(cache).filePath(QStringLiteral("VTemp.txt"));
}
