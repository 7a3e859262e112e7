// The drive profile's window: a preset, the test file's size, the runs and seconds per run,
// Start and Stop, the progress, and the results table (a row per test, read and write columns,
// each cell MB/s large with IOPS and p99 latency beneath). Copy puts the table on the clipboard
// as text; Save writes it as text, JSON or the chart. Closing the window stops a running profile
// and removes its file first.
#pragma once

#include <QDateTime>
#include <QWidget>
#include <functional>

#include "ProfileHost.h"
#include "ProfileSession.h"
#include "ProfileSettings.h"

class QComboBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QSpinBox;
class QTableWidget;

class frmProfile : public QWidget, public ProfileHost {
    Q_OBJECT
  public:
    // Asks for the name of the file Save writes; empty when the user cancels.
    using SaveFileDialog = std::function<QString(QWidget* owner)>;

    explicit frmProfile(const QString& folder, QWidget* parent = nullptr);
    ~frmProfile() override;

    void Start();
    void Stop();
    void Copy();
    void Save();
    // Stops a running profile and waits until its file is gone.
    void StopAndWait();
    bool Running() const { return session_.Running(); }
    const QString& Folder() const { return folder_; }
    // The table as text, as Copy gives it.
    QString TableText() const;
    void setSaveFileDialog(SaveFileDialog dialog) { saveFileDialog_ = std::move(dialog); }

    // ProfileHost
    void ProfileProgress(int test, int percent) override;
    void ProfileLog(const QString& line) override;
    void ProfileTestDone(const ProfileTestResult& result) override;
    void ProfileFinished(const ProfileReport& report) override;

  signals:
    void RunningChanged(bool running);

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    void BuildControls();
    void Translate();
    void SetRunning(bool running);
    ProfileSettings SettingsFromBoxes() const;
    void FillCell(int row, int column, const DirectionFigures& figures);
    void ShowTable(const ProfileReport& report);
    void FitTableToFigures();

    QString folder_;
    ProfileSession session_;
    ProfileSettings settings_;
    ProfileReport report_;
    QDateTime startTime_;  // of the profile in report_, for its report and the history
    bool haveReport_ = false;
    SaveFileDialog saveFileDialog_;

    QComboBox* preset_ = nullptr;
    QSpinBox* sizeMiB_ = nullptr;
    QSpinBox* runs_ = nullptr;
    QSpinBox* seconds_ = nullptr;
    QPushButton* start_ = nullptr;
    QPushButton* stop_ = nullptr;
    QPushButton* copy_ = nullptr;
    QPushButton* save_ = nullptr;
    QProgressBar* progress_ = nullptr;
    QLabel* status_ = nullptr;
    QTableWidget* table_ = nullptr;
    QLabel* labels_[4] = {nullptr, nullptr, nullptr, nullptr};
};
