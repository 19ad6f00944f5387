// Terms shared by the parts of the whole-stretch decoder (internal to it):
// the time grid, the character cost and the likelihood helpers.
#pragma once

#include <cmath>

#include "morse/morsecode.h"

namespace cwsequence {

constexpr double kPi = 3.14159265358979323846;
constexpr int kStepsPerDot = 8;
constexpr double kMaxMarkDots = 5.0;
constexpr double kMaxGapDots = 12.0;
constexpr double kNone = -1e300;

// A sender's timing in dots (a dot mark is 1): a dash, the gap inside a
// character, between characters and between words. A machine keys 3, 1,
// 3 and 7; a hand keys dashes of 2.5 to 4 dots, letter gaps of 2.5 to 5
// and word gaps of 5 to 12, each its own way but steadily.
struct tagCwTiming {
    double dash = 3.0;
    double element = 1.0;
    double character = 3.0;
    double word = 7.0;
    // Where the gaps seen split into the sender's letter and word gaps
    // (0: not known, halfway between the two lengths).
    double boundary = 0.0;
    // A gap of this many dots or more is a word space.
    double WordDots() const { return boundary > 0 ? boundary : 0.5 * (character + word); }
};
// Every character read costs the log of the table's size: all characters
// equally likely, so that reading one more (a burst of noise as an E, a
// character split in two) must be paid for by the signal.
inline const double kCharCost = std::log(static_cast<double>(MORSE_CODE_COUNT));

// ln I0(x) for x >= 0: its series below 3.75, its asymptotic form above.
inline double LogBesselI0(double x) {
    if (x < 3.75) {
        const double y = x * x / 4.0;
        return std::log(1.0 + y + y * y / 4.0 + y * y * y / 36.0 + y * y * y * y / 576.0 +
                        y * y * y * y * y / 14400.0);
    }
    return x - 0.5 * std::log(2.0 * kPi * x) + std::log(1.0 + 1.0 / (8.0 * x));
}

// Log-likelihood of a length (in dots) given the lengths it may have: a
// mixture of log-normal peaks; never below a floor, so that no sequence is
// impossible.
inline double LengthPrior(double dots, const double* centres, const double* weights, int count, double spread) {
    double p = 0.0;
    const double l = std::log(dots);
    for (int i = 0; i < count; ++i) {
        const double z = (l - std::log(centres[i])) / spread;
        p += weights[i] * std::exp(-0.5 * z * z) / (spread * std::sqrt(2.0 * kPi));
    }
    return std::log(std::max(p, 1e-9));
}

}  // namespace cwsequence
