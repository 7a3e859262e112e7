#include "AppSettings.h"

#include <QRegularExpression>
#include <cmath>
#include <map>

#include "Format.h"

namespace {

const QString kNrFiles = QStringLiteral("NrFiles");
const QString kNrMBytes = QStringLiteral("NrMBytes");
const QString kNrPrevPath = QStringLiteral("NrPrevPath");
const QString kPrevPath = QStringLiteral("PrevPath");
const QString kPrevPathSelected = QStringLiteral("PrevPathSelected");
const QString kUpdateUrl = QStringLiteral("UpdateURL");

// A stored number rounded down and written in plain digits, worked on the text itself so that a
// number of any size keeps all its digits; nothing when the text is no number.
std::optional<QString> RoundedDownText(const QString& text) {
    bool ok = false;
    const double number = text.toDouble(&ok);
    if (!ok || !std::isfinite(number)) return std::nullopt;
    static const QRegularExpression pattern(
        QStringLiteral("^\\s*([+-]?)([0-9]*)(?:\\.([0-9]*))?(?:[eE]([+-]?[0-9]{1,6}))?\\s*$"));
    const auto match = pattern.match(text);
    if (!match.hasMatch()) return QString::number(std::floor(number), 'f', 0);
    const QString digits = match.captured(2) + match.captured(3);
    const qsizetype point = match.captured(2).size() + match.captured(4).toInt();
    QString whole = point <= 0               ? QString()
                    : point >= digits.size() ? digits + QString(point - digits.size(), u'0')
                                             : digits.left(point);
    const QString cutOff = point <= 0 ? digits : digits.mid(std::max<qsizetype>(point, 0));
    const bool fraction = cutOff.contains(QRegularExpression(QStringLiteral("[1-9]")));
    while (whole.startsWith(u'0')) whole.remove(0, 1);
    if (whole.isEmpty()) whole = QStringLiteral("0");
    if (match.captured(1) != u"-") return whole;
    if (fraction) whole = IncrementDigits(whole);
    return whole == u"0" ? whole : u'-' + whole;
}

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

std::optional<qint64> AppSettings::WholeNumber(const QString& key, qint64 whenMissing) const {
    if (!store_.contains(key)) return whenMissing;
    return StoredWholeNumber(store_.value(key).toString());
}

std::optional<QString> AppSettings::BoxNumber(const QString& key, int whenMissing) const {
    if (!store_.contains(key)) return QString::number(whenMissing);
    return RoundedDownText(store_.value(key).toString());
}

std::optional<QString> AppSettings::NrFiles() const {
    return BoxNumber(kNrFiles, 20);
}

std::optional<QString> AppSettings::NrMBytes() const {
    return BoxNumber(kNrMBytes, 10);
}

std::optional<qint64> AppSettings::PrevPathSelected() const {
    return WholeNumber(kPrevPathSelected, 0);
}

QString AppSettings::updateUrl() const {
    return store_.value(kUpdateUrl).toString();
}

QStringList AppSettings::PrevPaths() const {
    const qint64 count = WholeNumber(kNrPrevPath, 0).value_or(0);
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

bool AppSettings::Save(const QString& nrFilesText, const QString& nrMBytesText,
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
