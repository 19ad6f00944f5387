// The tone's phase from mark to mark, as the whole-stretch decoder weighs
// candidate marks against it (see cwsequencedecoder.h).
#include <algorithm>
#include <cmath>

#include "receiver/cwsequencedecoder.h"
#include "receiver/cwsequencemodel.h"

using namespace cwsequence;

namespace {
// A phase reference for a mark from the marks decided within this many
// dots either side; at least kMinPhaseMarks marks; phase steps of up to
// kMaxPhaseStepHz searched on a grid of 2 kPhaseGrid + 1; marks whose
// phases line up less than kMinCoherence (1 for perfectly) give none.
constexpr double kPhaseWindowDots = 20.0;
constexpr size_t kMinPhaseMarks = 6;
constexpr double kMaxPhaseStepHz = 3.0;
constexpr int kPhaseGrid = 60;
constexpr double kMinCoherence = 0.6;
// Votes carried from one stretch to the next keep this share; at least
// kMinPhasePairs pairs of marks (so counted) must have voted.
constexpr double kPhaseMemory = 0.7;
constexpr double kMinPhasePairs = 12.0;
}  // namespace

CCwSequenceDecoder::tagPhaseReference CCwSequenceDecoder::PhaseReference(
    const std::vector<std::pair<int, int>>& marks, const std::vector<double>& count, double dot) {
    tagPhaseReference out;
    if (marks.size() < kMinPhaseMarks) return out;
    // Each mark's sum and centre; consecutive marks' phase steps.
    std::vector<std::complex<double>> sums;
    std::vector<double> centres, lengths;
    for (const auto& m : marks) {
        const size_t from = static_cast<size_t>(count[static_cast<size_t>(m.first)]);
        const size_t to = static_cast<size_t>(count[static_cast<size_t>(m.second)]);
        std::complex<double> sum = 0.0;
        for (size_t i = from; i < to; ++i) sum += m_samples[i];
        sums.push_back(sum);
        centres.push_back(0.5 * static_cast<double>(from + to));
        lengths.push_back(static_cast<double>(to - from));
    }
    // The phase may move steadily from mark to mark (a keyer that starts
    // each element afresh, a drift the marks are too short to show): the
    // steady step per sample that lines consecutive marks up best is taken.
    // How well it lines them up, gathered over recent stretches (the best
    // of many steps lines up a few marks of random phase well by chance),
    // says how far the phase can be trusted.
    const double most = 2.0 * kPi * kMaxPhaseStepHz / m_dRate;
    double best = -1e300, bestSlope = 0.0, total = 0.0;
    // Each pair's largest possible agreement, as the tone alone would give
    // it: the noise in a sum adds to its magnitude and not to the
    // agreement, and would make a coherent weak signal look incoherent.
    std::vector<double> tone;
    for (size_t k = 0; k < sums.size(); ++k) {
        tone.push_back(std::sqrt(std::max(0.0, std::norm(sums[k]) - m_dNoise * lengths[k])));
    }
    double toneTotal = 0.0;
    for (size_t k = 1; k < sums.size(); ++k) {
        total += std::abs(sums[k] * std::conj(sums[k - 1]));
        toneTotal += tone[k] * tone[k - 1];
    }
    for (int g = -kPhaseGrid; g <= kPhaseGrid; ++g) {
        const double slope = most * g / kPhaseGrid;
        double v = 0.0;
        for (size_t k = 1; k < sums.size(); ++k) {
            v += std::real(sums[k] * std::conj(sums[k - 1]) * std::polar(1.0, -slope * (centres[k] - centres[k - 1])));
        }
        if (v > best) {
            best = v;
            bestSlope = slope;
        }
    }
    m_dPhaseBest = kPhaseMemory * m_dPhaseBest + best;
    m_dPhaseTotal = kPhaseMemory * m_dPhaseTotal + total;
    m_dPhaseTone = kPhaseMemory * m_dPhaseTone + toneTotal;
    m_dPhasePairs = kPhaseMemory * m_dPhasePairs + static_cast<double>(sums.size() - 1);
    if (m_dPhaseTotal <= 0 || m_dPhasePairs < kMinPhasePairs) return out;
    const double coherence = m_dPhaseBest / m_dPhaseTotal;
    out.weight = std::min(1.0, std::max(0.0, (coherence - kMinCoherence) / (1.0 - kMinCoherence)));
    // Phase steps of spread s (von Mises) agree by about 1 - 1 / (2 k) for
    // a concentration k.
    const double toneCoherence = m_dPhaseTone > 0 ? std::min(1.0, m_dPhaseBest / m_dPhaseTone) : 0.0;
    out.concentration = 0.5 / std::max(1e-3, 1.0 - toneCoherence);
    out.slope = bestSlope;
    out.window = static_cast<size_t>(kPhaseWindowDots * dot * m_dRate);
    // The marks' samples turned back by the steady step, summed.
    std::vector<char> inMark(m_samples.size(), 0);
    for (const auto& m : marks) {
        for (size_t i = static_cast<size_t>(count[static_cast<size_t>(m.first)]);
             i < static_cast<size_t>(count[static_cast<size_t>(m.second)]); ++i) {
            inMark[i] = 1;
        }
    }
    out.prefix.assign(m_samples.size() + 1, 0.0);
    const std::complex<double> step = std::polar(1.0, -bestSlope);
    std::complex<double> w = 1.0, acc = 0.0;
    for (size_t i = 0; i < m_samples.size(); ++i) {
        if (inMark[i]) acc += m_samples[i] * w;
        out.prefix[i + 1] = acc;
        w *= step;
        if ((i & 1023) == 1023) w /= std::abs(w);
    }
    return out;
}
