// The toolbar's tooltip window: a title with an optional icon above the body text, drawn as a
// balloon with a stem or as a plain rectangle.
#pragma once

#include <QString>
#include <QWidget>

#include "OleColor.h"

class BalloonTip : public QWidget {
    Q_OBJECT
  public:
    // Icon numbers of the title: 0 none, 1 information, 2 warning, 3 error.
    struct Look {
        QString title;
        int icon = 0;
        QString text;
        bool balloon = true;
        OleColor foreColor = 0;
        OleColor backColor = RGB(253, 253, 230);
    };

    BalloonTip(QWidget* owner, const Look& look);

    // What the tip shows and how.
    const Look& Shown() const { return look_; }

    // Places the tip with its stem at `globalPoint` and shows it without taking the focus.
    void ShowAt(const QPoint& globalPoint);

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    // The room the icon takes left of the title, and the height of the title line.
    int TitleIndent() const;
    int TitleHeight() const;
    QSize ContentSize() const;
    void PaintIcon(class QPainter& painter, const QRect& box) const;

    Look look_;
};
