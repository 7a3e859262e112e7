// Standard output as the reports reach it: each write is flushed at once, and the first one that
// fails (a full device, a pipe whose reader went away) is remembered, so that the program can
// say so at its end instead of reporting success for a report nobody received.
#pragma once

#include <QByteArray>

namespace standardoutput {

// Writes and flushes the bytes; a failure is remembered and the program goes on.
void Write(const QByteArray& bytes);

// The system's error number of the first write or flush that failed; 0 while none did.
int FirstError();

}  // namespace standardoutput
