// Koch lessons: the order in which characters are learned, and the rule
// that tells when the learner is ready for the next one.
#pragma once

#include "morse/morsecode.h"
#include "training/charstats.h"

// The usual Koch teaching order (the prosigns that close it are not single
// characters and cannot be in a character set).
extern const char KOCH_ORDER[];

// Ready for the next character: the last LESSON_SESSIONS sessions that
// scored at least LESSON_MIN_SESSION_CHARS characters were all drawn from
// exactly this set and got LESSON_PERCENT or more of their characters right
// together. Shorter sessions (a quick look, a session ended at once) are
// passed over.
constexpr int LESSON_SESSIONS = 3;
constexpr int LESSON_MIN_SESSION_CHARS = 20;
constexpr int LESSON_PERCENT = 90;

// The first character of KOCH_ORDER that is not in charList and that the
// station's Morse table can send; 0 when there is none.
char NextKochCharacter(const char* charList, const tagMorseCode* table);

// Nonzero when the sessions in stats meet the rule above for charList.
int LessonPassed(const CCharStats& stats, const char* charList);
