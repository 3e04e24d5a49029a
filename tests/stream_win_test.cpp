// The stream on the Windows port (overlapped ReadFile, event wait, CancelIoEx),
// with named pipes standing in for the unit: reports in, a silent wait, a unit
// that vanishes and another found in its place, and how quickly stop returns.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>

#include "fakes/stream_pipe_enumeration.h"
#include "fakes/stream_report.h"
#include "tundra_imu.h"
#include "win_handle.h"

namespace vesko {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

const std::string kSerialA = "LHR-PIPE0001";
const std::string kSerialB = "LHR-PIPE0002";
const std::string kDash = "\xE2\x80\x94";  // U+2014 in UTF-8
constexpr DWORD kPipeBuffer = 4096;       // bytes
constexpr DWORD kClientWaitMs = 6000;     // a reconnection comes after about 2 s

std::string withoutCarriageReturns(std::string text) {
    std::erase(text, '\r');
    return text;
}

std::wstring uniquePipeName() {
    static int next = 0;
    return L"\\\\.\\pipe\\headvane-stream-" + std::to_wstring(::GetCurrentProcessId()) + L"-" +
           std::to_wstring(++next);
}

// The server end of a message-mode pipe: the unit's side of the wire.
class PipeUnit {
public:
    PipeUnit(const std::string& serial) : name_(uniquePipeName()) {
        server_.reset(::CreateNamedPipeW(name_.c_str(), PIPE_ACCESS_DUPLEX | FILE_FLAG_OVERLAPPED,
                                         PIPE_TYPE_MESSAGE | PIPE_READMODE_MESSAGE | PIPE_WAIT, 1,
                                         kPipeBuffer, kPipeBuffer, 0, nullptr));
        event_.reset(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
        fake::offerPipe(name_, serial);
    }

    bool valid() const { return server_.valid() && event_.valid(); }

    // Until the stream has opened our client end.
    bool waitForClient(DWORD milliseconds = kClientWaitMs) {
        OVERLAPPED overlapped{};
        overlapped.hEvent = event_.get();
        if (::ConnectNamedPipe(server_.get(), &overlapped)) return true;
        const DWORD error = ::GetLastError();
        if (error == ERROR_PIPE_CONNECTED) return true;
        if (error != ERROR_IO_PENDING) return false;
        if (::WaitForSingleObject(event_.get(), milliseconds) == WAIT_OBJECT_0) return true;
        ::CancelIoEx(server_.get(), &overlapped);
        DWORD ignored = 0;
        ::GetOverlappedResult(server_.get(), &overlapped, &ignored, TRUE);
        return false;
    }

    bool send(const fake::ReportBytes& report) {
        OVERLAPPED overlapped{};
        overlapped.hEvent = event_.get();
        DWORD written = 0;
        if (!::WriteFile(server_.get(), report.data(), static_cast<DWORD>(report.size()), &written,
                         &overlapped)) {
            if (::GetLastError() != ERROR_IO_PENDING) return false;
            if (!::GetOverlappedResult(server_.get(), &overlapped, &written, TRUE)) return false;
        }
        return written == report.size();
    }

    // The unit is unplugged: the pipe breaks under the reader.
    void vanish() { server_.reset(); }

private:
    std::wstring name_;
    UniqueHandle server_;
    UniqueHandle event_;
};

template <typename Done>
bool eventually(Done done, std::chrono::milliseconds limit = 5s) {
    const auto until = Clock::now() + limit;
    while (!done()) {
        if (Clock::now() > until) return false;
        std::this_thread::sleep_for(5ms);
    }
    return true;
}

std::chrono::milliseconds timeToStop(TundraImu& imu) {
    const auto before = Clock::now();
    imu.stop();
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - before);
}

// A broken pipe reads as 109 or 233, depending on how far the disconnect got.
bool isLossLine(const std::string& line) {
    const std::string tail = ") " + kDash + " device gone, waiting for reconnect\n";
    return line == "TundraImu: read failed (err 109" + tail ||
           line == "TundraImu: read failed (err 233" + tail;
}

class StreamWinTest : public testing::Test {
protected:
    void SetUp() override { fake::withdrawPipes(); }
    void TearDown() override {
        imu.stop();
        fake::withdrawPipes();
    }

    void openCaptured(const std::string& serial) {
        testing::internal::CaptureStdout();
        const bool opened = imu.open("");
        EXPECT_EQ(withoutCarriageReturns(testing::internal::GetCapturedStdout()),
                  "TundraImu: 1 Watchman device(s), 1 MCU-paired\nTundraImu: using " + serial + "\n");
        ASSERT_TRUE(opened);
    }

    TundraImu imu;
};

TEST_F(StreamWinTest, StreamsSurvivesASilentWaitAndReconnectsToAnotherUnit) {
    PipeUnit a(kSerialA);
    ASSERT_TRUE(a.valid());
    std::atomic<int> samples{0};
    imu.setSampleCallback([&](const ImuSample&) { samples.fetch_add(1); });
    openCaptured(kSerialA);
    ASSERT_TRUE(a.waitForClient());
    testing::internal::CaptureStderr();
    ASSERT_TRUE(a.send(fake::imuReportBytes(10, 1000)));
    ASSERT_TRUE(a.send(fake::imuReportBytes(13, 4000)));
    ASSERT_TRUE(eventually([&] { return samples.load() == 6; }));

    // A real wait timeout, the read cancelled and drained, then data again.
    ASSERT_TRUE(eventually([&] { return imu.stats().timeouts == 1; }, 3s));
    ASSERT_TRUE(a.send(fake::imuReportBytes(16, 7000)));
    ASSERT_TRUE(eventually([&] { return samples.load() == 9; }));

    std::this_thread::sleep_for(50ms);  // the next read is under way
    fake::withdrawPipes();
    a.vanish();
    PipeUnit b(kSerialB);
    const bool reconnected = b.waitForClient();
    const bool sent = reconnected && b.send(fake::imuReportBytes(200, 900'000));
    const bool resumed = sent && eventually([&] { return samples.load() == 12; });
    const std::string serialAfter = imu.attachedSerial();
    imu.stop();
    const std::string err = withoutCarriageReturns(testing::internal::GetCapturedStderr());
    ASSERT_TRUE(resumed) << err;

    const std::string reconnectedLine = "TundraImu: reconnected to " + kSerialB + "\n";
    ASSERT_TRUE(err.ends_with(reconnectedLine)) << err;
    EXPECT_TRUE(isLossLine(err.substr(0, err.size() - reconnectedLine.size()))) << err;
    EXPECT_EQ(serialAfter, kSerialB);
    const ImuStreamStats stats = imu.stats();
    EXPECT_EQ(stats.reports, 4u);
    EXPECT_EQ(stats.gaps, 0u);  // the first sample after reconnecting starts afresh
    EXPECT_EQ(stats.timeouts, 1u);
}

TEST_F(StreamWinTest, StopCancelsAPendingReadAtOnce) {
    PipeUnit a(kSerialA);
    openCaptured(kSerialA);
    std::this_thread::sleep_for(50ms);  // the reader is in its 1000 ms wait
    const auto took = timeToStop(imu);
    EXPECT_LT(took, 500ms);
    EXPECT_EQ(imu.stats().timeouts, 0u);  // ended by the cancel, not by the wait
    std::printf("stop with a read pending: %lld ms\n", static_cast<long long>(took.count()));
}

TEST_F(StreamWinTest, StopWhileSearchingReturnsWithinANap) {
    PipeUnit a(kSerialA);
    openCaptured(kSerialA);
    testing::internal::CaptureStderr();
    std::this_thread::sleep_for(50ms);
    fake::withdrawPipes();
    a.vanish();
    std::this_thread::sleep_for(250ms);  // loss seen; the reader is halfway through a nap
    const auto took = timeToStop(imu);
    const std::string err = withoutCarriageReturns(testing::internal::GetCapturedStderr());
    EXPECT_LT(took, 1500ms);
    EXPECT_TRUE(isLossLine(err)) << err;
    std::printf("stop while searching: %lld ms\n", static_cast<long long>(took.count()));
}

}  // namespace
}  // namespace vesko
