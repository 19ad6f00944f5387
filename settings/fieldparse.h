// Text rules of the settings dialog's fields: how each kind of field shows a
// value and how its text is read back. The dialog code only moves texts in
// and out of controls; everything that decides a value lives here, so it is
// tested without a window.
#pragma once

#include <cstddef>
#include <cstdint>

// Longest text the floating-point fields scan.
constexpr int FIELD_DOUBLE_CHARS = 30;

// "%.4lf" into out.
void FormatDoubleField(double value, char* out, size_t size);
// "%2.2hX" / "%4.4hX" into out (upper case, zero-filled).
void FormatHexByteField(uint8_t value, char* out, size_t size);
void FormatHexWordField(uint16_t value, char* out, size_t size);

// Scans a leading decimal number ("%lf"). Only the first FIELD_DOUBLE_CHARS
// characters are looked at. Returns 1 and sets *value when a number is
// found; otherwise returns 0 and *value stays.
int ParseDoubleField(const char* text, double* value);

// Scans a leading signed decimal integer ("%d"). Values beyond the 32-bit
// range are clamped. Returns 1 when a number is found, else 0 and *value
// stays.
int ParseIntField(const char* text, int32_t* value);

// Byte fields: the text scans as hex into a 16-bit temporary that starts at
// 0, and its low byte is stored, so an empty or non-hex field gives 0.
void ParseHexByteField(const char* text, uint8_t* value);

// Word fields: the text scans as hex straight into the value; the value
// stays when no hex number is found. Returns 1 when one was found.
int ParseHexWordField(const char* text, uint16_t* value);

// A local or host port the dialog accepts: greater than 0, less than 65535.
int IsAcceptedPort(int32_t port);

// Upper-cases the ASCII letters of a zero-terminated text in place (the
// Koch character set is kept in capitals).
void UpperCaseAscii(char* text);

// What the "add host" button finds wrong with its two entry fields.
enum : int {
    HOST_ENTRY_OK = 0,
    HOST_ENTRY_NO_HOST = 1,   // empty host text
    HOST_ENTRY_NO_PORT = 2,   // port field not a number in range
};
// hostText: the host entry field; portText: the port field's text.
// On HOST_ENTRY_OK, *port holds the port.
int CheckHostEntry(const char* hostText, const char* portText, int32_t* port);
