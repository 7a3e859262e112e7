// Renders the application icon's SVG into a square PNG of the given size, at build time, so that
// the installed PNG sizes always match the SVG.
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>
#include <cstdio>

int main(int argc, char** argv) {
    // A build machine has no display; an icon with text still needs the font machinery.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QStringList arguments = QGuiApplication::arguments();
    bool sizeIsNumber = false;
    const int size = arguments.value(3).toInt(&sizeIsNumber);
    if (arguments.size() != 4 || !sizeIsNumber || size < 1 || size > 4096) {
        std::fprintf(stderr, "usage: render-icon ICON.svg OUT.png SIZE\n");
        return 2;
    }
    QSvgRenderer svg(arguments[1]);
    if (!svg.isValid()) {
        std::fprintf(stderr, "render-icon: %s is not a readable SVG\n", qPrintable(arguments[1]));
        return 1;
    }
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    svg.render(&painter);
    painter.end();
    if (!image.save(arguments[2], "PNG")) {
        std::fprintf(stderr, "render-icon: cannot write %s\n", qPrintable(arguments[2]));
        return 1;
    }
    return 0;
}
