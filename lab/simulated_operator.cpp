// The bench operator of the simulated headset: shows each instruction and moves the unit as asked.
#include <cstdio>

#include "bench_operator.h"
#include "simulated_unit.h"

namespace vesko {

struct BenchOperator::Impl {};

BenchOperator::BenchOperator() : impl_(std::make_unique<Impl>()) { simulatedUnit().takeRequests(); }

BenchOperator::~BenchOperator() = default;

void BenchOperator::ask(const OperatorRequest& request, const std::string& instruction) {
    std::printf("%s\n", instruction.c_str());
    std::fflush(stdout);
    if (request.kind == OperatorRequest::Kind::turn) {
        simulatedUnit().turn(request.turnDegrees);
    } else {
        const auto up = faceUpInHead(request.face);
        simulatedUnit().lieWithUp({up[0], up[1], up[2]});
    }
}

}  // namespace vesko
