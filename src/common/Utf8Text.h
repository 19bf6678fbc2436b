#pragma once

#include <QByteArrayView>
#include <QString>

// The one way outside text (JSON, property lists, a child's output) becomes
// a QString. QString::fromUtf8() and fromStdString() silently drop a leading
// U+FEFF, so "\uFEFFalpha" and "alpha" would become the same slug; these keep
// every character.

// Malformed sequences become U+FFFD.
QString utf8Text(QByteArrayView bytes);

// The empty string when `bytes` are not valid UTF-8.
QString strictUtf8(QByteArrayView bytes);
