// The notice hook in front of the platform's message.
#include "app/stationnotice.h"

#include <mutex>
#include <utility>

namespace {
std::mutex& HookLock() {
    static std::mutex lock;
    return lock;
}
StationNoticeHook& Hook() {
    static StationNoticeHook hook;
    return hook;
}
}  // namespace

void SetStationNoticeHook(StationNoticeHook hook) {
    std::lock_guard<std::mutex> lock(HookLock());
    Hook() = std::move(hook);
}

void ShowStationNotice(void* ownerWindow, int notice) {
    StationNoticeHook hook;
    {
        std::lock_guard<std::mutex> lock(HookLock());
        hook = Hook();
    }
    if (hook) {
        hook(ownerWindow, notice);
        return;
    }
    PlatformShowStationNotice(ownerWindow, notice);
}
