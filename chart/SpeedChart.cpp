#include "SpeedChart.h"

#include <QBuffer>
#include <QFileInfo>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QImage>
#include <QSaveFile>
#include <QSvgGenerator>
#include <algorithm>
#include <array>
#include <cmath>

#include "Format.h"
#include "SpeedSeries.h"
#include "modLang.h"

namespace {

// Room around the plot for the title, the axes' labels, the averages' figures and the legend.
constexpr double kLeftMargin = 84;
constexpr double kRightMargin = 144;
constexpr double kTopMargin = 78;
constexpr double kBottomMargin = 108;
// Files narrower than this get a line without marks; more files than pixels get bars of this
// many pixels, each standing for a group of files.
constexpr double kPixelsPerMarkedFile = 6;
constexpr int kPixelsPerBar = 2;
constexpr double kMarkRadius = 3.5;

// How a series is told apart from the other by more than its colour: with room for a mark per
// file, by round or square marks and a solid or dashed line; without it, where dashes would only
// be noise, by a thick or a thin solid line.
struct SeriesStyle {
    QString name;
    QColor colour;
    Qt::PenStyle line;
    double width;
    bool squareMarks;
    bool marked;
};

SeriesStyle WriteStyle(bool marked) {
    return {LangText(73, false, false, QStringLiteral("Write")),
            WriteSeriesColour(),
            Qt::SolidLine,
            marked ? 2.0 : 3.0,
            false,
            marked};
}

SeriesStyle ReadStyle(bool marked) {
    return {LangText(74, false, false, QStringLiteral("Read")),
            ReadSeriesColour(),
            marked ? Qt::DashLine : Qt::SolidLine,
            marked ? 2.0 : 1.25,
            true,
            marked};
}

// The two series with their looks, in the order they are drawn and listed.
struct PlottedSeries {
    const SpeedSeries* series;
    SeriesStyle style;
};

std::array<PlottedSeries, 2> BothSeries(const SpeedSeries& write, const SpeedSeries& read,
                                        bool marked = true) {
    return {{{&write, WriteStyle(marked)}, {&read, ReadStyle(marked)}}};
}

// As the log writes a speed: the same pattern, the user's decimal separator, the same unit.
QString SpeedText(double megabytesPerSecond) {
    return FormatNumber(megabytesPerSecond, QStringLiteral("#.##")) +
           LangText(16, true, false, QStringLiteral(" MB/s"));
}

// 1, 2 or 5 times a power of ten, so that `range` needs at most `ticks` steps.
double NiceStep(double range, int ticks) {
    const double raw = std::max(range / ticks, 1e-9);
    const double magnitude = std::pow(10.0, std::floor(std::log10(raw)));
    for (const double multiple : {1.0, 2.0, 5.0})
        if (multiple * magnitude >= raw) return multiple * magnitude;
    return 10 * magnitude;
}

// Maps speeds to heights and file positions (0 to files) to the plot's width.
struct PlotFrame {
    QRectF plot;
    double top = 1;  // MB/s at the top of the plot
    int files = 1;

    double Y(double megabytesPerSecond) const {
        return plot.bottom() - megabytesPerSecond / top * plot.height();
    }
    double X(double filePosition) const {
        return plot.left() + filePosition / files * plot.width();
    }
    double FileCentre(double file) const { return X(file - 0.5); }
};

void DrawMark(QPainter& painter, const QPointF& centre, const SeriesStyle& style) {
    painter.setPen(QPen(Qt::white, 1));
    painter.setBrush(style.colour);
    if (style.squareMarks)
        painter.drawRect(QRectF(centre.x() - kMarkRadius, centre.y() - kMarkRadius, 2 * kMarkRadius,
                                2 * kMarkRadius));
    else
        painter.drawEllipse(centre, kMarkRadius + 0.5, kMarkRadius + 0.5);
}

QPen SeriesPen(const SeriesStyle& style, double width) {
    QPen pen(style.colour, width, style.line);
    pen.setCapStyle(Qt::FlatCap);
    return pen;
}

void DrawTitle(QPainter& painter, const QRectF& area, const ChartInput& input) {
    const QString test = input.test == ChartTest::Single
                             ? LangText(77, false, false, QStringLiteral("Single-file test"))
                             : LangText(78, false, false, QStringLiteral("Multiple-file test"));
    const QString title =
        QStringLiteral("%1 \u2014 %2 %3 \u00d7 %4 MB")
            .arg(test)
            .arg(input.nFiles)
            .arg(input.nFiles == 1 ? LangText(83, false, false, QStringLiteral("file"))
                                   : LangText(79, false, false, QStringLiteral("files")))
            .arg(input.sizeMB);
    const QRectF line(area.left() + 16, area.top() + 12, area.width() - 32, 26);
    painter.setPen(kChartInk);
    painter.setFont(ChartFont(19, true));
    painter.drawText(line, Qt::AlignLeft | Qt::AlignVCenter, title);

    painter.setFont(ChartFont(14));
    const QString date =
        input.date.isValid() ? input.date.toString(QStringLiteral("yyyy-MM-dd HH:mm")) : QString();
    const QRectF second = line.translated(0, 28);
    painter.drawText(second, Qt::AlignRight | Qt::AlignVCenter, date);
    const double dateWidth = QFontMetricsF(painter.font()).horizontalAdvance(date) + 24;
    const QString folder =
        QFontMetricsF(painter.font())
            .elidedText(input.folder, Qt::ElideMiddle, std::max(0.0, second.width() - dateWidth));
    painter.drawText(second, Qt::AlignLeft | Qt::AlignVCenter, folder);
}

void DrawSpeedAxis(QPainter& painter, const PlotFrame& frame, double step) {
    const int decimals = std::max(0, -static_cast<int>(std::floor(std::log10(step))));
    painter.setFont(ChartFont(13));
    for (int i = 0; i * step <= frame.top * (1 + 1e-9); ++i) {
        const double y = frame.Y(i * step);
        painter.setPen(QPen(i == 0 ? kChartInk : kChartGrid, 1));
        painter.drawLine(QPointF(frame.plot.left(), y), QPointF(frame.plot.right(), y));
        painter.setPen(kChartInk);
        painter.drawText(QRectF(frame.plot.left() - 64, y - 10, 56, 20),
                         Qt::AlignRight | Qt::AlignVCenter,
                         FormatNumber(i * step, decimals == 0 ? QStringLiteral("0")
                                                              : "0." + QString(decimals, u'0')));
    }
    painter.drawLine(frame.plot.bottomLeft(), frame.plot.topLeft());
    painter.save();
    painter.translate(frame.plot.left() - 62, frame.plot.center().y());
    painter.rotate(-90);
    painter.setFont(ChartFont(14));
    painter.drawText(QRectF(-100, -20, 200, 20), Qt::AlignCenter, QStringLiteral("MB/s"));
    painter.restore();
}

void DrawXLabel(QPainter& painter, const PlotFrame& frame, double x, const QString& text) {
    painter.setPen(QPen(kChartInk, 1));
    painter.drawLine(QPointF(x, frame.plot.bottom()), QPointF(x, frame.plot.bottom() + 5));
    painter.drawText(QRectF(x - 50, frame.plot.bottom() + 7, 100, 18), Qt::AlignCenter, text);
}

void DrawFileAxis(QPainter& painter, const PlotFrame& frame) {
    painter.setFont(ChartFont(13));
    const int step = std::max(1, static_cast<int>(NiceStep(frame.files, 10)));
    DrawXLabel(painter, frame, frame.FileCentre(1), QStringLiteral("1"));
    for (qint64 file = step; file <= frame.files; file += step)
        if (file - 1 >= step / 2.0)
            DrawXLabel(painter, frame, frame.FileCentre(file), QString::number(file));
    painter.setFont(ChartFont(14));
    painter.drawText(QRectF(frame.plot.left(), frame.plot.bottom() + 28, frame.plot.width(), 20),
                     Qt::AlignCenter, LangText(76, false, false, QStringLiteral("File")));
}

// Each file's speed as a line, with a mark per file where there is room for one.
void DrawFileSeries(QPainter& painter, const PlotFrame& frame, const SpeedSeries& series,
                    const SeriesStyle& style) {
    QPolygonF line;
    for (const SpeedPoint& point : series.points)
        line << QPointF(frame.FileCentre(point.firstFile), frame.Y(point.together));
    painter.setPen(SeriesPen(style, style.width));
    painter.setBrush(Qt::NoBrush);
    painter.drawPolyline(line);
    if (!style.marked) return;
    for (const QPointF& centre : line) DrawMark(painter, centre, style);
}

// Groups of files as bars from the slowest to the fastest file, their speed together as a line.
void DrawGroupedSeries(QPainter& painter, const PlotFrame& frame, const SpeedSeries& series,
                       const SeriesStyle& style) {
    QColor fill = style.colour;
    fill.setAlpha(90);
    painter.setPen(Qt::NoPen);
    painter.setBrush(fill);
    QPolygonF line;
    for (const SpeedPoint& point : series.points) {
        const double left = frame.X(point.firstFile - 1), right = frame.X(point.lastFile);
        const double top = frame.Y(point.fastest), bottom = frame.Y(point.slowest);
        painter.drawRect(QRectF(left, top, right - left, std::max(1.0, bottom - top)));
        line << QPointF((left + right) / 2, frame.Y(point.together));
    }
    painter.setPen(SeriesPen(style, style.width));
    painter.setBrush(Qt::NoBrush);
    painter.drawPolyline(line);
}

// The averages as dotted lines across the plot, their figures beyond its right edge where no
// data is drawn, at the lines' heights but far enough apart to stay readable.
void DrawAverages(QPainter& painter, const PlotFrame& frame,
                  const std::array<PlottedSeries, 2>& lines) {
    constexpr double kLabelHeight = 18;
    std::array<double, 2> labelY{};
    for (size_t i = 0; i < lines.size(); ++i) labelY[i] = frame.Y(lines[i].series->average);
    // Write is labelled above read when both fit; otherwise they are pushed apart evenly.
    if (std::abs(labelY[0] - labelY[1]) < kLabelHeight) {
        const double middle = (labelY[0] + labelY[1]) / 2;
        const bool writeAbove = labelY[0] <= labelY[1];
        labelY[0] = middle + (writeAbove ? -kLabelHeight / 2 : kLabelHeight / 2);
        labelY[1] = middle + (writeAbove ? kLabelHeight / 2 : -kLabelHeight / 2);
    }
    painter.setFont(ChartFont(13, true));
    for (size_t i = 0; i < lines.size(); ++i) {
        const auto& [series, style] = lines[i];
        if (series->points.empty()) continue;
        const double y = frame.Y(series->average);
        painter.setPen(QPen(style.colour, 1.5, Qt::DotLine));
        painter.drawLine(QPointF(frame.plot.left(), y), QPointF(frame.plot.right(), y));
        painter.setPen(style.colour);
        painter.drawText(QRectF(frame.plot.right() + 6, labelY[i] - kLabelHeight / 2,
                                kRightMargin - 8, kLabelHeight),
                         Qt::AlignLeft | Qt::AlignVCenter,
                         QStringLiteral("\u00d8 ") + SpeedText(series->average));
    }
}

// The multiple test: one bar per phase, outlined in the series' line style.
void DrawPhaseBars(QPainter& painter, const PlotFrame& frame, const SpeedSeries& write,
                   const SpeedSeries& read) {
    const auto bars = BothSeries(write, read);
    const double width = std::min(160.0, frame.plot.width() / 4);
    painter.setFont(ChartFont(14));
    for (int i = 0; i < 2; ++i) {
        const auto& [series, style] = bars[i];
        const double centre = frame.plot.left() + frame.plot.width() * (i == 0 ? 0.3 : 0.7);
        DrawXLabel(painter, frame, centre, style.name);
        if (series->points.empty()) continue;
        const double top = frame.Y(series->average);
        painter.setPen(QPen(style.colour.darker(140), 2, style.line));
        painter.setBrush(style.colour);
        painter.drawRect(QRectF(centre - width / 2, top, width, frame.plot.bottom() - top));
        painter.setPen(kChartInk);
        painter.drawText(QRectF(centre - 100, top - 22, 200, 20), Qt::AlignCenter,
                         SpeedText(series->average));
    }
}

// A sample of the series as the plot shows it, a line with a mark or a bar, and its text.
void DrawLegendEntry(QPainter& painter, QPointF at, const SeriesStyle& style, bool bar,
                     bool groupBar, const QString& text) {
    if (bar) {
        painter.setPen(QPen(style.colour.darker(140), 2, style.line));
        painter.setBrush(style.colour);
        painter.drawRect(QRectF(at.x() + 4, at.y() - 8, 28, 16));
    } else {
        if (groupBar) {
            QColor fill = style.colour;
            fill.setAlpha(90);
            painter.setPen(Qt::NoPen);
            painter.setBrush(fill);
            painter.drawRect(QRectF(at.x() + 12, at.y() - 8, 12, 16));
        }
        painter.setPen(SeriesPen(style, style.width));
        painter.setBrush(Qt::NoBrush);
        painter.drawLine(at, at + QPointF(36, 0));
        if (style.marked) DrawMark(painter, at + QPointF(18, 0), style);
    }
    painter.setPen(kChartInk);
    painter.drawText(QRectF(at.x() + 44, at.y() - 10, 400, 20), Qt::AlignLeft | Qt::AlignVCenter,
                     text);
}

// One entry per series with its average, and below them what a bar stands for when files are
// grouped and how many files were too short to time.
void DrawLegend(QPainter& painter, const QRectF& area, const std::array<PlottedSeries, 2>& lines,
                bool phaseBars, int filesPerBar) {
    const SpeedSeries& write = *lines[0].series;
    const SpeedSeries& read = *lines[1].series;
    painter.setFont(ChartFont(14));
    const QString average = LangText(75, false, false, QStringLiteral("average"));
    const double y = area.bottom() - 44;
    double x = area.left() + kLeftMargin;
    for (const auto& [series, style] : lines) {
        const QString figure =
            series->points.empty() ? QStringLiteral("\u2013") : SpeedText(series->average);
        DrawLegendEntry(painter, QPointF(x, y), style, phaseBars, filesPerBar > 1,
                        QStringLiteral("%1 (%2 %3)").arg(style.name, average, figure));
        x += 380;
    }
    QStringList notes;
    if (filesPerBar > 1)
        notes << LangText(80, false, false,
                          QStringLiteral("Each bar: slowest to fastest of %1 files; line: their "
                                         "speed together"))
                     .arg(filesPerBar);
    const int untimed = write.untimed + read.untimed;
    if (untimed > 0)
        notes << LangText(82, false, false,
                          QStringLiteral("%1 spans too short to time are left out"))
                     .arg(untimed);
    painter.setPen(kChartInk);
    painter.setFont(ChartFont(13));
    painter.drawText(QRectF(area.left() + kLeftMargin, y + 14, area.width() - kLeftMargin, 20),
                     Qt::AlignLeft | Qt::AlignVCenter, notes.join(QStringLiteral("   ")));
}

double HighestSpeed(const SpeedSeries& write, const SpeedSeries& read) {
    double highest = std::max(write.average, read.average);
    for (const SpeedSeries* series : {&write, &read})
        for (const SpeedPoint& point : series->points) highest = std::max(highest, point.fastest);
    return highest;
}

QByteArray RenderSvg(const ChartInput& input) {
    QBuffer buffer;
    QSvgGenerator generator;
    generator.setOutputDevice(&buffer);
    generator.setSize(kChartFileSize);
    generator.setViewBox(QRect(QPoint(0, 0), kChartFileSize));
    generator.setResolution(96);
    generator.setTitle(QStringLiteral("Dravelo"));
    QPainter painter(&generator);
    PaintSpeedChart(painter, QRectF(QPointF(0, 0), kChartFileSize), input);
    painter.end();
    return buffer.data();
}

QByteArray RenderPng(const ChartInput& input) {
    QImage image(kChartFileSize, QImage::Format_RGB32);
    QPainter painter(&image);
    PaintSpeedChart(painter, image.rect(), input);
    painter.end();
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return buffer.data();
}

}  // namespace

QFont ChartFont(int pixels, bool bold) {
    QFont font = QGuiApplication::font();
    font.setPixelSize(pixels);
    font.setBold(bold);
    return font;
}

QColor WriteSeriesColour() {
    return QColor(0x1f, 0x5f, 0xbf);
}
QColor ReadSeriesColour() {
    return QColor(0xe0, 0x6c, 0x00);
}

void PaintSpeedChart(QPainter& painter, const QRectF& area, const ChartInput& input) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillRect(area, Qt::white);
    const QRectF plot = area.adjusted(kLeftMargin, kTopMargin, -kRightMargin, -kBottomMargin);
    const bool single = input.test == ChartTest::Single;
    const int files = std::max({input.nFiles, 1, static_cast<int>(input.writeMicroseconds.size()),
                                static_cast<int>(input.readMicroseconds.size())});
    const int filesPerBar = single ? FilesPerPoint(files, plot.width(), kPixelsPerBar) : 1;
    const double megabytes = MegabytesPerSpan(input);
    const SpeedSeries write = ComputeSpeedSeries(input.writeMicroseconds, megabytes, filesPerBar);
    const SpeedSeries read = ComputeSpeedSeries(input.readMicroseconds, megabytes, filesPerBar);

    const double highest = HighestSpeed(write, read);
    const double step = highest > 0 ? NiceStep(highest * 1.08, 6) : 0.2;
    const PlotFrame frame{plot, step * std::max(1.0, std::ceil(highest * 1.08 / step)), files};

    DrawTitle(painter, area, input);
    DrawSpeedAxis(painter, frame, step);
    const bool marked = filesPerBar == 1 && plot.width() / files >= kPixelsPerMarkedFile;
    const auto lines = BothSeries(write, read, !single || marked);
    if (!single) {
        DrawPhaseBars(painter, frame, write, read);
    } else {
        DrawFileAxis(painter, frame);
        for (const auto& [series, style] : lines)
            (filesPerBar > 1 ? DrawGroupedSeries : DrawFileSeries)(painter, frame, *series, style);
        DrawAverages(painter, frame, lines);
    }
    DrawLegend(painter, area, lines, !single, filesPerBar);
    painter.restore();
}

bool WriteSpeedChart(const ChartInput& input, const QString& path, QString* error) {
    const auto fail = [error](const QString& why) {
        if (error) *error = why;
        return false;
    };
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        return fail(QStringLiteral("drawing a chart needs a QGuiApplication"));
    const QString suffix = QFileInfo(path).suffix().toLower();
    QByteArray bytes;
    if (suffix == u"svg")
        bytes = RenderSvg(input);
    else if (suffix == u"png")
        bytes = RenderPng(input);
    else
        return fail(QStringLiteral("%1: unknown chart format, use .svg or .png").arg(path));
    if (bytes.isEmpty())
        return fail(QStringLiteral("%1: the chart could not be encoded").arg(path));

    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        return fail(QStringLiteral("%1: %2").arg(path, file.errorString()));
    return true;
}
