#pragma once
// A portable, seeded random source: the same seed gives the same star field
// with every compiler and standard library.

#include <cstdint>
#include <random>

class SampleRandom {
public:
    explicit SampleRandom(uint64_t seed) : engine_(seed) {}

    // Uniform in [0, 1).
    double Uniform();
    // Standard normal (mean 0, deviation 1).
    double Normal();
    // Poisson-distributed count with the given mean.
    double Poisson(double mean);

private:
    std::mt19937_64 engine_;
    bool haveSpare_ = false;
    double spare_ = 0.0;
};
