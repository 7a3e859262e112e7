// The fault table of tests/README.md, read by the tests that run its cases, so that the table
// and what the program does cannot drift apart.
#pragma once

#include <QFile>
#include <QString>
#include <QStringList>
#include <vector>

struct FaultRow {
    QString test, stage, call;
    QStringList errors;
    QString outcome, line, files, report;
};

// The rows of one test ("single" or "multiple"); the line column without its backquotes.
inline std::vector<FaultRow> FaultRows(const QString& test) {
    std::vector<FaultRow> rows;
    QFile readme(QStringLiteral(DRAVELO_TESTS_README));
    if (!readme.open(QIODevice::ReadOnly)) return rows;
    for (const QString& line : QString::fromUtf8(readme.readAll()).split(u'\n')) {
        QStringList cells = line.split(u'|');
        if (cells.size() != 10) continue;
        for (QString& cell : cells) cell = cell.trimmed();
        if (cells[1] != test) continue;
        QString logLine = cells[6];
        if (logLine.startsWith(u'`') && logLine.endsWith(u'`'))
            logLine = logLine.mid(1, logLine.size() - 2);
        rows.push_back({cells[1], cells[2], cells[3], cells[4].split(u' ', Qt::SkipEmptyParts),
                        cells[5], logLine, cells[7], cells[8]});
    }
    return rows;
}

inline const FaultRow* FindRow(const std::vector<FaultRow>& rows, const QString& stage,
                               const QString& call) {
    for (const FaultRow& row : rows)
        if (row.stage == stage && row.call == call) return &row;
    return nullptr;
}
