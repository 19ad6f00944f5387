// CVardoMainWindow: the station. It is the main window's event dispatcher
// and owns everything inside the window: the panels, labels, lines and
// buttons, the sidetone, the sound input, the port output, the UDP link, the
// send queues and the three worker threads (sender, send sampler, receive
// loop). Built on any window host: a real window in the Windows builds, the
// headless host natively, where the tests key it and read its panels.
//
// The worker threads read the timing of a settings snapshot taken when the
// object is built, never the live store, so the settings dialog can replace
// the store's values while they run; new values take effect by rebuilding
// the object (RebuildMainWindow in app/appglobals.h).
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "app/deadlineschedule.h"
#include "app/sendqueues.h"
#include "app/stationtiming.h"
#include "app/stopsignal.h"
#include "app/timerresolution.h"
#include "audio/cweventlistener.h"
#include "morse/morsecode.h"
#include "net/networklink.h"
#include "settings/vardosetting.h"
#include "ui/controlinterfaces.h"
#include "ui/eventdispatcher.h"
#include "ui/textstyle.h"

class CFontDesc;
class CNetworkLink;
class CPortOutput;
class CSerialKeyer;
class CStationJournal;
class CTonePlayer;
class CVdButton;
class CVdLabel;
class CCwReceiver;
class CReceiveLog;
struct CIdleSampler;
class CVdLine;
class CVdWaveCapture;
class IWindowHost;

// Keying modes of the CW button for the mouse.
enum : int32_t {
    KEY_MODE_MANUAL = 0,
    KEY_MODE_AUTO_LR = 1,  // left button dots, right button dashes
    KEY_MODE_AUTO_RL = 3,  // the reverse
};

class CVardoMainWindow : public CEventDispatcherWin32,
                         public IMouseMoveEventListener,
                         public IKeyboardEventListener,
                         public IMouseKeyEventListener,
                         public IPaintEventControl,
                         public ICwEventListener,
                         public ICommandEventControl,
                         public INetworkFrameListener,
                         public INetworkEventListener {
public:
    // Builds the layout, the devices and the link on the host; no thread
    // runs until Start. Neither pointer is owned.
    CVardoMainWindow(IWindowHost* host, CVardoSetting* settings);
    // Saves the window rectangle into the settings, stops and joins the
    // threads (a wait in progress is cut short; a key that is down goes up),
    // then deletes everything.
    ~CVardoMainWindow() override;
    CVardoMainWindow(const CVardoMainWindow&) = delete;
    CVardoMainWindow& operator=(const CVardoMainWindow&) = delete;

    // Starts the sender, the send sampler, the capture and the receive loop,
    // then opens the sidetone. 1 on success; 0 if a thread could not be
    // made. A sidetone that cannot be opened leaves the station silent.
    virtual int Start();
    // Adds the settings' hosts as peers and opens the link on localport if
    // networking is enabled. 1 if the link runs; on failure the operator is
    // warned and 0 returned; 0 when networking is disabled.
    virtual int EnableNetwork();
    virtual void DisableNetwork();

    // Keying: serial key line (when enabled; by hand it first waits the
    // PTT lead), sidetone, port byte (when enabled), key record to the
    // peers, local key state; in that order.
    void CwKeyDown();
    void CwKeyUp();

    // Queues length bytes of text for sending (each byte that the queue
    // label accepts becomes its record; with groupLength > 0 a word gap
    // follows every groupLength bytes), switches to Manual and wakes the
    // sender. Window thread.
    void EnqueueText(const char* text, int length, int groupLength);
    // Drops the waiting records without keying them (a record being keyed
    // is finished). Window thread.
    void FlushQueue();
    // Asks for a text file and queues its bytes (the File... button).
    void SendFile();
    // Training plays the sidetone only: from Begin on, key-downs leave the
    // I/O port, the serial key line and the PTT alone (key-ups still
    // release them, so nothing keyed before stays down), and a PTT the
    // sender holds drops. End flushes the queue and hands the radio back
    // once the sender has finished the training's text (the record being
    // keyed included). Window thread.
    void BeginSidetoneOnly();
    void EndSidetoneOnly();
    int32_t IsSidetoneOnly() const { return m_nSidetoneOnly.load() != SIDETONE_ONLY_OFF; }

    // IControl and IPaintEventListener: the window's own paint control
    // covers the client area and draws nothing.
    int HitTest(int x, int y) override;
    void GetRect(VdRect* out) override;
    int OnPaint(void* sender, CDrawSurface* surface, const VdRect* clip) override;

    int OnMouseMove(void* sender, int x, int y) override;
    int OnClick(void* sender) override;
    int OnKeyDown(void* sender, int key) override;
    int OnKeyUp(void* sender, int key) override;
    int OnMouseDown(void* sender, int button, int x, int y) override;
    int OnMouseUp(void* sender, int button, int x, int y) override;
    int OnCommand(void* sender, unsigned id) override;

    // Receive side: the capture's verdict of one analysis, and the link's
    // frames and events.
    int OnCwEvent(void* sender, int32_t state) override;
    int OnNetworkFrame(void* sender, const void* record8) override;
    int OnNetworkEvent(void* sender, int32_t code) override;

    // Views for tests, benchmarks and the tools.
    CStationJournal* GetSendPanel() const { return m_pSendPanel.get(); }
    CStationJournal* GetReceivePanel() const { return m_pRecvPanel.get(); }
    CVdLabel* GetQueueLabel() const { return m_pQueueLabel.get(); }
    CVdButton* GetCwButton() const { return m_pCwButton.get(); }
    CVdButton* GetPauseButton() const { return m_pPauseButton.get(); }
    CVdButton* GetFileButton() const { return m_pFileButton.get(); }
    CVdButton* GetModeButton() const { return m_pModeButton.get(); }
    CVdButton* GetCharButton(int index) const;
    CVdLabel* GetSendLabel() const { return m_pSendLabel.get(); }
    CVdLabel* GetReceiveLabel() const { return m_pRecvLabel.get(); }
    // The adaptive receiver (null in fixed-threshold mode) and the label
    // showing its speed.
    CCwReceiver* GetReceiver() const { return m_pReceiver.get(); }
    CVdLabel* GetSpeedLabel() const { return m_pSpeedLabel.get(); }
    CVdLine* GetQueueLine() const { return m_pQueueLine.get(); }
    CVdLine* GetReceiveLine() const { return m_pRecvLine.get(); }
    CVdWaveCapture* GetCapture() const { return m_pCapture.get(); }
    CTonePlayer* GetTonePlayer() const { return m_pTonePlayer.get(); }
    CNetworkLink* GetNetworkLink() const { return m_pNetwork.get(); }
    CPortOutput* GetPort() const { return m_pPort.get(); }
    // Null when serial keying is off.
    CSerialKeyer* GetSerialKeyer() const { return m_pSerialKey.get(); }
    const tagStationTiming& GetTiming() const { return m_timing; }
    const tagMorseCode* GetMorseTable() const { return m_values.morseTable; }
    size_t GetCodeQueueLength() const { return m_sendQueues.CodeCount(); }
    size_t GetPaddleQueueLength() const { return m_sendQueues.PaddleCount(); }
    int32_t IsKeyDown() const { return m_bKeyDown.load(); }
    int32_t IsRemoteKeyDown() const { return m_bRemoteKeyDown.load(); }
    int32_t IsPaused() const { return m_bPaused.load(); }
    int32_t GetMode() const { return m_nMode.load(); }
    int32_t IsStarted() const { return m_bStarted; }
    int32_t IsSidetoneReady() const { return m_bSidetoneReady; }
    // 1 while the sender waits to be woken (it has run its loops).
    int32_t IsSenderWaiting() const { return m_bSenderWaiting.load(); }

private:
    enum : int32_t { SIDETONE_ONLY_OFF = 0, SIDETONE_ONLY_ON = 1, SIDETONE_ONLY_ENDING = 2 };
    // The one gate of the radio: nonzero when a key-down may key it.
    int KeysRadio() const { return m_nSidetoneOnly.load() == SIDETONE_ONLY_OFF; }
    // Sender thread, when its queue has run empty: an ending training
    // gives the radio back.
    void SidetoneOnlyAtIdle();
    void BuildLayout();
    void BuildPanelButton(std::unique_ptr<CVdButton>* slot, const tagPanelButton& record);
    void RegisterButton(CVdButton* button);
    void ClickCharacter(CVdButton* button);
    void TogglePause();
    void CycleMode();
    void QueuePaddle(int button);
    int IsCharButton(void* sender) const;

    // Worker threads.
    void SenderLoop();
    void SendSamplerLoop();
    void ReceiveLoop();
    // Opens the receive log when the settings ask for it (before the
    // receive loop starts).
    void OpenReceiveLog();
    // One pass of the adaptive receiver over the samples recorded since the
    // last pass: its key decision into the trace, its characters into the
    // text, its speed into the label, its tone onto the spectrum.
    void ReceiveAdaptive(std::vector<int16_t>* buffer, CIdleSampler* idle);
    // One element: key down for downMs, up, then hitdelay. Returns 0 when
    // the station stops (the key is up again all the same).
    // The serial keyer the key operations drive, or null: the one place
    // that decides whether keying moves the serial port's lines (not while
    // training sounds the sidetone only).
    CSerialKeyer* KeyingPort() const { return KeysRadio() ? m_pSerialKey.get() : nullptr; }
    int KeyElement(CDeadlineSchedule* schedule, int32_t downMs);
    int KeyRecord(CDeadlineSchedule* schedule, const tagMorseCode& code);
    // Starts the PTT tail when nothing is left waiting after a key-up.
    void HoldTailIfLast(size_t waiting);
    int Pause(CDeadlineSchedule* schedule, int32_t ms);

    CTimerResolution m_timerResolution;
    CVardoSetting* m_pSettings;
    SettingValues m_values;
    tagStationTiming m_timing;
    std::unique_ptr<CTonePlayer> m_pTonePlayer;
    std::unique_ptr<CFontDesc> m_pFont;
    tagTextStyle m_textStyle;
    tagTextStyle m_queueStyle;
    std::unique_ptr<CVdButton> m_pCwButton;
    std::unique_ptr<CVdButton> m_pPauseButton;
    std::unique_ptr<CVdButton> m_pFileButton;
    std::unique_ptr<CVdButton> m_pModeButton;
    std::atomic<int32_t> m_bPaused{0};
    std::atomic<int32_t> m_bFlush{0};
    std::atomic<int32_t> m_bRemoteKeyDown{0};
    std::atomic<int32_t> m_nMode{KEY_MODE_MANUAL};
    std::unique_ptr<CVdButton> m_pCharButtons[MORSE_CODE_COUNT];
    std::unique_ptr<CStationJournal> m_pSendPanel;
    std::unique_ptr<CVdLabel> m_pQueueLabel;
    std::unique_ptr<CVdWaveCapture> m_pCapture;
    std::unique_ptr<CStationJournal> m_pRecvPanel;
    std::unique_ptr<CVdLine> m_pRecvLine;
    std::unique_ptr<CVdLabel> m_pSendLabel;
    std::unique_ptr<CVdLabel> m_pRecvLabel;
    std::unique_ptr<CVdLine> m_pQueueLine;
    std::unique_ptr<CCwReceiver> m_pReceiver;
    std::unique_ptr<CVdLabel> m_pSpeedLabel;
    std::unique_ptr<CReceiveLog> m_pRecvLog;  // used by the receive loop only
    std::atomic<int32_t> m_bKeyDown{0};
    std::unique_ptr<CPortOutput> m_pPort;
    std::unique_ptr<CSerialKeyer> m_pSerialKey;
    std::unique_ptr<CNetworkLink> m_pNetwork;
    CSendQueues m_sendQueues;
    std::atomic<int32_t> m_bStop{0};
    CStopSignal m_stopSignal{&m_bStop};
    std::thread m_hSenderThread;
    std::thread m_hSamplerThread;
    std::thread m_hReceiveThread;
    // The receive log's failure notice, shown without holding up anyone.
    std::thread m_hNoticeThread;
    int32_t m_nRecvIdle = 0;  // receive loop thread only
    int32_t m_nShownWpm = 0;  // receive loop thread only: the speed label's figure
    int32_t m_bStarted = 0;
    int32_t m_bSidetoneReady = 0;
    std::atomic<int32_t> m_bSenderWaiting{0};
    std::atomic<int32_t> m_nSidetoneOnly{SIDETONE_ONLY_OFF};
};
