// The adaptive receiver's chain (see cwreceiver.h).
#include "audio/cwreceiver.h"

#include <algorithm>
#include <cmath>

namespace {
// Rate of the baseband: enough for a band of a few hundred hertz.
double BasebandRate(const tagCwReceiverConfig& c) {
    const double width = std::fabs(c.dBandEndHz - c.dBandStartHz);
    return std::max(1000.0, 2.5 * width);
}
// The detector averages over this fraction of a dot.
constexpr double kMatch = 1.0;
// Marks and spaces shorter than this fraction of a dot are taken as noise
// and bridged.
constexpr double kHold = 0.4;
// Speed fits worse than this (mean squared log distance) mean the marks
// are not being separated; the detector then falls back to a dot of
// kAcquireDot seconds (40 WPM).
constexpr double kPoorFit = 0.08;
constexpr double kAcquireDot = 0.03;
// Every this many marks the shadow detector's count is compared; more
// than this ratio of its marks to the main detector's restarts the speed.
constexpr int32_t kShadowCount = 8;
constexpr double kShadowRatio = 1.6;
constexpr double kShadowContrast = 5.0;
}  // namespace

CCwReceiver::CCwReceiver(const tagCwReceiverConfig& c, const tagMorseCode* table)
    : m_baseband(c.nRate, 0.5 * (c.dBandStartHz + c.dBandEndHz), BasebandRate(c)),
      m_tone(m_baseband.OutputRate(), m_baseband.CentreHz(), c.dBandStartHz, c.dBandEndHz),
      m_detector(m_baseband.OutputRate()),
      m_level(m_baseband.OutputRate()),
      m_speed(c.dInitialDot),
      m_decoder(table),
      m_shadow(m_baseband.OutputRate()),
      m_shadowLevel(m_baseband.OutputRate()) {
    m_dRate = m_baseband.OutputRate();
    m_dWpm.store(m_speed.Wpm());
    m_dTone.store(m_tone.ToneHz());
    m_detector.SetLength(static_cast<int32_t>(std::lround(kMatch * FilterDot() * m_dRate)));
    m_level.SetDotSeconds(m_speed.DotSeconds());
    m_shadow.SetLength(std::max<int32_t>(1, m_detector.Length() / 3));
    m_shadowLevel.SetDotSeconds(FilterDot() / 3);
}

void CCwReceiver::Feed(const int16_t* samples, size_t n) {
    m_buffer.clear();
    m_baseband.Feed(samples, n, &m_buffer);
    for (const std::complex<double>& z : m_buffer) {
        Step(z);
    }
    m_dTone.store(m_tone.ToneHz());
    m_dWpm.store(m_speed.Wpm());
}

void CCwReceiver::Step(std::complex<double> z) {
    ++m_nNow;
    m_tone.Feed(z);
    if (m_tone.OffsetHz() != m_dOffset) {
        m_dOffset = m_tone.OffsetHz();
        m_detector.SetOffset(m_dOffset);
        m_shadow.SetOffset(m_dOffset);
    }
    const int shadow = m_shadowLevel.Feed(m_shadow.Feed(z));
    if (shadow && !m_nShadowState) ++m_nShadowMarks;
    m_nShadowState = shadow;
    const double e = m_detector.Feed(z);
    // Nothing keys while no keyed tone stands out of the band's noise.
    const int raw = m_level.Feed(e) && m_tone.HasTone();
    if (raw != m_nState) {
        if (raw != m_nCandidate) {
            m_nCandidate = raw;
            m_nCandidateStart = m_nNow;
        }
        const double held = static_cast<double>(m_nNow - m_nCandidateStart) / m_dRate;
        if (held >= kHold * FilterDot()) {
            Transition(raw);
        }
    } else {
        m_nCandidate = m_nState;
    }
    if (m_nState) {
        m_bKeyLatch = 1;
    } else {
        // A mark waiting to be confirmed ends the space where it began.
        const int64_t end = m_nCandidate != m_nState ? m_nCandidateStart : m_nNow;
        const double elapsed = static_cast<double>(end - m_nStateStart) / m_dRate;
        m_decoder.Space(elapsed, m_speed.DotSeconds(), &m_text);
    }
}

void CCwReceiver::Transition(int state) {
    // The change dates from when the candidate first appeared.
    const double length = static_cast<double>(m_nCandidateStart - m_nStateStart) / m_dRate;
    if (m_nState) {
        m_decoder.Mark(length, m_speed.DotSeconds());
        m_speed.AddMark(length);
        if (++m_nMainMarks >= kShadowCount) {
            // Only a clean signal: in noise the short detector also counts
            // fragments of noise.
            const bool clean = m_shadowLevel.MarkLevel() > kShadowContrast * m_shadowLevel.Floor();
            if (clean && m_nShadowMarks > kShadowRatio * m_nMainMarks) m_speed.Restart();
            m_nMainMarks = 0;
            m_nShadowMarks = 0;
        }
    } else if (m_nStateStart > 0) {
        m_speed.AddSpace(length);
    }
    m_nState = state;
    m_nStateStart = m_nCandidateStart;
    m_nKey.store(state);
    const double dot = FilterDot();
    const int32_t want = std::max<int32_t>(1, static_cast<int32_t>(std::lround(kMatch * dot * m_dRate)));
    if (std::abs(want - m_detector.Length()) * 10 > m_detector.Length()) {
        m_detector.SetLength(want);
        m_shadow.SetLength(std::max<int32_t>(1, want / 3));
    }
    m_level.SetDotSeconds(dot);
    m_shadowLevel.SetDotSeconds(dot / 3);
    if (state) {
        // Elapsed time in the space ended here: settle the decoder on it.
        const double gap = length;
        m_decoder.Space(gap, dot, &m_text);
    }
}

double CCwReceiver::FilterDot() const {
    // Until the durations fit a speed, detect with a short filter: marks
    // of a faster sender would otherwise run together in a long one, and
    // the speed could never be found from them.
    if (!m_speed.Fitted() || m_speed.FitError() > kPoorFit) {
        return std::min(m_speed.DotSeconds(), kAcquireDot);
    }
    return m_speed.DotSeconds();
}

void CCwReceiver::Flush() {
    m_decoder.Flush(&m_text);
}

std::string CCwReceiver::TakeText() {
    std::string t;
    t.swap(m_text);
    return t;
}

int CCwReceiver::TakeKeyDown() {
    const int k = m_bKeyLatch || m_nState;
    m_bKeyLatch = 0;
    return k;
}
