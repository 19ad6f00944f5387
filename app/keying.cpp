// The manual keying path: the two key operations every keyer goes through
// (hand keying, the automatic sender, paddles), and the send sampler that
// feeds the local key state to the send panel.
#include "app/vardomainwindow.h"

#include "app/stationjournal.h"
#include "audio/toneplayer.h"
#include "hw/portoutput.h"
#include "hw/serialkeyer.h"
#include "net/networklink.h"

void CVardoMainWindow::CwKeyDown() {
    // The serial key goes first: a PTT that was off holds the key back for
    // its lead, and the sidetone starts with the key, not before it.
    if (CSerialKeyer* port = KeyingPort()) {
        port->KeyDown();
    }
    m_pTonePlayer->ToneOn();
    if (KeysRadio() && m_values.enableextport) {
        m_pPort->Write(m_values.extportaddr, m_values.openbyte);
    }
    m_pNetwork->Send(tagKeyRecord{1, 0});
    m_bKeyDown.store(1);
}

void CVardoMainWindow::CwKeyUp() {
    m_pTonePlayer->ToneOff();
    if (m_values.enableextport) {
        m_pPort->Write(m_values.extportaddr, m_values.closebyte);
    }
    // Released whatever the training mode: a key that went down on the air
    // must come up there, and releasing an idle line changes nothing.
    if (m_pSerialKey) {
        m_pSerialKey->KeyUp();
    }
    m_pNetwork->Send(tagKeyRecord{0, 0});
    m_bKeyDown.store(0);
}

// One sample of the key state per sendperiod, on deadlines so that the
// panel's time axis (and with it the decoder's threshold) stays true, until
// sendidlelimit ms after the last key-down sample.
void CVardoMainWindow::SendSamplerLoop() {
    CIdleSampler idle(m_timing.sendperiod, m_timing.sendidlelimit);
    CDeadlineSchedule schedule;
    schedule.Anchor(CDeadlineSchedule::Clock::now());
    while (!m_bStop.load()) {
        const int32_t s = m_bKeyDown.load();
        if (idle.Step(s)) {
            m_pSendPanel->AddSample(s);
        }
        if (!m_stopSignal.WaitUntil(schedule.Next(m_timing.sendperiod))) {
            break;
        }
        schedule.Reached(CDeadlineSchedule::Clock::now());
    }
}
