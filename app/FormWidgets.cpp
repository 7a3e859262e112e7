#include "FormWidgets.h"

#include <QPainter>
#include <QSvgRenderer>

namespace {

// Sizes an icon is rendered at, so that title bars and task lists at any scale find a sharp one.
constexpr int kIconSizes[] = {16, 24, 32, 48, 64, 128};

}  // namespace

// The resources of a static library are registered by name, from outside any namespace.
static int RegisterResources() {
    Q_INIT_RESOURCE(window);
    return 0;
}

void RegisterWindowResources() {
    static const int registered = RegisterResources();
    (void)registered;
}

ShapeBox::ShapeBox(QWidget* parent) : QWidget(parent) {}

void ShapeBox::setBorderColor(const QColor& colour) {
    if (colour == border_) return;
    border_ = colour;
    update();
}

void ShapeBox::setFillColor(const std::optional<QColor>& colour) {
    fill_ = colour;
    update();
}

void ShapeBox::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (fill_) painter.fillRect(rect(), *fill_);
    DrawPixelFrame(painter, size(), border_);
}

void DrawPixelFrame(QPainter& painter, const QSize& size, const QColor& colour) {
    // At a fractional scale the widget's edges fall between device pixels, and a one-pixel pen
    // in the widget's units misses some of them. The frame is drawn in device pixels instead: a
    // cosmetic pen through the centres of the outermost pixels the widget covers.
    const QTransform toDevice = painter.deviceTransform();
    const qreal scale = toDevice.m11();
    const qreal originX = toDevice.dx();
    const qreal originY = toDevice.dy();
    const int left = qRound(originX);
    const int top = qRound(originY);
    // The widget owns the device pixels from its rounded start to its rounded end.
    const int right = qRound(originX + size.width() * scale) - 1;
    const int bottom = qRound(originY + size.height() * scale) - 1;
    painter.save();
    painter.setWorldTransform(QTransform::fromScale(1 / scale, 1 / scale));
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(QPen(colour, 0));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(QRectF(QPointF(left + 0.5 - originX, top + 0.5 - originY),
                            QPointF(right + 0.5 - originX, bottom + 0.5 - originY)));
    painter.restore();
}

LinePiece::LinePiece(QWidget* parent) : QWidget(parent) {}

void LinePiece::setColor(const QColor& colour) {
    colour_ = colour;
    update();
}

void LinePiece::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), colour_);
}

SvgPicture::SvgPicture(const QString& source, QWidget* parent)
    : QWidget(parent), source_(source), renderer_(new QSvgRenderer(Art::Path(source), this)) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

SvgPicture::~SvgPicture() = default;

QIcon SvgPicture::Icon() const {
    return Art::Icon(source_);
}

void SvgPicture::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    renderer_->render(&painter, QRectF(rect()));
}

namespace Art {

QString Path(const QString& name) {
    RegisterWindowResources();
    return QStringLiteral(":/art/") + name;
}

QSize DefaultSize(const QString& name) {
    const QSvgRenderer renderer(Path(name));
    return renderer.isValid() ? renderer.defaultSize() : QSize();
}

QImage Render(const QString& name, const QSize& size) {
    QSvgRenderer renderer(Path(name));
    if (!renderer.isValid() || size.isEmpty()) return {};
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    renderer.render(&painter);
    return image;
}

QIcon Icon(const QString& name) {
    QIcon icon;
    for (int side : kIconSizes) {
        const QImage image = Render(name, QSize(side, side));
        if (!image.isNull()) icon.addPixmap(QPixmap::fromImage(image));
    }
    return icon;
}

}  // namespace Art
