// The platform half of CFontDesc: making and releasing the font object that
// GetFont caches. Each back end (GDI, FreeType raster) supplies both.
#pragma once

#include "ui/fontdesc.h"

// A new platform font for the description, or null if none can be made.
void* VdCreatePlatformFont(const VdLogFont& desc);
void VdDestroyPlatformFont(void* font);
