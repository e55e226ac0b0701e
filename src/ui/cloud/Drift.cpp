#include "ui/cloud/Drift.hpp"

#include <algorithm>
#include <cmath>

namespace ostrel::ui {

double Drift::horizontal(const Nuvo& nuvo, double width, double t) {
    const double w = nuvo.width;
    const double track = std::max(width, 0.0) + w;
    double x = t * nuvo.speed + track * nuvo.phase;
    if (!std::isfinite(x))
        x = track * nuvo.phase; // a time beyond reckoning stands at t = 0
    double along = std::fmod(x, track);
    // fmod keeps the sign of its dividend: a time before the reference moment would put the cloud
    // left of -w, wholly out of sight for good. Folding it onto the track keeps every crossing.
    if (along < 0)
        along += track;
    // A tiny negative remainder plus track rounds to track itself: that point is the track's start.
    if (along >= track)
        along = 0;
    return along - w;
}

Drift::Offset Drift::offset(const Nuvo& nuvo, double width, std::pair<double, double> band, double t) {
    return {horizontal(nuvo, width, t), band.first + nuvo.y * (band.second - band.first)};
}

} // namespace ostrel::ui
