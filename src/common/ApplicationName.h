#pragma once

#include <QLatin1String>

// The application's name, as its window, menu, alerts and version line show it.
inline constexpr QLatin1String applicationName("Brenvoss Installer");
