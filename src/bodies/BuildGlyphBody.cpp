#include <cmath>
#include <memory>

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

} // namespace

void addGlyphMeshToBody(const GlyphMesh& mesh, ParticleSystem& system, double stiffness, double damping,
                        std::vector<Particle*>* triangleVertices)
{
    if (triangleVertices) {
        triangleVertices->clear();
        triangleVertices->reserve(mesh.size() / 2);
    }
    for (std::size_t i = 0; i + 1 < mesh.size(); i += 2) {
        Particle* a = mergedParticle(system, mesh[i]);
        Particle* b = mergedParticle(system, mesh[i + 1]);
        if (triangleVertices)
            triangleVertices->push_back(a);
        const Vector3 d = a->position - b->position;
        const double restLength = std::sqrt(d.dot(d));
        std::unique_ptr<MOTUSforce> spring = std::make_unique<MOTUSforceSpring>(a, b, restLength, stiffness, damping);
        // A refused spring stays in `spring` and dies with it.
        system.addForceUnique(spring);
    }
}

bool GlyphMesher::buildGlyphBody(char c, ParticleSystem* system, double precision, double stiffness, double damping,
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
