#include "outputs/tempregistry.h"

#include <limits.h>
#include <unistd.h>

#include <atomic>
#include <cstring>

namespace {

// A slot's path is written while the slot is free and published by its flag
// before the file is created, so the handler (on any thread) reads a whole
// path, and a file never exists unregistered.
constexpr int tempSlots = 4;
char tempPaths[tempSlots][PATH_MAX];
std::atomic<bool> tempInUse[tempSlots];
static_assert(std::atomic<bool>::is_always_lock_free, "the handlers may only touch lock-free atomics");

}  // namespace

int registerTemporary(const std::string& path) {
    if (path.size() >= PATH_MAX) {
        return -1;
    }
    for (int slot = 0; slot < tempSlots; slot++) {
        if (!tempInUse[slot].load(std::memory_order_relaxed)) {
            std::memcpy(tempPaths[slot], path.c_str(), path.size() + 1);
            tempInUse[slot].store(true, std::memory_order_release);
            return slot;
        }
    }
    return -1;
}

void releaseTemporary(int slot) {
    if (slot >= 0) {
        tempInUse[slot].store(false, std::memory_order_release);
    }
}

void removeRegisteredTemporaries() {
    for (int i = 0; i < tempSlots; i++) {
        if (tempInUse[i].load(std::memory_order_acquire)) {
            unlink(tempPaths[i]);
        }
    }
}
