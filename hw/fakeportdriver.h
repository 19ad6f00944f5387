// A port driver that only records: every write (address, value, size) and
// how often it was opened and closed. It can be told to refuse the open or
// to fail writes, so the callers' failure paths can be driven. Used by the
// tests of every folder that writes to the port.
#pragma once

#include <cstdint>
#include <mutex>
#include <vector>

#include "hw/portdriver.h"

struct tagPortWrite {
    uint16_t address;
    uint32_t value;
    uint8_t size;
};

class CFakePortDriver : public IPortDriver {
public:
    int Initialize() override;
    int SetPortVal(uint16_t address, uint32_t value, uint8_t size) override;
    void Shutdown() override;

    // Makes Initialize fail from now on (or succeed again).
    void SetFailInitialize(int fail);
    // Makes every write fail from now on (or succeed again).
    void SetFailWrites(int fail);
    // Makes only the write with this 0-based index fail; -1 for none.
    void SetFailWriteAt(int index);

    std::vector<tagPortWrite> Writes();
    void ClearWrites();
    int InitializeCount();
    int ShutdownCount();
    // 1 between a successful Initialize and the next Shutdown.
    int IsOpen();
    // Writes that arrived while the driver was not open.
    int WritesWhileClosed();

private:
    std::mutex m_lock;
    std::vector<tagPortWrite> m_writes;
    int m_nWriteCalls = 0;
    int m_nInitialize = 0;
    int m_nShutdown = 0;
    int m_bOpen = 0;
    int m_nWritesWhileClosed = 0;
    int m_bFailInitialize = 0;
    int m_bFailWrites = 0;
    int m_nFailWriteAt = -1;
};
