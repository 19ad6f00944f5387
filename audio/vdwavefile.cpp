// The WAV writer (see vdwavefile.h).
#include "audio/vdwavefile.h"

#include "audio/toneedge.h"
#include "audio/toneloop.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <new>
#include <vector>

namespace {

void Put16(uint8_t* p, uint32_t v) {
    p[0] = static_cast<uint8_t>(v & 0xFFu);
    p[1] = static_cast<uint8_t>((v >> 8) & 0xFFu);
}

void Put32(uint8_t* p, uint32_t v) {
    Put16(p, v & 0xFFFFu);
    Put16(p + 2, v >> 16);
}

// Silence goes out in blocks of this size rather than byte by byte.
constexpr size_t kFillBlock = 4096;

}  // namespace

CVdWaveFile::CVdWaveFile(const char* path, uint16_t channels, uint32_t samplesPerSec, uint16_t bitsPerSample,
                         double bufferSeconds) {
    Setup(path != nullptr ? std::fopen(path, "wb") : nullptr, channels, samplesPerSec, bitsPerSample,
          bufferSeconds);
}

#ifdef _WIN32
CVdWaveFile::CVdWaveFile(const wchar_t* path, uint16_t channels, uint32_t samplesPerSec,
                         uint16_t bitsPerSample, double bufferSeconds) {
    Setup(path != nullptr ? _wfopen(path, L"wb") : nullptr, channels, samplesPerSec, bitsPerSample,
          bufferSeconds);
}
#endif

CVdWaveFile::~CVdWaveFile() = default;

void CVdWaveFile::Setup(FILE* file, uint16_t channels, uint32_t samplesPerSec, uint16_t bitsPerSample,
                        double bufferSeconds) {
    m_pFile.reset(file);
    m_nSamplesPerSec = samplesPerSec;
    m_nBytesPerSecond = static_cast<uint32_t>(
        (static_cast<uint64_t>(channels) * samplesPerSec * bitsPerSample) >> 3);
    const uint32_t blockAlign = static_cast<uint32_t>(channels) * bitsPerSample / 8u;

    std::memcpy(m_header + 0, "RIFF", 4);
    std::memcpy(m_header + 8, "WAVE", 4);
    std::memcpy(m_header + 12, "fmt ", 4);
    Put32(m_header + 16, 16);
    Put16(m_header + 20, 1);
    Put16(m_header + 22, channels);
    Put32(m_header + 24, samplesPerSec);
    Put32(m_header + 28, m_nBytesPerSecond);
    Put16(m_header + 32, blockAlign);
    Put16(m_header + 34, bitsPerSample);
    std::memcpy(m_header + 36, "data", 4);
    StoreSizes();
    if (m_pFile) {
        std::fwrite(m_header, 1, VDWAVE_HEADER_BYTES, m_pFile.get());
    }

    // The buffer size comes from the caller's settings: keep it bounded.
    m_fBufferSeconds = bufferSeconds;
    double seconds = bufferSeconds;
    if (!(seconds > 0.0)) {
        seconds = 0.0;
    } else if (seconds > VDWAVE_MAX_BUFFER_SECONDS) {
        seconds = VDWAVE_MAX_BUFFER_SECONDS;
    }
    const double bytes = std::min(static_cast<double>(m_nBytesPerSecond) * seconds,
                                  static_cast<double>(VDWAVE_MAX_BUFFER_BYTES));
    m_nWavBuffLen = static_cast<int32_t>(bytes);
    if (m_nWavBuffLen > 0) {
        m_pToneBuffer.reset(new (std::nothrow) uint8_t[static_cast<size_t>(m_nWavBuffLen)]());
        if (!m_pToneBuffer) {
            m_nWavBuffLen = 0;
        }
    }
    m_bRefillNeeded = 1;
}

void CVdWaveFile::StoreSizes() {
    Put32(m_header + 4, 36u + m_nDataBytes);
    Put32(m_header + 40, m_nDataBytes);
}

void CVdWaveFile::SetFrequency(double hz) {
    m_fFrequency = hz;
    m_bRefillNeeded = 1;
}

void CVdWaveFile::SetVolume(double volume) {
    m_fVolume = volume;
    m_bRefillNeeded = 1;
}

void CVdWaveFile::FillToneBuffer() {
    if (m_pToneBuffer) {
        FillToneSamples(m_pToneBuffer.get(), m_nWavBuffLen, m_fFrequency, m_fVolume,
                        static_cast<double>(m_nSamplesPerSec));
    }
    m_bRefillNeeded = 0;
}

int64_t CVdWaveFile::DurationBytes(double seconds) const {
    if (!(seconds >= 0.0) || !std::isfinite(seconds)) {
        return -1;
    }
    const double bytes = static_cast<double>(m_nBytesPerSecond) * seconds;
    if (bytes > static_cast<double>(VDWAVE_MAX_DATA_BYTES)) {
        return -1;
    }
    int64_t n = static_cast<int64_t>(bytes);
    if (n % 2 != 0) {
        ++n;
    }
    return n;
}

void CVdWaveFile::SetEdgeMs(double ms) {
    m_nEdgeSamples = ToneEdgeSamples(ms, static_cast<int32_t>(m_nSamplesPerSec));
}

int32_t CVdWaveFile::WriteTone(double seconds) {
    if (!m_pFile) {
        return 0;
    }
    if (m_bRefillNeeded) {
        FillToneBuffer();
    }
    int64_t n = DurationBytes(seconds);
    if (n < 0) {
        return 0;
    }
    // Never read past the buffer: a longer tone is cut to whole samples of it.
    if (n > m_nWavBuffLen) {
        n = m_nWavBuffLen & ~1;
    }
    m_nFallLeft = 0;
    if (m_nEdgeSamples <= 0 || n == 0) {
        return Write(m_pToneBuffer.get(), static_cast<int32_t>(n), 1);
    }
    // The rise shapes a copy of the tone's start.
    const int32_t samples = static_cast<int32_t>(n / 2);
    std::vector<uint8_t> shaped(m_pToneBuffer.get(), m_pToneBuffer.get() + n);
    for (int32_t k = 0; k < samples && k < m_nEdgeSamples; ++k) {
        const int16_t v = static_cast<int16_t>(static_cast<uint16_t>(shaped[2 * k] | (shaped[2 * k + 1] << 8)));
        const uint16_t u = static_cast<uint16_t>(static_cast<int16_t>(std::lround(v * ToneEdgeGain(k, m_nEdgeSamples))));
        shaped[2 * k] = static_cast<uint8_t>(u & 0xFFu);
        shaped[2 * k + 1] = static_cast<uint8_t>(u >> 8);
    }
    const int32_t written = Write(shaped.data(), static_cast<int32_t>(n), 1);
    if (written > 0) {
        // A tone cut short during its rise falls from where it got to.
        m_nFallLeft = samples < m_nEdgeSamples ? samples : m_nEdgeSamples;
        m_nFallFrom = samples;
    }
    return written;
}

int32_t CVdWaveFile::WriteSilence(double seconds) {
    const int64_t n = DurationBytes(seconds);
    if (n < 0 || n > INT32_MAX) {
        return 0;
    }
    static const uint8_t zero = 0;
    if (m_nFallLeft <= 0 || n == 0) {
        return Write(&zero, 1, static_cast<int32_t>(n));
    }
    // The tone goes on, phase continuous, under the falling edge; whatever
    // of the fall does not fit in this silence is not written.
    const int64_t fall = std::min<int64_t>(m_nFallLeft, n / 2);
    std::vector<uint8_t> tail(static_cast<size_t>(fall) * 2);
    for (int64_t j = 0; j < fall; ++j) {
        const double gain = ToneEdgeGain(m_nFallLeft - 1 - j, m_nEdgeSamples);
        const int16_t v = ToneSample(m_nFallFrom + j, m_fFrequency, m_fVolume, static_cast<double>(m_nSamplesPerSec));
        const uint16_t u = static_cast<uint16_t>(static_cast<int16_t>(std::lround(v * gain)));
        tail[2 * j] = static_cast<uint8_t>(u & 0xFFu);
        tail[2 * j + 1] = static_cast<uint8_t>(u >> 8);
    }
    m_nFallLeft = 0;
    const int32_t head = Write(tail.data(), static_cast<int32_t>(tail.size()), 1);
    if (head != static_cast<int32_t>(tail.size())) {
        return 0;
    }
    return head + Write(&zero, 1, static_cast<int32_t>(n - static_cast<int64_t>(tail.size())));
}

int32_t CVdWaveFile::Write(const void* bytes, int32_t nLen, int32_t nCount) {
    if (!m_pFile || nLen < 0 || nCount < 0) {
        return 0;
    }
    const int64_t total = static_cast<int64_t>(nLen) * nCount;
    // Whole 16-bit samples only; rounding up would read past the caller's
    // bytes, so an odd count is refused.
    if (total % 2 != 0 || total > INT32_MAX || (total > 0 && bytes == nullptr)) {
        return 0;
    }
    if (static_cast<uint64_t>(m_nDataBytes) + static_cast<uint64_t>(total) > VDWAVE_MAX_DATA_BYTES) {
        return 0;
    }
    m_nDataBytes += static_cast<uint32_t>(total);
    StoreSizes();

    FILE* f = m_pFile.get();
    std::fseek(f, 0, SEEK_END);
    if (total > 0) {
        if (nLen == 1) {
            uint8_t block[kFillBlock];
            std::memset(block, *static_cast<const uint8_t*>(bytes), sizeof(block));
            int64_t left = total;
            while (left > 0) {
                const size_t n = static_cast<size_t>(std::min<int64_t>(left, kFillBlock));
                std::fwrite(block, 1, n, f);
                left -= static_cast<int64_t>(n);
            }
        } else {
            for (int32_t i = 0; i < nCount; ++i) {
                std::fwrite(bytes, 1, static_cast<size_t>(nLen), f);
            }
        }
    }
    std::fseek(f, 0, SEEK_SET);
    std::fwrite(m_header, 1, VDWAVE_HEADER_BYTES, f);
    return static_cast<int32_t>(total);
}
