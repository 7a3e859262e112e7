// A window's layout held as data: a text resource of blocks in the property bag's text form, one
// block per control with its name, kind, container and twips rectangle, followed by the
// control's own stored settings. Building a window from it creates each control, places it in
// pixels of the screen and lets the control read its settings itself.
#pragma once

#include <QString>
#include <stdexcept>

class QWidget;

// A layout that cannot be read or names a kind of control that does not exist.
class LayoutError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

namespace FormLayout {

// Builds the controls of the layout resource `name` (a file of app/layout) on `form`; the
// block of kind "Form" sizes and colours the window itself. Throws LayoutError.
void Build(QWidget* form, const QString& name);

}  // namespace FormLayout
