// The automatic sender: the send queues' producers (character buttons, text,
// files, paddles), the Pause and mode buttons, and the sender thread that
// keys the queued records and paddle elements on drift-free deadlines.
#include "app/vardomainwindow.h"

#include <string>

#include "app/filechooser.h"
#include "app/textfile.h"
#include "hw/serialkeyer.h"
#include "ui/vdbutton.h"
#include "ui/vdlabel.h"
#include "ui/windowhost.h"

namespace {
}  // namespace

void CVardoMainWindow::ClickCharacter(CVdButton* button) {
    const tagMorseCode* code = reinterpret_cast<const tagMorseCode*>(button->GetUserData());
    if (code == nullptr) {
        return;
    }
    if (m_sendQueues.CodeCount() >= CSendQueues::CODE_QUEUE_LIMIT) {
        return;
    }
    // The label shows one character per record, appended before the record
    // is queued; a character the label refuses is not sent.
    if (m_pQueueLabel->AppendChar(static_cast<char>(code->nChar & 0xFF))) {
        m_sendQueues.PushCode(code);
        m_sendQueues.Wake();
    }
}

void CVardoMainWindow::EnqueueText(const char* text, int length, int groupLength) {
    const tagMorseCode* gap = FindCode(m_values.morseTable, ' ');
    for (int i = 0; i < length; ++i) {
        if (m_pQueueLabel->AppendChar(text[i])) {
            m_sendQueues.PushCode(FindCode(m_values.morseTable, static_cast<signed char>(text[i])));
        }
        if (groupLength > 0 && (i + 1) % groupLength == 0 && m_pQueueLabel->AppendChar(MORSE_WORD_GAP_CHAR)) {
            m_sendQueues.PushCode(gap);
        }
    }
    m_nMode.store(KEY_MODE_MANUAL);
    m_pModeButton->SetCaption("Manual");
    m_sendQueues.Wake();
}

void CVardoMainWindow::FlushQueue() {
    m_bFlush.store(1);
    m_sendQueues.Wake();
}

void CVardoMainWindow::SendFile() {
    std::string path;
    void* window = GetHost() != nullptr ? GetHost()->GetNativeHandle() : nullptr;
    if (!ChooseTextFile(window, &path)) {
        return;
    }
    ReadTextFileChunks(path.c_str(), [this](const char* bytes, int count) { EnqueueText(bytes, count, 0); });
}

void CVardoMainWindow::TogglePause() {
    const int32_t paused = m_bPaused.load() ? 0 : 1;
    m_bPaused.store(paused);
    if (paused) {
        m_pPauseButton->SetCaption("Continue");
    } else {
        m_pPauseButton->SetCaption("Pause");
        m_sendQueues.Wake();
    }
}

void CVardoMainWindow::CycleMode() {
    // Manual -> Auto(L/R) -> Auto(R/L) -> Manual. The sender is not woken:
    // what waits for the new mode goes out at the next wake-up.
    switch (m_nMode.load()) {
    case KEY_MODE_AUTO_LR:
        m_pModeButton->SetCaption("Auto(R/L)");
        m_nMode.store(KEY_MODE_AUTO_RL);
        break;
    case KEY_MODE_AUTO_RL:
        m_pModeButton->SetCaption("Manual");
        m_nMode.store(KEY_MODE_MANUAL);
        break;
    default:
        m_pModeButton->SetCaption("Auto(L/R)");
        m_nMode.store(KEY_MODE_AUTO_LR);
        break;
    }
}

void CVardoMainWindow::QueuePaddle(int button) {
    // The mode's number is the mouse button that gives dots.
    m_sendQueues.PushPaddle(button == m_nMode.load() ? 1 : 0);
    m_sendQueues.Wake();
}

int CVardoMainWindow::Pause(CDeadlineSchedule* schedule, int32_t ms) {
    return m_stopSignal.WaitUntil(schedule->Next(ms));
}

int CVardoMainWindow::KeyElement(CDeadlineSchedule* schedule, int32_t downMs) {
    schedule->Reached(CDeadlineSchedule::Clock::now());
    // The radio is switched to transmit a lead time before the first
    // element; the elements after it keep their spacing from there.
    CSerialKeyer* port = KeyingPort();
    const int32_t leadMs = port != nullptr ? port->SenderKeying() : 0;
    if (leadMs > 0) {
        if (!Pause(schedule, leadMs)) {
            return 0;
        }
        schedule->Reached(CDeadlineSchedule::Clock::now());
    }
    CwKeyDown();
    const int held = m_stopSignal.WaitUntil(schedule->Next(downMs));
    // The key goes up even when the wait was cut short by the stop.
    schedule->Reached(CDeadlineSchedule::Clock::now());
    CwKeyUp();
    if (!held) {
        return 0;
    }
    return Pause(schedule, m_timing.keys.hitdelay);
}

void CVardoMainWindow::HoldTailIfLast(size_t waiting) {
    // The last key-up of a queue that ran empty starts the PTT tail at
    // once, not after the gap that follows it; a record queued meanwhile
    // keeps the PTT on (or raises it again, with the lead).
    CSerialKeyer* port = KeyingPort();
    if (port != nullptr && waiting == 0 && !m_bPaused.load() && !m_bFlush.load()) {
        port->HoldPttForTail();
    }
}

int CVardoMainWindow::KeyRecord(CDeadlineSchedule* schedule, const tagMorseCode& code) {
    if ((code.nChar & 0xFF) == MORSE_WORD_GAP_CHAR) {
        return Pause(schedule, m_timing.keys.worddelay);
    }
    int going = 1;
    ForEachMorseElement(code, [&](bool dot) {
        if (going && !m_bStop.load()) {
            going = KeyElement(schedule, dot ? m_timing.keys.shorthit : m_timing.keys.longhit);
        }
    });
    return going && !m_bStop.load();
}

void CVardoMainWindow::SenderLoop() {
    CDeadlineSchedule schedule;
    while (!m_bStop.load()) {
        // Elements keyed after an idle wait are timed from the wake-up; while
        // records follow one another the schedule runs on.
        schedule.Anchor(CDeadlineSchedule::Clock::now());
        const tagMorseCode* code = nullptr;
        while (!m_bStop.load() && !m_bPaused.load() && m_nMode.load() == KEY_MODE_MANUAL &&
               m_sendQueues.PopCode(&code)) {
            // A record is keyed whole, and its letter gap kept, even when a
            // pause or a flush comes in meanwhile; the records after it are
            // dropped (flush) or wait (pause).
            const int keyed = !m_bFlush.load();
            if (keyed) {
                KeyRecord(&schedule, *code);
            }
            m_pQueueLabel->RemoveFirstChar();
            if (keyed && !m_bStop.load()) {
                HoldTailIfLast(m_sendQueues.CodeCount());
                Pause(&schedule, m_timing.keys.letterdelay);
            }
        }
        int32_t dot = 0;
        while (!m_bStop.load() && !m_bPaused.load() && m_nMode.load() != KEY_MODE_MANUAL &&
               m_sendQueues.PopPaddle(&dot)) {
            KeyElement(&schedule, dot ? m_timing.keys.shorthit : m_timing.keys.longhit);
            HoldTailIfLast(m_sendQueues.PaddleCount());
        }
        // A pause or a flush takes the radio off the air once the character
        // under way and its gap are done; a queue that ran empty keeps it on
        // for the PTT tail, counted from the last key-up.
        if (CSerialKeyer* port = KeyingPort()) {
            if (m_bPaused.load() || m_bFlush.load()) {
                port->DropPtt();
            } else {
                port->HoldPttForTail();
            }
        }
        SidetoneOnlyAtIdle();
        m_bFlush.store(0);
        if (!m_bStop.load()) {
            m_bSenderWaiting.store(1);
            m_sendQueues.WaitForWake(m_bStop);
            m_bSenderWaiting.store(0);
        }
    }
}
