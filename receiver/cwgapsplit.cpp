// Splitting a sender's gaps between characters into letter and word gaps
// (see cwgapsplit.h).
#include "receiver/cwgapsplit.h"

#include <algorithm>
#include <cmath>

namespace {
// Fewer gaps than this say nothing of the sender.
constexpr size_t kMinGaps = 6;
// Each cluster needs this many gaps.
constexpr size_t kMinCluster = 2;
// The clusters' centres must lie at least kMinRatio apart: letter and
// word gaps differ by more than the jitter of one hand.
constexpr double kMinRatio = 1.3;
// A cluster's spread (log of the length) is taken as at least this: a
// machine's gaps all fall on one length.
constexpr double kMinSpread = 0.06;
constexpr int kIterations = 30;
// Gaps shorter than this are gaps inside a character misread.
constexpr double kShortestGap = 2.0;
// Word gaps are fewer than letter gaps in any text but one of single
// letters: at most this share of the gaps.
constexpr double kMostWordShare = 0.6;
// A split that is not clear is still the best guess from this many gaps,
// when the upper cluster takes a share of them that word gaps take in
// text (a word every two to ten letters) and lies this far above.
constexpr size_t kMinLikelyGaps = 16;
constexpr double kLeastLikelyShare = 0.1, kMostLikelyShare = 0.5;
constexpr double kMinLikelyRatio = 1.08;
}  // namespace

tagCwGapSplit SplitCwGaps(const std::vector<double>& gaps) {
    tagCwGapSplit out;
    std::vector<double> logs;
    logs.reserve(gaps.size());
    for (double g : gaps) {
        if (g >= kShortestGap) logs.push_back(std::log(g));
    }
    const size_t n = logs.size();
    if (n < kMinGaps) return out;
    std::sort(logs.begin(), logs.end());
    std::vector<double> sum(n + 1, 0.0), sum2(n + 1, 0.0);
    for (size_t i = 0; i < n; ++i) {
        sum[i + 1] = sum[i] + logs[i];
        sum2[i + 1] = sum2[i] + logs[i] * logs[i];
    }
    // The split that leaves the least spread within the two clusters.
    size_t best = 0;
    double bestWithin = 0.0;
    for (size_t k = kMinCluster; k + kMinCluster <= n; ++k) {
        const double lo = sum[k], hi = sum[n] - sum[k];
        const double within = (sum2[k] - lo * lo / static_cast<double>(k)) +
                              (sum2[n] - sum2[k] - hi * hi / static_cast<double>(n - k));
        if (best == 0 || within < bestWithin) {
            best = k;
            bestWithin = within;
        }
    }
    if (best == 0) return out;
    // From there, a mixture of two clusters of one spread (a hand's
    // jitter stretches letter and word gaps alike), fitted by expectation
    // maximisation: the split alone cuts the larger cluster's tail off.
    double m1 = sum[best] / static_cast<double>(best);
    double m2 = (sum[n] - sum[best]) / static_cast<double>(n - best);
    double share = static_cast<double>(n - best) / static_cast<double>(n);  // of word gaps
    double var = std::max(kMinSpread * kMinSpread, bestWithin / static_cast<double>(n));
    for (int iteration = 0; iteration < kIterations; ++iteration) {
        double w = 0.0, s1 = 0.0, s2 = 0.0;
        std::vector<double> upper(n);
        for (size_t i = 0; i < n; ++i) {
            const double a = (1.0 - share) * std::exp(-0.5 * (logs[i] - m1) * (logs[i] - m1) / var);
            const double b = share * std::exp(-0.5 * (logs[i] - m2) * (logs[i] - m2) / var);
            upper[i] = a + b > 0 ? b / (a + b) : (logs[i] > 0.5 * (m1 + m2) ? 1.0 : 0.0);
            w += upper[i];
            s1 += (1.0 - upper[i]) * logs[i];
            s2 += upper[i] * logs[i];
        }
        const double count = static_cast<double>(n);
        if (w < static_cast<double>(kMinCluster) || count - w < static_cast<double>(kMinCluster)) return out;
        m1 = s1 / (count - w);
        m2 = s2 / w;
        share = w / count;
        double v = 0.0;
        for (size_t i = 0; i < n; ++i) {
            v += (1.0 - upper[i]) * (logs[i] - m1) * (logs[i] - m1) + upper[i] * (logs[i] - m2) * (logs[i] - m2);
        }
        var = std::max(kMinSpread * kMinSpread, v / count);
    }
    out.character = std::exp(m1);
    out.word = std::exp(m2);
    // Where a gap is as likely a word gap as a letter gap: letter gaps are
    // the more common, so it lies nearer the word gaps.
    const double at = 0.5 * (m1 + m2) + var * std::log((1.0 - share) / share) / (m2 - m1);
    out.boundary = std::exp(std::min(m2, std::max(m1, at)));
    out.likely = n >= kMinLikelyGaps && share >= kLeastLikelyShare && share <= kMostLikelyShare &&
                 m2 - m1 >= std::log(kMinLikelyRatio);
    if (m2 - m1 < std::log(kMinRatio) || share > kMostWordShare) return out;
    // Two clusters must explain the gaps better than one by more than
    // their two more parameters buy (the Bayesian information criterion):
    // one cluster's tail split off does not.
    const double count = static_cast<double>(n);
    const double mean = sum[n] / count;
    const double all = std::max(kMinSpread * kMinSpread, sum2[n] / count - mean * mean);
    double one = 0.0, two = 0.0;
    for (size_t i = 0; i < n; ++i) {
        one += -0.5 * (logs[i] - mean) * (logs[i] - mean) / all - 0.5 * std::log(all);
        const double a = (1.0 - share) * std::exp(-0.5 * (logs[i] - m1) * (logs[i] - m1) / var);
        const double b = share * std::exp(-0.5 * (logs[i] - m2) * (logs[i] - m2) / var);
        two += std::log(std::max(a + b, 1e-300)) - 0.5 * std::log(var);
    }
    if (two - one < std::log(count)) return out;
    out.found = true;
    return out;
}
