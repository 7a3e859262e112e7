#include "ChartView.h"

#include <QPainter>

#include "SpeedChart.h"

ChartView::ChartView(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void ChartView::SetInput(const ChartInput& input) {
    input_ = input;
    update();
}

QSize ChartView::sizeHint() const {
    return kChartFileSize * 3 / 4;
}

// Below this the axes' labels and the legend run into each other.
QSize ChartView::minimumSizeHint() const {
    return {640, 400};
}

void ChartView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    PaintSpeedChart(painter, rect(), input_);
}
