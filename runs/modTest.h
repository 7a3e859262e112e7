// The settings proposal: a number of test files and a file size that together fill most of the
// free space of the chosen folder's volume.
#pragma once

#include <QString>
#include <cstdint>
#include <optional>

#include "RunHost.h"

struct Proposal {
    int32_t files = 0;
    int32_t size = 0;  // MB
};

// The rule, for `freeMB` megabytes free.
Proposal ProposeSettings(int32_t freeMB);

// The free space of `folder`'s volume, the proposal for it and the two lines that state them;
// nothing when the free space cannot be had or the proposal cannot be worked out.
struct Suggestion {
    int32_t freeMB = 0;
    Proposal proposal;
    QString freeSpaceLine;
    QString proposalLine;
};
std::optional<Suggestion> SuggestionFor(const QString& folder);

// The question shown to the user, lines joined by CR LF.
QString SuggestionMessage(const QString& folder, int32_t freeMB, const Proposal& proposal);

// Measures the free space, asks, and sets files and size to the proposal on Yes, to -1 and -1
// otherwise.
void SuggestSettings(QuestionBox& box, int32_t& files, int32_t& size, const QString& folder);
