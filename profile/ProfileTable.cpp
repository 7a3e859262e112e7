#include "ProfileTable.h"

#include "Format.h"
#include "modLang.h"

namespace {

QString Text(int16_t index, const char* english) {
    return LangText(index, false, false, QString::fromUtf8(english));
}

// Column widths in characters; the first is the test's name, the second the direction.
constexpr int kNameWidth = 18;
constexpr int kDirectionWidth = 10;
constexpr int kFigureWidth = 11;

QString Cell(const QString& text, int width) {
    return text.rightJustified(width);
}

QString Figure(double value, const char* pattern) {
    return Cell(FormatNumber(value, QLatin1String(pattern)), kFigureWidth);
}

QString HeaderLine() {
    QString line = Text(89, "Test").leftJustified(kNameWidth) + QString(kDirectionWidth, u' ');
    for (const QString& title :
         {Text(92, "MB/s"), Text(93, "MiB/s"), Text(94, "IOPS"), Text(98, "min MB/s"),
          Text(99, "max MB/s"), Text(96, "mean µs"), QStringLiteral("p50 µs"),
          QStringLiteral("p90 µs"), QStringLiteral("p99 µs"), QStringLiteral("p99.9 µs"),
          Text(97, "max µs"), Text(95, "CPU s/GiB")})
        line += Cell(title, kFigureWidth);
    return line;
}

QString FiguresLine(const QString& name, const QString& direction, const DirectionFigures& f) {
    const LatencyHistogram& l = f.latency;
    QString line = name.leftJustified(kNameWidth) + direction.leftJustified(kDirectionWidth);
    line += Figure(f.median.MBps, "0.0") + Figure(f.median.MiBps, "0.0") +
            Figure(f.median.IOPS, "0") + Figure(f.min.MBps, "0.0") + Figure(f.max.MBps, "0.0");
    line += Figure(l.MeanNanoseconds() / 1000.0, "0.0");
    for (double fraction : {0.5, 0.9, 0.99, 0.999})
        line += Figure(Microseconds(l.PercentileNanoseconds(fraction)), "0.0");
    line += Figure(Microseconds(l.MaxNanoseconds()), "0.0");
    line += Figure(f.cpuSecondsPerGiB, "0.000");
    return line;
}

}  // namespace

QString ProfileEngineLine(const ProfileReport& report) {
    QString line = Text(100, "Engine:") + u' ' + report.engine + QStringLiteral(", ") +
                   (report.cacheBypass ? Text(101, "cache bypass (O_DIRECT)")
                                       : Text(102,
                                              "buffered: every figure includes the system "
                                              "cache, writes end with fdatasync"));
    if (!report.engineReason.isEmpty())
        line +=
            QStringLiteral("; ") + Text(104, "io_uring unavailable:") + u' ' + report.engineReason;
    if (!report.cacheBypass && !report.bufferedReason.isEmpty())
        line += QStringLiteral("; ") + report.bufferedReason;
    return line;
}

QStringList ProfileTableLines(const ProfileReport& report, const QString& folder) {
    QStringList lines;
    lines << Text(88, "Drive profile") + QStringLiteral(": ") + folder;
    lines << ProfileEngineLine(report);
    lines << Text(103, "Test file %1 MiB, %2 runs of %3 s per test; figures are medians")
                 .arg(report.fileBytes >> 20)
                 .arg(report.runs)
                 .arg(report.secondsPerRun);
    lines << Text(117, "MB/s: 10^6 bytes per second, MiB/s: 2^20 bytes per second");
    lines << QString();
    lines << HeaderLine();
    const QString mark = report.cacheBypass ? QString() : QStringLiteral("*");
    for (const ProfileTestResult& result : report.tests) {
        const QString name = result.test.Name() + mark;
        if (result.read) lines << FiguresLine(name, Text(90, "Read"), *result.read);
        if (result.write) lines << FiguresLine(name, Text(91, "Write"), *result.write);
    }
    return lines;
}
