// dravelo-cli --profile: runs a drive profile of the folder, prints its table (or the JSON
// report) and ends with the same exit statuses as the classic test, close requests included.
#pragma once

#include "CommandLine.h"
#include "HistoryCommands.h"

// Records the profile in the history and writes its Prometheus file as `history` asks.
int RunProfileCommand(const CliOptions& options, const HistoryRunOptions& history);
