// 1 ms system timer while the station runs.
#include "app/timerresolution.h"

#include <windows.h>
#include <mmsystem.h>

CTimerResolution::CTimerResolution() : m_bRaised(timeBeginPeriod(1) == TIMERR_NOERROR ? 1 : 0) {}

CTimerResolution::~CTimerResolution() {
    if (m_bRaised) {
        timeEndPeriod(1);
    }
}
