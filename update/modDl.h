// The Help menu's update check: fetches the version file from the update server, compares the
// version it names with the installed one and offers the new version's download address.
#pragma once

#include <QString>
#include <chrono>
#include <functional>

#include "UpdatePrompter.h"

class QNetworkAccessManager;

// Fetches the whole document at `address` through `transfer` and writes it to `localPath`,
// replacing any earlier file there. The wait runs a nested event loop, so the window keeps
// painting. False without a word while `transfer` still runs an earlier transfer; false after
// telling the user, with the reason, when the transfer or the write fails, the time limit passes
// or the document is larger than 1 MiB.
bool DownloadFile(QNetworkAccessManager& transfer, const QString& address, const QString& localPath,
                  UpdatePrompter& prompter);

enum class UpdateOutcome {
    NewerOffered,   // a newer version exists; the user was asked whether to get it
    UpToDate,       // the installed version is the newest
    NoInformation,  // the version information could not be obtained
};

struct UpdateCheckResult {
    UpdateOutcome outcome = UpdateOutcome::NoInformation;
    QString downloadAddress;  // the newer version's address when one was offered
};

// Opens the newer version's download address when the user wants it.
using DownloadOpener = std::function<void(const QString& address)>;

// One complete check with all its message boxes, shown through `prompter`. Closing the window
// (which takes `transfer` with it) or quitting the program during the wait ends the check at
// once, without a box.
UpdateCheckResult CheckForUpdate(QNetworkAccessManager& transfer, UpdatePrompter& prompter,
                                 const DownloadOpener& openDownload);

// The most characters of a server's message that are shown; more is cut off with "…".
constexpr int kLongestServerText = 1000;

// A server's message as it may be shown: at most kLongestServerText characters, control
// characters (but line ends) and the bidirectional controls that reorder the text around them
// shown as "?". Joiners stay, since emoji and many scripts need them.
QString ShownServerText(const QString& text);

// How long a transfer may take before it counts as failed: 30 seconds unless changed here.
void SetTransferTimeLimit(std::chrono::milliseconds limit);
