#include "PhaseLog.h"

#include <QDateTime>

#include "Checked.h"
#include "Format.h"
#include "modFile.h"
#include "modLang.h"

namespace {

QString Now() {
    return FormatDateTime(QDateTime::currentDateTime(), QStringLiteral("hh:mm dd.mm.yy"));
}

}  // namespace

void LogStartLines(PhaseHost& host, int32_t nFiles, int32_t sizeMB) {
    host.LogPrint(LangText(21, false, true, QStringLiteral("Teststart: ")) + Now());
    host.LogPrint(LangText(22, false, true, QStringLiteral("Erstelle ")) + QString::number(nFiles) +
                  LangText(23, true, true, QStringLiteral(" Dateien ")) + u'(' +
                  QString::number(CheckedMul(nFiles, sizeMB)) +
                  LangText(18, true, false, QStringLiteral(" MB")) + u')');
}

void LogReadPlan(PhaseHost& host, int32_t nFiles, int32_t sizeMB) {
    host.LogPrint(LangText(19, false, true, QStringLiteral("Lese ")) +
                  QString::number(CheckedMul(nFiles, sizeMB)) +
                  LangText(18, false, false, QStringLiteral("MB")));
}

void LogWriteFile(PhaseHost& host, int32_t k) {
    host.LogPrint(LangText(40, false, true, QStringLiteral("Datei ")) + SignedNumber(k) +
                  QStringLiteral("..."));
}

void LogReadFile(PhaseHost& host, int32_t k) {
    host.LogPrint(LangText(26, false, true, QStringLiteral("Lese Datei ")) + SignedNumber(k));
}

void LogWriting(PhaseHost& host) {
    host.LogPrint(LangText(20, false, false, QStringLiteral("Schreibe... ")));
}

void LogShortRead(PhaseHost& host, bool withCount, int32_t count) {
    if (withCount)
        host.LogPrint(QStringLiteral("Checksum Error! (") + QString::number(count) + u')');
    else
        host.LogPrint(QStringLiteral("Checksum Error!"));
}

void LogTime(PhaseHost& host, int32_t ms, const QString& pattern) {
    host.LogPrint(LangText(24, false, true, QStringLiteral("Zeit: ")) +
                  FormatNumber(ms / 1000.0, pattern) +
                  LangText(25, true, false, QStringLiteral(" Sekunden")) + QStringLiteral(" (") +
                  QString::number(ms) + QStringLiteral(" ms)"));
}

void LogEnd(PhaseHost& host, double seconds, double mbps) {
    host.LogPrint(QStringLiteral("<clear>"));
    const QString average = LangText(15, false, true, QStringLiteral("Durchschnitt: "));
    const QString pattern = QStringLiteral("#.##");
    host.LogPrint(average + FormatNumber(seconds, pattern) +
                  LangText(17, true, false, QStringLiteral(" Sek.")));
    host.LogPrint(average + FormatNumber(mbps, pattern) +
                  LangText(16, true, false, QStringLiteral(" MB/s")));
    host.LogPrint(LangText(14, false, true, QStringLiteral("Testende: ")) + Now());
    host.LogPrint(QString());
}

void LogAbort(PhaseHost& host) {
    host.LogPrint(LangText(11, false, false, QStringLiteral("Abbruch...")));
}

void LogTooShort(PhaseHost& host) {
    host.LogPrint(LangText(67, false, false,
                           QStringLiteral("Die Testphase war zu kurz für die Millisekundenuhr! "
                                          "Bitte mehr oder größere Dateien verwenden.")));
}

void LogAccessFailure(PhaseHost& host, const QString& folder) {
    host.LogPrint(LangText(12, false, true, QStringLiteral("Kann auf ")) + folder +
                  LangText(13, true, false, QStringLiteral(" nicht zugreifen!")));
}

void LogFileFailure(PhaseHost& host, const QString& path) {
    QString reason = LastFileError();
    if (reason.isEmpty())
        reason = LangText(68, false, false,
                          QStringLiteral("das Gerät hat nur einen Teil des Blocks angenommen"));
    host.LogPrint(path + QStringLiteral(": ") + reason);
}

void LogClockFailure(PhaseHost& host) {
    host.LogPrint(LangText(41, false, false,
                           QStringLiteral("Fehler bei der Kommunikation der Timerkomponente!")));
}

void LogArithmeticFailure(PhaseHost& host) {
    host.LogPrint(
        LangText(7, false, false, QStringLiteral("Werte dürfen nicht größer als 32000 sein!")));
}
