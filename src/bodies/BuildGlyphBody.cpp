#include <cmath>
#include <vector>

#include "bodies/GlyphBody.h"
#include "glyph/GlyphMesher.h"
#include "physics/MOTUSforceSpring.h"

namespace {

constexpr double kMergeTolerance = 0.5;

Particle* mergedParticle(ParticleSystem& system, const Vector3& point)
{
    // findOrAddParticle writes the distance found back into the tolerance,
    // so every lookup starts from a fresh one.
    double tolerance = kMergeTolerance;
    Particle* p = system.findOrAddParticle(point, tolerance);
    p->mass = 1.0;
    return p;
}

// How many particles the mesh adds to an empty body: merging as
// findOrAddParticle does, on positions alone. The body then gets exactly
// that much room, so its particles lie in one block.
int distinctPoints(const GlyphMesh& mesh)
{
    std::vector<Vector3> seen;
    for (const Vector3& point : mesh) {
        double bestSq = 0.0;
        for (std::size_t i = 0; i < seen.size(); ++i) {
            const Vector3 d = seen[i] - point;
            const double sq = d.dot(d);
            if (i == 0 || sq < bestSq)
                bestSq = sq;
        }
        if (seen.empty() || !(std::sqrt(bestSq) <= kMergeTolerance))
            seen.push_back(point);
    }
    return static_cast<int>(seen.size());
}

} // namespace

void addGlyphMeshToBody(const GlyphMesh& mesh, ParticleSystem& system, double stiffness, double damping,
                        std::vector<Particle*>* triangleVertices)
{
    if (triangleVertices) {
        triangleVertices->clear();
        triangleVertices->reserve(mesh.size() / 2);
    }
    system.reserve(distinctPoints(mesh), static_cast<int>(mesh.size() / 2));
    for (std::size_t i = 0; i + 1 < mesh.size(); i += 2) {
        Particle* a = mergedParticle(system, mesh[i]);
        Particle* b = mergedParticle(system, mesh[i + 1]);
        if (triangleVertices)
            triangleVertices->push_back(a);
        const Vector3 d = a->position - b->position;
        const double restLength = std::sqrt(d.dot(d));
        // A fresh spring is never refused as a duplicate, so it is made in
        // the body's own storage rather than offered to addForceUnique.
        system.addSpring(a, b, restLength, stiffness, damping);
    }
}

bool GlyphMesher::buildGlyphBody(char32_t c, ParticleSystem* system, double precision, double stiffness, double damping,
                                 std::vector<Particle*>* triangleVertices)
{
    if (!triangulate(c, precision))
        return false;
    // A body nobody would keep is not built; its list is only emptied.
    if (system == nullptr) {
        if (triangleVertices != nullptr)
            triangleVertices->clear();
        return true;
    }
    addGlyphMeshToBody(m_mesh, *system, stiffness, damping, triangleVertices);
    return true;
}
