// Wildcard matching as the classic Like operator does it, used by the drive/path box's completion.
#pragma once

#include <QString>

// Whether the whole text matches the pattern, comparing characters exactly (callers upper-case
// both sides for a match that ignores case). In the pattern "*" stands for any run of characters,
// "?" for one character, "#" for one digit, "[a-c]" for one character of a list of characters and
// ranges, "[!a-c]" for one character not in it; "[]" stands for nothing. A malformed pattern (an
// unclosed "[" or a descending range) matches no text. Time grows with text length times pattern
// length at most, however many "*" the pattern holds.
bool LikeMatch(const QString& text, const QString& pattern);
