// ChartWindow: the speed chart of the last completed run in a window of its own, with a button
// that saves it as SVG or PNG. The main window's File menu opens it.
#pragma once

#include <QWidget>
#include <functional>

#include "ChartInput.h"

class ChartView;
class QPushButton;

class ChartWindow : public QWidget {
    Q_OBJECT
  public:
    // Opens the question for the file to save to without waiting for it: `chosen` is called
    // with the path once the user has chosen one, never on cancel.
    using SavePathPrompt =
        std::function<void(QWidget* parent, std::function<void(const QString&)> chosen)>;

    explicit ChartWindow(QWidget* parent = nullptr);

    const ChartInput& Input() const;
    void SetInput(const ChartInput& input);
    // Replaces the save-file dialog, for callers that know the path already.
    void SetSavePathPrompt(SavePathPrompt prompt) { prompt_ = std::move(prompt); }

    // Writes the chart to `path`; a failure is shown to the user in a message box.
    bool SaveChart(const QString& path);

  signals:
    void ChartSaved(const QString& path);

  private:
    void AskAndSave();

    ChartView* view_;
    QPushButton* save_;
    SavePathPrompt prompt_;
};
