// Dravelo: measures how fast a drive, or a folder on it, writes and reads files.
#include <QApplication>
#include <QMainWindow>

#include "modFile.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    // The multiple-file test holds all its files open at once.
    RaiseOpenFileLimit();
    QMainWindow window;
    window.setWindowTitle(QStringLiteral("Dravelo v.1.0.14"));
    window.resize(320, 320);
    window.show();
    return app.exec();
}
