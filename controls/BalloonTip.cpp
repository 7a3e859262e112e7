#include "BalloonTip.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPainterPath>

namespace {

constexpr int kPadding = 6;
constexpr int kIconSize = 16;
constexpr int kStemHeight = 10;
constexpr int kStemOffset = 16;
constexpr int kCornerRadius = 7;

QFont TitleFont(const QFont& base) {
    QFont font = base;
    font.setBold(true);
    return font;
}

}  // namespace

BalloonTip::BalloonTip(QWidget* owner, const Look& look)
    : QWidget(owner, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      look_(look) {
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_TranslucentBackground);
    const QSize content = ContentSize();
    resize(content.width() + 2 * kPadding + 1,
           content.height() + 2 * kPadding + 1 + (look_.balloon ? kStemHeight : 0));
}

QSize BalloonTip::ContentSize() const {
    const QFontMetrics titleMetrics(TitleFont(font()));
    const QFontMetrics bodyMetrics(font());
    const QRect body =
        bodyMetrics.boundingRect(QRect(0, 0, 400, 1000), Qt::TextWordWrap, look_.text);
    int titleWidth = titleMetrics.horizontalAdvance(look_.title);
    int titleHeight = look_.title.isEmpty() ? 0 : titleMetrics.height();
    if (look_.icon > 0) {
        titleWidth += kIconSize + kPadding;
        titleHeight = std::max(titleHeight, kIconSize);
    }
    const int gap = titleHeight > 0 ? kPadding : 0;
    return QSize(std::max(titleWidth, body.width()), titleHeight + gap + body.height());
}

QRect BalloonTip::BodyRect() const {
    const int top = look_.balloon ? kStemHeight : 0;
    return QRect(0, top, width() - 1, height() - top - 1);
}

void BalloonTip::ShowAt(const QPoint& globalPoint) {
    move(globalPoint - QPoint(kStemOffset, look_.balloon ? 0 : -kStemHeight * 2));
    show();
}

void BalloonTip::PaintIcon(QPainter& painter, const QRect& box) const {
    static const QColor kFills[] = {QColor(), QColor(40, 100, 200), QColor(240, 190, 30),
                                    QColor(200, 40, 40)};
    static const char* kMarks[] = {"", "i", "!", "x"};
    if (look_.icon < 1 || look_.icon > 3) return;
    painter.setPen(Qt::NoPen);
    painter.setBrush(kFills[look_.icon]);
    if (look_.icon == 2) {
        QPolygon triangle;
        triangle << QPoint(box.center().x(), box.top()) << box.bottomRight() << box.bottomLeft();
        painter.drawPolygon(triangle);
    } else {
        painter.drawEllipse(box);
    }
    QFont mark = TitleFont(font());
    mark.setPixelSize(kIconSize - 4);
    painter.setFont(mark);
    painter.setPen(look_.icon == 2 ? Qt::black : Qt::white);
    painter.drawText(box, Qt::AlignCenter, QString::fromLatin1(kMarks[look_.icon]));
}

void BalloonTip::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRect body = BodyRect();
    QPainterPath outline;
    if (look_.balloon) {
        outline.addRoundedRect(body, kCornerRadius, kCornerRadius);
        QPolygonF stem;
        stem << QPointF(kStemOffset - 6, body.top() + 1) << QPointF(kStemOffset, 0)
             << QPointF(kStemOffset + 6, body.top() + 1);
        QPainterPath stemPath;
        stemPath.addPolygon(stem);
        outline = outline.united(stemPath);
    } else {
        outline.addRect(body);
    }
    painter.setPen(ToQColor(look_.foreColor));
    painter.setBrush(ToQColor(look_.backColor));
    painter.drawPath(outline);

    QRect content = body.adjusted(kPadding, kPadding, -kPadding, -kPadding);
    int titleBottom = content.top();
    int titleLeft = content.left();
    if (look_.icon > 0) {
        PaintIcon(painter, QRect(content.left(), content.top(), kIconSize, kIconSize));
        titleLeft += kIconSize + kPadding;
        titleBottom = content.top() + kIconSize;
    }
    painter.setPen(ToQColor(look_.foreColor));
    if (!look_.title.isEmpty()) {
        painter.setFont(TitleFont(font()));
        const QFontMetrics metrics(painter.font());
        painter.drawText(QRect(titleLeft, content.top(), content.right() - titleLeft,
                               std::max(metrics.height(), titleBottom - content.top())),
                         Qt::AlignLeft | Qt::AlignVCenter, look_.title);
        titleBottom = std::max(titleBottom, content.top() + metrics.height());
    }
    if (titleBottom > content.top()) content.setTop(titleBottom + kPadding);
    painter.setFont(font());
    painter.drawText(content, Qt::TextWordWrap | Qt::AlignLeft | Qt::AlignTop, look_.text);
}
