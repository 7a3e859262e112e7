// The update check as the main window runs it: real message boxes over the window and the
// download address opened through the desktop.
#pragma once

#include "UpdatePrompter.h"

class QWidget;

// The Help menu's "Check for update": one complete check, its message boxes modal to `owner`
// (which may be null). A failure's reason is the box's detail text. The transfer component is
// created on first use as a child of `owner` and kept for its life; the wait for the server lets
// the window keep painting.
void CheckForUpdate(QWidget* owner);

// Message boxes over `owner`; the program's title where the check names none. Texts from the
// server are shown as plain text, never as markup.
class MessageBoxPrompter final : public UpdatePrompter {
  public:
    explicit MessageBoxPrompter(QWidget* owner) : owner_(owner) {}
    BoxAnswer Show(const QString& title, const QString& text, BoxIcon icon, BoxButtons buttons,
                   const QString& detail) override;

  private:
    QWidget* owner_;
};

// Opens the new version's download address with the shell's "open" verb, shown normally.
void OpenDownloadWithShell(const QString& address);
