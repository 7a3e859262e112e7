#include "modShell.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>

namespace {

enum Verb : int32_t { kOpen = 1, kExplore = 2, kFind = 3, kPrint = 4, kEdit = 5 };

DesktopOpener& Opener() {
    static DesktopOpener opener;
    return opener;
}

bool OpenOnDesktop(const QUrl& url) {
    if (!url.isValid()) return false;
    return Opener() ? Opener()(url) : QDesktopServices::openUrl(url);
}

// An address with a scheme as it is; anything else a path, relative to `directory` if given.
QUrl Target(const QString& file, const QString& directory) {
    const QUrl address(file, QUrl::StrictMode);
    if (address.isValid() && !address.isRelative()) return address;
    const QDir base(directory.isEmpty() ? QDir::currentPath() : directory);
    return QUrl::fromLocalFile(QDir::cleanPath(base.absoluteFilePath(file)));
}

bool ExploreFolder(const QUrl& target) {
    if (!target.isLocalFile() || !QFileInfo(target.toLocalFile()).isDir()) return false;
    return OpenOnDesktop(target);
}

}  // namespace

void SetDesktopOpener(DesktopOpener opener) {
    Opener() = std::move(opener);
}

bool ShellExec(const QString& file, int32_t verbCode, const QString& parameters,
               const QString& directory, int32_t /*showCommand*/) {
    if (file.isEmpty() || !parameters.isEmpty()) return false;
    const QUrl target = Target(file, directory);
    switch (verbCode) {
        case kExplore:
            return ExploreFolder(target);
        case kFind:
        case kPrint:
        case kEdit:
            return false;
        case kOpen:
        default:
            return OpenOnDesktop(target);
    }
}
