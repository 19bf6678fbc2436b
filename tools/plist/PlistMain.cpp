// brenvoss-plist: prints the top-level keys of an Info.plist (XML or binary)
// as the app reads them, one per line: KEY, TYPE and VALUE separated by tabs.
// TYPE is string, boolean (VALUE true or false), integer, real, data, array or
// dict (VALUE empty for the last three). Tabs, line feeds and backslashes in
// keys and values are written \t, \n and \\. ./dev package checks the bundle
// with it, on any system.
#include "FileArgument.h"
#include "platform/InfoDictionary.h"

#include <QString>
#include <cstdio>

namespace {

constexpr const char* usageText =
    "usage: brenvoss-plist FILE\n"
    "  prints KEY<tab>TYPE<tab>VALUE for each top-level key of the property list\n";

QByteArray escaped(const QString& text)
{
    QString out = text;
    out.replace(u'\\', QStringLiteral("\\\\")).replace(u'\t', QStringLiteral("\\t"));
    return out.replace(u'\n', QStringLiteral("\\n")).toUtf8();
}

QByteArray typed(const QVariant& value)
{
    switch (value.typeId()) {
    case QMetaType::QString:
        return "string\t" + escaped(value.toString());
    case QMetaType::Bool:
        return value.toBool() ? "boolean\ttrue" : "boolean\tfalse";
    case QMetaType::ULongLong:
        return "integer\t" + QByteArray::number(value.toULongLong());
    case QMetaType::Double:
        return "real\t" + QByteArray::number(value.toDouble(), 'g', 17);
    case QMetaType::QVariantList:
        return "array\t";
    case QMetaType::QVariantMap:
        return "dict\t";
    default:
        return "data\t";
    }
}

} // namespace

int main(int argc, char* argv[])
{
    if (const int status = fileArgumentStatus(argc, argv, usageText); status >= 0)
        return status;
    const std::optional<InfoDictionary> info = readInfoDictionary(QString::fromLocal8Bit(argv[1]));
    if (!info) {
        std::fprintf(stderr,
                     "brenvoss-plist: '%s' is not a readable property list with a dictionary at its root\n",
                     argv[1]);
        return 1;
    }
    for (auto entry = info->cbegin(); entry != info->cend(); ++entry) {
        const QByteArray line = escaped(entry.key()) + '\t' + typed(entry.value()) + '\n';
        std::fwrite(line.constData(), 1, std::size_t(line.size()), stdout);
    }
    return 0;
}
