// Owners of Win32 handles: each closed exactly once, never copied.
#pragma once

#include <windows.h>

#include <setupapi.h>

#include <utility>

namespace vesko {

// A kernel handle that uses INVALID_HANDLE_VALUE (files) or null (events) for "none".
class UniqueHandle {
public:
    UniqueHandle() noexcept = default;
    explicit UniqueHandle(HANDLE h) noexcept : h_(h) {}
    UniqueHandle(UniqueHandle&& other) noexcept : h_(other.release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        if (this != &other) reset(other.release());
        return *this;
    }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    ~UniqueHandle() { reset(); }

    HANDLE get() const noexcept { return h_; }
    bool valid() const noexcept { return h_ != nullptr && h_ != INVALID_HANDLE_VALUE; }
    HANDLE release() noexcept { return std::exchange(h_, INVALID_HANDLE_VALUE); }
    void reset(HANDLE h = INVALID_HANDLE_VALUE) noexcept {
        if (valid()) ::CloseHandle(h_);
        h_ = h;
    }

private:
    HANDLE h_ = INVALID_HANDLE_VALUE;
};

// A SetupAPI device-information set.
class UniqueDevInfo {
public:
    explicit UniqueDevInfo(HDEVINFO set) noexcept : set_(set) {}
    UniqueDevInfo(const UniqueDevInfo&) = delete;
    UniqueDevInfo& operator=(const UniqueDevInfo&) = delete;
    ~UniqueDevInfo() {
        if (valid()) ::SetupDiDestroyDeviceInfoList(set_);
    }

    HDEVINFO get() const noexcept { return set_; }
    bool valid() const noexcept { return set_ != INVALID_HANDLE_VALUE && set_ != nullptr; }

private:
    HDEVINFO set_;
};

}  // namespace vesko
