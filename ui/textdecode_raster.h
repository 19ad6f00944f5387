// Byte text to Unicode for the native text renderer. The program's texts are
// GBK (the Windows build draws them with DrawTextA on a Chinese code page);
// natively they may also come as UTF-8 from source literals. Valid UTF-8 is
// taken as UTF-8, otherwise GBK, and bytes neither accepts as Latin-1.
#pragma once

#include <cstddef>
#include <string>

std::u32string VdDecodeText(const char* text, size_t length);
