// The drive/path box's wildcard match against a plain dynamic-programming matcher that reads
// the pattern character by character: "*" any run, "?" one character, "#" one digit, "[...]" a
// list or "[!...]" its complement, "[]" nothing; a malformed pattern matches no text.
#include <QList>
#include <QString>
#include <optional>
#include <vector>

#include "FuzzCheck.h"
#include "LikePattern.h"

namespace {

using CodePoints = QList<uint>;

// Where the list that opens at `open` ("[") closes, and whether `c` is in it; nothing when the
// list is malformed.
struct ListReading {
    qsizetype close = 0;
    bool empty = true;
    bool negated = false;
    bool contains = false;
};

std::optional<ListReading> ReadList(const CodePoints& p, qsizetype open, uint c) {
    ListReading list;
    qsizetype i = open + 1;
    if (i < p.size() && p[i] == U'!') {
        list.negated = true;
        ++i;
    }
    for (; i < p.size() && p[i] != U']'; ++i) {
        list.empty = false;
        uint first = p[i], last = p[i];
        if (i + 2 < p.size() && p[i + 1] == U'-' && p[i + 2] != U']') {
            last = p[i + 2];
            if (last < first) return std::nullopt;
            i += 2;
        }
        list.contains = list.contains || (c >= first && c <= last);
    }
    if (i >= p.size()) return std::nullopt;
    list.close = i;
    return list;
}

bool WellFormed(const CodePoints& p) {
    for (qsizetype j = 0; j < p.size(); ++j) {
        if (p[j] != U'[') continue;
        const auto list = ReadList(p, j, 0);
        if (!list) return false;
        j = list->close;
    }
    return true;
}

bool ModelMatch(const CodePoints& t, const CodePoints& p) {
    if (!WellFormed(p)) return false;
    // matches[i][j]: text from i on matches pattern from j on.
    std::vector<std::vector<char>> matches(t.size() + 1, std::vector<char>(p.size() + 1, 0));
    for (qsizetype i = t.size(); i >= 0; --i) {
        for (qsizetype j = p.size(); j >= 0; --j) {
            bool m = false;
            const bool more = i < t.size();
            if (j == p.size()) {
                m = !more;
            } else if (p[j] == U'*') {
                m = matches[i][j + 1] || (more && matches[i + 1][j]);
            } else if (p[j] == U'[') {
                // Positions inside a list are never reached; only a list's "[" counts.
                const auto list = ReadList(p, j, more ? t[i] : 0);
                if (!list)
                    m = false;
                else if (list->empty && !list->negated)
                    m = matches[i][list->close + 1];
                else
                    m = more && list->contains != list->negated && matches[i + 1][list->close + 1];
            } else if (more) {
                const uint c = t[i];
                const bool one =
                    p[j] == U'?' || (p[j] == U'#' ? c >= U'0' && c <= U'9' : c == p[j]);
                m = one && matches[i + 1][j + 1];
            }
            matches[i][j] = m;
        }
    }
    return matches[0][0];
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const qsizetype split = bytes.indexOf('\0');
    const QString text = QString::fromUtf8(split < 0 ? bytes : bytes.left(split));
    const QString pattern = QString::fromUtf8(split < 0 ? QByteArray() : bytes.mid(split + 1));
    const bool matched = LikeMatch(text, pattern);
    if (text.size() <= 300 && pattern.size() <= 300)
        FUZZ_CHECK(matched == ModelMatch(text.toUcs4(), pattern.toUcs4()));
    return 0;
}
