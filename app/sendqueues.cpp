// The guarded send queues and the sender's wake-up (see sendqueues.h).
#include "app/sendqueues.h"

size_t CSendQueues::CodeCount() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_codeQueue.size();
}

size_t CSendQueues::PaddleCount() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_paddleQueue.size();
}

void CSendQueues::PushCode(const tagMorseCode* code) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_codeQueue.push_back(code);
}

void CSendQueues::PushPaddle(int32_t dot) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_paddleQueue.push_back(dot);
}

void CSendQueues::Wake() {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_bWakePending = true;
    }
    m_wake.notify_all();
}

int CSendQueues::PopCode(const tagMorseCode** out) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_codeQueue.empty()) {
        return 0;
    }
    *out = m_codeQueue.front();
    m_codeQueue.pop_front();
    return 1;
}

int CSendQueues::PopPaddle(int32_t* out) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_paddleQueue.empty()) {
        return 0;
    }
    *out = m_paddleQueue.front();
    m_paddleQueue.pop_front();
    return 1;
}

void CSendQueues::WaitForWake(const std::atomic<int32_t>& stop) {
    std::unique_lock<std::mutex> lock(m_mutex);
    m_wake.wait(lock, [&] { return m_bWakePending || stop.load() != 0; });
    m_bWakePending = false;
}

std::deque<const tagMorseCode*> CSendQueues::SnapshotCodes() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_codeQueue;
}
