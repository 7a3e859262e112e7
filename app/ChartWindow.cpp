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
// It opens without a loop of its own, so that a run underneath goes on.
void AskSavePath(QWidget* parent, std::function<void(const QString&)> chosen) {
    auto* dialog = new QFileDialog(parent, LangText(72, false, false, QStringLiteral("Save\u2026")),
                                   QString(), QStringLiteral("SVG (*.svg);;PNG (*.png)"));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->selectFile(QStringLiteral("dravelo-chart.svg"));
    QObject::connect(dialog, &QFileDialog::fileSelected, parent,
                     [dialog, chosen = std::move(chosen)](QString path) {
                         const QString suffix = QFileInfo(path).suffix().toLower();
                         if (suffix != u"svg" && suffix != u"png")
                             path += dialog->selectedNameFilter().startsWith(u"PNG")
                                         ? QStringLiteral(".png")
                                         : QStringLiteral(".svg");
                         chosen(path);
                     });
    dialog->open();
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
        auto* box = new QMessageBox(
            QMessageBox::Warning, windowTitle(),
            LangText(81, false, false, QStringLiteral("The chart could not be saved:")) + u'\n' +
                error,
            QMessageBox::Ok, this);
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->open();
        return false;
    }
    emit ChartSaved(path);
    return true;
}

void ChartWindow::AskAndSave() {
    prompt_(this, [this](const QString& path) {
        if (!path.isEmpty()) SaveChart(path);
    });
}
