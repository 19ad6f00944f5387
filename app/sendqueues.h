// CSendQueues: the two queues between the window thread, which produces
// records to send and paddle elements, and the sender thread, which keys
// them. One lock guards both deques; a wake-up sets a pending flag under the
// same lock, so a wake-up given while the sender is still busy makes its next
// wait return at once and the sender looks at the queues once more.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>

#include "morse/morsecode.h"

class CSendQueues {
public:
    // A character button is ignored once this many records wait.
    static constexpr size_t CODE_QUEUE_LIMIT = 8193;

    CSendQueues() = default;
    CSendQueues(const CSendQueues&) = delete;
    CSendQueues& operator=(const CSendQueues&) = delete;

    size_t CodeCount() const;
    size_t PaddleCount() const;
    // Producers; neither wakes the sender by itself.
    void PushCode(const tagMorseCode* code);
    // dot: nonzero a dot, 0 a dash.
    void PushPaddle(int32_t dot);
    void Wake();

    // Consumer: take the front entry. 1 when there was one, else 0.
    int PopCode(const tagMorseCode** out);
    int PopPaddle(int32_t* out);

    // Sender: waits until a wake-up was given since the previous wait, or
    // the stop flag is set; clears the pending wake-up.
    void WaitForWake(const std::atomic<int32_t>& stop);
    // A copy of the code queue, front first, for tests and the display.
    std::deque<const tagMorseCode*> SnapshotCodes() const;

private:
    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<const tagMorseCode*> m_codeQueue;
    std::deque<int32_t> m_paddleQueue;
    bool m_bWakePending = false;
};
