// The IMU stream: one reader thread that reads, cleans and publishes the IMU's
// samples and finds the unit again by itself after it was lost.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

#include "device_handle.h"
#include "device_port.h"
#include "imu_sample.h"
#include "imu_stream_event.h"

namespace vesko {

class TundraImu {
public:
    using SampleCallback = std::function<void(const ImuSample&)>;
    using StreamEventCallback = std::function<void(ImuStreamEvent, const std::string& detail)>;

    TundraImu() = default;
    ~TundraImu();
    TundraImu(const TundraImu&) = delete;
    TundraImu& operator=(const TundraImu&) = delete;
    TundraImu(TundraImu&&) = delete;
    TundraImu& operator=(TundraImu&&) = delete;

    // Call before open: nothing guards the callback against a running reader.
    // It runs on the reader thread, once per accepted sample, without the lock;
    // it may call attachedSerial, stats and lastRawSample, but never stop.
    void setSampleCallback(SampleCallback callback);
    // Call before open, like setSampleCallback; runs on the reader thread,
    // without the lock, right after the event's message was printed.
    void setStreamEventCallback(StreamEventCallback callback);

    // Discovers the unit (printing discovery's lines), starts the reader.
    // True when a reader runs afterwards; an empty filter means any paired unit.
    bool open(const std::string& serialFilter);

    // Serial of the unit attached now, or last attached.
    std::string attachedSerial() const;
    // False, touching nothing, until a first sample was accepted.
    bool lastRawSample(ImuSample& out, double* ageSeconds = nullptr) const;
    ImuStreamStats stats() const;

    // Ends the reader and closes the device and the read event. Idempotent.
    void stop();

private:
    struct ReaderContext;
    enum class ReadResult { keepReading, stopReading };
    enum class SearchResult { connected, notFound, stopping };

    void readerLoop();
    SearchResult reconnect(ReaderContext& ctx);
    ReadResult readOnce(ReaderContext& ctx);
    void onSilentWait(ReaderContext& ctx, DeviceHandle dev);
    ReadResult onReadFailure(const char* format, unsigned long error);
    void onCompletedRead(ReaderContext& ctx);
    void reportStreamEvent(ImuStreamEvent event, const std::string& detail) const;
    void setAttached(const WideString& chosen);
    bool startReader();
    void dropDevice() noexcept;
    bool adoptUnlessStopping(DeviceHandle found) noexcept;
    void cancelDeviceIo() noexcept;

    // Written by the reader (close after a loss, store on reconnection) and
    // read by stop to cancel. Swapped out and closed only under deviceGuard,
    // which stop also holds around its cancel, so a cancel can never reach a
    // handle the reader has just closed and the OS has handed out again.
    std::atomic<DeviceHandle> device{kNoDevice};
    ReadChannel readEvent;
    WideString serialFilter;  // written only while no reader runs
    std::thread reader;
    SampleCallback onSample;  // written only while no reader runs
    StreamEventCallback onStreamEvent;  // written only while no reader runs
    std::atomic<bool> running{false};
    std::atomic<bool> stopRequested{false};

    mutable std::mutex lock;  // short copies and counter updates only
    std::string attached;
    ImuSample last{};
    bool hasSample = false;
    std::chrono::steady_clock::time_point lastAt{};
    ImuStreamStats counters{};

    // Held only around stop's cancel and the reader's close or store of
    // `device`; never together with `lock`.
    std::mutex deviceGuard;
};

}  // namespace vesko
