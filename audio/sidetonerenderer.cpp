// The sample-counting sidetone renderer (see sidetonerenderer.h).
#include "audio/sidetonerenderer.h"

#include "audio/toneedge.h"
#include "audio/toneloop.h"

#include <algorithm>
#include <cmath>

namespace {

// Events queued while nothing renders (a device being reopened) are kept
// up to this many; older ones go, since only the latest state matters then.
constexpr size_t kMaxQueued = 4096;

int64_t SamplesIn(CSidetoneRenderer::Clock::duration d, int32_t rate) {
    const double s = std::chrono::duration<double>(d).count();
    return static_cast<int64_t>(std::llround(s * rate));
}

}  // namespace

CSidetoneRenderer::CSidetoneRenderer() {
    SetTone(1000.0, 1.0, 0.0, TONE_SAMPLE_RATE);
}

void CSidetoneRenderer::SetTone(double hz, double volume, double edgeMs, int32_t sampleRate) {
    m_nRate = sampleRate > 0 ? sampleRate : TONE_SAMPLE_RATE;
    m_nEdge = ToneEdgeSamples(edgeMs, m_nRate);
    m_nEdgePos = std::min(m_nEdgePos, m_nEdge);
    m_nLoopIndex = 0;
    m_loop.clear();
    if (m_nRate == TONE_SAMPLE_RATE) {
        // The player's own loop, sample for sample.
        const int32_t bytes = ToneLoopBytes(ToneLoopBufferMs(hz));
        if (bytes > 0) {
            m_loop.resize(static_cast<size_t>(bytes) / 2);
            FillToneSamples(m_loop.data(), bytes, hz, volume, TONE_SAMPLE_RATE);
        }
        return;
    }
    // A device at another rate: the same number of whole periods, as many
    // samples as they take there.
    const int32_t periods = ToneLoopPeriods(hz);
    if (periods <= 0) {
        return;
    }
    const double n = std::round(periods * static_cast<double>(m_nRate) / hz);
    if (!(n >= 1.0) || n > TONE_LOOP_MAX_MS / 1000.0 * m_nRate) {
        return;
    }
    m_loop.resize(static_cast<size_t>(n));
    for (size_t k = 0; k < m_loop.size(); ++k) {
        m_loop[k] = ToneSample(static_cast<int64_t>(k), hz, volume, m_nRate);
    }
}

void CSidetoneRenderer::Queue(bool down, Clock::time_point when) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_incoming.size() >= kMaxQueued) {
        m_incoming.erase(m_incoming.begin(), m_incoming.begin() + kMaxQueued / 2);
    }
    m_incoming.push_back({down, when});
}

void CSidetoneRenderer::KeyDown(Clock::time_point when) { Queue(true, when); }

void CSidetoneRenderer::KeyUp(Clock::time_point when) { Queue(false, when); }

void CSidetoneRenderer::Place(const tagKeyEvent& e, uint32_t frames, Clock::time_point now) {
    // Where the event falls when this period is taken as ending now.
    const int64_t fromNow = m_nPos + frames - SamplesIn(now - e.tWhen, m_nRate);
    int64_t pos = fromNow;
    if (m_bChained) {
        // Counted from the previous event, so that the key's own intervals
        // come out exactly; unless the two disagree by more than a period,
        // which means the render thread lost time or the clocks drifted.
        const int64_t chained = m_nLastPos + SamplesIn(e.tWhen - m_tLast, m_nRate);
        if (std::llabs(chained - fromNow) <= static_cast<int64_t>(frames)) {
            pos = chained;
        }
    }
    // Nothing can be placed in samples already written, nor before an
    // event placed earlier.
    pos = std::max(pos, m_nPos);
    if (!m_placed.empty()) {
        pos = std::max(pos, m_placed.back().nPos);
    }
    m_placed.push_back({e.bDown, pos});
    m_bChained = true;
    m_tLast = e.tWhen;
    m_nLastPos = pos;
}

void CSidetoneRenderer::Apply(bool down) {
    if (down) {
        if (!IsSounding() || m_nEdge == 0) {
            // From silence, and on a repeated key-down of abrupt keying,
            // the tone starts at its first sample. With edges a tone that is
            // still sounding goes on, so a re-press never clicks.
            m_nLoopIndex = 0;
        }
        m_bDown = true;
    } else {
        m_bDown = false;
    }
}

int16_t CSidetoneRenderer::NextSample() {
    double gain = 0.0;
    if (m_nEdge == 0) {
        m_nEdgePos = 0;
        gain = m_bDown ? 1.0 : 0.0;
    } else if (m_bDown) {
        gain = ToneEdgeGain(m_nEdgePos, m_nEdge);
        m_nEdgePos = std::min(m_nEdgePos + 1, m_nEdge);
    } else if (m_nEdgePos > 0) {
        --m_nEdgePos;
        gain = ToneEdgeGain(m_nEdgePos, m_nEdge);
    }
    if (gain <= 0.0 || m_loop.empty()) {
        return 0;
    }
    const int16_t v = m_loop[m_nLoopIndex];
    m_nLoopIndex = (m_nLoopIndex + 1) % m_loop.size();
    if (gain >= 1.0) {
        return v;
    }
    return static_cast<int16_t>(std::lround(v * gain));
}

void CSidetoneRenderer::Render(int16_t* out, uint32_t frames, Clock::time_point now) {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_taken.swap(m_incoming);
    }
    for (const tagKeyEvent& e : m_taken) {
        Place(e, frames, now);
    }
    m_taken.clear();
    for (uint32_t i = 0; i < frames; ++i) {
        const int64_t at = m_nPos + i;
        while (!m_placed.empty() && m_placed.front().nPos <= at) {
            Apply(m_placed.front().bDown);
            m_placed.pop_front();
        }
        out[i] = NextSample();
    }
    m_nPos += frames;
}
