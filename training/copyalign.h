// Alignment of a copy with the sent text by least edit cost, as copy
// trainers score: a character the operator left out or put in costs one
// edit, not every position after it. The copy is aligned with the sent
// text's best-fitting beginning, so a copy still being typed is not charged
// for the characters that follow.
#pragma once

#include <cstdint>
#include <vector>

enum CopyAlignStep : uint8_t {
    ALIGN_MATCH = 0,     // copy character equals the sent one (upper-cased)
    ALIGN_SUBSTITUTE,    // copy character stands for a different sent one
    ALIGN_MISSED,        // a sent character with nothing in the copy for it
    ALIGN_EXTRA,         // a copy character with nothing sent for it
};

struct tagCopyAlignment {
    // The steps in text order; every copy character is in exactly one
    // MATCH, SUBSTITUTE or EXTRA step, every sent character below
    // nSentUsed in one MATCH, SUBSTITUTE or MISSED step.
    std::vector<CopyAlignStep> steps;
    int nSentUsed;  // length of the sent text's beginning the copy covers
};

// Costs: a substitution, a missed or an extra character cost 2; a missed
// or extra space costs 1, since whether the operator types the gaps
// between groups does not matter. Of equal-cost alignments the one that
// covers the longer beginning wins, with its extra characters as late as
// they can be (the copy is typed from the front).
tagCopyAlignment AlignCopy(const char* sent, int sentLen, const char* copy, int copyLen);
