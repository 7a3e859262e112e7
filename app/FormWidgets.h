// The plain pieces of the program's windows that are no custom controls: a rectangle (also the
// frame that holds the main window's controls), a line and a picture drawn from SVG art.
#pragma once

#include <QColor>
#include <QIcon>
#include <QImage>
#include <QString>
#include <QWidget>
#include <optional>

class QSvgRenderer;

// A rectangle with a one-pixel border, filled when it has a back colour.
class ShapeBox : public QWidget {
    Q_OBJECT
  public:
    explicit ShapeBox(QWidget* parent = nullptr);
    void setBorderColor(const QColor& colour);
    void setFillColor(const std::optional<QColor>& colour);
    QColor BorderColor() const { return border_; }

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    QColor border_ = Qt::lightGray;
    std::optional<QColor> fill_;
};

// A one-pixel frame round a widget of `size` painted by `painter`, on whole device pixels at any
// scale of the screen.
void DrawPixelFrame(QPainter& painter, const QSize& size, const QColor& colour);

// A horizontal line as thick as the widget is high.
class LinePiece : public QWidget {
    Q_OBJECT
  public:
    explicit LinePiece(QWidget* parent = nullptr);
    void setColor(const QColor& colour);

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    QColor colour_ = Qt::lightGray;
};

// A picture drawn from SVG art at the widget's size, sharp at any scale of the screen.
class SvgPicture : public QWidget {
    Q_OBJECT
  public:
    explicit SvgPicture(const QString& source, QWidget* parent = nullptr);
    ~SvgPicture() override;
    QString Source() const { return source_; }
    QIcon Icon() const;

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    QString source_;
    QSvgRenderer* renderer_;
};

// Makes the windows' layouts and art available as resources; safe to call more than once.
void RegisterWindowResources();

namespace Art {

// The resource path of a piece of the program's art, by its file name.
QString Path(const QString& name);
// The size the art is drawn for; empty when the art is missing.
QSize DefaultSize(const QString& name);
// A piece of art rendered to an image of `size` pixels; null when the art is missing.
QImage Render(const QString& name, const QSize& size);
// An icon with the art at the usual icon sizes.
QIcon Icon(const QString& name);

}  // namespace Art
