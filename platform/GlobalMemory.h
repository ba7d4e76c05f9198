#pragma once

#include "Types.h"

#include <cstddef>

// Windows global memory blocks: the rgb blocks of the imaging library are
// handed out as these and freed by their receiver with GlobalFree. A handle is
// the block's address, so GlobalLock answers it directly.
using HGLOBAL = void *;

constexpr UINT GMEM_FIXED = 0x0000;
constexpr UINT GMEM_MOVEABLE = 0x0002;
constexpr UINT GMEM_ZEROINIT = 0x0040;
constexpr UINT GPTR = GMEM_FIXED | GMEM_ZEROINIT;

// Null when the block cannot be had (the last error is then
// ERROR_NOT_ENOUGH_MEMORY); a size of 0 still gives a block.
HGLOBAL GlobalAlloc(UINT flags, size_t bytes);
// Answers null on success, as Windows does; null is accepted.
HGLOBAL GlobalFree(HGLOBAL block);
void *GlobalLock(HGLOBAL block);
BOOL GlobalUnlock(HGLOBAL block);
size_t GlobalSize(HGLOBAL block);
