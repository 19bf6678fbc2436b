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

// The index of the first NUL byte in `bytes`, or -1. nlohmann's lexer takes a
// NUL for the end of its input, so "{…}" followed by NUL and anything at all
// would pass as one whole document: every JSON reader refuses such a body
// before it parses it. No NUL can stand in JSON text.
qsizetype firstNulByte(QByteArrayView bytes);

// `text` with each U+0000 replaced by U+FFFD, for text handed to another
// program: an argument ends at its first NUL, so the rest would be lost.
QString withoutNul(QString text);
