// The main window's port object and the port test.
#include "hw/portoutput.h"

#include "hw/portdriver.h"

CPortOutput::CPortOutput(uint16_t address, uint8_t initialByte) : m_bReady(0) {
    if (!OpenPortDriver()) return;
    m_bReady = WritePortDriver(address, initialByte, 1);
    // A driver that opened but refused the first byte is never used again,
    // so it is closed now rather than held open for the object's life.
    if (!m_bReady) ClosePortDriver();
}

CPortOutput::~CPortOutput() {
    if (m_bReady) ClosePortDriver();
}

int CPortOutput::Write(uint16_t address, uint8_t byte) {
    if (!m_bReady) return 0;
    return WritePortDriver(address, byte, 1);
}

int PortTest(PortTestMessageFn message, void* context) {
    if (!OpenPortDriver()) return PORT_TEST_NOT_OPENED;
    if (message) message(context, "init ok");
    int result = PORT_TEST_OPENED;
    if (WritePortDriver(PORT_TEST_ADDRESS, PORT_TEST_BYTE, 1)) {
        if (message) message(context, "write ok");
        result = PORT_TEST_WRITTEN;
    }
    ClosePortDriver();
    return result;
}
