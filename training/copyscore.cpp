// Scoring of a Koch copy (see copyscore.h).
#include "training/copyscore.h"

#include <cstdio>

#include "training/copyalign.h"

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
    const tagCopyAlignment a = AlignCopy(sent, sentLen, copy, copyLen);
    bool lastRight = false;
    for (CopyAlignStep step : a.steps) {
        if (step == ALIGN_MISSED) {
            continue;
        }
        lastRight = step == ALIGN_MATCH;
        s.nCorrect += lastRight ? 1 : 0;
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
    const tagCopyAlignment a = AlignCopy(sent, sentLen, copy, copyLen);
    int end = sentCount < a.nSentUsed ? a.nSentUsed : sentCount;
    if (end > sentLen) {
        end = sentLen;
    }
    int i = 0, j = 0;
    for (CopyAlignStep step : a.steps) {
        if (step == ALIGN_EXTRA) {
            ++j;
            continue;
        }
        const char c = sent[i];
        if (c != ' ') {
            CopyOutcome outcome = COPY_OUTCOME_MISSED;
            if (step == ALIGN_MATCH) {
                outcome = COPY_OUTCOME_RIGHT;
            } else if (step == ALIGN_SUBSTITUTE && copy[j] != ' ') {
                outcome = COPY_OUTCOME_WRONG;
            }
            out.push_back(tagCharResult{c, outcome});
        }
        ++i;
        if (step != ALIGN_MISSED) {
            ++j;
        }
    }
    // Sent after what the copy covers: missed.
    for (; i < end; ++i) {
        if (sent[i] != ' ') {
            out.push_back(tagCharResult{sent[i], COPY_OUTCOME_MISSED});
        }
    }
    return out;
}

int SentCharacterCount(int textLen, size_t waiting) {
    if (textLen <= 0) {
        return 0;
    }
    return waiting < static_cast<size_t>(textLen) ? textLen - static_cast<int>(waiting) : 0;
}
