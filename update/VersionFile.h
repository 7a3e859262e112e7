// The version file on the update server: the keys read from its lines, and the version number
// it names compared with the installed one.
#pragma once

#include <QByteArray>
#include <QString>
#include <compare>
#include <cstdint>
#include <optional>

// What one check reads from a version file; empty, or 0, for a key the file lacks.
struct VersionFileValues {
    QString currentVersion;
    QString download;
    QString message;
    int16_t errorCode = 0;
};

// Reads the first 4049 lines at most. Keys count at the start of a line, case-sensitively; a
// later line replaces an earlier value. Lines end in CR LF or LF; the bytes are UTF-8, or
// Windows-1252 when they are not valid UTF-8.
VersionFileValues ParseVersionFile(const QByteArray& bytes);

struct VersionNumber {
    uint32_t major = 0;
    uint32_t minor = 0;
    uint32_t revision = 0;

    // Major first, then minor, then revision.
    auto operator<=>(const VersionNumber&) const = default;
};

// This program's own version, as the build's project declares it.
inline constexpr VersionNumber kInstalledVersion{DRAVELO_VERSION_MAJOR, DRAVELO_VERSION_MINOR,
                                                 DRAVELO_VERSION_PATCH};

// One to three whole numbers separated by "."; missing parts count as 0 ("1.1" is 1.1.0).
// Nothing for any other text.
std::optional<VersionNumber> ParseVersion(const QString& value);

// "major.minor.revision" in decimal.
QString VersionText(const VersionNumber& version);
