#include "report/charts/pngfile.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>

namespace {

constexpr unsigned char signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};

uint32_t bigEndian(const unsigned char* bytes) {
    return uint32_t{bytes[0]} << 24 | uint32_t{bytes[1]} << 16 | uint32_t{bytes[2]} << 8 | uint32_t{bytes[3]};
}

}  // namespace

bool isWholePng(int fd) {
    struct stat info {};
    unsigned char head[8];
    if (fstat(fd, &info) != 0 || pread(fd, head, sizeof head, 0) != sizeof head ||
        memcmp(head, signature, sizeof signature) != 0) {
        return false;
    }
    const auto size = static_cast<uint64_t>(info.st_size);
    // Each chunk: its data's length, its type, the data, a CRC.
    for (uint64_t at = sizeof signature; at + 12 <= size;) {
        unsigned char chunk[8];
        if (pread(fd, chunk, sizeof chunk, static_cast<off_t>(at)) != sizeof chunk) {
            return false;
        }
        const uint64_t next = at + 12 + bigEndian(chunk);
        if (memcmp(chunk + 4, "IEND", 4) == 0) {
            return next == size;
        }
        at = next;
    }
    return false;
}
