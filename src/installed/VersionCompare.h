#pragma once

#include <QStringView>
#include <compare>

// Orders two version strings the way people read them: from the left, a run
// of ASCII digits in both strings is compared by its numeric value (1.10
// after 1.9, 2 before 10, runs of any length without overflow); every other
// character is compared by its Unicode code point, letter case significant
// ('B' before 'a'); when one string is a prefix of the other, the shorter
// one comes first (1.2 before 1.2.0). A digit run against a non-digit
// compares as its first digit would, so digits keep their ASCII place.
//
// Leading zeros: digit runs of equal value are equal while the strings are
// walked; only when nothing else tells the strings apart does the first pair
// of equal-valued runs of different length decide, the shorter (fewer
// leading zeros) first: 1.2 < 1.02 < 1.002 < 1.3. So the result is `equal`
// only for identical strings, and sorting is deterministic.
//
// Non-ASCII: digits of other scripts (Arabic-Indic, full-width…) are plain
// characters, not numbers; surrogate pairs compare by the code point they
// encode; nothing is normalised or case-folded.
std::strong_ordering numericCompare(QStringView a, QStringView b);
