#include "frmProfile.h"

#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QComboBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QJsonDocument>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QSaveFile>
#include <QSpinBox>
#include <QTableWidget>
#include <QVBoxLayout>

#include "Format.h"
#include "ProfileChart.h"
#include "ProfileRun.h"
#include "ProfileTable.h"
#include "WindowReport.h"
#include "modLang.h"

namespace {

QString Text(int16_t index, const char* english) {
    return LangText(index, false, false, QString::fromUtf8(english));
}

// One cell: MB/s large, IOPS and p99 latency small beneath.
QString CellText(const DirectionFigures& f) {
    return QStringLiteral(
               "<div align=center><span style='font-size:large'><b>%1</b></span> %2"
               "<br><small>%3 %4 · p99 %5 µs</small></div>")
        .arg(
            FormatNumber(f.median.MBps, QStringLiteral("0.0")), Text(92, "MB/s"),
            FormatNumber(f.median.IOPS, QStringLiteral("0")), Text(94, "IOPS"),
            FormatNumber(Microseconds(f.latency.PercentileNanoseconds(0.99)), QStringLiteral("0")));
}

bool WriteFile(const QString& path, const QByteArray& bytes, QString& error) {
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit())
        return true;
    error = QStringLiteral("%1: %2").arg(path, file.errorString());
    return false;
}

}  // namespace

frmProfile::frmProfile(const QString& folder, QWidget* parent)
    : QWidget(parent, Qt::Window), folder_(folder), session_(*this) {
    setObjectName(QStringLiteral("frmProfile"));
    BuildControls();
    Translate();
    SetRunning(false);
    saveFileDialog_ = [](QWidget* owner) {
        return QFileDialog::getSaveFileName(
            owner, QString(), QString(),
            QStringLiteral("Text (*.txt);;JSON (*.json);;SVG (*.svg);;PNG (*.png)"));
    };
}

frmProfile::~frmProfile() {
    StopAndWait();
}

void frmProfile::BuildControls() {
    preset_ = new QComboBox(this);
    preset_->addItems(PresetNames());
    sizeMiB_ = new QSpinBox(this);
    sizeMiB_->setRange(8, 1 << 24);
    sizeMiB_->setValue(1024);
    runs_ = new QSpinBox(this);
    runs_->setRange(1, 100);
    runs_->setValue(5);
    seconds_ = new QSpinBox(this);
    seconds_->setRange(1, 3600);
    seconds_->setValue(5);
    auto* settings = new QFormLayout;
    QWidget* boxes[] = {preset_, sizeMiB_, runs_, seconds_};
    for (int i = 0; i < 4; ++i) {
        labels_[i] = new QLabel(this);
        labels_[i]->setBuddy(boxes[i]);
        settings->addRow(labels_[i], boxes[i]);
    }
    start_ = new QPushButton(this);
    stop_ = new QPushButton(this);
    copy_ = new QPushButton(this);
    save_ = new QPushButton(this);
    auto* buttons = new QVBoxLayout;
    for (QPushButton* button : {start_, stop_, copy_, save_}) buttons->addWidget(button);
    buttons->addStretch();
    auto* top = new QHBoxLayout;
    top->addLayout(settings, 1);
    top->addLayout(buttons);
    progress_ = new QProgressBar(this);
    progress_->setRange(0, 100);
    status_ = new QLabel(this);
    status_->setWordWrap(true);
    table_ = new QTableWidget(0, 2, this);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    table_->verticalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    table_->setMinimumHeight(220);
    FitTableToFigures();
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(progress_);
    layout->addWidget(status_);
    layout->addWidget(table_, 1);
    start_->setObjectName(QStringLiteral("profileStart"));
    stop_->setObjectName(QStringLiteral("profileStop"));
    copy_->setObjectName(QStringLiteral("profileCopy"));
    save_->setObjectName(QStringLiteral("profileSave"));
    preset_->setObjectName(QStringLiteral("profilePreset"));
    sizeMiB_->setObjectName(QStringLiteral("profileSize"));
    runs_->setObjectName(QStringLiteral("profileRuns"));
    seconds_->setObjectName(QStringLiteral("profileSeconds"));
    table_->setObjectName(QStringLiteral("profileTable"));
    connect(start_, &QPushButton::clicked, this, &frmProfile::Start);
    connect(stop_, &QPushButton::clicked, this, &frmProfile::Stop);
    connect(copy_, &QPushButton::clicked, this, &frmProfile::Copy);
    connect(save_, &QPushButton::clicked, this, &frmProfile::Save);
}

// Wide enough for the largest figures and test names a profile gives, in the window's font.
void frmProfile::FitTableToFigures() {
    DirectionFigures widest;
    widest.runs = {{99999.9, 99999.9, 9999999}};
    SummariseRuns(widest);
    widest.latency.Add(99999000);
    QLabel sample(CellText(widest));
    sample.setFont(font());
    const int column = sample.sizeHint().width() + 16;
    table_->horizontalHeader()->setMinimumSectionSize(column);
    const int names = fontMetrics().horizontalAdvance(QStringLiteral("RND4K Q32T16 MIX70*")) + 24;
    table_->setMinimumWidth(names + 2 * column + 2 * table_->frameWidth() + 4);
}

void frmProfile::Translate() {
    setWindowTitle(Text(88, "Drive profile") + QStringLiteral(": ") + folder_);
    labels_[0]->setText(Text(108, "Preset:"));
    labels_[1]->setText(Text(109, "File size in MiB:"));
    labels_[2]->setText(Text(110, "Runs:"));
    labels_[3]->setText(Text(118, "Seconds per run:"));
    start_->setText(Text(111, "Start"));
    stop_->setText(Text(112, "Stop"));
    copy_->setText(Text(113, "Copy"));
    save_->setText(Text(114, "Save…"));
    table_->setHorizontalHeaderLabels({Text(90, "Read"), Text(91, "Write")});
}

ProfileSettings frmProfile::SettingsFromBoxes() const {
    ProfileSettings settings;
    settings.tests = PresetTests(preset_->currentText()).value_or(std::vector<ProfileTest>{});
    settings.fileBytes = int64_t(sizeMiB_->value()) << 20;
    settings.runs = runs_->value();
    settings.secondsPerRun = seconds_->value();
    return settings;
}

void frmProfile::SetRunning(bool running) {
    for (QWidget* w :
         std::initializer_list<QWidget*>{preset_, sizeMiB_, runs_, seconds_, start_, copy_, save_})
        w->setEnabled(!running);
    copy_->setEnabled(!running && haveReport_);
    save_->setEnabled(!running && haveReport_);
    stop_->setEnabled(running);
    emit RunningChanged(running);
}

void frmProfile::Start() {
    if (session_.Running()) return;
    settings_ = SettingsFromBoxes();
    haveReport_ = false;
    table_->setRowCount(0);
    QStringList rows;
    for (const ProfileTest& test : settings_.tests) rows << test.Name();
    table_->setRowCount(static_cast<int>(rows.size()));
    table_->setVerticalHeaderLabels(rows);
    progress_->setValue(0);
    status_->setText(Text(115, "Laying out the test file…"));
    startTime_ = QDateTime::currentDateTime();
    session_.Start(settings_, folder_);
    SetRunning(true);
}

void frmProfile::Stop() {
    session_.Stop();
}

void frmProfile::StopAndWait() {
    if (!session_.Running()) return;
    session_.Stop();
    session_.WaitStopped();
    SetRunning(false);
}

void frmProfile::ProfileProgress(int test, int percent) {
    const int tests = std::max<int>(1, static_cast<int>(settings_.tests.size()));
    progress_->setValue((100 * test + percent) / tests);
    status_->setText(Text(116, "%1 (test %2 of %3)")
                         .arg(settings_.tests[static_cast<size_t>(test)].Name())
                         .arg(test + 1)
                         .arg(tests));
}

void frmProfile::ProfileLog(const QString&) {}

void frmProfile::FillCell(int row, int column, const DirectionFigures& figures) {
    auto* cell = new QLabel(CellText(figures), table_);
    cell->setTextFormat(Qt::RichText);
    cell->setAlignment(Qt::AlignCenter);
    table_->setCellWidget(row, column, cell);
    // The figure for screen readers and for whoever reads the table's model; the label shows it.
    auto* item = new QTableWidgetItem;
    item->setData(Qt::UserRole, figures.median.MBps);
    item->setData(Qt::AccessibleTextRole, cell->text().remove(QRegularExpression("<[^>]*>")));
    table_->setItem(row, column, item);
}

void frmProfile::ProfileTestDone(const ProfileTestResult& result) {
    for (size_t row = 0; row < settings_.tests.size(); ++row) {
        if (settings_.tests[row].Name() != result.test.Name()) continue;
        if (result.read) FillCell(static_cast<int>(row), 0, *result.read);
        if (result.write) FillCell(static_cast<int>(row), 1, *result.write);
    }
}

void frmProfile::ShowTable(const ProfileReport& report) {
    table_->clearContents();
    table_->setRowCount(static_cast<int>(report.tests.size()));
    QStringList rows;
    for (size_t row = 0; row < report.tests.size(); ++row) {
        const ProfileTestResult& result = report.tests[row];
        rows << result.test.Name() + (report.cacheBypass ? QString() : QStringLiteral("*"));
        if (result.read) FillCell(static_cast<int>(row), 0, *result.read);
        if (result.write) FillCell(static_cast<int>(row), 1, *result.write);
    }
    table_->setVerticalHeaderLabels(rows);
}

void frmProfile::ProfileFinished(const ProfileReport& report) {
    report_ = report;
    haveReport_ = true;
    // The completed tests only: a stopped profile's last rows have no figures.
    ShowTable(report);
    switch (report.outcome) {
        case ProfileOutcome::Completed:
            progress_->setValue(100);
            status_->setText(Text(119, "The profile completed.") + u'\n' +
                             ProfileEngineLine(report));
            break;
        case ProfileOutcome::Stopped:
            status_->setText(Text(105, "The profile was stopped; its test file is deleted."));
            break;
        case ProfileOutcome::Failed:
            status_->setText(Text(106, "The profile failed:") + u' ' + report.failure);
            break;
    }
    if (!report.fileRemoved)
        status_->setText(status_->text() + u'\n' +
                         Text(107, "The test file could not be deleted:") + u' ' + report.filePath);
    RecordWindowProfile(report, folder_, startTime_);
    SetRunning(false);
}

QString frmProfile::TableText() const {
    return haveReport_ ? ProfileTableLines(report_, folder_).join(u'\n') + u'\n' : QString();
}

void frmProfile::Copy() {
    QApplication::clipboard()->setText(TableText());
}

void frmProfile::Save() {
    if (!haveReport_) return;
    const QString path = saveFileDialog_(this);
    if (path.isEmpty()) return;
    const QString suffix = QFileInfo(path).suffix().toLower();
    QString error;
    if (suffix == u"svg" || suffix == u"png") {
        error = WriteProfileChart(report_, folder_, path);
    } else if (suffix == u"json") {
        // The history's shape, so that a saved profile can be imported on another machine.
        const QJsonObject json = WindowProfileReport(report_, folder_, startTime_);
        WriteFile(path, QJsonDocument(json).toJson(QJsonDocument::Indented), error);
    } else {
        WriteFile(path, TableText().toUtf8(), error);
    }
    if (!error.isEmpty())
        QMessageBox::warning(this, windowTitle(),
                             Text(84, "The file could not be saved:") + u'\n' + error);
}

void frmProfile::closeEvent(QCloseEvent* event) {
    // The file goes before the window does.
    StopAndWait();
    event->accept();
}
