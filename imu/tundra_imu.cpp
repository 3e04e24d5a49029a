// The IMU stream's open and stop, and its reader loop: read, decode, accept,
// publish, and look for the unit again after it was lost.
#include "tundra_imu.h"

#include <array>
#include <cstdio>
#include <system_error>

#include "watchman_discovery.h"

namespace vesko {

namespace {

constexpr std::uint32_t kReadWaitMs = 1000;     // one read's wait for data
constexpr std::int32_t kSilentWaitsBeforeGone = 3;  // consecutive empty waits: about 3 s
constexpr int kReconnectNaps = 20;              // naps before each reconnection attempt: 2 s
constexpr std::chrono::milliseconds kReconnectNap{100};

constexpr char kNoMatchingDevice[] =
    "TundraImu: no matching 28DE:2300 MI_00 device (Dozero unplugged? wrong --imu-serial?)\n";
constexpr char kReadFileFailed[] = "ReadFile failed";
constexpr char kReadFailed[] = "read failed";

// The stream whose reader runs on this thread, if any: lets stop recognise a
// call from the sample callback without touching `reader` from the reader.
thread_local const TundraImu* readerOfThisThread = nullptr;

}  // namespace

// Values the reader thread alone touches; created when it starts.
struct TundraImu::ReaderContext {
    std::array<std::uint8_t, kImuReportReadSize> buf{};
    std::uint32_t got = 0;          // bytes transferred by the last read
    ImuSequenceState sequence;      // acceptance state of this connection
    std::int32_t silent = 0;        // consecutive reads that timed out
};

TundraImu::~TundraImu() { stop(); }

void TundraImu::setSampleCallback(SampleCallback callback) { onSample = std::move(callback); }

void TundraImu::setStreamEventCallback(StreamEventCallback callback) {
    onStreamEvent = std::move(callback);
}

void TundraImu::reportStreamEvent(ImuStreamEvent event, const std::string& detail) const {
    if (onStreamEvent) onStreamEvent(event, detail);
}

bool TundraImu::open(const std::string& serial) {
    // A stop asked from inside the callback leaves `running` set until the
    // reader has wound down; that reader is leaving, so it does not count.
    if (running.load() && (!stopRequested.load() || readerOfThisThread == this)) return true;
    // Finish that stop (join, close) before starting anew.
    if (reader.joinable()) stop();

    const WideString wserial = widenSerial(serial);
    WideString chosen;
    const DeviceHandle found = openWatchman(wserial, &chosen, true);
    if (found == kNoDevice) {
        std::fputs(kNoMatchingDevice, stderr);
        return false;
    }
    // Without its event the reader could never wait for a read: refuse now
    // rather than start a reader that can only fail.
    std::string what;
    if (!readEvent.create(what)) {
        closeDevice(found);
        std::fprintf(stderr, "TundraImu: cannot create the read event (%s)\n", what.c_str());
        return false;
    }
    serialFilter = wserial;
    std::printf("TundraImu: using %ls\n", toPrintable(chosen).c_str());
    std::fflush(stdout);
    setAttached(chosen);
    device.store(found);
    return startReader();
}

bool TundraImu::startReader() {
    stopRequested.store(false);
    running.store(true);
    try {
        reader = std::thread([this] { readerLoop(); });
        return true;
    } catch (const std::system_error& e) {
        running.store(false);
        dropDevice();
        readEvent.close();
        std::fprintf(stderr, "TundraImu: cannot start the reader thread (%s)\n", e.what());
        return false;
    }
}

void TundraImu::stop() {
    // The reader cannot join itself: from its own callback, only ask. It
    // leaves its loop after the callback; the owner's next stop joins it.
    if (readerOfThisThread == this) {
        stopRequested.store(true);
        return;
    }
    if (!running.load() && !reader.joinable()) return;
    stopRequested.store(true);
    cancelDeviceIo();
    if (reader.joinable()) reader.join();
    dropDevice();
    readEvent.close();
    running.store(false);
}

std::string TundraImu::attachedSerial() const {
    std::scoped_lock guard(lock);
    return attached;
}

bool TundraImu::lastRawSample(ImuSample& out, double* ageSeconds) const {
    std::scoped_lock guard(lock);
    if (!hasSample) return false;
    out = last;
    if (ageSeconds != nullptr) {
        *ageSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - lastAt).count();
    }
    return true;
}

ImuStreamStats TundraImu::stats() const {
    std::scoped_lock guard(lock);
    return counters;
}

void TundraImu::setAttached(const WideString& chosen) {
    std::string narrow = narrowSerial(chosen);
    std::scoped_lock guard(lock);
    attached = std::move(narrow);
}

void TundraImu::dropDevice() noexcept {
    std::scoped_lock guard(deviceGuard);
    const DeviceHandle dev = device.exchange(kNoDevice);
    if (dev != kNoDevice) closeDevice(dev);
}

bool TundraImu::adoptUnlessStopping(DeviceHandle found) noexcept {
    // A stop that came while discovery ran had no handle to cancel, so the
    // next read would sit out its whole wait. Checked under deviceGuard, so
    // a stop after this point has the handle to cancel.
    {
        std::scoped_lock guard(deviceGuard);
        if (!stopRequested.load()) {
            device.store(found);
            return true;
        }
    }
    closeDevice(found);
    return false;
}

void TundraImu::cancelDeviceIo() noexcept {
    std::scoped_lock guard(deviceGuard);
    const DeviceHandle dev = device.load();
    if (dev != kNoDevice) readEvent.cancelAll(dev);
}

void TundraImu::readerLoop() {
    readerOfThisThread = this;
    ReaderContext ctx;
    while (!stopRequested.load()) {
        if (device.load() == kNoDevice) {
            const SearchResult search = reconnect(ctx);
            if (search == SearchResult::stopping) break;
            if (search == SearchResult::notFound) continue;
        }
        if (readOnce(ctx) == ReadResult::stopReading) break;
    }
    running.store(false);
}

TundraImu::SearchResult TundraImu::reconnect(ReaderContext& ctx) {
    for (int nap = 0; nap < kReconnectNaps && !stopRequested.load(); ++nap) {
        std::this_thread::sleep_for(kReconnectNap);
    }
    if (stopRequested.load()) return SearchResult::stopping;

    WideString chosen;
    const DeviceHandle found = openWatchman(serialFilter, &chosen, false);
    if (found == kNoDevice) return SearchResult::notFound;
    if (!adoptUnlessStopping(found)) return SearchResult::stopping;
    ctx.sequence.haveLast = false;
    ctx.silent = 0;
    setAttached(chosen);
    std::fprintf(stderr, "TundraImu: reconnected to %ls\n", toPrintable(chosen).c_str());
    reportStreamEvent(ImuStreamEvent::reconnected, narrowSerial(chosen));
    return SearchResult::connected;
}

TundraImu::ReadResult TundraImu::readOnce(ReaderContext& ctx) {
    const DeviceHandle dev = device.load();
    unsigned long error = 0;
    ctx.got = 0;
    switch (readEvent.startRead(dev, ctx.buf.data(), kImuReportReadSize, ctx.got, error)) {
    case ReadChannel::Start::failed:
        return onReadFailure(kReadFileFailed, error);
    case ReadChannel::Start::pending:
        if (!readEvent.wait(kReadWaitMs)) {
            onSilentWait(ctx, dev);
            return ReadResult::keepReading;
        }
        if (!readEvent.result(dev, ctx.got, error)) return onReadFailure(kReadFailed, error);
        break;
    case ReadChannel::Start::completed:
        break;
    }
    onCompletedRead(ctx);
    return ReadResult::keepReading;
}

void TundraImu::onSilentWait(ReaderContext& ctx, DeviceHandle dev) {
    // Whatever the cancelled read brought in that moment is discarded.
    readEvent.cancelAndDrain(dev);
    {
        std::scoped_lock guard(lock);
        ++counters.timeouts;
    }
    if (++ctx.silent < kSilentWaitsBeforeGone) return;
    std::fprintf(stderr, "TundraImu: stream silent %ds \u2014 device gone, waiting for a Dozero\n",
                 static_cast<int>(ctx.silent));
    reportStreamEvent(ImuStreamEvent::silent, std::to_string(ctx.silent));
    dropDevice();
}

TundraImu::ReadResult TundraImu::onReadFailure(const char* what, unsigned long error) {
    // A cancel from stop ends the read in failure too; that is no loss.
    if (stopRequested.load()) return ReadResult::stopReading;
    std::fprintf(stderr, "TundraImu: %s (err %lu) \u2014 device gone, waiting for reconnect\n", what,
                 error);
    reportStreamEvent(ImuStreamEvent::readFailure, std::string(what) + " (err " + std::to_string(error) + ")");
    dropDevice();
    return ReadResult::keepReading;
}

void TundraImu::onCompletedRead(ReaderContext& ctx) {
    ctx.silent = 0;
    const DecodedReport decoded = decodeImuReport(ctx.buf.data(), ctx.buf.size(), ctx.got);
    const auto now = decoded.isImuReport ? std::chrono::steady_clock::now()
                                         : std::chrono::steady_clock::time_point{};
    AcceptedSamples fresh;
    {
        std::scoped_lock guard(lock);
        fresh = acceptReport(ctx.sequence, decoded, counters);
        if (fresh.count > 0) {
            last = fresh.samples[fresh.count - 1];
            lastAt = now;
            hasSample = true;
        }
    }
    if (!onSample) return;
    for (std::size_t i = 0; i < fresh.count; ++i) onSample(fresh.samples[i]);
}

}  // namespace vesko
