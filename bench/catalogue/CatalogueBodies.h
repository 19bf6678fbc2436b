#pragma once

// Catalogue bodies for the decoding benchmarks: real catalogues, and the bodies
// that cost the most memory per byte.
#include <QByteArray>
inline QByteArray catalogueComponent(int i)
{
    const QByteArray n = QByteArray::number(i);
    return R"({"slug":"plugin-)" + n + R"(","name":"Plugin )" + n +
           R"(","packageId":"audio.brenvoss.tesselar.native.plugin-)" + n + R"(","version":"1.2.)" + n +
           R"(","pluginVersion":"1.2.)" + n +
           R"(","sha256":"9f86d081884c7d659a2feaa0c55ad015a3bf4f1b2b0b822cd15d6c15b0f00a08","sizeBytes":)" +
           QByteArray::number(1048576 + i) + R"(,"url":"https://downloads.brenvoss.audio/packages/plugin-)" +
           n +
           R"(.pkg","formats":["AU","VST3","AAX"],"installPaths":["Library/Audio/Plug-Ins/Components/Plugin )" +
           n + R"(.component","Library/Audio/Plug-Ins/VST3/Plugin )" + n +
           R"(.vst3","Library/Application Support/Avid/Audio/Plug-Ins/Plugin )" + n + R"(.aaxplugin"]})";
}

inline const QByteArray catalogueHead = R"({"edition":"Native","collectionVersion":"3.4","components":[)";

// A real catalogue of `components` entries.
inline QByteArray catalogue(int components)
{
    QByteArray json = catalogueHead;
    for (int i = 0; i < components; ++i) {
        if (i)
            json += ',';
        json += catalogueComponent(i);
    }
    return json + "]}";
}

// A real catalogue of about `bytes`.
inline QByteArray catalogueOfSize(qsizetype bytes)
{
    QByteArray json = catalogueHead;
    for (int i = 0; json.size() + 1000 < bytes; ++i) {
        if (i)
            json += ',';
        json += catalogueComponent(i);
    }
    return json + "]}";
}

// About `bytes` of one valid component whose "formats" holds nothing but
// empty strings: three bytes per string the catalogue must keep.
inline QByteArray emptyStringsBody(qsizetype bytes)
{
    QByteArray component = catalogueComponent(0);
    const QByteArray formats = R"("formats":[)";
    const qsizetype at = component.indexOf(formats) + formats.size();
    const qsizetype count = (bytes - catalogueHead.size() - component.size()) / 3;
    component.insert(at, QByteArray(R"("",)").repeated(count));
    return catalogueHead + component + "]}";
}

// About `bytes` of one valid component whose "formats" holds one-character
// strings: the most memory per byte that a kept string can take.
inline QByteArray shortStringsBody(qsizetype bytes)
{
    QByteArray component = catalogueComponent(0);
    const QByteArray formats = R"("formats":[)";
    const qsizetype at = component.indexOf(formats) + formats.size();
    const qsizetype count = (bytes - catalogueHead.size() - component.size()) / 4;
    component.insert(at, QByteArray(R"("a",)").repeated(count));
    return catalogueHead + component + "]}";
}
