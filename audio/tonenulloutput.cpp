// The recording null output (see tonenulloutput.h).
#include "audio/tonenulloutput.h"

#include "audio/toneloop.h"

#include <algorithm>
#include <cstring>

CToneNullOutput::CToneNullOutput() = default;
CToneNullOutput::~CToneNullOutput() = default;

bool CToneNullOutput::TakeFailure(int call, int32_t* result) {
    if (m_failCount[call] <= 0) {
        return false;
    }
    if (m_failSkip[call] > 0) {
        --m_failSkip[call];
        return false;
    }
    --m_failCount[call];
    *result = m_failResult[call];
    return true;
}

int32_t CToneNullOutput::Log(int call, int buffer, int32_t result, uint32_t nBytes, uint32_t nFlags) {
    m_calls.push_back({call, buffer, result, nBytes, nFlags, std::chrono::steady_clock::now()});
    return result;
}

void CToneNullOutput::SetPlaying(int buffer, bool playing) {
    tagBufferState& b = m_buffers[buffer];
    if (b.bPlaying == playing) {
        return;
    }
    b.bPlaying = playing;
    if (buffer == TONE_BUFFER_TONE) {
        m_events.push_back({playing ? TONE_EVENT_ON : TONE_EVENT_OFF, std::chrono::steady_clock::now()});
        m_eventCond.notify_all();
    }
}

int32_t CToneNullOutput::CreateDevice() {
    std::lock_guard<std::mutex> lock(m_mutex);
    int32_t hr = TONE_OK;
    if (!TakeFailure(TONE_CALL_CREATE_DEVICE, &hr)) {
        m_bDevice = true;
    }
    return Log(TONE_CALL_CREATE_DEVICE, -1, hr);
}

int32_t CToneNullOutput::SetPriority(void* windowHandle) {
    std::lock_guard<std::mutex> lock(m_mutex);
    int32_t hr = TONE_OK;
    if (!TakeFailure(TONE_CALL_SET_PRIORITY, &hr)) {
        if (m_bDevice) {
            m_pWindow = windowHandle;
        } else {
            hr = TONE_E_INVALIDCALL;
        }
    }
    return Log(TONE_CALL_SET_PRIORITY, -1, hr);
}

int32_t CToneNullOutput::CreateBuffer(int buffer, uint32_t nBytes) {
    std::lock_guard<std::mutex> lock(m_mutex);
    int32_t hr = TONE_OK;
    if (!TakeFailure(TONE_CALL_CREATE_BUFFER, &hr)) {
        // As the sound device: a buffer holds at least 4 bytes and whole
        // samples.
        if (!ValidBuffer(buffer) || !m_bDevice || nBytes < 4 || nBytes % TONE_BLOCK_ALIGN != 0) {
            hr = TONE_E_INVALIDCALL;
        } else {
            tagBufferState& b = m_buffers[buffer];
            SetPlaying(buffer, false);
            b = tagBufferState();
            b.bPresent = true;
            b.data.assign(nBytes, 0);
        }
    }
    return Log(TONE_CALL_CREATE_BUFFER, buffer, hr, nBytes);
}

bool CToneNullOutput::HasBuffer(int buffer) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return ValidBuffer(buffer) && m_buffers[buffer].bPresent;
}

int32_t CToneNullOutput::Play(int buffer) {
    std::lock_guard<std::mutex> lock(m_mutex);
    int32_t hr = TONE_OK;
    if (!TakeFailure(TONE_CALL_PLAY, &hr)) {
        if (!ValidBuffer(buffer) || !m_buffers[buffer].bPresent) {
            hr = TONE_E_INVALIDCALL;
        } else if (m_buffers[buffer].bLost) {
            hr = TONE_E_BUFFERLOST;
        } else {
            SetPlaying(buffer, true);
        }
    }
    return Log(TONE_CALL_PLAY, buffer, hr);
}

int32_t CToneNullOutput::Rewind(int buffer) {
    std::lock_guard<std::mutex> lock(m_mutex);
    int32_t hr = TONE_OK;
    if (!TakeFailure(TONE_CALL_REWIND, &hr)) {
        if (!ValidBuffer(buffer) || !m_buffers[buffer].bPresent) {
            hr = TONE_E_INVALIDCALL;
        } else {
            m_buffers[buffer].nPosition = 0;
        }
    }
    return Log(TONE_CALL_REWIND, buffer, hr);
}

int32_t CToneNullOutput::Stop(int buffer) {
    std::lock_guard<std::mutex> lock(m_mutex);
    int32_t hr = TONE_OK;
    if (!TakeFailure(TONE_CALL_STOP, &hr)) {
        if (!ValidBuffer(buffer) || !m_buffers[buffer].bPresent) {
            hr = TONE_E_INVALIDCALL;
        } else {
            SetPlaying(buffer, false);
        }
    }
    return Log(TONE_CALL_STOP, buffer, hr);
}

int32_t CToneNullOutput::Restore(int buffer) {
    std::lock_guard<std::mutex> lock(m_mutex);
    int32_t hr = TONE_OK;
    if (!TakeFailure(TONE_CALL_RESTORE, &hr)) {
        if (!ValidBuffer(buffer) || !m_buffers[buffer].bPresent) {
            hr = TONE_E_INVALIDCALL;
        } else if (m_buffers[buffer].bLost) {
            tagBufferState& b = m_buffers[buffer];
            b.bLost = false;
            std::fill(b.data.begin(), b.data.end(), RESTORED_FILL);
        }
    }
    return Log(TONE_CALL_RESTORE, buffer, hr);
}

int32_t CToneNullOutput::Lock(int buffer, uint32_t nBytes, bool entire, void** data, uint32_t* locked) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (data != nullptr) {
        *data = nullptr;
    }
    if (locked != nullptr) {
        *locked = 0;
    }
    int32_t hr = TONE_OK;
    if (!TakeFailure(TONE_CALL_LOCK, &hr)) {
        if (!ValidBuffer(buffer) || !m_buffers[buffer].bPresent || data == nullptr || locked == nullptr) {
            hr = TONE_E_INVALIDCALL;
        } else if (m_buffers[buffer].bLost) {
            hr = TONE_E_BUFFERLOST;
        } else {
            const tagBufferState& b = m_buffers[buffer];
            const uint32_t size = static_cast<uint32_t>(b.data.size());
            const uint32_t n = entire ? size : nBytes;
            if (n == 0 || n > size) {
                hr = TONE_E_INVALIDCALL;
            } else {
                // The writer gets a copy of its own; Unlock puts it back.
                auto region = std::make_unique<tagLockRegion>();
                region->nBuffer = buffer;
                region->data.assign(b.data.begin(), b.data.begin() + n);
                *data = region->data.data();
                *locked = n;
                m_locks.push_back(std::move(region));
            }
        }
    }
    return Log(TONE_CALL_LOCK, buffer, hr, entire ? 0 : nBytes, entire ? 1u : 0u);
}

int32_t CToneNullOutput::Unlock(int buffer, void* data, uint32_t locked) {
    std::lock_guard<std::mutex> lock(m_mutex);
    int32_t hr = TONE_OK;
    if (!TakeFailure(TONE_CALL_UNLOCK, &hr)) {
        auto it = std::find_if(m_locks.begin(), m_locks.end(), [&](const std::unique_ptr<tagLockRegion>& r) {
            return r->nBuffer == buffer && static_cast<void*>(r->data.data()) == data;
        });
        if (it == m_locks.end() || locked > (*it)->data.size()) {
            hr = TONE_E_INVALIDCALL;
        } else {
            tagBufferState& b = m_buffers[buffer];
            // A buffer released or recreated meanwhile keeps what it has.
            if (b.bPresent && !b.bLost && locked <= b.data.size()) {
                std::memcpy(b.data.data(), (*it)->data.data(), locked);
            }
            m_locks.erase(it);
        }
    } else {
        // The region stays handed out only as long as the caller might use it.
        m_locks.erase(std::remove_if(m_locks.begin(), m_locks.end(),
                                     [&](const std::unique_ptr<tagLockRegion>& r) {
                                         return static_cast<void*>(r->data.data()) == data;
                                     }),
                      m_locks.end());
    }
    return Log(TONE_CALL_UNLOCK, buffer, hr, locked);
}

void CToneNullOutput::ReleaseBuffer(int buffer) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!ValidBuffer(buffer) || !m_buffers[buffer].bPresent) {
        return;
    }
    SetPlaying(buffer, false);
    m_buffers[buffer] = tagBufferState();
    Log(TONE_CALL_RELEASE_BUFFER, buffer, TONE_OK);
}

void CToneNullOutput::ReleaseDevice() {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_bDevice) {
        return;
    }
    m_bDevice = false;
    m_pWindow = nullptr;
    Log(TONE_CALL_RELEASE_DEVICE, -1, TONE_OK);
}

std::vector<tagToneEvent> CToneNullOutput::Events() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_events;
}

std::vector<tagToneCallRecord> CToneNullOutput::Calls() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_calls;
}

size_t CToneNullOutput::EventCount() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_events.size();
}

bool CToneNullOutput::WaitForEvents(size_t count, std::chrono::milliseconds timeout) const {
    std::unique_lock<std::mutex> lock(m_mutex);
    return m_eventCond.wait_for(lock, timeout, [&] { return m_events.size() >= count; });
}

void CToneNullOutput::ClearLog() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_calls.clear();
    m_events.clear();
}

bool CToneNullOutput::HasDevice() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_bDevice;
}

void* CToneNullOutput::PriorityWindow() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_pWindow;
}

bool CToneNullOutput::IsPlaying(int buffer) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return ValidBuffer(buffer) && m_buffers[buffer].bPlaying;
}

uint32_t CToneNullOutput::PlayPosition(int buffer) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return ValidBuffer(buffer) ? m_buffers[buffer].nPosition : 0;
}

uint32_t CToneNullOutput::BufferSize(int buffer) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return ValidBuffer(buffer) ? static_cast<uint32_t>(m_buffers[buffer].data.size()) : 0;
}

std::vector<uint8_t> CToneNullOutput::BufferBytes(int buffer) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return ValidBuffer(buffer) ? m_buffers[buffer].data : std::vector<uint8_t>();
}

std::vector<int16_t> CToneNullOutput::ToneSamples() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    const std::vector<uint8_t>& d = m_buffers[TONE_BUFFER_TONE].data;
    std::vector<int16_t> samples(d.size() / 2);
    for (size_t k = 0; k < samples.size(); ++k) {
        samples[k] = static_cast<int16_t>(static_cast<uint16_t>(d[2 * k] | (d[2 * k + 1] << 8)));
    }
    return samples;
}

void CToneNullOutput::FailNext(int call, int32_t result, int count, int skip) {
    if (call < 0 || call >= TONE_CALL_COUNT) {
        return;
    }
    std::lock_guard<std::mutex> lock(m_mutex);
    m_failResult[call] = result;
    m_failCount[call] = count;
    m_failSkip[call] = skip;
}

void CToneNullOutput::LoseBuffer(int buffer) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!ValidBuffer(buffer) || !m_buffers[buffer].bPresent) {
        return;
    }
    SetPlaying(buffer, false);
    m_buffers[buffer].bLost = true;
}

std::unique_ptr<IToneOutput> CreateToneNullOutput() {
    return std::make_unique<CToneNullOutput>();
}
