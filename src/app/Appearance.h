#pragma once

// The window is designed for a light background: force the light appearance
// whatever the desktop's theme. On macOS that is the Aqua appearance of the
// application; elsewhere the Fusion style with its standard light palette.
// Calling it again changes nothing.
void forceLightAppearance();
