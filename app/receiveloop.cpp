// The receive side: the capture's verdicts and the peers' key frames, both
// sampled into the receive panel by the receive loop, each source with its
// own idle limit; peers' keying also sounds the local sidetone.
#include "app/vardomainwindow.h"

#include "app/stationjournal.h"
#include "audio/toneplayer.h"
#include "audio/vdwavecapture.h"
#include "net/keyframe.h"

int CVardoMainWindow::OnCwEvent(void*, int32_t state) {
    // Called from Analyse on the receive loop thread.
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
void CVardoMainWindow::ReceiveLoop() {
    CIdleSampler idle(m_timing.recvperiod, m_timing.recvidlelimit);
    while (!m_bStop.load()) {
        m_pCapture->Analyse();
        const int32_t r = m_bRemoteKeyDown.load();
        if (idle.Step(r)) {
            m_pRecvPanel->AddSample(r);
        }
        if (!m_stopSignal.WaitFor(m_timing.recvperiod)) {
            break;
        }
    }
}
