// Dravelo: measures how fast a drive, or a folder on it, writes and reads files.
#include <QApplication>
#include <QMessageBox>

#include "FormLayout.h"
#include "FormWidgets.h"
#include "TerminationSignal.h"
#include "frmMain.h"
#include "modCmd.h"
#include "modFile.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Dravelo"));
    // Lets the desktop match the window to its launcher and icon.
    QApplication::setDesktopFileName(QStringLiteral("com.quarnell.Dravelo"));
    QApplication::setWindowIcon(Art::Icon(QStringLiteral("dravelo.svg")));
    // The multiple-file test holds all its files open at once.
    RaiseOpenFileLimit();
    try {
        frmMain window;
        TerminationSignal termination;
        QObject::connect(&termination, &TerminationSignal::Received, &window, &frmMain::Exit);
        QObject::connect(&window, &frmMain::ProgramEnded, &app, &QApplication::quit,
                         Qt::QueuedConnection);
        window.Load(CommandLineText(QApplication::arguments()));
        if (window.Ended()) return 0;
        window.show();
        return app.exec();
    } catch (const LayoutError& failure) {
        QMessageBox::critical(nullptr, QStringLiteral("Dravelo"),
                              QString::fromLocal8Bit(failure.what()));
        return 1;
    }
}
