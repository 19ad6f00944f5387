// CTimedLock: a lock whose acquisition can give up after a time-out, made of
// a mutex, a condition variable and a held flag. It meets the standard
// TimedLockable requirements (lock, try_lock, try_lock_for, unlock), so
// std::lock_guard works with it. std::timed_mutex would do the same job, but
// its timed wait goes through a pthread call that thread checkers do not
// see, so every access under it would be reported as a race.
#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>

class CTimedLock {
public:
    CTimedLock() = default;
    CTimedLock(const CTimedLock&) = delete;
    CTimedLock& operator=(const CTimedLock&) = delete;

    void lock() {
        std::unique_lock<std::mutex> guard(m_mutex);
        m_free.wait(guard, [this] { return !m_bHeld; });
        m_bHeld = true;
    }
    bool try_lock() {
        std::lock_guard<std::mutex> guard(m_mutex);
        if (m_bHeld) return false;
        m_bHeld = true;
        return true;
    }
    template <class Rep, class Period>
    bool try_lock_for(const std::chrono::duration<Rep, Period>& timeout) {
        std::unique_lock<std::mutex> guard(m_mutex);
        if (!m_free.wait_for(guard, timeout, [this] { return !m_bHeld; })) return false;
        m_bHeld = true;
        return true;
    }
    void unlock() {
        {
            std::lock_guard<std::mutex> guard(m_mutex);
            m_bHeld = false;
        }
        m_free.notify_one();
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_free;
    bool m_bHeld = false;
};
