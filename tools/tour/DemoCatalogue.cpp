#include "DemoCatalogue.h"

#include <QCryptographicHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

struct DemoPlugin
{
    const char* slug;
    const char* name;
    QStringList formats;
};

const QStringList allFormats{QStringLiteral("AU"), QStringLiteral("VST3"), QStringLiteral("AAX NATIVE")};

QList<DemoPlugin> demoPlugins()
{
    return {
        {"tesselar-verb", "Tesselar Verb", allFormats},
        {"tesselar-comp", "Tesselar Comp", allFormats},
        {"tesselar-delay", "Tesselar Delay", allFormats},
        {"glasswing-eq", "Glasswing EQ", allFormats},
        {"ferric-tape", "Ferric Tape", {QStringLiteral("AU"), QStringLiteral("VST3")}},
        {"ferric-tape-machine-collection",
         "Ferric Tape Machine Collection with Bias & Wow Control",
         {QStringLiteral("AU"), QStringLiteral("VST3"), QStringLiteral("AAX NATIVE"),
          QStringLiteral("AAX DSP"), QStringLiteral("Standalone"), QStringLiteral("Surround 7.1.4"),
          QStringLiteral("Ambisonics")}},
        {"lumen-chorus", "Lumen Chorus", allFormats},
        {"lumen-phaser", "Lumen Phaser", {QStringLiteral("VST3")}},
        {"basalt-limiter", "Basalt Limiter", allFormats},
        {"basalt-clipper", "Basalt Clipper", allFormats},
        {"orrery-synth", "Orrery Synth", {}},
        {"orrery-drums", "Orrery Drums", allFormats},
    };
}

} // namespace

QByteArray demoCatalogue(int count, const QString& edition)
{
    QJsonArray components;
    const QList<DemoPlugin> plugins = demoPlugins();
    for (int index = 0; index < count && index < plugins.size(); ++index) {
        const DemoPlugin& plugin = plugins[index];
        const QString slug = QString::fromLatin1(plugin.slug);
        const QByteArray digest = QCryptographicHash::hash(plugin.slug, QCryptographicHash::Sha256).toHex();
        components.append(QJsonObject{
            {QStringLiteral("slug"), slug},
            {QStringLiteral("name"), QString::fromUtf8(plugin.name)},
            {QStringLiteral("packageId"), QStringLiteral("audio.brenvoss.tesselar.native.") + slug},
            {QStringLiteral("version"), QStringLiteral("2.1.0")},
            {QStringLiteral("pluginVersion"), QStringLiteral("2.1.0")},
            {QStringLiteral("sha256"), QString::fromLatin1(digest)},
            {QStringLiteral("sizeBytes"), 1048576},
            {QStringLiteral("url"),
             QStringLiteral("http://127.0.0.1:1/packages/") + slug + QStringLiteral(".pkg")},
            {QStringLiteral("formats"), QJsonArray::fromStringList(plugin.formats)},
        });
    }
    const QJsonObject document{{QStringLiteral("edition"), edition},
                               {QStringLiteral("collectionVersion"), QStringLiteral("2026.12")},
                               {QStringLiteral("components"), components}};
    return QJsonDocument(document).toJson(QJsonDocument::Compact);
}
