#include "measure/star_fit.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <vector>

namespace {

constexpr double kFwhmPerSigma = 2.3548200450309493;  // 2 sqrt(2 ln 2)
constexpr int kMaxRounds = 60;
constexpr int kParams = 4;  // amplitude, x, y, sigma

struct Sample {
    double dx, dy, value;  // offsets from the window's centre, value above the sky
};

using Vec = std::array<double, kParams>;
using Mat = std::array<Vec, kParams>;

// Solves m x = v by elimination with partial pivoting; false when singular.
bool Solve(Mat m, Vec v, Vec& x) {
    for (int c = 0; c < kParams; ++c) {
        int pivot = c;
        for (int r = c + 1; r < kParams; ++r)
            if (std::fabs(m[r][c]) > std::fabs(m[pivot][c])) pivot = r;
        if (std::fabs(m[pivot][c]) < 1e-300) return false;
        std::swap(m[c], m[pivot]);
        std::swap(v[c], v[pivot]);
        for (int r = c + 1; r < kParams; ++r) {
            const double f = m[r][c] / m[c][c];
            for (int k = c; k < kParams; ++k) m[r][k] -= f * m[c][k];
            v[r] -= f * v[c];
        }
    }
    for (int c = kParams - 1; c >= 0; --c) {
        double s = v[c];
        for (int k = c + 1; k < kParams; ++k) s -= m[c][k] * x[k];
        x[c] = s / m[c][c];
    }
    return true;
}

double SquaredResidual(const std::vector<Sample>& samples, const Vec& p) {
    double sum = 0.0;
    for (const Sample& s : samples) {
        const double rx = s.dx - p[1], ry = s.dy - p[2];
        const double model = p[0] * std::exp(-(rx * rx + ry * ry) / (2.0 * p[3] * p[3]));
        sum += (s.value - model) * (s.value - model);
    }
    return sum;
}

// Normal equations J^T J and J^T r of the model at p.
void Normal(const std::vector<Sample>& samples, const Vec& p, Mat& jtj, Vec& jtr) {
    jtj = {};
    jtr = {};
    for (const Sample& s : samples) {
        const double rx = s.dx - p[1], ry = s.dy - p[2], s2 = p[3] * p[3];
        const double e = std::exp(-(rx * rx + ry * ry) / (2.0 * s2));
        const double model = p[0] * e;
        const Vec j = {e, model * rx / s2, model * ry / s2, model * (rx * rx + ry * ry) / (s2 * p[3])};
        for (int a = 0; a < kParams; ++a) {
            jtr[a] += j[a] * (s.value - model);
            for (int b = 0; b < kParams; ++b) jtj[a][b] += j[a] * j[b];
        }
    }
}

}  // namespace

StarFit FitGaussianStar(const PixelGrid& grid, double x, double y, double radius, double sky) {
    StarFit fit;
    const int32_t cx = static_cast<int32_t>(std::lround(x)), cy = static_cast<int32_t>(std::lround(y));
    const int32_t reach = static_cast<int32_t>(std::ceil(radius));
    if (!grid.Inside(cx - reach, cy - reach) || !grid.Inside(cx + reach, cy + reach)) return fit;
    std::vector<Sample> samples;
    double peak = 0.0;
    for (int32_t r = cy - reach; r <= cy + reach; ++r)
        for (int32_t c = cx - reach; c <= cx + reach; ++c) {
            const double dx = c - cx, dy = r - cy;
            if (dx * dx + dy * dy > radius * radius) continue;
            samples.push_back({dx, dy, grid.At(c, r) - sky});
            peak = std::max(peak, samples.back().value);
        }
    if (peak <= 0.0) return fit;
    Vec p = {peak, x - cx, y - cy, radius / 3.0};
    double residual = SquaredResidual(samples, p), lambda = 1e-3;
    for (int round = 0; round < kMaxRounds; ++round) {
        Mat jtj;
        Vec jtr, step{};
        Normal(samples, p, jtj, jtr);
        for (int a = 0; a < kParams; ++a) jtj[a][a] *= 1.0 + lambda;
        if (!Solve(jtj, jtr, step)) break;
        Vec next = p;
        for (int a = 0; a < kParams; ++a) next[a] += step[a];
        next[3] = std::fabs(next[3]);
        const double nextResidual = next[3] > 0.05 ? SquaredResidual(samples, next) : HUGE_VAL;
        if (nextResidual <= residual) {
            const bool settled = residual - nextResidual <= 1e-10 * residual;
            p = next;
            residual = nextResidual;
            lambda = std::max(lambda / 10.0, 1e-9);
            if (settled) break;
        } else {
            lambda *= 10.0;
            if (lambda > 1e8) break;
        }
    }
    fit.amplitude = p[0];
    fit.x = cx + p[1];
    fit.y = cy + p[2];
    fit.fwhm = kFwhmPerSigma * p[3];
    fit.ok = std::isfinite(residual) && p[0] > 0.0 && std::hypot(p[1], p[2]) <= radius && fit.fwhm >= 0.5 &&
             fit.fwhm <= 4.0 * radius;
    return fit;
}

double RingMedian(const PixelGrid& grid, double x, double y, double inner, double outer) {
    std::vector<double> values;
    const int32_t reach = static_cast<int32_t>(std::ceil(outer));
    const int32_t cx = static_cast<int32_t>(std::lround(x)), cy = static_cast<int32_t>(std::lround(y));
    for (int32_t r = cy - reach; r <= cy + reach; ++r)
        for (int32_t c = cx - reach; c <= cx + reach; ++c) {
            const double d = std::hypot(c - x, r - y);
            if (d >= inner && d <= outer && grid.Inside(c, r)) values.push_back(grid.At(c, r));
        }
    if (values.empty()) return std::numeric_limits<double>::quiet_NaN();
    const size_t mid = values.size() / 2;
    std::nth_element(values.begin(), values.begin() + mid, values.end());
    return values[mid];
}
