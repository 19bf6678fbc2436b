#pragma once

#include <Qt>

class QCheckBox;
class QLabel;

// Text that does not fit is drawn shortened with an ellipsis, at the tail,
// the middle or the head as `mode` says, and the widget may be laid out
// narrower than its text. Only the drawing is shortened: text() and the
// accessible name keep the whole text, and code that sets the text or the
// palette of a plain QLabel keeps working, since nothing is subclassed.
void elideText(QLabel* label, Qt::TextElideMode mode);
// A checkbox whose title is shortened at the tail.
void elideText(QCheckBox* checkbox);
