// Block-by-block stillness judgement.
#include "stillness.h"

#include <cmath>

namespace vesko {

StillnessRun::Block StillnessRun::add(const ImuSample& sample, double dt) {
    current.add(sample, dt);
    if (current.seconds < limits.blockSeconds) return Block::none;
    const SampleStats block = current;
    current = {};
    if (!steady(block)) {
        total = {};
        blocks.clear();
        return Block::moving;
    }
    total.merge(block);
    blocks.push_back(block);
    return Block::steady;
}

void StillnessRun::reset() {
    current = {};
    total = {};
    blocks.clear();
}

bool StillnessRun::steady(const SampleStats& block) const {
    const Axes3 gyroSd = block.gyroSd();
    const Axes3 accSd = block.accSd();
    const Axes3 gyroMean = block.gyroMean();
    const Axes3 accMean = block.accMean();
    const Axes3 runGyro = total.gyroMean();
    const Axes3 runAcc = total.accMean();
    for (std::size_t i = 0; i < 3; ++i) {
        if (gyroSd[i] > limits.gyroMaxSd || accSd[i] > limits.accMaxSd) return false;
        if (restBias && std::abs(gyroMean[i] - (*restBias)[i]) > limits.gyroMaxOffset) return false;
        if (total.count == 0) continue;
        if (std::abs(gyroMean[i] - runGyro[i]) > limits.gyroMaxStep) return false;
        if (std::abs(accMean[i] - runAcc[i]) > limits.accMaxStep) return false;
    }
    return true;
}

}  // namespace vesko
