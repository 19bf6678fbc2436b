#include "app/AppDelegate.h"

#include <QProgressBar>

#include <cmath>

// The bar is determinate from 0 to 1; QProgressBar counts in integers, so
// the fraction is kept in thousandths.
void AppDelegate::setProgressFraction(double fraction)
{
    progress->setRange(0, progressSteps);
    progress->setValue(int(std::lround(std::clamp(fraction, 0.0, 1.0) * progressSteps)));
}

double AppDelegate::progressFraction() const
{
    return progress->maximum() > 0 ? double(progress->value()) / double(progress->maximum()) : 0.0;
}
