// Decoding tree construction and the three-state sample machine.
#include "morse/morseparser.h"

#include <climits>

CMorseParser::CMorseParser(const tagMorseCode* table, int count, int threshold,
                           IParseEventListener* listener)
    : m_nNodeCount(0),
      m_pRoot(nullptr),
      m_nThreshold(threshold),
      m_pListener(listener),
      m_pCurrent(nullptr),
      m_nCount(0),
      m_nState(STATE_IDLE) {
    if (table == nullptr || count < 0) {
        count = 0;
    }
    // Every element can add at most one node, so the pool is sized by the
    // total element count and the tree never allocates again.
    int capacity = 1;
    for (int i = 0; i < count; ++i) {
        capacity += MorseElementCount(table[i]);
    }
    m_pNodes.reset(new tagMorseNode[capacity]());
    m_pRoot = &m_pNodes[m_nNodeCount++];
    for (int i = 0; i < count; ++i) {
        tagMorseNode* node = m_pRoot;
        ForEachMorseElement(table[i], [&](bool dot) {
            tagMorseNode*& child = dot ? node->dot : node->dash;
            if (child == nullptr) {
                child = &m_pNodes[m_nNodeCount++];
            }
            node = child;
        });
        node->code = &table[i];
    }
    m_pCurrent = m_pRoot;
}

CMorseParser::~CMorseParser() = default;

void CMorseParser::Report(const tagMorseCode* code) {
    if (m_pListener != nullptr) {
        m_pListener->OnParse(this, code);
    }
}

// A key held down for years must not overflow the count.
void CMorseParser::CountUp() {
    if (m_nCount < INT32_MAX) {
        ++m_nCount;
    }
}

void CMorseParser::Parse(int32_t sample) {
    switch (m_nState) {
    case STATE_IDLE:
        if (sample != 0) {
            m_nCount = 1;
            m_pCurrent = m_pRoot;
            m_nState = STATE_MARK;
        }
        break;

    case STATE_MARK:
        if (sample != 0) {
            CountUp();
            break;
        }
        {
            m_nState = STATE_SPACE;
            tagMorseNode* next = m_nCount > m_nThreshold ? m_pCurrent->dash : m_pCurrent->dot;
            m_nCount = 0;
            if (next != nullptr) {
                m_pCurrent = next;
            } else {
                // No character continues this way: what was received so far
                // is reported and the element is dropped.
                m_nState = STATE_IDLE;
                Report(m_pCurrent->code);
            }
        }
        break;

    case STATE_SPACE:
        if (sample != 0) {
            const bool ends = m_nCount > m_nThreshold && m_pCurrent->code != nullptr;
            m_nCount = 1;
            m_nState = STATE_MARK;
            if (ends) {
                const tagMorseCode* code = m_pCurrent->code;
                m_pCurrent = m_pRoot;
                Report(code);
            }
            break;
        }
        CountUp();
        if (m_nCount > m_nThreshold) {
            if (m_pCurrent->code != nullptr) {
                m_nState = STATE_IDLE;
                Report(m_pCurrent->code);
            } else if (m_pCurrent->dot != nullptr || m_pCurrent->dash != nullptr) {
                // A prefix of longer characters waits half a threshold more.
                if (static_cast<double>(m_nCount) > static_cast<double>(m_nThreshold) * 1.5) {
                    m_nState = STATE_IDLE;
                    Report(nullptr);
                }
            } else {
                m_nState = STATE_IDLE;
                Report(nullptr);
            }
        }
        break;

    default:
        break;
    }
}
