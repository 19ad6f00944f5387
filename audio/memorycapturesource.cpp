// Capture source fed from memory (see memorycapturesource.h).
#include "audio/memorycapturesource.h"

#include <cmath>
#include <cstring>

#include "audio/captureanalysis.h"

CMemoryCaptureSource::CMemoryCaptureSource(int32_t samplesPerSecond, std::vector<int16_t> feed, bool loop,
                                           ClockMode clock)
    : m_nRate(samplesPerSecond > 0 ? samplesPerSecond : 1),
      m_ring(static_cast<size_t>(m_nRate), 0),
      m_feed(std::move(feed)),
      m_bLoop(loop),
      m_clock(clock),
      m_bStarted(false),
      m_nFeedPos(0),
      m_nRecorded(0),
      m_nManual(0),
      m_start() {}

int CMemoryCaptureSource::Start() {
    std::lock_guard<std::mutex> guard(m_mutex);
    if (!m_bStarted) {
        m_bStarted = true;
        m_start = std::chrono::steady_clock::now();
    }
    return 1;
}

int CMemoryCaptureSource::IsOpen() {
    std::lock_guard<std::mutex> guard(m_mutex);
    return m_bStarted ? 1 : 0;
}

int CMemoryCaptureSource::IsCapturing() {
    return IsOpen();
}

int32_t CMemoryCaptureSource::GetBufferBytes() {
    return 2 * m_nRate;
}

int CMemoryCaptureSource::GetCurrentPosition(int32_t* capturePos, int32_t* readPos) {
    std::lock_guard<std::mutex> guard(m_mutex);
    if (!m_bStarted) {
        return 0;
    }
    CatchUpLocked();
    const int32_t pos = static_cast<int32_t>(m_nRecorded % m_nRate) * 2;
    *capturePos = pos;
    *readPos = pos;
    return 1;
}

int CMemoryCaptureSource::Lock(int32_t offset, int32_t bytes, tagCaptureLock* out) {
    std::lock_guard<std::mutex> guard(m_mutex);
    tagRingSpan span;
    if (!m_bStarted || (offset & 1) != 0 || (bytes & 1) != 0 ||
        !SplitRingSpan(2 * m_nRate, offset, bytes, &span)) {
        return 0;
    }
    m_staging.resize(static_cast<size_t>(bytes / 2));
    unsigned char* dest = reinterpret_cast<unsigned char*>(m_staging.data());
    const unsigned char* ring = reinterpret_cast<const unsigned char*>(m_ring.data());
    std::memcpy(dest, ring + span.nOffset1, static_cast<size_t>(span.nBytes1));
    std::memcpy(dest + span.nBytes1, ring + span.nOffset2, static_cast<size_t>(span.nBytes2));
    out->pData1 = dest;
    out->nBytes1 = span.nBytes1;
    out->pData2 = span.nBytes2 > 0 ? dest + span.nBytes1 : nullptr;
    out->nBytes2 = span.nBytes2;
    return 1;
}

void CMemoryCaptureSource::Unlock(const tagCaptureLock& /*locked*/) {}

void CMemoryCaptureSource::Advance(int64_t samples) {
    std::lock_guard<std::mutex> guard(m_mutex);
    if (samples > 0) {
        m_nManual += samples;
    }
    CatchUpLocked();
}

int64_t CMemoryCaptureSource::GetRecordedSamples() {
    std::lock_guard<std::mutex> guard(m_mutex);
    CatchUpLocked();
    return m_nRecorded;
}

void CMemoryCaptureSource::CatchUpLocked() {
    int64_t target = m_nManual;
    if (m_clock == CLOCK_STEADY && m_bStarted) {
        const int64_t ns =
            std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now() - m_start)
                .count();
        // Whole seconds and the rest apart, so that long runs do not overflow.
        target += (ns / 1000000000) * m_nRate + (ns % 1000000000) * m_nRate / 1000000000;
    }
    if (target > m_nRecorded) {
        RecordLocked(target - m_nRecorded);
    }
}

void CMemoryCaptureSource::RecordLocked(int64_t samples) {
    const int64_t feedSize = static_cast<int64_t>(m_feed.size());
    // Only the last second survives in the ring; skip what it would overwrite.
    if (samples > m_nRate) {
        const int64_t skip = samples - m_nRate;
        m_nRecorded += skip;
        m_nFeedPos += skip;
        if (m_bLoop && feedSize > 0) {
            m_nFeedPos %= feedSize;
        }
        samples = m_nRate;
    }
    for (int64_t i = 0; i < samples; ++i) {
        int16_t value = 0;
        if (m_nFeedPos < feedSize) {
            value = m_feed[static_cast<size_t>(m_nFeedPos)];
            ++m_nFeedPos;
            if (m_bLoop && m_nFeedPos == feedSize) {
                m_nFeedPos = 0;
            }
        }
        m_ring[static_cast<size_t>(m_nRecorded % m_nRate)] = value;
        ++m_nRecorded;
    }
}

std::vector<int16_t> MakeToneSamples(int32_t samplesPerSecond, double hz, double amplitude, int32_t n) {
    std::vector<int16_t> out(n > 0 ? static_cast<size_t>(n) : 0);
    const double twoPi = 6.283185307179586;
    for (size_t i = 0; i < out.size(); ++i) {
        double v = std::round(amplitude * 32767.0 * std::sin(twoPi * hz * static_cast<double>(i) / samplesPerSecond));
        if (v > 32767.0) {
            v = 32767.0;
        } else if (v < -32768.0) {
            v = -32768.0;
        }
        out[i] = static_cast<int16_t>(v);
    }
    return out;
}
