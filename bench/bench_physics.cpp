// Steps many small soft bodies, reporting the cost per spring per step.
#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>
#include <vector>

#include "physics/MOTUSforceGlobal.h"
#include "physics/MOTUSforceSpring.h"
#include "physics/ParticleSystem.h"

namespace {

constexpr int kParticles = 20;
constexpr int kSprings = 60;

struct Body {
    std::unique_ptr<ParticleSystem> system;
    std::unique_ptr<std::vector<Particle*>> triangles;
};

// A ring of 20 particles with three springs each: to the next, the one
// after and the one opposite, roughly a glyph's connectivity.
Body makeBody(double x0)
{
    Body body{std::make_unique<ParticleSystem>(0.4), std::make_unique<std::vector<Particle*>>()};
    std::vector<Particle*> ring;
    for (int i = 0; i < kParticles; ++i) {
        const double a = 2.0 * M_PI * i / kParticles;
        double tolerance = -1.0;
        ring.push_back(body.system->findOrAddParticle({x0 + 20.0 * std::cos(a), 300.0 + 20.0 * std::sin(a), 0.0},
                                                      tolerance));
    }
    body.triangles->assign(ring.begin(), ring.end());
    body.system->addForce(std::make_unique<MOTUSforceGlobal>(body.triangles.get(), Vector3{0, 100, 0}, 0.0));
    for (int i = 0; i < kParticles; ++i) {
        for (int k : {1, 2, kParticles / 2}) {
            Particle* a = ring[static_cast<size_t>(i)];
            Particle* b = ring[static_cast<size_t>((i + k) % kParticles)];
            const Vector3 d = a->position - b->position;
            body.system->addForce(std::make_unique<MOTUSforceSpring>(a, b, std::sqrt(d.dot(d)), 200.0, 1.0));
        }
    }
    return body;
}

void BM_StepThousandBodies(benchmark::State& state)
{
    std::vector<Body> bodies;
    for (int i = 0; i < 1000; ++i)
        bodies.push_back(makeBody(i * 1.0));
    for (auto _ : state) {
        for (auto& b : bodies) {
            b.system->step(0.01);
            b.system->bounceFloor(0, 0, 1920, 1080);
            benchmark::DoNotOptimize(b.system->isOutside(0, 0, 1920, 1080));
        }
    }
    const double springSteps = static_cast<double>(state.iterations()) * 1000.0 * kSprings;
    // Seconds per spring per step; shown with an SI prefix ("4.2n" = 4.2 ns).
    state.counters["time_per_spring_step"] =
        benchmark::Counter(springSteps, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_StepThousandBodies)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
