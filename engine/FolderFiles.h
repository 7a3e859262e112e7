// The runs' own work on the files of the tested folder, through the same system calls as the
// phases': listing the numbered test files, removing a test file only when it is still a plain
// file, and appending the report to the log file.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// The plain files of a folder whose names a run gives its test files: a number without leading
// zeros, then ".tst". `failure` names the call and the system's reason when the folder could not
// be listed to its end ("opendir: Permission denied"); the names found until then are kept.
struct TestFileListing {
    QStringList names;
    QString failure;
};
TestFileListing ListNumberedTestFiles(const QString& folder);

// Whether a name is one a run gives its test files: "12.tst", but not "012.tst" or "0.tst".
bool IsNumberedTestFileName(const QString& name);

enum class Removal {
    Removed,
    NotThere,  // gone already, or no longer a plain file: nothing of the run's to remove
    Failed,
};
// Removes `path` when it names a plain file; a link, a folder or a FIFO that took its place is
// left alone.
Removal RemoveTestFile(const QString& path);

// Appends the bytes whole or not at all, never through a symbolic link. A file this call
// created and could not fill is removed again; a file that was there before keeps exactly
// what it held.
bool AppendToFile(const QString& path, const QByteArray& bytes);
