// A drive profile's figures as a text table in the chosen language, one line per test and
// direction: the terminal's report and what the window's Copy puts on the clipboard.
#pragma once

#include <QString>
#include <QStringList>

#include "ProfileReport.h"

// The lines of the table: a heading naming the folder, the engine and cache mode, the settings,
// the column titles and the figures of every completed test.
QStringList ProfileTableLines(const ProfileReport& report, const QString& folder);

// How the profile ran, in one line: "io_uring, cache bypass (O_DIRECT)" and the reason when the
// threads ran or the folder took buffered transfers.
QString ProfileEngineLine(const ProfileReport& report);

// Microseconds from a histogram's nanoseconds.
inline double Microseconds(uint64_t nanoseconds) {
    return static_cast<double>(nanoseconds) / 1000.0;
}
