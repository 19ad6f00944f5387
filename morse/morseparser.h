// Sample-driven Morse decoder: one key sample (1 down, 0 up) at a time is
// walked down a binary tree built from the Morse table, and each recognised
// character, or an unknown sequence (null), goes to one listener.
#pragma once

#include <cstdint>
#include <memory>

#include "morse/morsecode.h"

class IParseEventListener {
public:
    virtual ~IParseEventListener() = default;
    // sender is the parser; code is a record of its table, or null when the
    // elements since the last character form no character.
    virtual int OnParse(void* sender, const tagMorseCode* code) = 0;
};

// One node of the decoding tree; the path from the root spells the
// elements, code is the record ending here (null if none).
struct tagMorseNode {
    const tagMorseCode* code;
    tagMorseNode* dot;
    tagMorseNode* dash;
};

// Not thread-safe: feed it from one thread at a time. Parse runs in
// constant time, never allocates and calls the listener at most once.
class CMorseParser {
public:
    enum : int32_t { STATE_IDLE = 1, STATE_MARK = 2, STATE_SPACE = 3 };

    // Builds the tree from the first count records of table; a later record
    // with the same elements replaces an earlier one. All nodes come from one
    // pool allocated here.
    CMorseParser(const tagMorseCode* table, int count, int threshold, IParseEventListener* listener);
    virtual ~CMorseParser();

    CMorseParser(const CMorseParser&) = delete;
    CMorseParser& operator=(const CMorseParser&) = delete;

    // One key sample: 1 key down, 0 key up.
    void Parse(int32_t sample);

    int32_t GetState() const { return m_nState; }
    int32_t GetCount() const { return m_nCount; }
    int32_t GetThreshold() const { return m_nThreshold; }
    const tagMorseNode* GetRoot() const { return m_pRoot; }
    const tagMorseNode* GetCurrent() const { return m_pCurrent; }

private:
    void Report(const tagMorseCode* code);
    void CountUp();

    std::unique_ptr<tagMorseNode[]> m_pNodes;  // pool owning every node
    int m_nNodeCount;
    tagMorseNode* m_pRoot;
    int32_t m_nThreshold;
    IParseEventListener* m_pListener;
    tagMorseNode* m_pCurrent;
    int32_t m_nCount;
    int32_t m_nState;
};
