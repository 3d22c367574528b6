#include "faultinject.h"

#include <pthread.h>

#include <atomic>
#include <cerrno>
#include <cstddef>

extern "C" {
void* __real_malloc(size_t size);
void* __real_realloc(void* block, size_t size);
int __real_pthread_create(pthread_t* thread, const pthread_attr_t* attr, void* (*start)(void*), void* arg);
}

namespace {

std::atomic<long> allocationsLeft{-1};
std::atomic<long> threadStartsLeft{-1};
std::atomic<long> allocationCount{0};
std::atomic<long> threadStartCount{0};

// True when this call is the one to fail; a counter of -1 is disarmed.
bool takeFailure(std::atomic<long>& left) {
    long current = left.load();
    while (current >= 0) {
        if (left.compare_exchange_weak(current, current - 1)) {
            return current == 0;
        }
    }
    return false;
}

}  // namespace

extern "C" void* __wrap_malloc(size_t size) {
    allocationCount++;
    return takeFailure(allocationsLeft) ? nullptr : __real_malloc(size);
}

extern "C" void* __wrap_realloc(void* block, size_t size) {
    allocationCount++;
    return takeFailure(allocationsLeft) ? nullptr : __real_realloc(block, size);
}

extern "C" int __wrap_pthread_create(pthread_t* thread, const pthread_attr_t* attr, void* (*start)(void*),
                                     void* arg) {
    threadStartCount++;
    return takeFailure(threadStartsLeft) ? EAGAIN : __real_pthread_create(thread, attr, start, arg);
}

namespace faultinject {

void failAllocationAfter(long n) {
    allocationsLeft = n;
}
void failThreadStartAfter(long n) {
    threadStartsLeft = n;
}
void reset() {
    allocationsLeft = -1;
    threadStartsLeft = -1;
    allocationCount = 0;
    threadStartCount = 0;
}
long allocations() {
    return allocationCount;
}
long threadStarts() {
    return threadStartCount;
}

}  // namespace faultinject
