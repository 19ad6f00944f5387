// A small PNG encoder for looking at surfaces: 8-bit RGB, rows unfiltered,
// the zlib stream made of stored (uncompressed) deflate blocks, so no
// compression library is needed. Files are large but exact.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "ui/vdtypes.h"

class CDrawSurface;

uint32_t VdCrc32(const uint8_t* data, size_t length, uint32_t crc = 0);
uint32_t VdAdler32(const uint8_t* data, size_t length, uint32_t adler = 1);

// PNG bytes of width x height pixels given as 0x00BBGGRR, row by row; empty
// if the size is not positive or pixels is null.
std::vector<uint8_t> VdEncodePng(int width, int height, const VdColor* pixels);
// PNG bytes of a surface's whole back buffer (read through GetPixel).
std::vector<uint8_t> VdEncodePng(const CDrawSurface& surface);
// Writes the surface to path; 1 on success, 0 on failure.
int VdSavePng(const CDrawSurface& surface, const char* path);
