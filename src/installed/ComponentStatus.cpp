#include "app/AppDelegate.h"

// Installed-state detection arrives with the installed-state work; until then
// every card keeps "Checking…" rather than showing a status we did not check.
void AppDelegate::updateComponentStatuses() {}
