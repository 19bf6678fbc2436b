#include "installed/VersionCompare.h"

namespace {

bool isAsciiDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

qsizetype digitRunEnd(QStringView text, qsizetype from)
{
    while (from < text.size() && isAsciiDigit(text[from]))
        ++from;
    return from;
}

// Compares two runs of ASCII digits by value. Leading zeros are skipped, so
// the longer significant part is the larger number and runs of any length
// compare without converting them to integers.
std::strong_ordering compareByValue(QStringView a, QStringView b)
{
    while (a.size() > 1 && a.front() == u'0')
        a = a.sliced(1);
    while (b.size() > 1 && b.front() == u'0')
        b = b.sliced(1);
    if (a.size() != b.size())
        return a.size() <=> b.size();
    for (qsizetype i = 0; i < a.size(); ++i) {
        if (a[i] != b[i])
            return a[i].unicode() <=> b[i].unicode();
    }
    return std::strong_ordering::equal;
}

// The code point at `index` and how many UTF-16 units it takes. An unpaired
// surrogate stands for itself.
char32_t codePointAt(QStringView text, qsizetype index, qsizetype& units)
{
    const QChar c = text[index];
    if (c.isHighSurrogate() && index + 1 < text.size() && text[index + 1].isLowSurrogate()) {
        units = 2;
        return QChar::surrogateToUcs4(c, text[index + 1]);
    }
    units = 1;
    return c.unicode();
}

} // namespace

std::strong_ordering numericCompare(QStringView a, QStringView b)
{
    // The first pair of equal-valued digit runs that differ in length; it
    // decides only when the strings are otherwise the same.
    std::strong_ordering leadingZeros = std::strong_ordering::equal;
    qsizetype i = 0;
    qsizetype j = 0;
    while (i < a.size() && j < b.size()) {
        if (isAsciiDigit(a[i]) && isAsciiDigit(b[j])) {
            const qsizetype endA = digitRunEnd(a, i);
            const qsizetype endB = digitRunEnd(b, j);
            const QStringView runA = a.sliced(i, endA - i);
            const QStringView runB = b.sliced(j, endB - j);
            if (const auto order = compareByValue(runA, runB); order != 0)
                return order;
            if (leadingZeros == 0)
                leadingZeros = runA.size() <=> runB.size();
            i = endA;
            j = endB;
            continue;
        }
        qsizetype unitsA = 0;
        qsizetype unitsB = 0;
        const char32_t charA = codePointAt(a, i, unitsA);
        const char32_t charB = codePointAt(b, j, unitsB);
        if (charA != charB)
            return charA <=> charB;
        i += unitsA;
        j += unitsB;
    }
    if (i < a.size())
        return std::strong_ordering::greater;
    if (j < b.size())
        return std::strong_ordering::less;
    return leadingZeros;
}
