// ICwEventListener: how the capture reports each analysed frame to the
// receive side. state is 1 when a tone was found in the detection band and
// 0 when not; the call comes from the thread that runs the analysis.
#pragma once

#include <cstdint>

class ICwEventListener {
public:
    // sender: the capture object that analysed the frame.
    virtual int OnCwEvent(void* sender, int32_t state) = 0;

protected:
    ~ICwEventListener() = default;
};
