#pragma once
// A zero-filled float array owned by the engine. Zero pages come from the
// allocator lazily, so memory is only committed where the engine writes.

#include <cstddef>
#include <cstdlib>
#include <memory>

class FloatArray {
public:
    FloatArray() = default;

    // False when the memory is not available; the array is then empty.
    bool Allocate(size_t count) {
        data_.reset(static_cast<float*>(std::calloc(count, sizeof(float))));
        size_ = data_ ? count : 0;
        return data_ != nullptr;
    }

    float* data() { return data_.get(); }
    const float* data() const { return data_.get(); }
    size_t size() const { return size_; }
    float& operator[](size_t i) { return data_[i]; }
    float operator[](size_t i) const { return data_[i]; }

private:
    struct Free {
        void operator()(float* p) const { std::free(p); }
    };
    std::unique_ptr<float[], Free> data_;
    size_t size_ = 0;
};
