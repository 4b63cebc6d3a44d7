#include "tools/samplegen/random.h"

#include <cmath>

namespace {

constexpr double kTwoPi = 6.283185307179586;
// Above this mean the normal approximation of a Poisson count is exact enough.
constexpr double kPoissonNormalFrom = 30.0;

}  // namespace

double SampleRandom::Uniform() { return double(engine_() >> 11) * (1.0 / 9007199254740992.0); }

double SampleRandom::Normal() {
    if (haveSpare_) {
        haveSpare_ = false;
        return spare_;
    }
    double u1 = 1.0 - Uniform();  // never 0, so the logarithm is finite
    double u2 = Uniform();
    double radius = std::sqrt(-2.0 * std::log(u1));
    spare_ = radius * std::sin(kTwoPi * u2);
    haveSpare_ = true;
    return radius * std::cos(kTwoPi * u2);
}

double SampleRandom::Poisson(double mean) {
    if (mean <= 0.0) return 0.0;
    if (mean >= kPoissonNormalFrom) return std::max(0.0, std::round(mean + std::sqrt(mean) * Normal()));
    double limit = std::exp(-mean);
    double product = Uniform();
    int count = 0;
    while (product > limit) {
        product *= Uniform();
        ++count;
    }
    return count;
}
