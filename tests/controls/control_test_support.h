// Helpers shared by the control tests: showing a widget on the offscreen screen and driving
// the mouse the way a user does.
#pragma once

#include <QApplication>
#include <QEvent>
#include <QTest>
#include <QWidget>

inline void ShowAndWait(QWidget& widget) {
    widget.show();
    QVERIFY(QTest::qWaitForWindowExposed(&widget));
}

inline bool ShowActive(QWidget& widget) {
    widget.show();
    widget.activateWindow();
    return QTest::qWaitForWindowActive(&widget);
}

// The mouse leaves the widget (the platform's leave notification).
inline void SendLeave(QWidget& widget) {
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(&widget, &leave);
}

// The signal's argument `index` of call `call`, as an int.
template <typename Spy>
int IntArg(const Spy& spy, int call, int index) {
    return spy.at(call).at(index).toInt();
}

// Moves the mouse to `pos`. The platform drops a move to the point the cursor is already at,
// and every test window sits at the same place on the screen, so the cursor first steps beside
// the point.
inline void MoveMouse(QWidget* widget, const QPoint& pos) {
    QTest::mouseMove(widget, pos + QPoint(1, 1));
    QTest::mouseMove(widget, pos);
}
