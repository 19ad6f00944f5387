// Practice text generation (see kochpractice.h).
#include "training/kochpractice.h"

#include <cstdlib>
#include <cstring>
#include <ctime>

#include "settings/vardosetting.h"
#include "training/kochtext.h"
#include "training/statsfile.h"

int GeneratePracticeText() {
    if (!g_pSetting || !g_pSetting->koch_weighted) {
        GenerateKochText();
        return 0;
    }
    CCharStats stats;
    const int loaded = LoadCharStats(VARDO_STATS_FILE, &stats);
    const char* list = g_pSetting->charlist;
    const size_t n = strnlen(list, KOCH_CHARLIST_SIZE - 1);
    int32_t weights[KOCH_CHARLIST_SIZE] = {};
    for (size_t k = 0; k < n; ++k) {
        weights[k] = KochWeight(stats.PracticeErrorRate(list[k]));
    }
    srand(static_cast<unsigned>(time(nullptr)));
    FillWeightedKochText(g_szKochText, KOCH_TEXT_LEN, list, g_pSetting->koch_wordlen, weights);
    return loaded;
}
