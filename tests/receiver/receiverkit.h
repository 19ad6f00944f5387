// What the receiver tests share: a receiver fed as the station feeds it, in
// chunks of 27 ms with the text taken after each, and the copy scored by
// edit distance.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "receiver/cwreceiver.h"

// Feeds pcm (rate samples per second) and flushes; returns all the text.
// *tone: the tone the receiver marked before the flush, if asked.
inline std::string FeedInChunks(CCwReceiver& rx, const std::vector<int16_t>& pcm, int32_t rate,
                                double* tone = nullptr) {
    std::string text;
    const size_t chunk = static_cast<size_t>(rate) * 27 / 1000;
    for (size_t i = 0; i < pcm.size(); i += chunk) {
        rx.Feed(pcm.data() + i, std::min(chunk, pcm.size() - i));
        text += rx.TakeText();
    }
    if (tone != nullptr) *tone = rx.ToneHz();
    rx.Flush();
    return text + rx.TakeText();
}

// Characters inserted, dropped or changed to turn a into b.
inline size_t EditDistance(const std::string& a, const std::string& b) {
    std::vector<size_t> row(b.size() + 1);
    for (size_t j = 0; j <= b.size(); ++j) row[j] = j;
    for (size_t i = 1; i <= a.size(); ++i) {
        size_t diagonal = row[0];
        row[0] = i;
        for (size_t j = 1; j <= b.size(); ++j) {
            const size_t up = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
            diagonal = up;
        }
    }
    return row[b.size()];
}
