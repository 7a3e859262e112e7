// The controls gallery: every custom control in its main states on one window, for looking at
// them by eye while working on their drawing. A developer tool; not installed.
#include <QApplication>
#include <QGridLayout>
#include <QLabel>
#include <QPainter>
#include <QTimer>
#include <QWidget>

#include "Chk1.h"
#include "Cmd1.h"
#include "McToolBar.h"
#include "PPB.h"
#include "Txt.h"

namespace {

QImage Dot(const QColor& colour) {
    QImage icon(16, 16, QImage::Format_ARGB32);
    icon.fill(Qt::transparent);
    QPainter painter(&icon);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(colour);
    painter.drawEllipse(QRect(1, 1, 13, 13));
    return icon;
}

McToolBar* MenuBar(QWidget* parent, int style) {
    auto* bar = new McToolBar(parent);
    bar->setButtonsStyle(style);
    bar->setButton_Count(3);
    const QStringList captions{"Datei", "Bearbeiten", "Hilfe"};
    for (int i = 0; i < captions.size(); ++i) {
        bar->setButton_Index(i);
        bar->setButtonCaption(captions[i]);
        bar->setButtonIcon(Dot(QColor::fromHsv(i * 110, 200, 230)));
        bar->setButtonToolTip(QStringLiteral("Menu ") + captions[i]);
        bar->setButtonToolTipIcon(i + 1);
    }
    bar->setButton_Index(2);
    bar->setButtonEnabled(false);
    bar->setButton_Index(-1);
    bar->setHoverColor(0x00FFC080);
    return bar;
}

void AddRow(QGridLayout* grid, const QString& title, const QList<QWidget*>& widgets) {
    const int row = grid->rowCount();
    grid->addWidget(new QLabel(title), row, 0);
    for (int i = 0; i < widgets.size(); ++i) grid->addWidget(widgets[i], row, i + 1);
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QWidget window;
    window.setWindowTitle(QStringLiteral("Dravelo controls"));
    auto* grid = new QGridLayout(&window);

    auto* running = new PPB;
    auto* empty = new PPB;
    auto* custom = new PPB;
    custom->setUseCustomCaption(true);
    custom->SetCustomCaption(QStringLiteral("Lesen"));
    // A layout shows a full bar, so the values are set once the window has its size.
    QTimer::singleShot(100, &window, [empty, custom]() {
        empty->ValueChange(0);
        custom->ValueChange(65);
    });
    auto* counter = new QTimer(&window);
    QObject::connect(counter, &QTimer::timeout, running, [running, step = 0]() mutable {
        running->ValueChange(step);
        step = (step + 1) % 101;
    });
    counter->start(50);
    AddRow(grid, QStringLiteral("PPB"), {running, empty, custom});

    for (int style = 0; style <= 2; ++style) {
        const int row = grid->rowCount();
        grid->addWidget(new QLabel(QStringLiteral("McToolBar %1").arg(style)), row, 0);
        grid->addWidget(MenuBar(&window, style), row, 1, 1, 3, Qt::AlignLeft);
    }

    auto* start = new Cmd1;
    start->setCaption(QStringLiteral("Start Single"));
    auto* disabled = new Cmd1;
    disabled->setCaption(QStringLiteral("Start Multiple"));
    disabled->setEnabled(false);
    auto* withPicture = new Cmd1;
    withPicture->setCaption(QStringLiteral("Werte automatisch berechnen"));
    withPicture->setPicture(Dot(Qt::yellow));
    withPicture->setPicSize(3);
    withPicture->setPicAlign(6);
    withPicture->setTextAlign(7);
    withPicture->setMinimumHeight(56);
    AddRow(grid, QStringLiteral("Cmd1"), {start, disabled, withPicture});

    auto* cross = new Chk1;
    cross->setCaption(QStringLiteral("Protokolldatei schreiben"));
    cross->setChecked(true);
    auto* tick = new Chk1;
    tick->setCaption(QStringLiteral("System Cache deaktivieren"));
    tick->setStyle(2);
    tick->setColorSet(2);
    auto* off = new Chk1;
    off->setCaption(QStringLiteral("Festplatten Cache Deaktivieren"));
    off->setEnabled(false);
    AddRow(grid, QStringLiteral("Chk1"), {cross, tick, off});

    auto* files = new Txt;
    files->setText(QStringLiteral("10"));
    auto* multi = new Txt;
    multi->setStyle(1);
    multi->setText(QStringLiteral("zwei\nZeilen"));
    multi->setMinimumHeight(44);
    auto* locked = new Txt;
    locked->setText(QStringLiteral("100"));
    locked->setEnabled(false);
    AddRow(grid, QStringLiteral("Txt"), {files, multi, locked});

    for (int column = 1; column <= 3; ++column) grid->setColumnMinimumWidth(column, 230);
    window.show();
    // "--grab file.png" saves the window once it is drawn and quits, for looking without a display.
    const QStringList args = app.arguments();
    const qsizetype grab = args.indexOf(QStringLiteral("--grab"));
    if (grab >= 0 && grab + 1 < args.size()) {
        QTimer::singleShot(300, &window, [&window, path = args[grab + 1]]() {
            window.grab().save(path);
            QApplication::quit();
        });
    }
    return app.exec();
}
