#include "slotstore/slotstore.h"

#include <cstdint>
#include <cstdlib>

namespace {

constexpr uint32_t growthStep = 10;

}  // namespace

bool createArray(Array* array, uint32_t capacity) {
    array->top = -1;
    array->bottom = -1;
    array->capacity = capacity;
    array->data = nullptr;
    if (capacity == 0) {
        return true;
    }
    array->data = static_cast<ArrayItem*>(malloc(sizeof(ArrayItem) * capacity));
    if (array->data == nullptr) {
        // A record that claims slots it does not have would let a later
        // append write through a null block.
        array->capacity = 0;
        return false;
    }
    return true;
}

void deleteArray(Array* array) {
    free(array->data);
    array->data = nullptr;
    array->capacity = 0;
    array->top = -1;
}

bool reallocArray(Array* array, uint32_t capacity) {
    if (int64_t{capacity} < int64_t{array->top} + 1) {
        return false;
    }
    if (capacity == 0) {
        // realloc to zero bytes may free the block and answer null; do it
        // explicitly so the record never holds a dangling pointer.
        free(array->data);
        array->data = nullptr;
        array->capacity = 0;
        return true;
    }
    auto* resized = static_cast<ArrayItem*>(realloc(array->data, sizeof(ArrayItem) * capacity));
    if (resized == nullptr) {
        return false;
    }
    array->data = resized;
    array->capacity = capacity;
    return true;
}

bool arrayAddTop(Array* array, ArrayItem item) {
    if (array->top == INT32_MAX) {
        return false;
    }
    // Growth happens only while capacity <= top + 1 <= 2^31, so adding the
    // step cannot overflow.
    if (int64_t{array->top} + 1 >= int64_t{array->capacity} &&
        !reallocArray(array, array->capacity + growthStep)) {
        return false;
    }
    array->top++;
    array->data[array->top] = item;
    return true;
}

bool accessPosition(Array* array, uint32_t position, ArrayItem* item) {
    if (int64_t{position} <= int64_t{array->bottom} || int64_t{position} > int64_t{array->top}) {
        return true;
    }
    *item = array->data[position];
    return false;
}
