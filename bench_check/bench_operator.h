// Who moves the headset during a bench check: a person at the bench, or the simulator.
#pragma once

#include <array>
#include <memory>
#include <string>

namespace vesko {

// The six ways a headset can lie on the bench, named by the side that faces down
// (upright: as worn, level).
enum class HeadsetFace { upright, faceDown, upsideDown, faceUp, leftSideDown, rightSideDown };

// The head-frame direction (+X right, +Y up, +Z back) that points up when the
// headset lies on `face`.
constexpr std::array<double, 3> faceUpInHead(HeadsetFace face) noexcept {
    switch (face) {
        case HeadsetFace::upright: return {0.0, 1.0, 0.0};
        case HeadsetFace::faceDown: return {0.0, 0.0, 1.0};  // the front (-Z) down
        case HeadsetFace::upsideDown: return {0.0, -1.0, 0.0};
        case HeadsetFace::faceUp: return {0.0, 0.0, -1.0};
        case HeadsetFace::leftSideDown: return {1.0, 0.0, 0.0};  // the left (-X) down
        case HeadsetFace::rightSideDown: return {-1.0, 0.0, 0.0};
    }
    return {0.0, 1.0, 0.0};
}

// One thing the check asks for. Turns are about the vertical, positive to the
// left (counter-clockwise seen from above), against a stop.
struct OperatorRequest {
    enum class Kind { lieOn, turn };
    Kind kind = Kind::lieOn;
    HeadsetFace face = HeadsetFace::upright;
    double turnDegrees = 0.0;
};

// Chosen at link time: the real one shows the instruction and leaves the rest to
// the person; the simulated one shows it and moves the simulated headset.
// Create it before the unit is opened; one per process.
class BenchOperator {
public:
    BenchOperator();
    ~BenchOperator();
    BenchOperator(const BenchOperator&) = delete;
    BenchOperator& operator=(const BenchOperator&) = delete;

    // `instruction` is the plain-words text for the person, one or more whole lines.
    void ask(const OperatorRequest& request, const std::string& instruction);

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace vesko
