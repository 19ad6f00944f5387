// Least-cost alignment of a copy with the sent text (see copyalign.h).
#include "training/copyalign.h"

#include <algorithm>

namespace {

int UpperAscii(unsigned char c) {
    return (c >= 'a' && c <= 'z') ? c - 'a' + 'A' : c;
}

int GapCost(char c) {
    return c == ' ' ? 1 : 2;
}

}  // namespace

tagCopyAlignment AlignCopy(const char* sent, int sentLen, const char* copy, int copyLen) {
    tagCopyAlignment out{{}, 0};
    if (!sent || sentLen < 0) sentLen = 0;
    if (!copy || copyLen < 0) copyLen = 0;
    const int S = sentLen, C = copyLen, W = C + 1;
    // cost[i][j]: the least cost of the sent text's first i characters
    // against the copy's first j.
    std::vector<int> cost(static_cast<size_t>(S + 1) * W);
    auto at = [&](int i, int j) -> int& { return cost[static_cast<size_t>(i) * W + j]; };
    auto same = [&](int i, int j) {
        return UpperAscii(static_cast<unsigned char>(copy[j])) == static_cast<unsigned char>(sent[i]);
    };
    at(0, 0) = 0;
    for (int j = 1; j <= C; ++j) at(0, j) = at(0, j - 1) + GapCost(copy[j - 1]);
    for (int i = 1; i <= S; ++i) {
        at(i, 0) = at(i - 1, 0) + GapCost(sent[i - 1]);
        for (int j = 1; j <= C; ++j) {
            const int pair = at(i - 1, j - 1) + (same(i - 1, j - 1) ? 0 : 2);
            const int missed = at(i - 1, j) + GapCost(sent[i - 1]);
            const int extra = at(i, j - 1) + GapCost(copy[j - 1]);
            at(i, j) = std::min(pair, std::min(missed, extra));
        }
    }
    int end = 0;
    for (int i = 1; i <= S; ++i) {
        if (at(i, C) <= at(end, C)) end = i;
    }
    out.nSentUsed = end;
    // Walking back from the end, an extra copy character is preferred, so
    // that of equal choices the extras fall late and the pairs early, as
    // the copy was typed.
    for (int i = end, j = C; i > 0 || j > 0;) {
        if (j > 0 && (i == 0 || at(i, j) == at(i, j - 1) + GapCost(copy[j - 1]))) {
            out.steps.push_back(ALIGN_EXTRA);
            --j;
        } else if (j > 0 && at(i, j) == at(i - 1, j - 1) + (same(i - 1, j - 1) ? 0 : 2)) {
            out.steps.push_back(same(i - 1, j - 1) ? ALIGN_MATCH : ALIGN_SUBSTITUTE);
            --i;
            --j;
        } else {
            out.steps.push_back(ALIGN_MISSED);
            --i;
        }
    }
    std::reverse(out.steps.begin(), out.steps.end());
    return out;
}
