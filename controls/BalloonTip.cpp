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

int BalloonTip::TitleIndent() const {
    return look_.icon > 0 ? kIconSize + kPadding : 0;
}

int BalloonTip::TitleHeight() const {
    const int text = look_.title.isEmpty() ? 0 : QFontMetrics(TitleFont(font())).height();
    return look_.icon > 0 ? std::max(text, kIconSize) : text;
}

QSize BalloonTip::ContentSize() const {
    const QRect body =
        QFontMetrics(font()).boundingRect(QRect(0, 0, 400, 1000), Qt::TextWordWrap, look_.text);
    const int titleWidth =
        TitleIndent() + QFontMetrics(TitleFont(font())).horizontalAdvance(look_.title);
    const int gap = TitleHeight() > 0 ? kPadding : 0;
    return QSize(std::max(titleWidth, body.width()), TitleHeight() + gap + body.height());
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
        painter.drawPolygon(
            QPolygon({QPoint(box.center().x(), box.top()), box.bottomRight(), box.bottomLeft()}));
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
    // A balloon's body sits below its stem.
    const int top = look_.balloon ? kStemHeight : 0;
    const QRect body(0, top, width() - 1, height() - top - 1);
    QPainterPath outline;
    if (look_.balloon) {
        outline.addRoundedRect(body, kCornerRadius, kCornerRadius);
        QPainterPath stem;
        stem.addPolygon(
            QPolygonF({QPointF(kStemOffset - 6, body.top() + 1), QPointF(kStemOffset, 0),
                       QPointF(kStemOffset + 6, body.top() + 1)}));
        outline = outline.united(stem);
    } else {
        outline.addRect(body);
    }
    painter.setPen(ToQColor(look_.foreColor));
    painter.setBrush(ToQColor(look_.backColor));
    painter.drawPath(outline);

    QRect content = body.adjusted(kPadding, kPadding, -kPadding, -kPadding);
    PaintIcon(painter, QRect(content.topLeft(), QSize(kIconSize, kIconSize)));
    painter.setPen(ToQColor(look_.foreColor));
    const int titleLeft = content.left() + TitleIndent();
    if (!look_.title.isEmpty()) {
        painter.setFont(TitleFont(font()));
        painter.drawText(
            QRect(titleLeft, content.top(), content.right() - titleLeft, TitleHeight()),
            Qt::AlignLeft | Qt::AlignVCenter, look_.title);
    }
    if (TitleHeight() > 0) content.setTop(content.top() + TitleHeight() + kPadding);
    painter.setFont(font());
    painter.drawText(content, Qt::TextWordWrap | Qt::AlignLeft | Qt::AlignTop, look_.text);
}
