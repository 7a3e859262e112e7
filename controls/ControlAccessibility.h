// Screen-reader access to the custom controls: one accessible interface per control kind,
// handed out by a factory that the first control installs. The toolbar's buttons are drawn,
// not widgets, so its interface presents each button as a child of its own.
#pragma once

#include <QVariant>

class QWidget;
class McToolBar;

// Installs the controls' accessibility factory; later calls do nothing.
void InstallControlAccessibility();

// Tell a listening screen reader what changed; nothing happens while none listens.
void NotifyAccessibleName(QWidget* control);
void NotifyAccessibleValue(QWidget* control, const QVariant& value);
void NotifyAccessibleChecked(QWidget* control);
// The toolbar's current button changed while the toolbar has the focus.
void NotifyToolBarButtonFocus(McToolBar* bar, int index);
// A toolbar button's caption or enabled flag changed; the bar's count went from before to after.
void NotifyToolBarButtonName(McToolBar* bar, int index);
void NotifyToolBarButtonEnabled(McToolBar* bar, int index);
void NotifyToolBarButtonCount(McToolBar* bar, int before, int after);
