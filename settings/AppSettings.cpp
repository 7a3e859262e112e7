#include "AppSettings.h"

#include <QRegularExpression>
#include <cmath>
#include <map>

namespace {

const QString kNrFiles = QStringLiteral("NrFiles");
const QString kNrMBytes = QStringLiteral("NrMBytes");
const QString kNrPrevPath = QStringLiteral("NrPrevPath");
const QString kPrevPath = QStringLiteral("PrevPath");
const QString kPrevPathSelected = QStringLiteral("PrevPathSelected");
const QString kUpdateUrl = QStringLiteral("UpdateURL");

// The k of a "PrevPath" key: decimal without leading zeros, from 1 on.
std::optional<qint64> PrevPathNumber(const QString& key) {
    static const QRegularExpression pattern(QStringLiteral("^PrevPath([1-9][0-9]{0,17})$"));
    const auto match = pattern.match(key);
    if (!match.hasMatch()) return std::nullopt;
    return match.captured(1).toLongLong();
}

}  // namespace

std::optional<qint64> StoredWholeNumber(const QString& text) {
    bool ok = false;
    const double number = text.toDouble(&ok);
    if (!ok || !std::isfinite(number)) return std::nullopt;
    const double whole = std::floor(number);
    // 2^63 is the first double that no longer fits.
    if (whole < -9223372036854775808.0 || whole >= 9223372036854775808.0) return std::nullopt;
    return static_cast<qint64>(whole);
}

AppSettings::AppSettings()
    : store_(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Quarnell"),
             QStringLiteral("Quarnell")) {
    store_.beginGroup(QStringLiteral("Dravelo"));
}

std::optional<qint64> AppSettings::wholeNumber(const QString& key, qint64 whenMissing) const {
    if (!store_.contains(key)) return whenMissing;
    return StoredWholeNumber(store_.value(key).toString());
}

std::optional<qint64> AppSettings::nrFiles() const {
    return wholeNumber(kNrFiles, 20);
}

std::optional<qint64> AppSettings::nrMBytes() const {
    return wholeNumber(kNrMBytes, 10);
}

std::optional<qint64> AppSettings::prevPathSelected() const {
    return wholeNumber(kPrevPathSelected, 0);
}

QString AppSettings::updateUrl() const {
    return store_.value(kUpdateUrl).toString();
}

QStringList AppSettings::prevPaths() const {
    const qint64 count = wholeNumber(kNrPrevPath, 0).value_or(0);
    // Only the keys that exist can give a path, so a huge count costs nothing.
    std::map<qint64, QString> inKeyOrder;
    for (const QString& key : store_.childKeys()) {
        const auto k = PrevPathNumber(key);
        if (!k || *k > count) continue;
        const QString path = store_.value(key).toString();
        if (!path.isEmpty()) inKeyOrder.emplace(*k, path);
    }
    QStringList paths;
    for (const auto& entry : inKeyOrder) paths << entry.second;
    return paths;
}

bool AppSettings::save(const QString& nrFilesText, const QString& nrMBytesText,
                       const QStringList& folders, int selectedPosition) {
    store_.setValue(kNrFiles, nrFilesText);
    store_.setValue(kNrMBytes, nrMBytesText);
    store_.setValue(kNrPrevPath, QString::number(folders.size()));
    for (qsizetype i = 0; i < folders.size(); ++i) {
        store_.setValue(kPrevPath + QString::number(i + 1), folders[i]);
    }
    store_.setValue(kPrevPathSelected, QString::number(selectedPosition));
    store_.sync();
    return store_.status() == QSettings::NoError;
}
