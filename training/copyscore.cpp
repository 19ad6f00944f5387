// Scoring of a Koch copy (see copyscore.h).
#include "training/copyscore.h"

#include <cstdio>

static int UpperAscii(unsigned char c) {
    return (c >= 'a' && c <= 'z') ? c - 'a' + 'A' : c;
}

tagCopyScore ScoreCopy(const char* sent, int sentLen, const char* copy, int copyLen) {
    tagCopyScore s{0, 0, 0, 0};
    if (!copy || copyLen <= 0) {
        return s;
    }
    if (copyLen > COPY_TEXT_MAX) {
        copyLen = COPY_TEXT_MAX;
    }
    if (!sent || sentLen < 0) {
        sentLen = 0;
    }
    bool lastRight = false;
    for (int i = 0; i < copyLen; ++i) {
        lastRight = i < sentLen &&
                    UpperAscii(static_cast<unsigned char>(copy[i])) == static_cast<unsigned char>(sent[i]);
        if (lastRight) {
            ++s.nCorrect;
        }
    }
    s.nCopied = copyLen;
    s.nWrong = copyLen - s.nCorrect;
    s.bLastWrong = lastRight ? 0 : 1;
    return s;
}

void FormatCopyCount(int32_t count, char* out, size_t size) {
    snprintf(out, size, "%d", static_cast<int>(count));
}

void FormatAccuracy(const tagCopyScore& score, char* out, size_t size) {
    if (score.nCopied <= 0) {
        snprintf(out, size, "%%");
        return;
    }
    snprintf(out, size, "%2.1f%%", score.nCorrect * 100.0 / score.nCopied);
}

void FormatElapsed(uint32_t startTick, uint32_t nowTick, char* out, size_t size) {
    uint32_t s = (nowTick - startTick) / 1000u;
    snprintf(out, size, "%2.2u:%2.2u:%2.2u", s / 3600u, (s / 60u) % 60u, s % 60u);
}

std::vector<tagCharResult> ScoreCopyCharacters(const char* sent, int sentLen, int sentCount, const char* copy,
                                               int copyLen) {
    std::vector<tagCharResult> out;
    if (!sent || sentLen <= 0) {
        return out;
    }
    if (!copy || copyLen < 0) {
        copyLen = 0;
    }
    if (copyLen > COPY_TEXT_MAX) {
        copyLen = COPY_TEXT_MAX;
    }
    int end = sentCount < copyLen ? copyLen : sentCount;
    if (end > sentLen) {
        end = sentLen;
    }
    for (int i = 0; i < end; ++i) {
        const char c = sent[i];
        if (c == ' ') {
            continue;
        }
        CopyOutcome outcome = COPY_OUTCOME_MISSED;
        if (i < copyLen) {
            const unsigned char got = static_cast<unsigned char>(copy[i]);
            if (UpperAscii(got) == static_cast<unsigned char>(c)) {
                outcome = COPY_OUTCOME_RIGHT;
            } else if (got != ' ') {
                outcome = COPY_OUTCOME_WRONG;
            }
        }
        out.push_back(tagCharResult{c, outcome});
    }
    return out;
}
