// gtest's Notification needs std::mutex, which the win32 thread model of
// mingw's GCC 12 lacks. The tests use no threads of gtest's, so a polled flag
// stands in for it.
#pragma once

#ifdef _WIN32
#include <windows.h>

#define GTEST_HAS_NOTIFICATION_ 1

namespace testing {
namespace internal {

class Notification {
public:
    Notification() : notified_(false) {}
    Notification(const Notification&) = delete;
    Notification& operator=(const Notification&) = delete;
    void Notify() { notified_ = true; }
    void WaitForNotification()
    {
        while (!notified_)
            Sleep(1);
    }

private:
    volatile bool notified_;
};

}  // namespace internal
}  // namespace testing
#endif
