#include "GlobalMemory.h"

#include "LastError.h"

#include <cstdlib>
#include <cstring>
#include <new>

// Each block starts with its size, so that GlobalSize can answer; the caller
// sees the bytes after it, aligned for any type.
struct alignas(std::max_align_t) BlockHeader
{
    size_t bytes;
};

static BlockHeader *headerOf(HGLOBAL block)
{
    return static_cast<BlockHeader *>(block) - 1;
}

HGLOBAL GlobalAlloc(UINT flags, size_t bytes)
{
    if (bytes > SIZE_MAX - sizeof(BlockHeader)) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    auto *header = static_cast<BlockHeader *>((flags & GMEM_ZEROINIT) ? std::calloc(1, sizeof(BlockHeader) + bytes)
                                                                       : std::malloc(sizeof(BlockHeader) + bytes));
    if (!header) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    header->bytes = bytes;
    return header + 1;
}

HGLOBAL GlobalFree(HGLOBAL block)
{
    if (block)
        std::free(headerOf(block));
    return nullptr;
}

void *GlobalLock(HGLOBAL block)
{
    return block;
}

BOOL GlobalUnlock(HGLOBAL block)
{
    return block != nullptr;
}

size_t GlobalSize(HGLOBAL block)
{
    return block ? headerOf(block)->bytes : 0;
}
