#include "ChartWindow.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

#include "ChartView.h"
#include "SpeedChart.h"
#include "modLang.h"

namespace {

// The dialog's file type decides the format when the name the user typed has no extension.
QString AskSavePath(QWidget* parent) {
    QString filter;
    QString path = QFileDialog::getSaveFileName(
        parent, LangText(72, false, false, QStringLiteral("Save\u2026")),
        QStringLiteral("dravelo-chart.svg"), QStringLiteral("SVG (*.svg);;PNG (*.png)"), &filter);
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (!path.isEmpty() && suffix != u"svg" && suffix != u"png")
        path += filter.startsWith(u"PNG") ? QStringLiteral(".png") : QStringLiteral(".svg");
    return path;
}

}  // namespace

ChartWindow::ChartWindow(QWidget* parent)
    : QWidget(parent, Qt::Window),
      view_(new ChartView(this)),
      save_(new QPushButton(LangText(72, false, false, QStringLiteral("Save\u2026")), this)),
      prompt_(AskSavePath) {
    setWindowTitle(LangText(71, false, false, QStringLiteral("Speed per file")));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(save_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(view_, 1);
    layout->addLayout(buttons);
    connect(save_, &QPushButton::clicked, this, &ChartWindow::AskAndSave);
}

const ChartInput& ChartWindow::Input() const {
    return view_->Input();
}

void ChartWindow::SetInput(const ChartInput& input) {
    view_->SetInput(input);
}

bool ChartWindow::SaveChart(const QString& path) {
    QString error;
    if (!WriteSpeedChart(view_->Input(), path, &error)) {
        QMessageBox::warning(
            this, windowTitle(),
            LangText(81, false, false, QStringLiteral("The chart could not be saved:")) + u'\n' +
                error);
        return false;
    }
    emit ChartSaved(path);
    return true;
}

void ChartWindow::AskAndSave() {
    const QString path = prompt_(this);
    if (!path.isEmpty()) SaveChart(path);
}
