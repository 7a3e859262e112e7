// Where the update check fetches the version file from, where it keeps it while reading it,
// and which download addresses it will open.
#pragma once

#include <QString>

// DRAVELO_UPDATE_URL when set; otherwise the stored "UpdateURL" (AppSettings::updateUrl);
// otherwise the maker's server.
QString VersionFileAddress();

// An http or https address with a host whose path ends in "/download/Dravelo.zip.ver".
bool IsVersionFileAddress(const QString& address);

// The download address in its encoded form when it is an http or https address with a host;
// empty for anything else (a local file, a program, a script address), which is never opened.
QString WebDownloadAddress(const QString& value);

// "VTemp.txt" in the user's cache folder: the program's own folder is not writable for users.
// Empty when the user has no cache folder.
QString VersionTempPath();
