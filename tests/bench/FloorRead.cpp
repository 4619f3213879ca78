#include "tests/bench/FloorRead.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

std::int64_t floorRead(const char* path, std::uint64_t bytes)
{
    const std::size_t blockSize = 64 * 1024;
    std::FILE* f = std::fopen(path, "rb");
    if (!f)
        return -1;
    char* block = static_cast<char*>(std::malloc(blockSize));
    std::int64_t lineFeeds = 0;
    std::uint64_t done = 0;
    while (block && done < bytes) {
        std::size_t got = std::fread(block, 1, blockSize, f);
        if (got > bytes - done)
            got = static_cast<std::size_t>(bytes - done);
        done += got;
        const char* end = block + got;
        for (const char* p = block; (p = static_cast<const char*>(std::memchr(p, '\n', end - p))) != nullptr; ++p)
            ++lineFeeds;
        if (got < blockSize)
            break;
    }
    std::free(block);
    std::fclose(f);
    return lineFeeds;
}
