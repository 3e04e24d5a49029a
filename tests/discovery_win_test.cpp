// Tests of Windows discovery on the machine's own device set (Wine's virtual HID devices under the cross build).
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "watchman_discovery.h"

namespace vesko {
namespace {

DWORD handleCount() {
    DWORD count = 0;
    EXPECT_TRUE(::GetProcessHandleCount(::GetCurrentProcess(), &count));
    return count;
}

TEST(WindowsDiscovery, EnumerationRunsToTheEndAndFindsNoUnit) {
    WatchmanEnumeration found;
    ASSERT_TRUE(enumerateWatchmen(found));
    EXPECT_TRUE(found.candidates.empty());
    EXPECT_TRUE(found.mcuPaths.empty());
    EXPECT_TRUE(found.permissionDenied.empty());
}

TEST(WindowsDiscovery, OpenPrintsOnlyTheCountLineWhenVerbose) {
    WideString chosen = u"(untouched)";
    ::testing::internal::CaptureStdout();
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(openWatchman(u"", &chosen, true), kNoDevice);
    const std::string out = ::testing::internal::GetCapturedStdout();
    const std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(out, "TundraImu: 0 Watchman device(s), 0 MCU-paired\n");
    EXPECT_EQ(err, "");
    EXPECT_EQ(chosen, u"(untouched)");

    ::testing::internal::CaptureStdout();
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(openWatchman(u"LHR-A", nullptr, false), kNoDevice);
    EXPECT_EQ(::testing::internal::GetCapturedStdout() + ::testing::internal::GetCapturedStderr(), "");
}

TEST(WindowsDiscovery, NoHandleOrDeviceSetOutlivesTheCall) {
    EXPECT_EQ(openWatchman(u"", nullptr, false), kNoDevice);  // loads the libraries first
    const DWORD before = handleCount();
    for (int i = 0; i < 5; ++i) EXPECT_EQ(openWatchman(u"", nullptr, false), kNoDevice);
    EXPECT_EQ(handleCount(), before);
}

}  // namespace
}  // namespace vesko
