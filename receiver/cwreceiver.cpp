// The adaptive receiver's chain (see cwreceiver.h).
#include "receiver/cwreceiver.h"

#include <algorithm>
#include <cmath>

namespace {
// The band as the receiver uses it: in order and inside what the input
// rate carries (values come from vardo.ini unchecked).
tagCwReceiverConfig Sane(tagCwReceiverConfig c) {
    if (c.nRate < 1000) c.nRate = 1000;
    const double top = c.nRate / 2.0 - 100.0;
    if (!(c.dBandStartHz == c.dBandStartHz)) c.dBandStartHz = 200.0;
    if (!(c.dBandEndHz == c.dBandEndHz)) c.dBandEndHz = 3000.0;
    if (c.dBandEndHz < c.dBandStartHz) std::swap(c.dBandStartHz, c.dBandEndHz);
    c.dBandStartHz = std::min(top, std::max(100.0, c.dBandStartHz));
    c.dBandEndHz = std::min(top, std::max(100.0, c.dBandEndHz));
    if (!(c.dInitialDot > 0)) c.dInitialDot = 0.08;
    return c;
}
// The narrow chain covers this many hertz either side of the tone found;
// the mixer is moved when the followed tone is more than kRetuneHz off it.
constexpr double kNarrowHalf = 60.0;
constexpr double kRetuneHz = 30.0;
// Seconds the narrow chain lags the input while nothing is locked: more
// than the search takes to lock on a sender's first characters.
constexpr double kBacklogSeconds = 6.0;
// Rate of the baseband: enough for the narrow band and a margin for the
// decimator's slope.
double BasebandRate() {
    return std::max(1000.0, 2.5 * 2.0 * kNarrowHalf);
}
// The decoder's frequency stays where the tone was found: the decoder
// follows a drifting tone itself, by the offset and the rate of drift it
// reads from the marks, and any move of its frequency would upset both.
// Only a tone that has drifted more than kReferenceSlack Hz away (towards
// the edge of what the baseband's rate carries) is followed, at most
// kReferenceSlew Hz per second; updated every kReferenceEvery baseband
// samples.
constexpr double kReferenceSlack = 350.0;
constexpr double kReferenceSlew = 10.0;
constexpr int32_t kReferenceEvery = 32;
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
// Mark level over floor (of the main detector) of a clean signal.
constexpr double kCleanContrast = 6.0;
// Gaps in dots: a character gap; the gap (a word gap and a little) at
// which the stretch so far is decided; the silence after which what came
// since the last cut is decided (a word kept back let out).
constexpr double kCharGap = 2.0;
constexpr double kCutGap = 4.5;
constexpr double kReleaseGap = 14.0;
// Seconds: a stretch without a word gap is cut at a character gap after
// this long; silence is given to the decoder at least this often.
constexpr double kLongestStretch = 30.0;
constexpr double kKeptSilence = 1.0;
}  // namespace

CCwReceiver::CCwReceiver(const tagCwReceiverConfig& given, const tagMorseCode* table, bool background)
    : m_config(Sane(given)),
      m_search(m_config.nRate, m_config.dBandStartHz, m_config.dBandEndHz),
      m_baseband(m_config.nRate, 0.5 * (m_config.dBandStartHz + m_config.dBandEndHz), BasebandRate()),
      m_carriers(m_baseband.OutputRate()),
      m_lowpass(m_baseband.OutputRate()),
      m_tone(m_baseband.OutputRate(), m_baseband.CentreHz(), m_baseband.CentreHz() - kNarrowHalf,
             m_baseband.CentreHz() + kNarrowHalf),
      m_detector(m_baseband.OutputRate()),
      m_level(m_baseband.OutputRate()),
      m_speed(m_config.dInitialDot),
      m_shadow(m_baseband.OutputRate()),
      m_shadowLevel(m_baseband.OutputRate()),
      m_worker(m_baseband.OutputRate(), table, kLongestStretch, background, m_lowpass.SumNoise()) {
    m_dRate = m_baseband.OutputRate();
    m_dReferenceHz = m_baseband.CentreHz();
    m_referenceHistory.assign(m_lowpass.Delay() + 1, std::complex<double>(1.0, 0.0));
    m_nBacklogMax = static_cast<size_t>(kBacklogSeconds * m_config.nRate);
    m_backlog.reserve(2 * m_nBacklogMax);
    m_dWpm.store(m_speed.Wpm());
    m_dTone.store(0.0);
    m_detector.SetLength(static_cast<int32_t>(std::lround(kMatch * FilterDot() * m_dRate)));
    m_level.SetDotSeconds(m_speed.DotSeconds());
    m_shadow.SetLength(std::max<int32_t>(1, m_detector.Length() / 3));
    m_shadowLevel.SetDotSeconds(FilterDot() / 3);
}

void CCwReceiver::Feed(const int16_t* samples, size_t n) {
    // The search sees each stretch of input before the narrow chain does,
    // so that a retune takes effect from the frame that called for it.
    while (n > 0) {
        const size_t take = std::min(n, m_search.UntilNextFrame());
        m_search.Feed(samples, take);
        FollowTone();
        if (m_search.Locked()) {
            // Catch up on what was held back, then go on live.
            if (m_nBacklogStart < m_backlog.size()) {
                FeedNarrow(m_backlog.data() + m_nBacklogStart, m_backlog.size() - m_nBacklogStart);
            }
            m_backlog.clear();
            m_nBacklogStart = 0;
            FeedNarrow(samples, take);
        } else {
            m_backlog.insert(m_backlog.end(), samples, samples + take);
            const size_t held = m_backlog.size() - m_nBacklogStart;
            if (held > m_nBacklogMax) {
                FeedNarrow(m_backlog.data() + m_nBacklogStart, held - m_nBacklogMax);
                m_nBacklogStart += held - m_nBacklogMax;
            }
            if (m_nBacklogStart >= m_nBacklogMax) {
                m_backlog.erase(m_backlog.begin(), m_backlog.begin() + static_cast<std::ptrdiff_t>(m_nBacklogStart));
                m_nBacklogStart = 0;
            }
        }
        samples += take;
        n -= take;
    }
    m_dTone.store(m_search.Locked() ? m_tone.ToneHz() : 0.0);
    // Once stretches have been read, the speed they were read at is the
    // steadier figure; the key decisions' estimate wavers in noise.
    const double dot = m_worker.DotSeconds();
    m_dWpm.store(dot > 0 ? 1.2 / dot : m_speed.Wpm());
}

void CCwReceiver::FeedNarrow(const int16_t* samples, size_t n) {
    m_buffer.clear();
    m_baseband.Feed(samples, n, &m_buffer);
    for (const std::complex<double>& z : m_buffer) {
        // The turn the decoder's samples take, from the mixer's frequency
        // to the decoder's, runs with the mixer's phase; the low-pass
        // delays the samples, so the turns are delayed alike.
        m_referenceHistory[m_nReferencePos] = m_reference;
        m_nReferencePos = (m_nReferencePos + 1) % m_referenceHistory.size();
        m_reference *= m_referenceStep;
        Step(m_lowpass.Feed(m_carriers.Feed(z, m_tone.OffsetHz())));
    }
}

void CCwReceiver::FollowTone() {
    if (!m_search.Locked()) return;
    const double found = m_search.ToneHz();
    const double followed = m_tone.ToneHz();
    if (!m_bEverLocked || std::fabs(found - m_baseband.CentreHz()) > kNarrowHalf) {
        // A new signal (or the first, even when it lies near where the
        // mixer idled): start on the search's frequency, and so does the
        // decoder.
        m_bEverLocked = 1;
        Retune(found);
        m_dReferenceHz = m_baseband.CentreHz();
        FollowReference(0.0);
    } else if (m_tone.Settled() && std::fabs(followed - m_baseband.CentreHz()) > kRetuneHz &&
               std::fabs(followed - found) < kRetuneHz) {
        // Drifted off the mixer, and the search agrees where to.
        Retune(followed);
    }
}

void CCwReceiver::Retune(double hz) {
    m_baseband.SetCentre(hz);
    m_carriers.Reset();
    const double centre = m_baseband.CentreHz();
    m_tone = CCwToneTracker(m_baseband.OutputRate(), centre, centre - kNarrowHalf, centre + kNarrowHalf, true);
    m_dOffset = 1e9;  // the detectors take the new offset on the next sample
    FollowReference(0.0);
}

void CCwReceiver::FollowReference(double seconds) {
    if (m_bEverLocked && m_tone.Settled()) {
        const double step = kReferenceSlew * seconds;
        const double away = m_tone.ToneHz() - m_dReferenceHz;
        const double beyond = away > kReferenceSlack ? away - kReferenceSlack
                              : away < -kReferenceSlack ? away + kReferenceSlack : 0.0;
        m_dReferenceHz += std::max(-step, std::min(step, beyond));
    }
    m_referenceStep = std::polar(1.0, 2.0 * 3.14159265358979323846 * (m_baseband.CentreHz() - m_dReferenceHz) / m_dRate);
    m_reference /= std::abs(m_reference);
}

void CCwReceiver::Step(std::complex<double> z) {
    ++m_nNow;
    m_tone.Feed(z);
    if (++m_nReferenceCount >= kReferenceEvery) {
        m_nReferenceCount = 0;
        FollowReference(kReferenceEvery / m_dRate);
    }
    if (m_tone.OffsetHz() != m_dOffset) {
        m_dOffset = m_tone.OffsetHz();
        m_detector.SetOffset(m_dOffset);
        m_shadow.SetOffset(m_dOffset);
    }
    const int shadow = m_shadowLevel.Feed(m_shadow.Feed(z));
    if (shadow && !m_nShadowState) ++m_nShadowMarks;
    m_nShadowState = shadow;
    const double e = m_detector.Feed(z);
    const int level = m_level.Feed(e);
    if (!m_bEverLocked) {
        // The mixer sits where no tone has been found: nothing of this is
        // the decoder's (it would join the first stretch heard at another
        // frequency).
        m_nLastCut = m_nNow;
        return;
    }
    // The oldest turn kept: that of the sample the low-pass gives now.
    m_worker.Push(z * m_referenceHistory[m_nReferencePos]);
    // Nothing keys while no keyed tone stands out of the band's noise.
    const int raw = level && m_search.Locked();
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
        m_bMarkSinceCut = 1;
    } else if (m_nCandidate == m_nState) {
        // A long gap ends the stretch that is decided as a whole (a last
        // word may be kept back for the next); a very long stretch is cut
        // at a character gap; in silence the decoder is given what came
        // every little while, so that a word it kept back is let out and
        // the silence let go. None of this asks what the decoder decided,
        // which may not be known yet.
        const double elapsed = static_cast<double>(m_nNow - m_nStateStart) / m_dRate;
        const double dot = m_speed.DotSeconds();
        const double sinceCut = static_cast<double>(m_nNow - m_nLastCut) / m_dRate;
        if (m_bMarkSinceCut && elapsed >= kCutGap * dot) {
            Cut(CW_CUT_OPEN);
        } else if (m_bMarkSinceCut && elapsed >= kCharGap * dot && sinceCut > kLongestStretch) {
            Cut(CW_CUT_FINAL);
        } else if (!m_bMarkSinceCut && ((elapsed >= kReleaseGap * dot && sinceCut >= kReleaseGap * dot) ||
                                        sinceCut > kKeptSilence)) {
            // Not final: in deep noise the key decisions can miss a few
            // marks in a row, and a word kept back may go on. The decoder
            // lets it out once its own reading shows the silence.
            Cut(CW_CUT_OPEN);
        }
    }
}

void CCwReceiver::Cut(eCwCut cut) {
    // Tone amplitude and noise power per sample from the tracked levels of
    // the dot-long average: its mean in gaps is sqrt(pi/4) sigma/sqrt(L)
    // for noise of power sigma^2, and its mean in marks about
    // sqrt(A^2 + sigma^2/L).
    const double length = m_detector.Length();
    const double floorLevel = m_level.Floor();
    const double noise = std::max(1e-30, floorLevel * floorLevel * length * 4.0 / 3.14159265358979);
    const double mark = m_level.MarkLevel();
    const double amplitude = std::sqrt(std::max(mark * mark - noise / length, 0.01 * mark * mark));
    m_nLastCut = m_nNow;
    m_worker.Decode(m_speed.DotSeconds(), amplitude, noise, m_tone.ToneHz() - m_dReferenceHz, cut);
    m_bMarkSinceCut = 0;
}

void CCwReceiver::Transition(int state) {
    // The change dates from when the candidate first appeared.
    const double length = static_cast<double>(m_nCandidateStart - m_nStateStart) / m_dRate;
    // Restarts of the speed only on a clean signal.
    const bool clean = m_level.MarkLevel() > kCleanContrast * m_level.Floor();
    m_speed.AllowRestart(clean ? 1 : 0);
    if (m_nState) {
        m_speed.AddMark(length);
        if (++m_nMainMarks >= kShadowCount) {
            // Only a clean signal: in noise the short detector also counts
            // fragments of noise.
            const bool shadowClean = m_shadowLevel.MarkLevel() > kShadowContrast * m_shadowLevel.Floor();
            if (clean && shadowClean && m_nShadowMarks > kShadowRatio * m_nMainMarks) m_speed.Restart();
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
    if (m_nBacklogStart < m_backlog.size()) {
        FeedNarrow(m_backlog.data() + m_nBacklogStart, m_backlog.size() - m_nBacklogStart);
    }
    m_backlog.clear();
    m_nBacklogStart = 0;
    Cut(m_bMarkSinceCut ? CW_CUT_FINAL : CW_CUT_FINAL_IF_KEPT);
    m_worker.Wait();
    const double dot = m_worker.DotSeconds();
    m_dWpm.store(dot > 0 ? 1.2 / dot : m_speed.Wpm());
}

std::string CCwReceiver::TakeText() {
    return m_worker.TakeText();
}

std::string CCwReceiver::ProvisionalText() const {
    return m_worker.ProvisionalText();
}

int CCwReceiver::TakeKeyDown() {
    const int k = m_bKeyLatch || m_nState;
    m_bKeyLatch = 0;
    return k;
}
