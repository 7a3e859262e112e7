// What a user would notice of a folder's entries: each one's kind, the bytes of a plain file, the
// target of a link and the modification time, so that a test can show a run left them as they
// were, byte for byte.
#pragma once

#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <map>

using FolderSnapshot = std::map<QString, QByteArray>;

// Entries whose names match `skip` (for instance the files of a run still going) are left out.
inline FolderSnapshot Snapshot(const QString& folder, const QString& skip = QString()) {
    FolderSnapshot entries;
    const QRegularExpression skipped(QRegularExpression::anchoredPattern(skip));
    const auto filter = QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System;
    for (const QString& name : QDir(folder).entryList(filter)) {
        if (!skip.isEmpty() && skipped.match(name).hasMatch()) continue;
        const QString path = QDir(folder).filePath(name);
        struct stat status {};
        if (::lstat(QFile::encodeName(path).constData(), &status) != 0) continue;
        QByteArray seen = QByteArray::number(status.st_mode, 8) + ' ' +
                          QByteArray::number(qint64(status.st_mtim.tv_sec)) + '.' +
                          QByteArray::number(qint64(status.st_mtim.tv_nsec)) + ' ';
        if (S_ISLNK(status.st_mode)) {
            seen += QFile::encodeName(QFile::symLinkTarget(path));
        } else if (S_ISREG(status.st_mode)) {
            QFile file(path);
            if (file.open(QIODevice::ReadOnly)) seen += file.readAll();
        }
        entries[name] = seen;
    }
    return entries;
}

// Files of the user's that look like a run's own to a careless clean-up: a FIFO, a link and a
// folder under test file names, and plain files whose names are no test file's.
inline void PlantLookalikes(const QString& folder, const QString& elsewhere) {
    const QDir dir(folder);
    for (const char* name : {"notes.tst", "01.tst", "0.tst"}) {
        QFile file(dir.filePath(name));
        if (file.open(QIODevice::WriteOnly)) file.write(QByteArray("the user's own ") + name);
    }
    ::mkfifo(QFile::encodeName(dir.filePath("2.tst")).constData(), 0644);
    QFile::link(elsewhere, dir.filePath("3.tst"));
    dir.mkdir("4.tst");
}
