// Training without the radio: while Koch practice runs, the station's
// key-downs sound the sidetone only. The gate is one flag that CwKeyDown
// and the sender's PTT lead look at; it is lifted on the sender thread,
// after the training's last record, so no element of it reaches the radio.
#include "app/vardomainwindow.h"

#include "hw/serialkeyer.h"

void CVardoMainWindow::BeginSidetoneOnly() {
    m_nSidetoneOnly.store(SIDETONE_ONLY_ON);
    // A PTT still held for text sent before the training drops now (or at
    // the key-up of an element being keyed).
    if (m_pSerialKey) {
        m_pSerialKey->DropPtt();
    }
}

void CVardoMainWindow::EndSidetoneOnly() {
    int32_t on = SIDETONE_ONLY_ON;
    if (m_nSidetoneOnly.compare_exchange_strong(on, SIDETONE_ONLY_ENDING)) {
        // The flush wakes the sender, which lifts the gate once it has run
        // its queue dry.
        FlushQueue();
    }
}

void CVardoMainWindow::SidetoneOnlyAtIdle() {
    int32_t ending = SIDETONE_ONLY_ENDING;
    m_nSidetoneOnly.compare_exchange_strong(ending, SIDETONE_ONLY_OFF);
}
