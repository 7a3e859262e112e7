// Free space of the volume that holds a folder, as decimal text.
#pragma once

#include <QString>

// Bytes, kilobytes and megabytes available to the current user (each division by 1024
// truncated); "0" when the query fails, for example for a folder that does not exist.
QString FreeSpaceBytes(const QString& path);
QString FreeSpaceKB(const QString& path);
QString FreeSpaceMB(const QString& path);
