// The test target: the folder the runs test, and whether its drive can be tested.
#pragma once

#include <QString>
#include <cstdint>
#include <optional>

#include "MountTable.h"
#include "RunReport.h"

// The drive/path box's text with "/" appended when it does not end in one; trimmed of blanks
// first unless the text as typed names an existing folder.
QString TargetFolder(const QString& driveBoxText);

// Sets `kind` from the kind of device that holds `path`: 1 removable, 2 fixed, 3 remote,
// 4 CD-ROM, 5 RAM disk, 0 anything else or a path that does not exist. True for the kinds a test
// may run on (1, 2, 3, 5).
bool DriveKind(const QString& path, int16_t& kind);

// The system's mount that holds `path`; nothing for a path that does not exist.
std::optional<MountEntry> MountOf(const QString& path);

// Why this process's mount table (/proc/self/mountinfo) cannot be read, in English; empty when
// it can. Without it no folder's drive kind can be told.
QString MountTableProblem();

// Whether the path names an existing folder.
bool FolderExists(const QString& path);

// Why the runs cannot test `folder`, with the reason in English for diagnostics; None and an
// empty reason when they can.
TargetRefusal TargetProblem(const QString& folder, QString& reason);
