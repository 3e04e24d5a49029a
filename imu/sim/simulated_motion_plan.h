// The moves a simulated person makes with the headset on the bench: lay it on a
// side, turn it against a stop; each a smooth rotation followed by a short settle.
#pragma once

#include <array>
#include <vector>

#include "vector_math.h"

namespace vesko {

// The head's motion at one instant, in the head frame.
struct HeadMotion {
    std::array<double, 3> up{0.0, 1.0, 0.0};  // unit direction of world up
    std::array<double, 3> rate{};             // angular rate, rad/s
};

class SimulatedMotionPlan {
public:
    // How the moves look: a raised-cosine rotation (no jerk at either end) that
    // takes kMoveBaseSeconds plus kMoveSecondsPer90 per quarter turn, then a rock
    // about the same axis that dies away within kSettleSeconds.
    static constexpr double kMoveBaseSeconds = 1.0;
    static constexpr double kMoveSecondsPer90 = 1.0;
    static constexpr double kSettleSeconds = 1.0;
    static constexpr double kSettleDegrees = 0.5;  // first swing of the rock
    static constexpr double kSettleHz = 4.0;
    static constexpr double kSettleDecaySeconds = 0.15;

    // Lays the headset so that the head-frame direction `upHead` points up,
    // starting at `start` s or when the previous move has settled, if later.
    void lieWithUp(const Vector3& upHead, double start);
    // Turns it about the vertical by `degrees`, positive to the left.
    void turn(double degrees, double start);

    HeadMotion at(double seconds) const;

private:
    struct Move {
        double start = 0.0;     // s
        double duration = 0.0;  // s, without the settle
        Quaternion from;        // head to world, before the move
        Vector3 axis;           // head frame, unit
        double angle = 0.0;     // rad
    };
    void add(const Vector3& axisHead, double angle, double start);
    Quaternion resting() const;

    std::vector<Move> moves;
};

}  // namespace vesko
