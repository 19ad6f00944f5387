// CVdLabel: a passive text control. It shows up to 8193 characters in its
// rectangle with the colours, format and font of a shared tagTextStyle.
// Given a lock name it also serves as a character queue that several
// threads use: AppendChar and RemoveFirstChar wait up to one second for the
// label's lock and give up (returning 0) when they cannot have it. The lock
// is private to the process, so two running copies never wait on each other.
#pragma once

#include <chrono>
#include <mutex>

#include "ui/controlinterfaces.h"
#include "ui/textstyle.h"
#include "ui/timedlock.h"
#include "ui/vdtypes.h"

class CVdLabel : public IPaintEventControl {
public:
    static constexpr int LABEL_TEXT_MAX = 8193;  // characters, without the terminator
    static constexpr std::chrono::milliseconds LOCK_TIMEOUT{1000};

    // text null: empty label. mutexName null: a plain label without a lock,
    // on which AppendChar and RemoveFirstChar refuse to work.
    CVdLabel(IPaintableParent* parent, const VdRect* rect, const char* text, tagTextStyle* style,
             const char* mutexName);
    CVdLabel(const CVdLabel&) = delete;
    CVdLabel& operator=(const CVdLabel&) = delete;

    int HitTest(int x, int y) override;
    void GetRect(VdRect* out) override;
    virtual ~CVdLabel();
    // Replaces the text (null empties it, longer texts are cut to 8193
    // characters) and returns the result of the repaint request.
    virtual int SetText(const char* text);
    // A consistent copy of the text, taken under the lock; it stays valid
    // until the next GetText on this label. Threads other than the window's
    // use CopyText.
    virtual const char* GetText();
    // strncpy rules: at most count characters, padded with terminators, not
    // terminated when the text has count characters or more. Returns dest.
    virtual char* CopyText(char* dest, int count);
    // 1 when c was appended; 0 when the text is full (8193 characters), the
    // lock was not had within LOCK_TIMEOUT, c is the terminator, or the label
    // has no lock.
    virtual int AppendChar(char c);
    // The character taken from the front, or 0 (empty text, lock not had,
    // no lock).
    virtual char RemoveFirstChar();

    int OnPaint(void* sender, CDrawSurface* surface, const VdRect* clip) override;

protected:
    // The lock that guards the text, for derived classes that add
    // operations under it.
    CTimedLock& TextLock() { return m_hMutex; }

private:
    void CopyIn(const char* text);

    IPaintableParent* m_pParent;
    tagTextStyle* m_pStyle;
    VdRect m_rect;
    char m_szText[LABEL_TEXT_MAX + 1];
    char m_szSnapshot[LABEL_TEXT_MAX + 1];
    // Guards m_szText (and m_szSnapshot). Every label has it so that readers
    // always see a whole text; m_bQueue says whether the creator asked for a
    // queue label (one with a lock name).
    CTimedLock m_hMutex;
    bool m_bQueue;
};
