// The bench operator of a real headset: a person, who reads the instruction and acts.
#include <cstdio>

#include "bench_operator.h"

namespace vesko {

struct BenchOperator::Impl {};

BenchOperator::BenchOperator() : impl_(std::make_unique<Impl>()) {}
BenchOperator::~BenchOperator() = default;

void BenchOperator::ask(const OperatorRequest& /*request*/, const std::string& instruction) {
    std::printf("%s\n", instruction.c_str());
    std::fflush(stdout);
}

}  // namespace vesko
