#pragma once

#include <QtGlobal>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <type_traits>

// A growable array of plain values for the store's big columns.
//
// Copies share the values until one of them changes (then it takes a copy
// of its own), as Qt's containers do. Unlike them it grows with realloc,
// which for large arrays moves pages instead of copying bytes: on a machine
// where fresh memory is slow to hand out, doubling a 100 MB column by
// copying would hold the program for a noticeable moment.
template<typename T>
class PodVector
{
    static_assert(std::is_trivially_copyable_v<T>, "PodVector holds plain values only");

public:
    using value_type = T;
    using const_iterator = const T *;

    PodVector() = default;
    PodVector(std::initializer_list<T> values)
    {
        for (const T &value : values)
            append(value);
    }

    int size() const { return block ? block->size : 0; }
    int capacity() const { return block ? block->capacity : 0; }
    // What the values take; the room reserved beyond them is address space
    // the system has not given yet.
    qint64 bytes() const { return qint64(size()) * qint64(sizeof(T)); }
    bool isEmpty() const { return size() == 0; }
    const T &operator[](int i) const { return block->data[i]; }
    T &operator[](int i) { detach(); return block->data[i]; }
    const T *constData() const { return block ? block->data : nullptr; }
    const T *data() const { return constData(); }
    T *data() { detach(); return block ? block->data : nullptr; }
    const T *cbegin() const { return constData(); }
    const T *cend() const { return constData() + size(); }
    const T *begin() const { return cbegin(); }
    const T *end() const { return cend(); }
    const T &constLast() const { return block->data[block->size - 1]; }

    void reserve(int capacity)
    {
        detach();
        grow(capacity);
    }

    void resize(int newSize)
    {
        detach();
        if (newSize > block->capacity)
            grow(std::max(newSize, block->capacity * 2));
        if (newSize > block->size)
            std::fill(block->data + block->size, block->data + newSize, T());
        block->size = newSize;
    }

    void append(const T &value)
    {
        const T copy = value;
        detach();
        if (block->size == block->capacity)
            grow(std::max(16, block->capacity * 2));
        block->data[block->size++] = copy;
    }

    // Appends `count` values; a record's few values are copied one by one,
    // which beats a call to memcpy.
    void append(const T *values, int count)
    {
        detach();
        if (block->size + count > block->capacity)
            grow(std::max({16, block->size + count, block->capacity * 2}));
        T *to = block->data + block->size;
        for (int i = 0; i < count; ++i)
            to[i] = values[i];
        block->size += count;
    }

    void insert(int at, const T &value)
    {
        // The value may stand in this array.
        const T copy = value;
        insert(at, &copy, 1);
    }

    // Closes up over the first `count` values, in place.
    void removeFirst(int count) { remove(0, count); }

    // Closes up over `count` values from `at`, in place.
    void remove(int at, int count)
    {
        if (count <= 0)
            return;
        detach();
        count = std::min(count, block->size - at);
        std::memmove(block->data + at, block->data + at + count, size_t(block->size - at - count) * sizeof(T));
        block->size -= count;
    }

    // Opens room for `count` values at `at` and copies them there.
    void insert(int at, const T *values, int count)
    {
        if (count <= 0)
            return;
        detach();
        if (block->size + count > block->capacity)
            grow(std::max({16, block->size + count, block->capacity * 2}));
        std::memmove(block->data + at + count, block->data + at, size_t(block->size - at) * sizeof(T));
        std::memcpy(block->data + at, values, size_t(count) * sizeof(T));
        block->size += count;
    }

    // A copy of `count` values from `at`.
    PodVector mid(int at, int count) const
    {
        PodVector part;
        if (count > 0) {
            part.resize(count);
            std::memcpy(part.block->data, block->data + at, size_t(count) * sizeof(T));
        }
        return part;
    }

    // Whether a copy holds these values too, so that a change would copy
    // them first.
    bool isShared() const { return block && block.use_count() > 1; }

    // Gives back the room reserved beyond the values.
    void squeeze()
    {
        if (!block || block->capacity == block->size)
            return;
        detach();
        if (block->size == 0) {
            block.reset();
            return;
        }
        T *moved = static_cast<T *>(std::realloc(block->data, size_t(block->size) * sizeof(T)));
        if (moved) {
            block->data = moved;
            block->capacity = block->size;
        }
    }

    void clear() { block.reset(); }

private:
    struct Block
    {
        T *data = nullptr;
        int size = 0;
        int capacity = 0;
        ~Block() { std::free(data); }
    };

    // Makes the values this array's own, ready to change.
    void detach()
    {
        if (!block) {
            block = std::make_shared<Block>();
            return;
        }
        if (block.use_count() == 1)
            return;
        auto own = std::make_shared<Block>();
        own->data = static_cast<T *>(std::malloc(size_t(std::max(1, block->capacity)) * sizeof(T)));
        Q_CHECK_PTR(own->data);
        std::memcpy(own->data, block->data, size_t(block->size) * sizeof(T));
        own->size = block->size;
        own->capacity = std::max(1, block->capacity);
        block = std::move(own);
    }

    void grow(int capacity)
    {
        if (capacity <= block->capacity)
            return;
        T *moved = static_cast<T *>(std::realloc(block->data, size_t(capacity) * sizeof(T)));
        Q_CHECK_PTR(moved);
        block->data = moved;
        block->capacity = capacity;
    }

    std::shared_ptr<Block> block;
};
