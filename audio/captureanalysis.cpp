// Pure arithmetic of the tone detector (see captureanalysis.h).
#include "audio/captureanalysis.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

int32_t RingSpanStart(int32_t size, int32_t end, int32_t length) {
    if (size <= 0 || length < 0 || length > size || end < 0 || end >= size) {
        return -1;
    }
    int32_t start = end - length;
    if (start < 0) {
        start += size;
    }
    return start;
}

int SplitRingSpan(int32_t size, int32_t offset, int32_t length, tagRingSpan* out) {
    *out = tagRingSpan{0, 0, 0, 0};
    if (size <= 0 || offset < 0 || offset >= size || length < 0 || length > size) {
        return 0;
    }
    const int32_t toEnd = size - offset;
    out->nOffset1 = offset;
    out->nBytes1 = length < toEnd ? length : toEnd;
    out->nOffset2 = 0;
    out->nBytes2 = length - out->nBytes1;
    return 1;
}

static int32_t CopyRegion(const void* data, int32_t bytes, int16_t* dest, int32_t room) {
    if (data == nullptr || bytes <= 0 || room <= 0) {
        return 0;
    }
    int32_t samples = bytes / 2;
    if (samples > room) {
        samples = room;
    }
    // The regions need not be aligned for int16_t.
    std::memcpy(dest, data, static_cast<size_t>(samples) * sizeof(int16_t));
    return samples;
}

int32_t CopyLockedSamples(const tagCaptureLock& locked, int16_t* window, int32_t capacity) {
    if (capacity <= 0) {
        return 0;
    }
    int32_t copied = CopyRegion(locked.pData1, locked.nBytes1, window, capacity);
    copied += CopyRegion(locked.pData2, locked.nBytes2, window + copied, capacity - copied);
    if (copied < capacity) {
        std::memset(window + copied, 0, static_cast<size_t>(capacity - copied) * sizeof(int16_t));
    }
    return copied;
}

int32_t FindTrigger(const int16_t* w, int32_t n) {
    int state = 1;
    int32_t i = 0;
    while (i < n - 1 && state > 0) {
        if (state == 1) {
            if (w[i] < w[i + 1]) {
                state = 2;
            }
        } else if (w[i] >= 0 && w[i] > w[i + 1]) {
            state = 0;
        }
        ++i;
    }
    return i;
}

int32_t ClampAnalysisSamples(int32_t samples, int32_t samplesPerSecond) {
    int32_t limit = samplesPerSecond / 2;
    if (limit < 1) {
        limit = 1;
    }
    if (samples < 1) {
        return 1;
    }
    return samples > limit ? limit : samples;
}

int16_t BinFrequency(int32_t samplesPerSecond, int32_t n, int32_t k) {
    if (n <= 0) {
        return 0;
    }
    const int32_t spacing = (samplesPerSecond >> 1) / n;
    return static_cast<int16_t>(spacing * k);
}

int32_t ThresholdFromLevel(double level) {
    if (!(level == level) || level > 1.0) {
        return CAPTURE_THRESHOLD_NEVER;
    }
    if (level < -1.0) {
        return -32768;
    }
    return static_cast<int32_t>(32768.0 * level);
}

int DetectTone(const int16_t* spectrum, const int16_t* freq, int32_t n, int32_t threshold,
               int32_t bandStart, int32_t bandEnd) {
    for (int32_t k = 0; k < n; ++k) {
        if (bandStart <= freq[k] && freq[k] <= bandEnd && std::abs(int32_t{spectrum[k]}) >= threshold) {
            return 1;
        }
    }
    return 0;
}
