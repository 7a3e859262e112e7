// Asking the desktop to open a document, a folder or a web address, as the system shell does.
#pragma once

#include <QString>
#include <QUrl>
#include <cstdint>
#include <functional>

// Performs a verb on `file` (a path, relative to `directory` when that is given, or an
// address): 1 "open" and every code outside 1 to 5 (the default verb, which is "open" here)
// hand it to the desktop; 2 "explore" opens a folder in the file manager; 3 "find", 4 "print"
// and 5 "edit" have no counterpart on this desktop. True only when the desktop reports success.
// The desktop cannot pass `parameters` to what it opens, so asking for any fails; it also
// chooses the window state itself, so `showCommand` has no effect.
bool ShellExec(const QString& file, int32_t verbCode, const QString& parameters,
               const QString& directory, int32_t showCommand);

// What hands an address to the desktop: QDesktopServices::openUrl unless replaced here. An
// empty opener puts it back.
using DesktopOpener = std::function<bool(const QUrl&)>;
void SetDesktopOpener(DesktopOpener opener);
