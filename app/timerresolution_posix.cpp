// POSIX timers already wake to well within a millisecond: nothing to raise.
#include "app/timerresolution.h"

CTimerResolution::CTimerResolution() : m_bRaised(0) {}

CTimerResolution::~CTimerResolution() {}
