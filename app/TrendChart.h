// The trend chart: one drive's write and read speed over time, one point per recorded run, so that
// a drive that slows down from month to month shows as a falling line. TrendView shows it in a
// widget; PaintTrendChart draws it anywhere.
#pragma once

#include <QDateTime>
#include <QPainter>
#include <QWidget>
#include <optional>
#include <vector>

struct TrendPoint {
    QDateTime time;
    std::optional<double> writeMBps;  // nothing for a phase that did not complete
    std::optional<double> readMBps;
};

struct TrendInput {
    QString title;                   // the drive, as the user knows it
    std::vector<TrendPoint> points;  // oldest first
};

// Draws the chart into `area`; an empty input draws the frame and the title only.
void PaintTrendChart(QPainter& painter, const QRectF& area, const TrendInput& input);

class TrendView : public QWidget {
    Q_OBJECT
  public:
    explicit TrendView(QWidget* parent = nullptr);

    const TrendInput& Input() const { return input_; }
    void SetInput(const TrendInput& input);

    QSize sizeHint() const override { return {640, 260}; }
    QSize minimumSizeHint() const override { return {320, 160}; }

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    TrendInput input_;
};
