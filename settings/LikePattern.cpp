#include "LikePattern.h"

#include <QList>
#include <optional>
#include <vector>

namespace {

struct CharRange {
    char32_t first;
    char32_t last;
};

// One element of a pattern; every kind but AnyRun stands for exactly one character.
struct Token {
    enum class Kind { Literal, AnyChar, Digit, List, AnyRun };
    Kind kind = Kind::Literal;
    char32_t literal = 0;
    bool negated = false;
    std::vector<CharRange> ranges;

    bool Matches(char32_t c) const {
        switch (kind) {
            case Kind::Literal:
                return c == literal;
            case Kind::AnyChar:
                return true;
            case Kind::Digit:
                return c >= U'0' && c <= U'9';
            case Kind::List:
                return InList(c) != negated;
            case Kind::AnyRun:
                break;
        }
        return false;
    }

    bool InList(char32_t c) const {
        for (const CharRange& range : ranges) {
            if (c >= range.first && c <= range.last) return true;
        }
        return false;
    }
};

using CodePoints = QList<uint>;

// Reads a character list that starts after "[" at `pos`; moves `pos` past its "]". Nothing when
// the list is never closed or holds a descending range. An empty list gives no token at all.
std::optional<std::optional<Token>> ParseList(const CodePoints& pattern, qsizetype& pos) {
    Token token;
    token.kind = Token::Kind::List;
    if (pos < pattern.size() && pattern[pos] == U'!') {
        token.negated = true;
        ++pos;
    }
    while (pos < pattern.size() && pattern[pos] != U']') {
        const char32_t first = pattern[pos++];
        // A "-" first or last in the list stands for itself; anywhere else it makes a range.
        const bool range =
            pos + 1 < pattern.size() && pattern[pos] == U'-' && pattern[pos + 1] != U']';
        if (!range) {
            token.ranges.push_back({first, first});
            continue;
        }
        const char32_t last = pattern[pos + 1];
        if (last < first) return std::nullopt;
        token.ranges.push_back({first, last});
        pos += 2;
    }
    if (pos >= pattern.size()) return std::nullopt;  // unclosed "["
    ++pos;
    if (token.ranges.empty() && !token.negated) return std::optional<Token>();
    return std::optional<Token>(std::move(token));
}

std::optional<std::vector<Token>> ParsePattern(const CodePoints& pattern) {
    std::vector<Token> tokens;
    qsizetype pos = 0;
    while (pos < pattern.size()) {
        const char32_t c = pattern[pos++];
        Token token;
        switch (c) {
            case U'*':
                // Runs of "*" mean no more than one.
                if (!tokens.empty() && tokens.back().kind == Token::Kind::AnyRun) continue;
                token.kind = Token::Kind::AnyRun;
                break;
            case U'?':
                token.kind = Token::Kind::AnyChar;
                break;
            case U'#':
                token.kind = Token::Kind::Digit;
                break;
            case U'[': {
                auto list = ParseList(pattern, pos);
                if (!list) return std::nullopt;
                if (!*list) continue;
                token = std::move(**list);
                break;
            }
            default:
                token.literal = c;
                break;
        }
        tokens.push_back(std::move(token));
    }
    return tokens;
}

// Matches with one remembered "*": on a mismatch the last "*" takes one character more. Every
// other token takes exactly one character, so earlier "*" never need to be revisited.
bool MatchTokens(const CodePoints& text, const std::vector<Token>& tokens) {
    constexpr size_t kNone = static_cast<size_t>(-1);
    size_t p = 0;
    size_t star = kNone;
    qsizetype t = 0;
    qsizetype starText = 0;
    while (t < text.size()) {
        if (p < tokens.size() && tokens[p].kind == Token::Kind::AnyRun) {
            star = p++;
            starText = t;
        } else if (p < tokens.size() && tokens[p].Matches(text[t])) {
            ++p;
            ++t;
        } else if (star != kNone) {
            p = star + 1;
            t = ++starText;
        } else {
            return false;
        }
    }
    while (p < tokens.size() && tokens[p].kind == Token::Kind::AnyRun) ++p;
    return p == tokens.size();
}

}  // namespace

bool LikeMatch(const QString& text, const QString& pattern) {
    const auto tokens = ParsePattern(pattern.toUcs4());
    return tokens && MatchTokens(text.toUcs4(), *tokens);
}
