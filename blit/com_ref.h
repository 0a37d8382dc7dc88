// A holder of one reference to a component object, released when the holder goes.
#pragma once

template <typename T> class ComRef {
public:
    ComRef() = default;
    ~ComRef() { reset(); }
    ComRef(const ComRef&) = delete;
    ComRef& operator=(const ComRef&) = delete;
    ComRef(ComRef&& other) noexcept : object_(other.object_) { other.object_ = nullptr; }
    ComRef& operator=(ComRef&& other) noexcept {
        if (this != &other) {
            reset();
            object_ = other.object_;
            other.object_ = nullptr;
        }
        return *this;
    }

    // For the out-parameter of a call that hands over a reference.
    T** out() {
        reset();
        return &object_;
    }
    T* get() const { return object_; }
    T* operator->() const { return object_; }
    explicit operator bool() const { return object_ != nullptr; }

    void reset() {
        if (object_ != nullptr)
            object_->Release();
        object_ = nullptr;
    }

private:
    T* object_ = nullptr;
};
