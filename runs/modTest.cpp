#include "modTest.h"

#include <QStringList>
#include <cmath>
#include <tuple>
#include <utility>

#include "Checked.h"
#include "modGetDiskSpaceFree.h"
#include "modLang.h"

namespace {

// After this many corrections the proposal is shown as it stands.
constexpr int32_t kMaxCorrections = 32000;

// The number of characters of the decimal form, a minus sign included.
int32_t Digits(int32_t n) {
    return static_cast<int32_t>(QString::number(n).size());
}

// Megabytes free on the volume that holds the folder; 0 when that cannot be told.
int32_t FreeMegabytes(const QString& folder) {
    bool ok = false;
    const double megabytes = FreeSpaceMB(folder).toDouble(&ok);
    return ToInt32HalfEven(ok ? megabytes : 0);
}

// The two lines that state the free space and the proposal.
std::pair<QString, QString> SuggestionLines(const QString& folder, int32_t freeMB,
                                            const Proposal& proposal) {
    const QString mb = QStringLiteral(" MB");
    const QString total = QString::number(CheckedMul(proposal.files, proposal.size));

    const QString freeLine = LangText(35, false, true, QStringLiteral("Freier Speicher auf")) +
                             u'[' + folder + QStringLiteral("]: ") + QString::number(freeMB) +
                             LangText(18, true, false, mb);
    const QString proposalLine =
        LangText(36, false, true, QStringLiteral("Vorschlag für die Einstellungen: ")) +
        QString::number(proposal.files) + LangText(23, true, false, QStringLiteral(" Dateien")) +
        LangText(37, true, true, QStringLiteral(" á ")) + QString::number(proposal.size) +
        LangText(18, true, true, mb) + QStringLiteral("= ") + total + LangText(18, true, false, mb);
    return {freeLine, proposalLine};
}

}  // namespace

Proposal ProposeSettings(int32_t freeMB) {
    // Tiny volumes: one file per megabyte where no better split exists.
    if (freeMB == 1) return {1, 1};
    if (freeMB == 2 || freeMB == 3 || freeMB == 5 || freeMB == 7 || freeMB == 9) {
        return {freeMB, 1};
    }

    // The file size grows with the volume, the number of files much more slowly: the free space
    // divided by its number of digits, then by 2 to the power of that size's number of digits.
    int32_t size = ToInt32HalfEven(CheckedDivide(freeMB, Digits(freeMB)));
    size = ToInt32HalfEven(CheckedDivide(size, std::ldexp(1.0, Digits(size))));
    if (size < 1) size = 1;
    int32_t files = ToInt32HalfEven(CheckedDivide(freeMB, size));

    // Rounding the count up can overshoot the free space; trade size for files until it fits.
    int32_t corrections = 0;
    while (CheckedMul(files, size) > freeMB) {
        size = CheckedSub(size, 1);
        files = CheckedAdd(files, 1);
        corrections = CheckedAdd(corrections, 1);
        if (corrections > kMaxCorrections) break;
    }
    return {files, size};
}

QString SuggestionMessage(const QString& folder, int32_t freeMB, const Proposal& proposal) {
    const auto [freeLine, proposalLine] = SuggestionLines(folder, freeMB, proposal);
    const QString questionLine =
        LangText(38, false, false, QStringLiteral("Vorschlag übernehmen?"));

    const QString crlf = QStringLiteral("\r\n");
    return freeLine + crlf + crlf + proposalLine + crlf + crlf + questionLine;
}

std::optional<Suggestion> SuggestionFor(const QString& folder) {
    // The proposal is a convenience: whatever goes wrong, there is simply none.
    try {
        Suggestion suggestion;
        suggestion.freeMB = FreeMegabytes(folder);
        suggestion.proposal = ProposeSettings(suggestion.freeMB);
        std::tie(suggestion.freeSpaceLine, suggestion.proposalLine) =
            SuggestionLines(folder, suggestion.freeMB, suggestion.proposal);
        return suggestion;
    } catch (...) {
        return std::nullopt;
    }
}

void SuggestSettings(QuestionBox& box, int32_t& files, int32_t& size, const QString& folder) {
    files = -1;
    size = -1;
    const auto suggestion = SuggestionFor(folder);
    if (!suggestion) return;
    try {
        if (box.AskYesNo(SuggestionMessage(folder, suggestion->freeMB, suggestion->proposal))) {
            files = suggestion->proposal.files;
            size = suggestion->proposal.size;
        }
    } catch (...) {
    }
}
