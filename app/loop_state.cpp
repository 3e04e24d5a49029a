// What each key does to the loop state, the one serial comparison, and each tick's status text.
#include "loop_state.h"

#include "status_line.h"

namespace vesko {

LoopState startLoop(SteadyClock::time_point now) {
    LoopState state;
    state.markAt = now;
    return state;
}

KeyAction keyAction(int code) {
    switch (code) {
        case 'q': case 'Q': return KeyAction::quit;
        case 'r': case 'R': return KeyAction::recenter;
        case 'b': case 'B': return KeyAction::recaptureBias;
        case 'm': case 'M': return KeyAction::mark;
        default: return KeyAction::none;
    }
}

std::string applyKey(LoopState& state, KeyAction action) {
    switch (action) {
        case KeyAction::recenter: state.marked = false; return kRecenteredText;
        case KeyAction::recaptureBias: state.marked = false; return kBiasRecaptureText;
        case KeyAction::mark: state.marked = false; return {};
        case KeyAction::quit: return kQuitText;
        case KeyAction::none: return {};
    }
    return {};
}

std::string compareUnitOnce(LoopState& state, const std::string& configured,
                            const std::string& attached) {
    if (state.unitCompared || attached.empty()) return {};
    state.unitCompared = true;
    return attached == configured ? std::string() : serialWarning(configured, attached);
}

std::string tickText(LoopState& state, const FilterSnapshot& snapshot, const YawPitchRoll& angles,
                     SteadyClock::time_point now) {
    if (!snapshot.ready) return {};
    std::string text;
    if (!state.marked) {
        state.marked = true;
        state.reference = angles;
        state.markAt = now;
        text = markLine(snapshot);
    }
    const double minutes = minutesSince(state.markAt, now);
    return text + statusLine(angles, snapshot, driftRates(angles, state.reference, minutes), minutes);
}

}  // namespace vesko
