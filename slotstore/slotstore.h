// The slot array: a growable table of 8-byte slots, each holding either a
// float (in its first 4 bytes) or a thread handle. Used as a stack: `top` is
// the index of the last slot in use (-1 when empty) and a valid position lies
// above `bottom`, which is always -1.
//
// Callers may write slots and `top` directly, as long as -1 <= top < capacity.
#pragma once

#include <pthread.h>

#include <cstdint>

union ArrayItem {
    float value;
    pthread_t thread;
};
static_assert(sizeof(ArrayItem) == 8, "a slot is 8 bytes: a float or a thread handle");

struct Array {
    ArrayItem* data;  // `capacity` contiguous slots
    int32_t top;
    int32_t bottom;
    uint32_t capacity;
};

// Makes an empty array (top and bottom -1) with room for `capacity` slots,
// left uninitialised. Capacity 0 succeeds with no block. When the block
// cannot be allocated returns false and leaves an empty array of capacity 0.
bool createArray(Array* array, uint32_t capacity);

// Releases the slot block; the record is left empty, with capacity 0.
void deleteArray(Array* array);

// Resizes the block to `capacity` slots, keeping the slots that fit. Returns
// false, with the array unchanged, when the block cannot be resized or when
// `capacity` would drop slots in use (below top + 1).
bool reallocArray(Array* array, uint32_t capacity);

// Appends `item` above `top`, growing the block by 10 slots when it is full.
// Returns false, with the array unchanged, when it cannot grow.
bool arrayAddTop(Array* array, ArrayItem item);

// Copies the slot at `position` into `item`. Note the inverted result: false
// (0) when the slot was copied, true (1) when the position is not in use
// (not in bottom + 1 ... top); `item` is then left alone.
bool accessPosition(Array* array, uint32_t position, ArrayItem* item);
