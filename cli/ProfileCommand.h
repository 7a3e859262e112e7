// dravelo-cli --profile: runs a drive profile of the folder, prints its table (or the JSON
// report) and ends with the same exit statuses as the classic test, close requests included.
#pragma once

#include "CommandLine.h"

int RunProfileCommand(const CliOptions& options);
