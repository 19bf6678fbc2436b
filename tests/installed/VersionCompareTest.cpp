#include "installed/VersionCompare.h"

#include <QList>
#include <QString>
#include <gtest/gtest.h>

namespace {

constexpr auto less = std::strong_ordering::less;
constexpr auto equal = std::strong_ordering::equal;
constexpr auto greater = std::strong_ordering::greater;

const struct
{
    const char16_t* a;
    const char16_t* b;
    std::strong_ordering expected;
} pairs[] = {
    // Digit runs by value, of any length.
    {u"1.9", u"1.10", less},
    {u"2", u"10", less},
    {u"1.0.0", u"1.1.0", less},
    {u"1.1.0", u"1.1.0", equal},
    {u"99999999999999999999", u"100000000000000000000", less},
    {u"1a", u"12", less},
    // The shorter string first when it is a prefix.
    {u"1.2", u"1.2.0", less},
    {u"", u"1", less},
    {u"", u"", equal},
    // Other characters by code point, case significant.
    {u"1.0a", u"1.0b", less},
    {u"1.0B", u"1.0a", less},
    {u"1.0-beta", u"1.0.1", less},
    {u"v2", u"1", greater},
    // Leading zeros: decide only when nothing else does, fewer zeros first.
    {u"1.2", u"1.02", less},
    {u"1.02", u"1.002", less},
    {u"1.02", u"1.3", less},
    {u"1.02.5", u"1.2.6", less},
    {u"1.02", u"1.2.0", less},
    {u"0", u"00", less},
    // Outside ASCII: code points; other scripts' digits are not numbers.
    {u"1.\u00e9", u"1.z", greater},
    {u"\U0001F600", u"\uFFFD", greater},
    {u"\u0661\u0660", u"\u0669", less},
    {u"\u00c9", u"\u00e9", less},
    {u"e\u0301", u"\u00e9", less},
};

const char* name(std::strong_ordering order)
{
    return order < 0 ? "less" : order > 0 ? "greater" : "equal";
}

} // namespace

TEST(NumericCompare, OrdersTheTableBothWays)
{
    for (const auto& pair : pairs) {
        const QString a = QString::fromUtf16(pair.a);
        const QString b = QString::fromUtf16(pair.b);
        EXPECT_STREQ(name(numericCompare(a, b)), name(pair.expected))
            << a.toStdString() << " vs " << b.toStdString();
        EXPECT_STREQ(name(numericCompare(b, a)), name(0 <=> pair.expected))
            << b.toStdString() << " vs " << a.toStdString();
    }
}

// Sorting needs a total order: over the table's strings only identical ones
// compare equal, and the order is transitive.
TEST(NumericCompare, IsATotalOrderOverTheTable)
{
    QList<QString> all;
    for (const auto& pair : pairs)
        all << QString::fromUtf16(pair.a) << QString::fromUtf16(pair.b);
    for (const QString& x : all) {
        for (const QString& y : all) {
            EXPECT_EQ(numericCompare(x, y) == 0, x == y) << x.toStdString() << " vs " << y.toStdString();
            for (const QString& z : all) {
                if (numericCompare(x, y) < 0 && numericCompare(y, z) < 0) {
                    EXPECT_TRUE(numericCompare(x, z) < 0)
                        << x.toStdString() << " < " << y.toStdString() << " < " << z.toStdString();
                }
            }
        }
    }
}
