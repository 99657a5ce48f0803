// The physics step of 2,000 real-word glyph bodies, two layouts side by
// side in the same run:
//   HeapBodies  as the bodies were laid out before: every particle and
//               every force its own heap block, a virtual call per force;
//   Contiguous  ParticleSystem as it is: particles and springs in blocks.
// Both are built from the same glyph meshes and step the same numbers.
#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "bodies/GlyphBody.h"
#include "glyph/GlyphMesher.h"
#include "glyph/InstallPaths.h"
#include "physics/MOTUSforceGlobal.h"
#include "physics/MOTUSforceSpring.h"
#include "physics/ParticleSystem.h"
#include "view/CLexfallView.h"

namespace {

constexpr int kBodies = 2000;
constexpr double kFloor = 768.0;

// The meshes of the sample words' letters, kBodies of them.
std::vector<GlyphMesh> wordMeshes()
{
    GlyphMesher mesher;
    mesher.loadFont("arial.ttf", 48);
    std::unique_ptr<CLexfallView::WordList> words;
    CLexfallView::LoadWordFile((lexfallShareDirectory() + "words.txt").c_str(), words);
    std::vector<GlyphMesh> meshes;
    for (std::size_t i = 0; words && meshes.size() < kBodies; ++i)
        for (char c : (*words)[i % words->size()])
            if (meshes.size() < kBodies && mesher.triangulate(c, 30.0))
                meshes.push_back(mesher.mesh());
    return meshes;
}

// The former layout, stepped as it was.
class HeapBody {
public:
    explicit HeapBody(const GlyphMesh& mesh)
    {
        m_forces.push_back(std::make_unique<MOTUSforceGlobal>(&m_triangles, Vector3{0.0, 100.0, 0.0}, 0.0));
        for (std::size_t i = 0; i + 1 < mesh.size(); i += 2) {
            Particle* a = merged(mesh[i]);
            Particle* b = merged(mesh[i + 1]);
            m_triangles.push_back(a);
            const Vector3 d = a->position - b->position;
            m_forces.push_back(std::make_unique<MOTUSforceSpring>(a, b, std::sqrt(d.dot(d)), 200.0, 1.0));
        }
    }

    void step(double dt)
    {
        for (const auto& p : m_particles)
            p->force = Vector3{};
        for (const auto& f : m_forces)
            f->apply();
        for (const auto& p : m_particles) {
            p->velocity = p->velocity + p->force * dt;
            p->position = p->position + p->velocity * dt;
        }
        for (const auto& p : m_particles)
            if (p->position.y >= kFloor && p->velocity.y > 0.0)
                p->velocity.y = -0.4 * p->velocity.y;
    }

private:
    Particle* merged(const Vector3& point)
    {
        for (const auto& p : m_particles) {
            const Vector3 d = p->position - point;
            if (d.dot(d) <= 0.25)
                return p.get();
        }
        m_particles.push_back(std::make_unique<Particle>(point, 1.0));
        return m_particles.back().get();
    }

    std::vector<std::unique_ptr<Particle>> m_particles;
    std::vector<std::unique_ptr<MOTUSforce>> m_forces;
    std::vector<Particle*> m_triangles;
};

struct ContiguousBody {
    explicit ContiguousBody(const GlyphMesh& mesh) : system(std::make_unique<ParticleSystem>(0.4))
    {
        system->addForce(std::make_unique<MOTUSforceGlobal>(&triangles, Vector3{0.0, 100.0, 0.0}, 0.0));
        addGlyphMeshToBody(mesh, *system, 200.0, 1.0, &triangles);
    }

    void step(double dt)
    {
        system->step(dt);
        system->bounceFloor(0.0, 0.0, 1024.0, kFloor);
    }

    std::unique_ptr<ParticleSystem> system;
    std::vector<Particle*> triangles;
};

template <class Body>
void stepAll(benchmark::State& state)
{
    static const std::vector<GlyphMesh> meshes = wordMeshes();
    std::vector<std::unique_ptr<Body>> bodies;
    for (const GlyphMesh& mesh : meshes)
        bodies.push_back(std::make_unique<Body>(mesh));
    for (auto _ : state)
        for (auto& body : bodies)
            body->step(0.01);
    state.counters["bodies"] = static_cast<double>(bodies.size());
}

void BM_StepHeapBodies(benchmark::State& state) { stepAll<HeapBody>(state); }
void BM_StepContiguous(benchmark::State& state) { stepAll<ContiguousBody>(state); }

BENCHMARK(BM_StepHeapBodies)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_StepContiguous)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_StepHeapBodies)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_StepContiguous)->Unit(benchmark::kMillisecond)->MinTime(1.0);

} // namespace

BENCHMARK_MAIN();
