#pragma once

#include <QFont>

// The system font at `size` and `weight`. Sizes are in device-independent
// pixels, the way AppKit counts font points: a point size would grow a third
// larger on a 96-dpi desktop and no longer fit a 48-pixel card.
QFont systemFont(int size, QFont::Weight weight);
