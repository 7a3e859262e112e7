// HistoryWindow: the recorded runs in a window of their own, not modal, so that a run never waits
// on it. A sortable, filterable table of the runs, the trend of the selected run's drive over
// time, and two selected runs side by side.
#pragma once

#include <QWidget>
#include <memory>

class QLabel;
class QLineEdit;
class QPushButton;
class QSortFilterProxyModel;
class QSqlQueryModel;
class QTableView;
class QTableWidget;
class RunHistory;
class TrendView;

class HistoryWindow : public QWidget {
    Q_OBJECT
  public:
    // Reads the history at `path`.
    explicit HistoryWindow(const QString& path, QWidget* parent = nullptr);
    ~HistoryWindow() override;

    // Reads the runs again, for runs recorded while the window is open.
    void Refresh();
    // Shows the two selected runs side by side; nothing unless exactly two are selected.
    void CompareSelected();

  private:
    void Build();
    void Translate();
    QList<qint64> SelectedIds() const;
    void SelectionChanged();
    void ShowTrendOf(qint64 id);

    std::unique_ptr<RunHistory> history_;
    QSqlQueryModel* model_ = nullptr;
    QSortFilterProxyModel* filtered_ = nullptr;
    QLineEdit* filter_ = nullptr;
    QTableView* table_ = nullptr;
    TrendView* trend_ = nullptr;
    QPushButton* compare_ = nullptr;
    QLabel* status_ = nullptr;
    QTableWidget* comparison_ = nullptr;
};
