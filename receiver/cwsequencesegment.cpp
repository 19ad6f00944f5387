// The whole-stretch decoder's dynamic programme over segmentations and
// codes, and the sample-exact rescoring of a reading (see cwsequencedecoder.h).
#include <algorithm>
#include <cmath>
#include <cstring>

#include "receiver/cwsequencedecoder.h"
#include "receiver/cwsequencemodel.h"

using namespace cwsequence;

namespace {
// A gap between characters up to this many times the word space boundary
// (and short of the word gaps' own length) is taken for a letter gap where
// a word space would leave a character on its own.
constexpr double kLoneWordMargin = 1.25;
// The characters that are sent on their own as words: the invitation and
// the acknowledgement, the question and the break.
constexpr const char kLoneWords[] = "KR?=";
}  // namespace

CCwSequenceDecoder::tagDecision CCwSequenceDecoder::Segment(const std::vector<std::complex<double>>& prefix,
                                                             const std::vector<double>& count, int steps,
                                                             double amplitude, double noise, double spread,
                                                             const tagPhaseReference* reference) const {
    const tagCwTiming& timing = m_timing;
    const int maxMark = static_cast<int>(std::max(kMaxMarkDots, 1.6 * timing.dash) * kStepsPerDot);
    const int maxElementGap = static_cast<int>(std::max(2.5, 2.2 * timing.element) * kStepsPerDot);
    const int maxGap = static_cast<int>(std::max(kMaxGapDots, 1.6 * timing.word) * kStepsPerDot);
    const double one[] = {1.0}, three[] = {timing.dash}, full[] = {1.0}, element[] = {timing.element};
    const double between[] = {timing.character, timing.word};
    static const double betweenWeight[] = {0.75, 0.25};
    const double wordDots = timing.WordDots();
    const double gapSpread = spread * 1.1;
    const size_t M = static_cast<size_t>(maxMark) + 1, G = static_cast<size_t>(maxGap) + 1;
    std::vector<double> dotPrior(M), dashPrior(M), elementGapPrior(G, kNone), charGapPrior(G);
    for (int d = 1; d <= maxMark; ++d) {
        const double x = static_cast<double>(d) / kStepsPerDot;
        dotPrior[static_cast<size_t>(d)] = std::log(0.5) + LengthPrior(x, one, full, 1, spread) - std::log(d);
        dashPrior[static_cast<size_t>(d)] = std::log(0.5) + LengthPrior(x, three, full, 1, spread) - std::log(d);
    }
    for (int d = 1; d <= maxGap; ++d) {
        const double x = static_cast<double>(d) / kStepsPerDot;
        if (d <= maxElementGap) {
            elementGapPrior[static_cast<size_t>(d)] = LengthPrior(x, element, full, 1, gapSpread) - std::log(d);
        }
        charGapPrior[static_cast<size_t>(d)] = LengthPrior(x, between, betweenWeight, 2, gapSpread) - std::log(d);
    }
    double a2 = amplitude * amplitude / noise;
    double gain = 2.0 * amplitude / noise;
    const size_t nodes = m_nodes.size();
    const size_t T = static_cast<size_t>(steps) + 1;
    // markEnd[t][n]: best score of a reading whose last mark ends at t with
    // n the code so far; gapEnd[t][n]: whose gap inside a character (n not
    // the root) or between characters (n the root, or nothing yet) ends at
    // t. Back-pointers: the step where the segment began and the node
    // before it.
    // The tables are kept from call to call: a search for the speed runs
    // the programme dozens of times over the same stretch.
    tagScratch& k = m_scratch;
    k.markEnd.assign(T * nodes, kNone);
    k.gapEnd.assign(T * nodes, kNone);
    k.markFrom.assign(T * nodes, -1);
    k.markNode.assign(T * nodes, -1);
    k.gapFrom.assign(T * nodes, -1);
    k.gapNode.assign(T * nodes, -1);
    std::vector<double>& markEnd = k.markEnd;
    std::vector<double>& gapEnd = k.gapEnd;
    std::vector<int>& markFrom = k.markFrom;
    std::vector<int>& markNode = k.markNode;
    std::vector<int>& gapFrom = k.gapFrom;
    std::vector<int>& gapNode = k.gapNode;
    std::vector<double> llr(M);
    std::vector<double> charEnd(T, kNone);
    std::vector<int> charNode(T, -1);
    // Every step of the tree: the node, whether it is a dash, the child.
    struct tagEdge {
        size_t from;
        int dash;
        size_t to;
    };
    std::vector<tagEdge> edges;
    for (size_t n = 0; n < nodes; ++n) {
        for (int e = 0; e < 2; ++e) {
            if (m_nodes[n].child[e] >= 0) edges.push_back({n, e, static_cast<size_t>(m_nodes[n].child[e])});
        }
    }
    for (size_t t = 0; t < T; ++t) gapEnd[t * nodes] = 0.0;  // leading gap of any length
    // The best reading that ends a character more than the longest gap ago.
    double farEnd = kNone;
    int farFrom = -1;
    for (int t = 1; t <= steps; ++t) {
        const size_t tt = static_cast<size_t>(t);
        for (int d = 1; d <= maxMark && d <= t; ++d) {
            const size_t s = static_cast<size_t>(t - d);
            const std::complex<double> sum = prefix[tt] - prefix[s];
            const double n = count[tt] - count[s];
            if (!m_levels.empty()) {
                // The level about the candidate mark, as the stretch moves.
                const double a = AmplitudeAt(0.5 * (count[tt] + count[s]), amplitude);
                a2 = a * a / noise;
                gain = 2.0 * a / noise;
            }
            if (reference != nullptr) {
                // The tone's phase over the candidate mark as its
                // neighbours show it makes the sum's phase count too.
                const std::vector<std::complex<double>>& p = reference->prefix;
                const size_t from = static_cast<size_t>(count[s]);
                const size_t to = static_cast<size_t>(count[tt]);
                const size_t lo = from > reference->window ? from - reference->window : 0;
                const size_t hi = std::min(to + reference->window, p.size() - 1);
                const double centre = 0.5 * static_cast<double>(from + to);
                const std::complex<double> r = reference->weight * std::polar(1.0, reference->slope * centre) *
                                               ((p[hi] - p[lo]) - (p[to] - p[from]));
                // The neighbours give the mark's phase a von Mises prior;
                // its concentration is what their sum shows, but no more
                // than the phase holds from mark to mark.
                const double kappa = std::min(gain * std::abs(r), reference->concentration);
                const std::complex<double> prior =
                    std::abs(r) > 0 ? kappa * r / std::abs(r) : std::complex<double>(0.0, 0.0);
                llr[static_cast<size_t>(d)] =
                    LogBesselI0(std::abs(gain * sum + prior)) - LogBesselI0(kappa) - n * a2;
            } else {
                llr[static_cast<size_t>(d)] = LogBesselI0(gain * std::abs(sum)) - n * a2;
            }
        }
        // Marks: a dot or a dash appended to the code of the gap before.
        // Lengths in the outer loop, so that a step's nodes are read in a
        // row; each child has one parent, so its lengths are still weighed
        // shortest first.
        double* const markNow = &markEnd[tt * nodes];
        for (int d = 1; d <= maxMark && d <= t; ++d) {
            const size_t s = static_cast<size_t>(t - d);
            const double* const gapThen = &gapEnd[s * nodes];
            const double withDot = llr[static_cast<size_t>(d)] + dotPrior[static_cast<size_t>(d)];
            const double withDash = llr[static_cast<size_t>(d)] + dashPrior[static_cast<size_t>(d)];
            for (const tagEdge& edge : edges) {
                const double g = gapThen[edge.from];
                if (g <= kNone) continue;
                const double v = g + (edge.dash ? withDash : withDot);
                if (v > markNow[edge.to]) {
                    markNow[edge.to] = v;
                    markFrom[tt * nodes + edge.to] = static_cast<int>(s);
                    markNode[tt * nodes + edge.to] = static_cast<int>(edge.from);
                }
            }
        }
        // Gaps: inside a character the code goes on; between characters the
        // code so far must be a character of the table.
        double* const gapNow = &gapEnd[tt * nodes];
        for (int d = 1; d <= maxElementGap && d <= t; ++d) {
            const size_t s = static_cast<size_t>(t - d);
            const double* const markThen = &markEnd[s * nodes];
            const double prior = elementGapPrior[static_cast<size_t>(d)];
            for (size_t n = 1; n < nodes; ++n) {
                const double m = markThen[n];
                if (m <= kNone) continue;
                const double v = m + prior;
                if (v > gapNow[n]) {
                    gapNow[n] = v;
                    gapFrom[tt * nodes + n] = static_cast<int>(s);
                    gapNode[tt * nodes + n] = static_cast<int>(n);
                }
            }
        }
        // A pause longer than the longest gap weighed (a hand sender
        // stopping to think, or two stretches joined across their silence)
        // is a word space of any length: it costs what the longest does.
        if (t > maxGap) {
            const size_t s = static_cast<size_t>(t - maxGap - 1);
            if (charEnd[s] > farEnd) {
                farEnd = charEnd[s];
                farFrom = static_cast<int>(s);
            }
            const double v = farEnd + charGapPrior[static_cast<size_t>(maxGap)] - kCharCost;
            if (farFrom >= 0 && v > gapEnd[tt * nodes]) {
                gapEnd[tt * nodes] = v;
                gapFrom[tt * nodes] = farFrom;
                gapNode[tt * nodes] = charNode[static_cast<size_t>(farFrom)];
            }
        }
        for (int d = 1; d <= maxGap && d <= t; ++d) {
            const size_t s = static_cast<size_t>(t - d);
            if (charEnd[s] <= kNone) continue;
            const double v = charEnd[s] + charGapPrior[static_cast<size_t>(d)] - kCharCost;
            if (v > gapEnd[tt * nodes]) {
                gapEnd[tt * nodes] = v;
                gapFrom[tt * nodes] = static_cast<int>(s);
                gapNode[tt * nodes] = charNode[s];
            }
        }
        // The best reading whose last mark, ending here, ends a character.
        for (size_t n = 1; n < nodes; ++n) {
            if (m_nodes[n].ch != 0 && markEnd[tt * nodes + n] > charEnd[tt]) {
                charEnd[tt] = markEnd[tt * nodes + n];
                charNode[tt] = static_cast<int>(n);
            }
        }
    }
    // The stretch ends after a complete character, in a gap of any length.
    tagDecision out;
    double best = 0.0;  // nothing at all
    out.score = 0.0;
    size_t endT = 0, endNode = 0;
    for (size_t t = 1; t < T; ++t) {
        for (size_t n = 1; n < nodes; ++n) {
            if (m_nodes[n].ch != 0 && markEnd[t * nodes + n] - kCharCost > best) {
                best = markEnd[t * nodes + n] - kCharCost;
                endT = t;
                endNode = n;
            }
        }
    }
    out.score = best;
    if (endT == 0) return out;
    // Walk back through marks and gaps; characters are collected in reverse,
    // each with its marks, its level and the gap before it.
    struct tagChar {
        char ch;
        int marks = 0;
        double level = 0.0;
        double endScore = 0.0;  // the reading's score to the end of its last mark
        double gapDots = 0.0;   // the gap before it (0: none, the first)
        int start = 0;          // the step its first mark starts at
        double gapScore = 0.0;  // the reading's score to the end of that gap
    };
    std::vector<tagChar> chars;
    size_t t = endT, n = endNode;
    chars.push_back({m_nodes[n].ch});
    chars.back().endScore = best;
    while (true) {
        const size_t s = static_cast<size_t>(markFrom[t * nodes + n]);
        const size_t before = static_cast<size_t>(markNode[t * nodes + n]);
        out.marks.emplace_back(static_cast<int>(s), static_cast<int>(t));
        out.dashes.push_back(m_nodes[before].child[1] == static_cast<int>(n) ? 1 : 0);
        out.charStarts.push_back(before == 0 ? 1 : 0);
        ++chars.back().marks;
        // At the level about the mark, but never above the level carried:
        // a burst of noise sets the level about itself.
        const double a = std::min(1.0, AmplitudeAt(0.5 * (count[s] + count[t]), amplitude) / amplitude);
        chars.back().level += a * a;
        if (before != 0) {
            // A gap inside the character.
            const int g = gapFrom[s * nodes + before];
            t = static_cast<size_t>(g);
            n = before;
            continue;
        }
        const int g = gapFrom[s * nodes];
        if (g < 0) break;
        const size_t prevNode = static_cast<size_t>(gapNode[s * nodes]);
        chars.back().gapDots = static_cast<double>(s - static_cast<size_t>(g)) / kStepsPerDot;
        chars.back().start = static_cast<int>(s);
        chars.back().gapScore = gapEnd[s * nodes];
        chars.push_back({m_nodes[prevNode].ch});
        chars.back().endScore = markEnd[static_cast<size_t>(g) * nodes + prevNode] - kCharCost;
        t = static_cast<size_t>(g);
        n = prevNode;
    }
    std::reverse(out.marks.begin(), out.marks.end());
    std::reverse(out.dashes.begin(), out.dashes.end());
    std::reverse(out.charStarts.begin(), out.charStarts.end());
    std::reverse(chars.begin(), chars.end());
    // Word spaces: the gaps as long as the boundary between letter and word
    // gaps. But a word of one character is rare in what is sent (a K or an
    // R aside), while a hand's long letter gap read across the boundary
    // often makes one ("5 NN", "3 0 290"): a gap short of the word gaps'
    // length that would leave a character on its own is a letter gap. The
    // shortest such gap goes first, and each joined word is looked at again.
    // A lone character that scores as noise stays apart, to be dropped.
    std::vector<char> space(chars.size(), 0);
    for (size_t i = 1; i < chars.size(); ++i) space[i] = chars[i].gapDots >= wordDots ? 1 : 0;
    const double loneDots = std::max(wordDots, std::min(timing.word, kLoneWordMargin * wordDots));
    auto wordAt = [&](size_t i, size_t* from, size_t* to) {
        *from = i;
        while (*from > 0 && !space[*from]) --*from;
        *to = i + 1;
        while (*to < chars.size() && !space[*to]) ++*to;
    };
    auto lone = [&](size_t i) {
        size_t from = 0, to = 0;
        wordAt(i, &from, &to);
        if (to - from != 1 || (chars[i].ch != 0 && std::strchr(kLoneWords, chars[i].ch) != nullptr)) return false;
        const double score = chars[i].endScore - (from == 0 ? 0.0 : chars[from].gapScore);
        return !WeakWord(score, chars[i].level);
    };
    while (true) {
        size_t join = 0;
        for (size_t i = 1; i < chars.size(); ++i) {
            if (space[i] && chars[i].gapDots < loneDots && (lone(i - 1) || lone(i)) &&
                (join == 0 || chars[i].gapDots < chars[join].gapDots)) {
                join = i;
            }
        }
        if (join == 0) break;
        space[join] = 0;
    }
    size_t wordFrom = 0;
    for (size_t i = 0; i < chars.size(); ++i) {
        if (space[i]) {
            out.text.push_back(' ');
            out.wordStarts.push_back(chars[i].start);
            wordFrom = i;
        }
        out.text.push_back(chars[i].ch);
        if (i + 1 == chars.size() || space[i + 1]) {
            // Each word's share of the score: from the end of the gap before
            // it (the leading gap scores 0) to the end of its last mark.
            out.wordScores.push_back(chars[i].endScore - (wordFrom == 0 ? 0.0 : chars[wordFrom].gapScore));
            int marks = 0;
            double level = 0.0;
            for (size_t k = wordFrom; k <= i; ++k) {
                marks += chars[k].marks;
                level += chars[k].level;
            }
            out.wordMarks.push_back(marks);
            out.wordLevels.push_back(level);
        }
    }
    return out;
}

double CCwSequenceDecoder::FineScore(const tagDecision& d, const std::vector<std::complex<double>>& prefix,
                                     const std::vector<double>& count, double dotSamples, double spread) const {
    if (d.marks.empty()) return 0.0;
    const double one[] = {1.0}, three[] = {m_timing.dash}, full[] = {1.0}, element[] = {m_timing.element};
    const double between[] = {m_timing.character, m_timing.word};
    static const double betweenWeight[] = {0.75, 0.25};
    const double gapSpread = spread * 1.1;
    const double maxGap = std::max(kMaxGapDots, 1.6 * m_timing.word);
    const long last = static_cast<long>(prefix.size()) - 1;
    const long half = std::max(1L, std::lround(0.5 * dotSamples / kStepsPerDot));
    const long stride = std::max(1L, half / 4);
    double score = 0.0;
    long previousEnd = -1;
    for (size_t k = 0; k < d.marks.size(); ++k) {
        const long from = static_cast<long>(count[static_cast<size_t>(d.marks[k].first)]);
        const long to = static_cast<long>(count[static_cast<size_t>(d.marks[k].second)]);
        const double amplitude = AmplitudeAt(0.5 * static_cast<double>(from + to), m_dAmplitude);
        const double a2 = amplitude * amplitude / m_dNoise;
        const double gain = 2.0 * amplitude / m_dNoise;
        double best = kNone;
        long bestFrom = from, bestTo = to;
        for (long a = std::max(previousEnd + 1, from - half); a <= from + half; a += stride) {
            for (long b = std::max(a + 1, to - half); b <= std::min(last, to + half); b += stride) {
                const double v = LogBesselI0(gain * std::abs(prefix[static_cast<size_t>(b)] - prefix[static_cast<size_t>(a)])) -
                                 static_cast<double>(b - a) * a2;
                if (v > best) {
                    best = v;
                    bestFrom = a;
                    bestTo = b;
                }
            }
        }
        if (best <= kNone) return kNone;
        const double length = static_cast<double>(bestTo - bestFrom);
        score += best + std::log(0.5) + LengthPrior(length / dotSamples, d.dashes[k] ? three : one, full, 1, spread) -
                 std::log(length);
        if (previousEnd >= 0) {
            const double gap = std::min(static_cast<double>(bestFrom - previousEnd), maxGap * dotSamples);
            score += (d.charStarts[k] ? LengthPrior(gap / dotSamples, between, betweenWeight, 2, gapSpread)
                                      : LengthPrior(gap / dotSamples, element, full, 1, gapSpread)) -
                     std::log(gap);
        }
        if (d.charStarts[k]) score -= kCharCost;
        previousEnd = bestTo;
    }
    return score;
}
