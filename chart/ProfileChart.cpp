#include "ProfileChart.h"

#include <QBuffer>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QSaveFile>
#include <QSvgGenerator>
#include <algorithm>
#include <cmath>

#include "ProfileTable.h"
#include "SpeedChart.h"
#include "modLang.h"

namespace {

constexpr double kLeftMargin = 84;
constexpr double kRightMargin = 36;
constexpr double kTopMargin = 78;
// Room for the tests' names and two lines of latencies under each group.
constexpr double kBottomMargin = 130;
constexpr int kSpeedTicks = 5;

QString Text(int16_t index, const char* english) {
    return LangText(index, false, false, QString::fromUtf8(english));
}

double HighestSpeed(const ProfileReport& report) {
    double highest = 0;
    for (const ProfileTestResult& r : report.tests)
        for (const auto* f : {&r.read, &r.write})
            if (*f) highest = std::max(highest, (*f)->max.MBps);
    return highest;
}

// A round step for the speed axis: 1, 2 or 5 times a power of ten.
double NiceStep(double highest) {
    const double raw = std::max(highest, 1.0) / kSpeedTicks;
    const double power = std::pow(10.0, std::floor(std::log10(raw)));
    for (double factor : {1.0, 2.0, 5.0})
        if (raw <= factor * power) return factor * power;
    return 10 * power;
}

// "p50 12 · p99 80 · p99.9 130 µs" for the bar's direction.
QString LatencyLine(const QString& direction, const DirectionFigures& f) {
    const LatencyHistogram& l = f.latency;
    return QStringLiteral("%1 p50 %2 · p99 %3 · p99.9 %4 µs")
        .arg(direction)
        .arg(Microseconds(l.PercentileNanoseconds(0.5)), 0, 'f', 0)
        .arg(Microseconds(l.PercentileNanoseconds(0.99)), 0, 'f', 0)
        .arg(Microseconds(l.PercentileNanoseconds(0.999)), 0, 'f', 0);
}

void DrawAxis(QPainter& painter, const QRectF& plot, double top, double step) {
    painter.setFont(ChartFont(13));
    for (double value = 0; value <= top + step / 2; value += step) {
        const double y = plot.bottom() - plot.height() * value / top;
        painter.setPen(kChartGrid);
        painter.drawLine(QPointF(plot.left(), y), QPointF(plot.right(), y));
        painter.setPen(kChartInk);
        painter.drawText(QRectF(0, y - 10, plot.left() - 8, 20), Qt::AlignRight | Qt::AlignVCenter,
                         QString::number(value, 'f', step < 1 ? 1 : 0));
    }
    painter.drawText(QRectF(8, plot.top() - 22, 300, 18), Qt::AlignLeft | Qt::AlignVCenter,
                     Text(92, "MB/s") + QStringLiteral(" (10^6)"));
}

void DrawGroup(QPainter& painter, const QRectF& slot, const QRectF& plot, double top,
               const ProfileTestResult& result) {
    const double barWidth = std::min(60.0, slot.width() * 0.35);
    const struct {
        const std::optional<DirectionFigures>& figures;
        QColor colour;
        QString name;
    } bars[] = {{result.read, ReadSeriesColour(), Text(90, "Read")},
                {result.write, WriteSeriesColour(), Text(91, "Write")}};
    double x = slot.center().x() - barWidth - 2;
    double line = plot.bottom() + 30;
    for (const auto& bar : bars) {
        if (bar.figures) {
            const double height = plot.height() * bar.figures->median.MBps / top;
            const QRectF rect(x, plot.bottom() - height, barWidth, height);
            painter.fillRect(rect, bar.colour);
            painter.setPen(kChartInk);
            painter.setFont(ChartFont(12));
            painter.drawText(QRectF(x - 20, rect.top() - 18, barWidth + 40, 16), Qt::AlignCenter,
                             QString::number(bar.figures->median.MBps, 'f', 1));
            painter.setFont(ChartFont(11));
            painter.drawText(QRectF(slot.left(), line, slot.width(), 16), Qt::AlignCenter,
                             LatencyLine(bar.name, *bar.figures));
            line += 16;
        }
        x += barWidth + 4;
    }
    painter.setFont(ChartFont(13, true));
    painter.drawText(QRectF(slot.left(), plot.bottom() + 6, slot.width(), 20), Qt::AlignCenter,
                     result.test.Name());
}

void DrawLegend(QPainter& painter, const QRectF& area) {
    painter.setFont(ChartFont(13));
    double x = area.right() - 220;
    const double y = area.top() + 44;
    for (const auto& [colour, name] : {std::pair{ReadSeriesColour(), Text(90, "Read")},
                                       std::pair{WriteSeriesColour(), Text(91, "Write")}}) {
        painter.fillRect(QRectF(x, y, 14, 14), colour);
        painter.setPen(kChartInk);
        painter.drawText(QRectF(x + 20, y - 3, 80, 20), Qt::AlignLeft | Qt::AlignVCenter, name);
        x += 100;
    }
}

QByteArray Render(const ProfileReport& report, const QString& folder, bool svg) {
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    if (svg) {
        QSvgGenerator generator;
        generator.setOutputDevice(&buffer);
        generator.setSize(kChartFileSize);
        generator.setViewBox(QRect(QPoint(0, 0), kChartFileSize));
        generator.setResolution(96);
        generator.setTitle(QStringLiteral("Dravelo"));
        QPainter painter(&generator);
        PaintProfileChart(painter, QRectF(QPointF(0, 0), kChartFileSize), report, folder);
        painter.end();
        return buffer.data();
    }
    QImage image(kChartFileSize, QImage::Format_RGB32);
    QPainter painter(&image);
    PaintProfileChart(painter, image.rect(), report, folder);
    painter.end();
    image.save(&buffer, "PNG");
    return buffer.data();
}

}  // namespace

void PaintProfileChart(QPainter& painter, const QRectF& area, const ProfileReport& report,
                       const QString& folder) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillRect(area, Qt::white);
    painter.setPen(kChartInk);
    painter.setFont(ChartFont(18, true));
    painter.drawText(QRectF(area.left() + 16, area.top() + 8, area.width() - 32, 26),
                     Qt::AlignLeft | Qt::AlignVCenter,
                     Text(88, "Drive profile") + QStringLiteral(": ") + folder);
    painter.setFont(ChartFont(12));
    painter.drawText(QRectF(area.left() + 16, area.top() + 34, area.width() - 260, 18),
                     Qt::AlignLeft | Qt::AlignVCenter, ProfileEngineLine(report));
    DrawLegend(painter, area);
    const QRectF plot(area.left() + kLeftMargin, area.top() + kTopMargin,
                      area.width() - kLeftMargin - kRightMargin,
                      area.height() - kTopMargin - kBottomMargin);
    const double step = NiceStep(HighestSpeed(report));
    const double top = step * std::ceil(std::max(HighestSpeed(report), step) / step);
    DrawAxis(painter, plot, top, step);
    const double slotWidth = plot.width() / std::max<size_t>(1, report.tests.size());
    for (size_t i = 0; i < report.tests.size(); ++i)
        DrawGroup(painter,
                  QRectF(plot.left() + i * slotWidth, plot.top(), slotWidth, plot.height()), plot,
                  top, report.tests[i]);
    painter.setPen(kChartInk);
    painter.drawLine(plot.bottomLeft(), plot.bottomRight());
    painter.restore();
}

QString WriteProfileChart(const ProfileReport& report, const QString& folder, const QString& path) {
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        return QStringLiteral("drawing a chart needs a QGuiApplication");
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix != u"svg" && suffix != u"png")
        return QStringLiteral("%1: unknown chart format, use .svg or .png").arg(path);
    const QByteArray bytes = Render(report, folder, suffix == u"svg");
    if (bytes.isEmpty()) return QStringLiteral("%1: the chart could not be encoded").arg(path);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        return QStringLiteral("%1: %2").arg(path, file.errorString());
    return QString();
}
