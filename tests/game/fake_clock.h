// A tick count the test sets by hand, installed as GetTickCount's source for the test's length.
#pragma once

#include "platform_ext.h"
#include "windows.h"

class FakeClock {
public:
    explicit FakeClock(DWORD start) {
        now() = start;
        platform_ext::setTickSource(&read);
    }
    ~FakeClock() { platform_ext::setTickSource(nullptr); }

    FakeClock(const FakeClock&) = delete;
    FakeClock& operator=(const FakeClock&) = delete;

    void set(DWORD tick) { now() = tick; }
    void advance(DWORD milliseconds) { now() += milliseconds; }
    DWORD tick() const { return now(); }

private:
    static DWORD& now() {
        static DWORD value = 0;
        return value;
    }
    static DWORD read() { return now(); }
};
