// How the Windows serial port is driven: the EscapeCommFunction code for a
// line level, and the port settings that leave DTR and RTS to this program
// alone. Apart from the port object so that tests can check them.
#pragma once

#include <windows.h>

#include <cstdint>

// SETDTR/CLRDTR for SERIAL_LINE_DTR, SETRTS/CLRRTS for SERIAL_LINE_RTS.
DWORD SerialLineFunction(int32_t line, int32_t asserted);
// Switches off every handshake that would move DTR or RTS, or hold output
// back, on its own; the other fields of the DCB are left as they are.
void SwitchOffHandshake(DCB* dcb);
