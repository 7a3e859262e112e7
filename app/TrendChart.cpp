#include "TrendChart.h"

#include <algorithm>

#include "SpeedChart.h"
#include "modLang.h"

namespace {

constexpr double kMargin = 12;
constexpr double kAxisWidth = 56;
constexpr double kTitleHeight = 24;
constexpr double kDateHeight = 20;
constexpr int kGridLines = 4;

double HighestFigure(const TrendInput& input) {
    double highest = 0;
    for (const TrendPoint& point : input.points)
        highest = std::max({highest, point.writeMBps.value_or(0), point.readMBps.value_or(0)});
    return highest > 0 ? highest * 1.1 : 1;
}

// A line through the runs whose phase completed, and a mark on each.
void PaintSeries(QPainter& painter, const std::vector<QPointF>& points, const QColor& colour) {
    painter.setPen(QPen(colour, 2));
    for (size_t i = 1; i < points.size(); ++i) painter.drawLine(points[i - 1], points[i]);
    painter.setBrush(colour);
    for (const QPointF& point : points) painter.drawEllipse(point, 3.5, 3.5);
}

// The two series' names in their colours, at the right end of the title line.
void PaintLegend(QPainter& painter, const QRectF& titleArea) {
    const std::pair<QString, QColor> entries[] = {
        {LangText(73, false, false, QStringLiteral("Write")), WriteSeriesColour()},
        {LangText(74, false, false, QStringLiteral("Read")), ReadSeriesColour()}};
    double right = titleArea.right();
    for (int i = 1; i >= 0; --i) {
        const QString text = entries[i].first + QStringLiteral(" (MB/s)");
        const double width = painter.fontMetrics().horizontalAdvance(text);
        painter.setPen(Qt::black);
        painter.drawText(QRectF(right - width, titleArea.top(), width, titleArea.height()),
                         Qt::AlignVCenter, text);
        painter.fillRect(QRectF(right - width - 16, titleArea.center().y() - 5, 10, 10),
                         entries[i].second);
        right -= width + 28;
    }
}

}  // namespace

void PaintTrendChart(QPainter& painter, const QRectF& area, const TrendInput& input) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillRect(area, Qt::white);
    painter.setPen(Qt::black);
    const QRectF titleArea(area.left() + kMargin, area.top() + kMargin / 2,
                           area.width() - 2 * kMargin, kTitleHeight);
    painter.drawText(titleArea, Qt::AlignLeft | Qt::AlignVCenter, input.title);
    PaintLegend(painter, titleArea);
    const QRectF plot(area.left() + kMargin + kAxisWidth, titleArea.bottom() + kMargin / 2,
                      area.width() - 2 * kMargin - kAxisWidth,
                      area.height() - kTitleHeight - kDateHeight - 2 * kMargin);
    if (plot.width() <= 0 || plot.height() <= 0) {
        painter.restore();
        return;
    }
    const double top = HighestFigure(input);
    painter.setPen(QColor(222, 222, 222));
    for (int i = 0; i <= kGridLines; ++i) {
        const double y = plot.bottom() - plot.height() * i / kGridLines;
        painter.drawLine(QPointF(plot.left(), y), QPointF(plot.right(), y));
        painter.setPen(Qt::black);
        painter.drawText(QRectF(area.left() + kMargin, y - 10, kAxisWidth - 6, 20),
                         Qt::AlignRight | Qt::AlignVCenter,
                         QString::number(top * i / kGridLines, 'f', top < 10 ? 1 : 0));
        painter.setPen(QColor(222, 222, 222));
    }
    if (!input.points.empty()) {
        const qint64 first = input.points.front().time.toSecsSinceEpoch();
        const qint64 span =
            std::max<qint64>(1, input.points.back().time.toSecsSinceEpoch() - first);
        auto x = [&](const TrendPoint& point) {
            if (input.points.size() == 1) return plot.center().x();
            return plot.left() +
                   plot.width() * double(point.time.toSecsSinceEpoch() - first) / span;
        };
        auto y = [&](double mbps) { return plot.bottom() - plot.height() * mbps / top; };
        std::vector<QPointF> writes, reads;
        for (const TrendPoint& point : input.points) {
            if (point.writeMBps) writes.emplace_back(x(point), y(*point.writeMBps));
            if (point.readMBps) reads.emplace_back(x(point), y(*point.readMBps));
        }
        PaintSeries(painter, writes, WriteSeriesColour());
        PaintSeries(painter, reads, ReadSeriesColour());
        painter.setPen(Qt::black);
        const QRectF dates(plot.left(), plot.bottom() + 2, plot.width(), kDateHeight);
        painter.drawText(dates, Qt::AlignLeft | Qt::AlignVCenter,
                         input.points.front().time.toString("yyyy-MM-dd"));
        painter.drawText(dates, Qt::AlignRight | Qt::AlignVCenter,
                         input.points.back().time.toString("yyyy-MM-dd"));
    }
    painter.setPen(Qt::black);
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(plot);
    painter.restore();
}

TrendView::TrendView(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void TrendView::SetInput(const TrendInput& input) {
    input_ = input;
    update();
}

void TrendView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    PaintTrendChart(painter, rect(), input_);
}
