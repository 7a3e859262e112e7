#include "HistoryWindow.h"

#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSortFilterProxyModel>
#include <QSplitter>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlQueryModel>
#include <QTableView>
#include <QTableWidget>
#include <QVBoxLayout>

#include "HistoryTable.h"
#include "RunHistory.h"
#include "TrendChart.h"
#include "modLang.h"

namespace {

// The columns of HistoryHeadings(), as SQL computes them.
const char* const kListQuery =
    "SELECT id, start_time, host, "
    "trim(ifnull(device_name, '') || ' ' || ifnull(device_model, '') || ' ' || "
    "ifnull(device_serial, '')), folder, test, files || ' x ' || size_mb, "
    "round(write_mbps, 2), round(read_mbps, 2), outcome "
    "FROM runs ORDER BY start_utc DESC, id DESC";

// The runs of the same drive: by serial number where the drive has one, else by its name on the
// same machine.
const char* const kTrendQuery =
    "SELECT r.start_time, r.write_mbps, r.read_mbps FROM runs r, runs s WHERE s.id = ? AND "
    "((s.device_serial IS NOT NULL AND r.device_serial = s.device_serial) OR "
    "(s.device_serial IS NULL AND r.device_name IS s.device_name AND r.host IS s.host)) "
    "ORDER BY r.start_utc, r.id";

std::optional<double> FigureOf(const QVariant& value) {
    return value.isNull() ? std::nullopt : std::optional<double>(value.toDouble());
}

}  // namespace

HistoryWindow::HistoryWindow(const QString& path, QWidget* parent)
    : QWidget(parent, Qt::Window), history_(std::make_unique<RunHistory>(path)) {
    Build();
    Translate();
    Refresh();
}

HistoryWindow::~HistoryWindow() {
    // The model's query uses the connection: it goes first.
    delete model_;
    model_ = nullptr;
}

void HistoryWindow::Build() {
    setObjectName("HistoryWindow");
    model_ = new QSqlQueryModel();
    filtered_ = new QSortFilterProxyModel(this);
    filtered_->setSourceModel(model_);
    filtered_->setFilterKeyColumn(-1);
    filtered_->setFilterCaseSensitivity(Qt::CaseInsensitive);
    filtered_->setSortRole(Qt::EditRole);

    filter_ = new QLineEdit(this);
    filter_->setObjectName("filter");
    filter_->setClearButtonEnabled(true);
    connect(filter_, &QLineEdit::textChanged, filtered_,
            &QSortFilterProxyModel::setFilterFixedString);
    table_ = new QTableView(this);
    table_->setObjectName("runs");
    table_->setModel(filtered_);
    table_->setSortingEnabled(true);
    table_->sortByColumn(0, Qt::DescendingOrder);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->verticalHeader()->hide();
    connect(table_->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &HistoryWindow::SelectionChanged);
    connect(table_->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            &HistoryWindow::SelectionChanged);

    trend_ = new TrendView(this);
    trend_->setObjectName("trend");
    compare_ = new QPushButton(this);
    compare_->setObjectName("compare");
    compare_->setEnabled(false);
    connect(compare_, &QPushButton::clicked, this, &HistoryWindow::CompareSelected);
    status_ = new QLabel(this);
    status_->setObjectName("status");
    status_->setWordWrap(true);
    comparison_ = new QTableWidget(this);
    comparison_->setObjectName("comparison");
    comparison_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    comparison_->horizontalHeader()->hide();
    comparison_->verticalHeader()->hide();
    comparison_->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);

    auto* compareRow = new QHBoxLayout;
    compareRow->addWidget(compare_);
    compareRow->addWidget(status_, 1);
    auto* lower = new QWidget(this);
    auto* lowerLayout = new QHBoxLayout(lower);
    lowerLayout->setContentsMargins(0, 0, 0, 0);
    lowerLayout->addWidget(trend_, 1);
    lowerLayout->addWidget(comparison_, 1);
    auto* splitter = new QSplitter(Qt::Vertical, this);
    splitter->addWidget(table_);
    splitter->addWidget(lower);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(filter_);
    layout->addWidget(splitter, 1);
    layout->addLayout(compareRow);
    resize(1000, 640);
}

void HistoryWindow::Translate() {
    QString title = LangText(136, false, false, QStringLiteral("History…"));
    title.remove(QChar(0x2026));
    setWindowTitle(title.trimmed());
    compare_->setText(LangText(137, false, false, QStringLiteral("Compare")));
    status_->setText(
        LangText(138, false, false, QStringLiteral("Select two runs to compare them.")));
}

void HistoryWindow::Refresh() {
    const QSqlDatabase db = history_->Database();
    if (!db.isOpen() && !QFileInfo::exists(history_->Path())) {
        status_->setText(LangText(122, false, false, QStringLiteral("Keine Tests gespeichert.")));
        return;
    }
    if (!db.isOpen() && !history_->OpenForReading()) {
        status_->setText(LangText(135, false, false, "The history cannot be read:") + ' ' +
                         history_->Error());
        return;
    }
    model_->setQuery(QSqlQuery(kListQuery, history_->Database()));
    if (model_->lastError().isValid()) {
        status_->setText(LangText(135, false, false, "The history cannot be read:") + ' ' +
                         model_->lastError().text());
        return;
    }
    while (model_->canFetchMore()) model_->fetchMore();
    const QStringList headings = HistoryHeadings();
    for (int i = 0; i < headings.size(); ++i) model_->setHeaderData(i, Qt::Horizontal, headings[i]);
    table_->resizeColumnsToContents();
}

QList<qint64> HistoryWindow::SelectedIds() const {
    QList<qint64> ids;
    for (const QModelIndex& index : table_->selectionModel()->selectedRows(0))
        ids.append(index.data(Qt::EditRole).toLongLong());
    return ids;
}

void HistoryWindow::SelectionChanged() {
    const QList<qint64> ids = SelectedIds();
    compare_->setEnabled(ids.size() == 2);
    status_->setVisible(ids.size() != 2);
    QModelIndex current = table_->currentIndex();
    if (!current.isValid()) current = table_->selectionModel()->selectedRows(0).value(0);
    if (current.isValid())
        ShowTrendOf(filtered_->index(current.row(), 0).data(Qt::EditRole).toLongLong());
}

void HistoryWindow::ShowTrendOf(qint64 id) {
    const std::optional<HistoryRow> row = history_->Row(id);
    if (!row) return;
    TrendInput input;
    input.title = QStringLiteral("%1 %2 %3 (%4)")
                      .arg(row->deviceName, row->deviceModel, row->deviceSerial, row->host)
                      .simplified();
    QSqlQuery query(history_->Database());
    query.prepare(kTrendQuery);
    query.addBindValue(id);
    if (query.exec())
        while (query.next())
            input.points.push_back({QDateTime::fromString(query.value(0).toString(), Qt::ISODate),
                                    FigureOf(query.value(1)), FigureOf(query.value(2))});
    trend_->SetInput(input);
}

void HistoryWindow::CompareSelected() {
    QList<qint64> ids = SelectedIds();
    if (ids.size() != 2) return;
    std::sort(ids.begin(), ids.end());  // the older run first, so the ratio reads new / old
    const auto first = history_->Row(ids[0]);
    const auto second = history_->Row(ids[1]);
    if (!first || !second) return;
    const QList<QStringList> lines = ComparisonLines(*first, *second);
    comparison_->setRowCount(int(lines.size()));
    comparison_->setColumnCount(4);
    for (int row = 0; row < lines.size(); ++row)
        for (int column = 0; column < lines[row].size(); ++column)
            comparison_->setItem(row, column, new QTableWidgetItem(lines[row][column]));
    comparison_->resizeColumnsToContents();
}
