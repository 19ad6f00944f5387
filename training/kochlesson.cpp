// Koch order and the lesson rule (see kochlesson.h).
#include "training/kochlesson.h"

#include <cstring>

const char KOCH_ORDER[] = "KMRSUAPTLOWI.NJEF0Y,VG5/Q9ZH38B?427C1D6X";

char NextKochCharacter(const char* charList, const tagMorseCode* table) {
    const char* list = charList ? charList : "";
    for (const char* c = KOCH_ORDER; *c; ++c) {
        if (std::strchr(list, *c) != nullptr) {
            continue;
        }
        // Characters the table does not hold would be sent as word gaps.
        if (table && FindCode(table, *c)->nChar != '_') {
            return *c;
        }
    }
    return 0;
}

int LessonPassed(const CCharStats& stats, const char* charList) {
    const std::string list = charList ? charList : "";
    int64_t right = 0, all = 0;
    int counted = 0;
    const std::vector<tagSessionTally>& sessions = stats.Sessions();
    for (auto s = sessions.rbegin(); s != sessions.rend() && counted < LESSON_SESSIONS; ++s) {
        const int64_t scored = s->nRight + s->nWrong + s->nMissed;
        if (scored < LESSON_MIN_SESSION_CHARS) {
            continue;
        }
        if (s->szCharList != list) {
            return 0;
        }
        right += s->nRight;
        all += scored;
        ++counted;
    }
    return counted == LESSON_SESSIONS && right * 100 >= all * LESSON_PERCENT;
}
