#include "HistoryTable.h"

#include "modLang.h"

namespace {

constexpr int kWriteColumn = 7;
constexpr int kReadColumn = 8;

QString Figure(const std::optional<double>& figure) {
    return figure ? QString::number(*figure, 'f', 2) : QStringLiteral("-");
}

QString DeviceText(const HistoryRow& row) {
    QStringList parts;
    for (const QString& part : {row.deviceName, row.deviceModel, row.deviceSerial})
        if (!part.isEmpty()) parts << part;
    return parts.isEmpty() ? QStringLiteral("-") : parts.join(u' ');
}

}  // namespace

QStringList HistoryHeadings() {
    return {"ID",
            LangText(123, false, false, "Time"),
            LangText(124, false, false, "Host"),
            LangText(125, false, false, "Device"),
            LangText(126, false, false, "Folder"),
            LangText(127, false, false, "Test"),
            LangText(128, false, false, "Files x MB"),
            LangText(129, false, false, "Write MB/s"),
            LangText(130, false, false, "Read MB/s"),
            LangText(131, false, false, "Outcome")};
}

QStringList HistoryCells(const HistoryRow& row) {
    return {QString::number(row.id),
            row.startTime,
            row.host,
            DeviceText(row),
            row.folder,
            row.test,
            QStringLiteral("%1 x %2").arg(row.files).arg(row.sizeMB),
            Figure(row.writeMBps),
            Figure(row.readMBps),
            row.outcome};
}

std::optional<double> FigureRatio(const std::optional<double>& first,
                                  const std::optional<double>& second) {
    if (!first || !second || *first == 0) return std::nullopt;
    return *second / *first;
}

QList<QStringList> ComparisonLines(const HistoryRow& first, const HistoryRow& second) {
    const QStringList headings = HistoryHeadings();
    const QStringList a = HistoryCells(first);
    const QStringList b = HistoryCells(second);
    QList<QStringList> lines{{QString(), a[0], b[0], LangText(132, false, false, "Ratio")}};
    for (int i = 1; i < headings.size(); ++i) {
        QString ratio;
        if (i == kWriteColumn) ratio = Figure(FigureRatio(first.writeMBps, second.writeMBps));
        if (i == kReadColumn) ratio = Figure(FigureRatio(first.readMBps, second.readMBps));
        lines.append({headings[i], a[i], b[i], ratio});
    }
    return lines;
}
