// The gaps between characters of a sender, split into letter gaps and word
// gaps. A machine keys 3 and 7 dots; a hand keys letter gaps anywhere from
// 2.5 to 5 dots and word gaps from 5 to 12, each its own way, so a fixed
// boundary between them reads a slow hand's letter gaps as word spaces or a
// quick one's word gaps as letter gaps. The gaps seen show the sender's two
// clusters, and the boundary lies between them.
#pragma once

#include <vector>

struct tagCwGapSplit {
    bool found = false;     // two clusters stand clearly apart
    double character = 0;   // the letter gaps' centre (dots, geometric mean)
    double word = 0;        // the word gaps' centre
    double boundary = 0;    // a gap this long or longer is a word space
    // The two clusters do not stand clearly apart, but the gaps are many
    // and split in the shares a text's letter and word gaps take: the
    // centres and boundary are the best guess there is.
    bool likely = false;
};

// gaps: lengths in dots of gaps between characters (in any order).
tagCwGapSplit SplitCwGaps(const std::vector<double>& gaps);
