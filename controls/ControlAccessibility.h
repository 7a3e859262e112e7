// Screen-reader access to the custom controls: one accessible interface per control kind,
// handed out by a factory that the first control installs. The toolbar's buttons are drawn,
// not widgets, so its interface presents each button as a child of its own.
#pragma once

// Installs the controls' accessibility factory; later calls do nothing.
void InstallControlAccessibility();
