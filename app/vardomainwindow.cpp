// The station object: its construction (the layout of the main window and
// the devices), start and shutdown of its threads, networking, and the
// routing of the controls' events. Keying, the sender and the receive side
// are in keying.cpp, sender.cpp and receiveloop.cpp.
#include "app/vardomainwindow.h"

#include <cstdint>
#include <system_error>

#include "app/mainlayout.h"
#include "app/receivelog.h"
#include "app/stationjournal.h"
#include "app/stationnotice.h"
#include "receiver/cwreceiver.h"
#include "audio/toneplayer.h"
#include "audio/vdwavecapture.h"
#include "hw/portoutput.h"
#include "hw/serialkeyer.h"
#include "net/peeraddress.h"
#include "ui/fontdesc.h"
#include "ui/vdbutton.h"
#include "ui/vdlabel.h"
#include "ui/vdline.h"
#include "ui/windowhost.h"

namespace {

constexpr const char* FONT_FACE = "Arial";
constexpr int FONT_HEIGHT = 12;
constexpr int FONT_WEIGHT_CLASS = 0;  // weight 100
constexpr VdColor TEXT_COLOR = 0x000000;
constexpr VdColor BACK_COLOR = 0xFFFFFF;
constexpr int32_t CAPTURE_RATE = 44100;
constexpr const char* QUEUE_LABEL_LOCK = "HHH";
// The speed label is written by the receive loop and read by any thread.
constexpr const char* SPEED_LABEL_LOCK = "VardoSpeedLabel";

// Starts a worker thread; 0 when the system could not make it.
template <typename Fn>
int LaunchThread(std::thread* slot, Fn&& fn) {
    try {
        *slot = std::thread(std::forward<Fn>(fn));
    } catch (const std::system_error&) {
        return 0;
    }
    return 1;
}

void JoinThread(std::thread* t) {
    if (t->joinable()) {
        t->join();
    }
}

}  // namespace

CVardoMainWindow::CVardoMainWindow(IWindowHost* host, CVardoSetting* settings)
    : CEventDispatcherWin32(host), m_pSettings(settings), m_values{}, m_timing{} {
    if (settings != nullptr) {
        settings->CopyValuesTo(m_values);
    } else {
        SetDefaultSettingValues(&m_values);
    }
    m_timing = MakeStationTiming(m_values);

    BuildLayout();

    m_pTonePlayer.reset(new CTonePlayer());
    m_pTonePlayer->SetFrequency(m_values.beepfreq);
    m_pTonePlayer->SetVolume(m_values.beepvol);
    m_pTonePlayer->SetEdgeMs(m_values.edgems);
    // The port is opened and set to the key-up byte whether or not port
    // keying is enabled, so a rebuilt station always leaves the line up.
    m_pPort.reset(new CPortOutput(m_values.extportaddr, m_values.closebyte));
    // A COM port that cannot be opened leaves the keyer not ready; the
    // station keys on without it. The port stays open from one station to
    // the next (settings OK rebuilds the station) and is opened again only
    // when it changes: an open or a close may pulse the lines.
    if (m_values.serialkey) {
        const tagSerialKeyConfig serial{m_values.serialport, m_values.serialline, m_values.serialinvert,
                                        m_values.serialptt,  m_values.pttlead,    m_values.ptttail,
                                        m_values.pttinvert};
        m_pSerialKey.reset(new CSerialKeyer(serial));
        m_pSerialKey->SetFailureListener([] { ShowStationNotice(nullptr, NOTICE_SERIAL_FAILED); });
    }
    KeepSerialLineOpen(m_pSerialKey ? m_pSerialKey->Line() : nullptr);
    m_pNetwork.reset(new CNetworkLink());
    m_pNetwork->SetEventListener(this);
    m_pNetwork->SetFrameListener(this);
    AddCommandControl(this);
}

void CVardoMainWindow::RegisterButton(CVdButton* button) {
    AddPaintControl(button);
    AddMouseMoveControl(button);
    AddMouseKeyControl(button);
    AddKeyboardControl(button);
    button->SetKeyboardListener(this);
    button->SetMouseKeyListener(this);
}

void CVardoMainWindow::BuildPanelButton(std::unique_ptr<CVdButton>* slot,
                                        const tagPanelButton& record) {
    const VdRect r = PanelButtonRect(record.x, record.y, record.width, record.height);
    char caption[PANEL_CAPTION_SIZE];
    for (int i = 0; i < PANEL_CAPTION_SIZE; ++i) {
        caption[i] = record.caption[i];
    }
    caption[PANEL_CAPTION_SIZE - 1] = '\0';
    slot->reset(new CVdButton(this, caption, &r, 0, m_pFont.get()));
    (*slot)->SetHotKey(record.key);
    RegisterButton(slot->get());
}

void CVardoMainWindow::BuildLayout() {
    m_pFont.reset(new CFontDesc(FONT_FACE, FONT_HEIGHT, FONT_WEIGHT_CLASS));
    m_textStyle = tagTextStyle{TEXT_COLOR, BACK_COLOR, VD_DT_END_ELLIPSIS, m_pFont.get()};
    m_queueStyle = m_textStyle;

    // 1. The window's own paint control comes first, under everything.
    AddPaintControl(static_cast<IPaintEventControl*>(this));

    // 2. CW, Pause, File... and the mode switch.
    BuildPanelButton(&m_pCwButton, m_values.cw);
    BuildPanelButton(&m_pPauseButton, m_values.sendpause);
    BuildPanelButton(&m_pFileButton, m_values.sendfile);
    BuildPanelButton(&m_pModeButton, m_values.autokeyswitch);

    // 3, 4. The two journal panels.
    m_pSendPanel.reset(new CStationJournal(this, &m_values.sendrect, m_values.morseTable,
                                           m_timing.sendThreshold, &m_textStyle));
    AddPaintControl(m_pSendPanel.get());
    m_pRecvPanel.reset(new CStationJournal(this, &m_values.recvrect, m_values.morseTable,
                                           m_timing.recvThreshold, &m_textStyle));
    AddPaintControl(m_pRecvPanel.get());

    // 5. The sound input with its spectrum display.
    m_pCapture.reset(new CVdWaveCapture(this, m_values.recvmrect, CAPTURE_RATE,
                                        m_values.recvanalyzesamples, this));
    m_pCapture->SetBand(m_values.recvfreqstart, m_values.recvfreqend);
    m_pCapture->SetThreshold(m_values.recvthreshold);
    AddPaintControl(m_pCapture.get());
    AddMouseKeyControl(m_pCapture.get());
    if (m_values.recvadaptive) {
        const tagCwReceiverConfig rc{CAPTURE_RATE, static_cast<double>(m_values.recvsearchstart),
                                     static_cast<double>(m_values.recvsearchend),
                                     (m_values.shorthit > 0 ? m_values.shorthit : 80) / 1000.0};
        m_pReceiver.reset(new CCwReceiver(rc, m_values.morseTable));
        // Right of the receive panel's top edge, clear of the spectrum; the
        // rectangle comes from vardo.ini unchecked, so the offsets are taken
        // in 64 bits and held inside the 32-bit range.
        const auto at = [](int32_t v, int32_t d) {
            const int64_t x = int64_t{v} + d;
            return static_cast<int32_t>(x < INT32_MIN ? INT32_MIN : x > INT32_MAX ? INT32_MAX : x);
        };
        const VdRect r{at(m_values.recvrect.right, -44), at(m_values.recvrect.top, -12), m_values.recvrect.right,
                       at(m_values.recvrect.top, -1)};
        m_pSpeedLabel.reset(new CVdLabel(this, &r, "", &m_textStyle, SPEED_LABEL_LOCK));
        AddPaintControl(m_pSpeedLabel.get());
    }

    // 6-8. The queue label and the panels' captions.
    m_pQueueLabel.reset(new CVdLabel(this, &m_values.sendqueuerect, "", &m_queueStyle, QUEUE_LABEL_LOCK));
    AddPaintControl(m_pQueueLabel.get());
    const VdRect sendLabel = CaptionLabelRect(m_values.sendrect, m_values.sendlabeloffset);
    m_pSendLabel.reset(new CVdLabel(this, &sendLabel, "Send", &m_textStyle, nullptr));
    AddPaintControl(m_pSendLabel.get());
    const VdRect recvLabel = CaptionLabelRect(m_values.recvrect, m_values.recvlabeloffset);
    m_pRecvLabel.reset(new CVdLabel(this, &recvLabel, "Receive", &m_textStyle, nullptr));
    AddPaintControl(m_pRecvLabel.get());

    // 9, 10. Lines under the queue label and the receive panel.
    const tagLineEnds q = LineUnder(m_values.sendqueuerect);
    m_pQueueLine.reset(new CVdLine(this, q.x1, q.y1, q.x2, q.y2));
    AddPaintControl(m_pQueueLine.get());
    const tagLineEnds rl = LineUnder(m_values.recvrect);
    m_pRecvLine.reset(new CVdLine(this, rl.x1, rl.y1, rl.x2, rl.y2));
    AddPaintControl(m_pRecvLine.get());

    // 11. One button per Morse record, in columns as tall as the window.
    VdRect outer{0, 0, 0, 0};
    if (GetHost() != nullptr) {
        GetHost()->GetWindowRect(&outer);
    }
    VdRect rects[MORSE_CODE_COUNT];
    LayoutCharacterButtons(outer.bottom - outer.top, rects);
    for (int i = 0; i < MORSE_CODE_COUNT; ++i) {
        const tagMorseCode& code = m_values.morseTable[i];
        char caption[MORSE_CAPTION_LEN + 1];
        FormatMorseCaption(code, caption, sizeof(caption));
        m_pCharButtons[i].reset(new CVdButton(this, caption, &rects[i], 0, m_pFont.get()));
        m_pCharButtons[i]->SetHotKey(code.nVKey);
        m_pCharButtons[i]->SetUserData(reinterpret_cast<uintptr_t>(&code));
        RegisterButton(m_pCharButtons[i].get());
    }
}

CVardoMainWindow::~CVardoMainWindow() {
    if (m_pSettings != nullptr && GetHost() != nullptr) {
        GetHost()->GetWindowRect(&m_pSettings->windowrect);
    }
    m_stopSignal.Raise();
    m_sendQueues.Wake();
    JoinThread(&m_hSenderThread);
    JoinThread(&m_hSamplerThread);
    JoinThread(&m_hReceiveThread);
    m_pRecvLog.reset();
    JoinThread(&m_hNoticeThread);
    // A key still held by hand (Enter down, or the mouse released outside
    // the window) goes up, so that neither the port line nor the peers'
    // sidetone is left keyed by a station that is gone.
    if (m_bKeyDown.load()) {
        CwKeyUp();
    }

    // The link first, so that no frame arrives for a station half gone.
    m_pNetwork.reset();
    // Releases the key line and the PTT before the port closes.
    m_pSerialKey.reset();
    m_pPort.reset();
    m_pCapture.reset();
    m_pRecvLine.reset();
    m_pRecvPanel.reset();
    m_pQueueLine.reset();
    m_pQueueLabel.reset();
    m_pSendPanel.reset();
    m_pCwButton.reset();
    m_pPauseButton.reset();
    m_pFileButton.reset();
    m_pModeButton.reset();
    m_pSendLabel.reset();
    m_pRecvLabel.reset();
    m_pSpeedLabel.reset();
    m_pReceiver.reset();
    m_pTonePlayer.reset();
    m_pFont.reset();
    for (auto& button : m_pCharButtons) {
        button.reset();
    }
}

int CVardoMainWindow::Start() {
    if (m_bStarted) {
        return 1;
    }
    if (!LaunchThread(&m_hSenderThread, [this] { SenderLoop(); })) {
        return 0;
    }
    if (!LaunchThread(&m_hSamplerThread, [this] { SendSamplerLoop(); })) {
        return 0;
    }
    m_pCapture->StartCapture();
    OpenReceiveLog();
    if (!LaunchThread(&m_hReceiveThread, [this] { ReceiveLoop(); })) {
        return 0;
    }
    m_bStarted = 1;
    // A machine without a sound output still keys, decodes, drives the port
    // and talks to its peers: a sidetone that cannot be opened is passed
    // over like every other device failure, and the station runs silent.
    void* window = GetHost() != nullptr ? GetHost()->GetNativeHandle() : nullptr;
    m_bSidetoneReady = m_pTonePlayer->Init(window) ? 1 : 0;
    return 1;
}

int CVardoMainWindow::EnableNetwork() {
    if (m_pSettings == nullptr || !m_pSettings->nwenabled) {
        return 0;
    }
    for (const tagHostNode& node : m_pSettings->hosts) {
        tagPeerNode peer{};
        if (ParsePeer(node.host, node.port, &peer)) {
            m_pNetwork->AddPeer(peer);
        }
    }
    if (!m_pNetwork->Start(m_pSettings->localport)) {
        ShowStationNotice(nullptr, NOTICE_NETWORK_FAILED);
        return 0;
    }
    return 1;
}

void CVardoMainWindow::DisableNetwork() { m_pNetwork->Close(); }

CVdButton* CVardoMainWindow::GetCharButton(int index) const {
    return index >= 0 && index < MORSE_CODE_COUNT ? m_pCharButtons[index].get() : nullptr;
}

int CVardoMainWindow::IsCharButton(void* sender) const {
    for (const auto& button : m_pCharButtons) {
        if (sender == static_cast<void*>(button.get())) {
            return 1;
        }
    }
    return 0;
}

// The window's own paint control: the whole client area, nothing drawn, so
// every paint pass answers as handled.
int CVardoMainWindow::HitTest(int, int) { return 1; }

void CVardoMainWindow::GetRect(VdRect* out) {
    *out = VdRect{0, 0, 0, 0};
    if (GetHost() != nullptr) {
        GetHost()->GetClientRect(out);
    }
}

int CVardoMainWindow::OnPaint(void*, CDrawSurface*, const VdRect*) { return 1; }

int CVardoMainWindow::OnMouseMove(void*, int, int) { return 0; }

// Menu and accelerator commands go on to the window procedure.
int CVardoMainWindow::OnCommand(void*, unsigned) { return 0; }

int CVardoMainWindow::OnKeyDown(void* sender, int) {
    if (sender == static_cast<void*>(m_pCwButton.get())) {
        CwKeyDown();
        return 1;
    }
    return 0;
}

int CVardoMainWindow::OnKeyUp(void* sender, int) {
    if (sender == static_cast<void*>(m_pCwButton.get())) {
        CwKeyUp();
        return 1;
    }
    if (sender == static_cast<void*>(m_pFileButton.get())) {
        SendFile();
        return 1;
    }
    return 0;
}

int CVardoMainWindow::OnMouseDown(void* sender, int button, int, int) {
    if (sender != static_cast<void*>(m_pCwButton.get())) {
        return 0;
    }
    if (m_nMode.load() == KEY_MODE_MANUAL) {
        CwKeyDown();
    } else {
        QueuePaddle(button);
    }
    return 1;
}

int CVardoMainWindow::OnMouseUp(void* sender, int, int, int) {
    if (sender == static_cast<void*>(m_pCwButton.get())) {
        if (m_nMode.load() == KEY_MODE_MANUAL) {
            CwKeyUp();
        }
        return 1;
    }
    if (sender == static_cast<void*>(m_pFileButton.get())) {
        SendFile();
        return 1;
    }
    return 0;
}

int CVardoMainWindow::OnClick(void* sender) {
    if (sender == static_cast<void*>(m_pPauseButton.get())) {
        TogglePause();
        return 1;
    }
    if (sender == static_cast<void*>(m_pModeButton.get())) {
        CycleMode();
        return 1;
    }
    if (IsCharButton(sender)) {
        ClickCharacter(static_cast<CVdButton*>(sender));
        return 1;
    }
    // The CW and File... buttons act on their key and mouse events.
    return 0;
}
