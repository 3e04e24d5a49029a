// The port rig on Windows: units are named pipes in message mode, their
// client ends opened for overlapped reading by the pipe discovery.
#include <windows.h>

#include <gtest/gtest.h>

#include <vector>

#include "fakes/stream_pipe_enumeration.h"
#include "stream_port_rig.h"
#include "win_handle.h"

namespace vesko {

namespace {

constexpr DWORD kPipeBuffer = 4096;    // bytes
constexpr DWORD kClientWaitMs = 6000;  // a reconnection comes after about 2 s

// The server end of one pipe: the unit's side of the wire.
class PipeUnit {
public:
    explicit PipeUnit(int number)
        : name_(L"\\\\.\\pipe\\headvane-stream-" + std::to_wstring(::GetCurrentProcessId()) + L"-" +
                std::to_wstring(number)) {
        server_.reset(::CreateNamedPipeW(name_.c_str(), PIPE_ACCESS_DUPLEX | FILE_FLAG_OVERLAPPED,
                                         PIPE_TYPE_MESSAGE | PIPE_READMODE_MESSAGE | PIPE_WAIT, 1,
                                         kPipeBuffer, kPipeBuffer, 0, nullptr));
        event_.reset(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
        if (valid()) fake::offerPipe(name_, kRigSerial);
    }
    ~PipeUnit() { vanish(); }
    PipeUnit(const PipeUnit&) = delete;
    PipeUnit& operator=(const PipeUnit&) = delete;

    bool valid() const { return server_.valid() && event_.valid(); }

    bool send(const fake::ReportBytes& report) {
        if (!connected_) connected_ = waitForClient();
        if (!connected_) return false;
        DWORD written = 0;
        OVERLAPPED overlapped = pending();
        if (!::WriteFile(server_.get(), report.data(), static_cast<DWORD>(report.size()), &written,
                         &overlapped) &&
            !finish(overlapped, written, INFINITE)) {
            return false;
        }
        return written == report.size();
    }

    void vanish() {
        fake::withdrawPipe(name_);
        server_.reset();
    }

private:
    OVERLAPPED pending() const {
        OVERLAPPED overlapped{};
        overlapped.hEvent = event_.get();
        return overlapped;
    }

    // Ends an operation that did not complete at once: waits, or cancels and drains.
    bool finish(OVERLAPPED& overlapped, DWORD& transferred, DWORD milliseconds) {
        if (::GetLastError() != ERROR_IO_PENDING) return false;
        if (::WaitForSingleObject(event_.get(), milliseconds) != WAIT_OBJECT_0) {
            ::CancelIoEx(server_.get(), &overlapped);
        }
        return ::GetOverlappedResult(server_.get(), &overlapped, &transferred, TRUE) != FALSE;
    }

    // Until the stream has opened the client end.
    bool waitForClient() {
        OVERLAPPED overlapped = pending();
        if (::ConnectNamedPipe(server_.get(), &overlapped)) return true;
        if (::GetLastError() == ERROR_PIPE_CONNECTED) return true;
        DWORD ignored = 0;
        return finish(overlapped, ignored, kClientWaitMs);
    }

    std::wstring name_;
    UniqueHandle server_;
    UniqueHandle event_;
    bool connected_ = false;
};

}  // namespace

struct PortRig::Impl {
    std::vector<std::unique_ptr<PipeUnit>> units;
};

PortRig::PortRig() : impl_(std::make_unique<Impl>()) {}
PortRig::~PortRig() = default;

int PortRig::plug() {
    auto unit = std::make_unique<PipeUnit>(static_cast<int>(impl_->units.size()));
    if (!unit->valid()) return -1;
    impl_->units.push_back(std::move(unit));
    return static_cast<int>(impl_->units.size()) - 1;
}

bool PortRig::send(int unit, const fake::ReportBytes& report) { return impl_->units[unit]->send(report); }

void PortRig::unplug(int unit) { impl_->units[unit]->vanish(); }

std::vector<unsigned long> PortRig::lossErrors() const {
    return {ERROR_BROKEN_PIPE, ERROR_PIPE_NOT_CONNECTED};  // how far the disconnect got
}

}  // namespace vesko
