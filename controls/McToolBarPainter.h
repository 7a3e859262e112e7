// McToolBarPainter: draws a McToolBar from the bar's state and nothing else: the background
// (colour, tiled picture or gradient), the frame, each button's hover and pressed look, its
// picture and caption, and the keyboard focus. The pictures that cost the most to make, the
// gradient and each button picture's disabled and shadow looks, are kept and made again only
// when what they show has changed.
#pragma once

#include <QHash>
#include <QImage>
#include <QRect>
#include <QSize>
#include <QString>

#include "McToolBar.h"
#include "OleColor.h"

class QPainter;

// How a button's picture and caption share the cell; the bar measures buttons with the same
// numbers the painter draws them with.
namespace ToolBarContent {
// Between the picture and the caption beside it, and around a picture beside the caption.
constexpr int kPictureGap = 10;
// Added to a caption's width to size a button to its content.
constexpr int kCaptionPadding = 11;
// Kept free on both sides of a wrapped caption under or over its picture.
constexpr int kWrapMargin = 6;
// A caption as one line: the bar wraps captions itself.
QString WithoutLineBreaks(QString text);
}  // namespace ToolBarContent

class McToolBarPainter {
  public:
    explicit McToolBarPainter(const McToolBar& bar) : bar_(bar) {}

    void Paint(QPainter& painter);
    // Drops the kept pictures: the palette or style they were made with has changed.
    void Forget();

  private:
    // What the gradient shows; the kept one is made again when any of it differs.
    struct GradientKey {
        QSize size;
        McToolBar::Gradient direction = McToolBar::Gradient::None;
        OleColor from = 0;
        OleColor to = 0;
        bool operator==(const GradientKey&) const = default;
    };
    // The disabled and shadow looks of one picture, each made on first use.
    struct PictureLooks {
        qreal pixelRatio = 0;
        QImage disabled;
        QImage shadow;
    };

    int InsetFactor() const;
    void PaintBackground(QPainter& painter);
    void PaintGradient(QPainter& painter);
    void PaintButton(QPainter& painter, int index, int k);
    void PaintButtonContent(QPainter& painter, const ToolBarButton& button, const QRect& cell,
                            bool hovered, bool pressed);
    void PaintFocus(QPainter& painter) const;

    // The picture's disabled or shadow `look` at the screen's pixel ratio.
    const QImage& LookOf(const QImage& picture, QImage PictureLooks::*look);
    // Keeps only the looks of pictures some button still shows.
    void ForgetUnusedPictures();

    const McToolBar& bar_;
    GradientKey gradientKey_;
    QImage gradient_;
    // By QImage::cacheKey, which changes whenever a picture's pixels do.
    QHash<qint64, PictureLooks> pictureLooks_;
};
