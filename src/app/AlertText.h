#pragma once

class QMessageBox;

// Shows the box's message and informative text exactly as written: never as
// markup, never as a link. Call it after both texts are set.
void showTextsAsWritten(QMessageBox& box);
