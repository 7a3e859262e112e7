// What the system says about a test folder and its files, beyond what a phase measures: whether
// a 1024-byte block can be written past the system cache there, and how much of the test files
// already sits in the cache before they are read back.
#pragma once

#include <QString>
#include <QStringList>
#include <optional>

struct DirectTransferCheck {
    // Unset when the folder gave no answer (no unnamed temporary files there).
    std::optional<bool> possible;
    // Why not, in the system's own terms ("STATX_DIOALIGN 4096", "O_DIRECT: Invalid argument").
    QString reason;
};

// Asks the file system of `folder` about an unnamed temporary file there, which vanishes when it
// is closed: its direct-transfer alignment where the system answers, otherwise the outcome of one
// 1024-byte write past the cache. Leaves nothing behind.
DirectTransferCheck CheckDirectTransfer(const QString& folder);

// Switches cache bypass (O_DIRECT) on or off for an open descriptor; false, with errno set, when
// the system refuses.
bool SetCacheBypass(int fd, bool on);

// The share (0 to 1) of the files' pages that sit in the system cache; unset when none of the
// files has a page to look at. Looking does not read the files.
std::optional<double> CachedShare(const QStringList& paths);
