// The receive side: the capture's verdicts and the peers' key frames, both
// sampled into the receive panel by the receive loop, each source with its
// own idle limit; peers' keying also sounds the local sidetone.
#include "app/vardomainwindow.h"

#include "app/stationjournal.h"
#include <chrono>
#include <cstdio>

#include "app/receivelog.h"
#include "app/stationnotice.h"

#include "receiver/cwreceiver.h"
#include "audio/toneplayer.h"
#include "audio/vdwavecapture.h"
#include "morse/keyingtiming.h"
#include "net/keyframe.h"
#include "ui/vdlabel.h"

int CVardoMainWindow::OnCwEvent(void*, int32_t state) {
    // Called from Analyse on the receive loop thread. With the adaptive
    // receiver the panel takes its decisions instead of the threshold's.
    if (m_pReceiver) {
        return 1;
    }
    if (IdleSamplerStep(&m_nRecvIdle, state, m_timing.recvperiod, m_timing.recvidlelimit)) {
        m_pRecvPanel->AddSample(state);
    }
    return 1;
}

int CVardoMainWindow::OnNetworkFrame(void*, const void* record8) {
    const tagKeyRecord record = ReadKeyRecord(record8);
    if (record.nKey & 1u) {
        m_bRemoteKeyDown.store(1);
        m_pTonePlayer->ToneOn();
    } else {
        m_bRemoteKeyDown.store(0);
        m_pTonePlayer->ToneOff();
    }
    return 1;
}

int CVardoMainWindow::OnNetworkEvent(void*, int32_t) {
    // A failed bind or an ended receiver: no key-up frame will come, so
    // silence the tone; the remote state stays as the last frame left it.
    m_pTonePlayer->ToneOff();
    return 1;
}

// One pass per recvperiod after the analysis: the capture's verdict (through
// OnCwEvent), then the remote key state.
void CVardoMainWindow::ReceiveAdaptive(std::vector<int16_t>* buffer, CIdleSampler* idle) {
    buffer->clear();
    m_pCapture->ReadStream(buffer);
    m_pReceiver->Feed(buffer->data(), buffer->size());
    const int key = m_pReceiver->TakeKeyDown();
    if (idle->Step(key)) {
        m_pRecvPanel->AddTraceSample(key);
    }
    m_pRecvPanel->AddDecodedText(m_pReceiver->TakeText());
    m_pRecvPanel->SetProvisional(m_pReceiver->ProvisionalText());
    m_pCapture->SetMarkerHz(static_cast<int32_t>(m_pReceiver->ToneHz() + 0.5));
    const int32_t wpm = static_cast<int32_t>(m_pReceiver->Wpm() + 0.5);
    if (wpm != m_nShownWpm) {
        char text[16];
        std::snprintf(text, sizeof text, "%d WPM", static_cast<int>(wpm));
        m_pSpeedLabel->SetText(text);
        m_nShownWpm = wpm;
    }
}

void CVardoMainWindow::ReceiveLoop() {
    CIdleSampler idle(m_timing.recvperiod, m_timing.recvidlelimit);
    CIdleSampler adaptiveIdle(m_timing.recvperiod, m_timing.recvidlelimit);
    std::vector<int16_t> buffer;
    while (!m_bStop.load()) {
        m_pCapture->Analyse();
        if (m_pReceiver) {
            ReceiveAdaptive(&buffer, &adaptiveIdle);
        }
        const int32_t r = m_bRemoteKeyDown.load();
        if (idle.Step(r)) {
            m_pRecvPanel->AddSample(r);
        }
        if (m_pRecvLog) {
            m_pRecvLog->Tick(std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count());
        }
        if (!m_stopSignal.WaitFor(m_timing.recvperiod)) {
            break;
        }
    }
    if (m_pRecvLog) m_pRecvLog->Finish();
}

void CVardoMainWindow::OpenReceiveLog() {
    if (!m_values.recvlog) return;
    m_pRecvLog.reset(new CReceiveLog(RECEIVE_LOG_FILE, nullptr, [this] {
        // Reported on a thread of its own: the message waits for the
        // operator, and neither the window nor the receive loop may.
        if (m_hNoticeThread.joinable()) return;
        m_hNoticeThread = std::thread([] { ShowStationNotice(nullptr, NOTICE_RECV_LOG_FAILED); });
    }));
    if (!m_pRecvLog->Open()) {
        m_pRecvLog.reset();
        return;
    }
    CReceiveLog* log = m_pRecvLog.get();
    m_pRecvPanel->SetTextSink([log](const std::string& text) {
        log->Add(text, std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count());
    });
}
