// The simulated person at the bench: shows each instruction and moves the simulated headset as asked.
#include "simulated_operator.h"

#include <atomic>
#include <cstdio>
#include <deque>
#include <mutex>

#include "bench_operator.h"
#include "simulated_headset.h"

namespace vesko {

namespace {

// The person reads the instruction before moving.
constexpr double kReactionSeconds = 0.5;

struct Bench {
    std::atomic<bool> operated{false};
    std::atomic<int> deadGyroAxis{-1};
    std::mutex lock;
    std::deque<OperatorRequest> waiting;  // asked, not yet placed in the plan
    SimulatedMotionPlan plan;
};

Bench& bench() {
    static Bench theBench;
    return theBench;
}

// Requests start when the model next makes a sample, i.e. on the unit's own
// clock, whatever the simulation speed (lock held).
void placeWaiting(Bench& b, double seconds) {
    for (const OperatorRequest& r : b.waiting) {
        const double start = seconds + kReactionSeconds;
        if (r.kind == OperatorRequest::Kind::turn) {
            b.plan.turn(r.turnDegrees, start);
        } else {
            const auto up = faceUpInHead(r.face);
            b.plan.lieWithUp({up[0], up[1], up[2]}, start);
        }
    }
    b.waiting.clear();
}

}  // namespace

HeadMotion simulatedHeadMotion(double seconds) {
    Bench& b = bench();
    if (!b.operated.load()) return {{0.0, 1.0, 0.0}, {0.0, simulatedMotion(seconds).yawRate, 0.0}};
    std::lock_guard<std::mutex> guard(b.lock);
    placeWaiting(b, seconds);
    return b.plan.at(seconds);
}

void setSimulatedDeadGyroAxis(int axis) {
    bench().deadGyroAxis.store(axis >= 0 && axis < 3 ? axis : -1);
}

void applySimulatedFaults(ImuSample& sample) {
    const int dead = bench().deadGyroAxis.load();
    if (dead >= 0) sample.gyro[static_cast<std::size_t>(dead)] = 0;
}

struct BenchOperator::Impl {};

BenchOperator::BenchOperator() : impl_(std::make_unique<Impl>()) {
    bench().operated.store(true);
}

BenchOperator::~BenchOperator() = default;

void BenchOperator::ask(const OperatorRequest& request, const std::string& instruction) {
    std::printf("%s\n", instruction.c_str());
    std::fflush(stdout);
    Bench& b = bench();
    std::lock_guard<std::mutex> guard(b.lock);
    b.waiting.push_back(request);
}

}  // namespace vesko
