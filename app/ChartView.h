// ChartView: a widget that shows the speed chart of one run at the widget's own size.
#pragma once

#include <QWidget>

#include "ChartInput.h"

class ChartView : public QWidget {
    Q_OBJECT
  public:
    explicit ChartView(QWidget* parent = nullptr);

    const ChartInput& Input() const { return input_; }
    void SetInput(const ChartInput& input);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    ChartInput input_;
};
