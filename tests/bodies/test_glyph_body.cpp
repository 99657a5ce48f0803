#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

#include "bodies/GlyphBody.h"
#include "glyph/GlyphMesher.h"
#include "physics/MOTUSforceGlobal.h"
#include "physics/MOTUSforceSpring.h"

namespace {

// Mesh pairs (a, b), (b, c), (c, a) of one triangle.
void addTriangle(GlyphMesh& mesh, Vector3 a, Vector3 b, Vector3 c)
{
    mesh.insert(mesh.end(), {a, b, b, c, c, a});
}

const MOTUSforceSpring& springAt(const ParticleSystem& system, int index)
{
    const auto* spring = dynamic_cast<const MOTUSforceSpring*>(system.forceAt(index));
    EXPECT_NE(spring, nullptr) << index;
    return *spring;
}

} // namespace

TEST(GlyphMeshToBody, SingleTriangle)
{
    GlyphMesh mesh;
    addTriangle(mesh, {0, 0, 0}, {10, 0, 0}, {0, -10, 0});
    ParticleSystem system(0.4);
    std::vector<Particle*> list;
    addGlyphMeshToBody(mesh, system, 5.0, 1.0, &list);

    ASSERT_EQ(system.particleCount(), 3);
    ASSERT_EQ(system.forceCount(), 3);
    Particle* a = system.particleAt(0);
    Particle* b = system.particleAt(1);
    Particle* c = system.particleAt(2);
    EXPECT_EQ(a->position, (Vector3{0, 0, 0}));
    EXPECT_EQ(b->position, (Vector3{10, 0, 0}));
    EXPECT_EQ(c->position, (Vector3{0, -10, 0}));
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(system.particleAt(i)->mass, 1.0);
    EXPECT_EQ(list, (std::vector<Particle*>{a, b, c}));

    const double expectedRest[3] = {10.0, std::sqrt(200.0), 10.0};
    Particle* const ends[3][2] = {{a, b}, {b, c}, {c, a}};
    for (int i = 0; i < 3; ++i) {
        const MOTUSforceSpring& s = springAt(system, i);
        EXPECT_DOUBLE_EQ(s.restLength, expectedRest[i]) << i;
        EXPECT_EQ(s.first, ends[i][0]) << i;
        EXPECT_EQ(s.second, ends[i][1]) << i;
        EXPECT_EQ(s.stiffness, 5.0);
        EXPECT_EQ(s.damping, 1.0);
    }
}

TEST(GlyphMeshToBody, SharedEdgeSharesParticlesButNotSprings)
{
    GlyphMesh mesh;
    addTriangle(mesh, {0, 0, 0}, {10, 0, 0}, {0, -10, 0});
    addTriangle(mesh, {10, 0, 0}, {0, 0, 0}, {10, 10, 0});
    ParticleSystem system(0.4);
    // Forces already there stay first; a stale list is emptied.
    std::vector<Particle*> list(5, nullptr);
    system.addForce(std::make_unique<MOTUSforceGlobal>(&list, Vector3{0, 100, 0}, 0.0));
    addGlyphMeshToBody(mesh, system, 5.0, 1.0, &list);

    EXPECT_EQ(system.particleCount(), 4);
    ASSERT_EQ(system.forceCount(), 7);
    EXPECT_NE(dynamic_cast<MOTUSforceGlobal*>(system.forceAt(0)), nullptr);
    Particle* p0 = system.particleAt(0);
    Particle* p10 = system.particleAt(1);
    ASSERT_EQ(list.size(), 6u);
    EXPECT_EQ(list[3], p10);
    EXPECT_EQ(list[4], p0);
    EXPECT_EQ(list[5], system.particleAt(3));

    int joiningShared = 0;
    for (int i = 1; i < system.forceCount(); ++i) {
        const MOTUSforceSpring& s = springAt(system, i);
        if ((s.first == p0 && s.second == p10) || (s.first == p10 && s.second == p0))
            ++joiningShared;
    }
    EXPECT_EQ(joiningShared, 2);
}

TEST(GlyphMeshToBody, MergingWithinHalfAPixel)
{
    GlyphMesh mesh;
    // Second triangle's corner is 0.3 px from the first's (10, 0).
    addTriangle(mesh, {0, 0, 0}, {10, 0, 0}, {0, -10, 0});
    addTriangle(mesh, {10.3, 0, 0}, {20, 0, 0}, {10, -10, 0});
    ParticleSystem system(0.4);
    std::vector<Particle*> list;
    addGlyphMeshToBody(mesh, system, 5.0, 1.0, &list);

    EXPECT_EQ(system.particleCount(), 5);
    EXPECT_EQ(list[3], system.particleAt(1));
    EXPECT_EQ(system.particleAt(1)->position, (Vector3{10, 0, 0}));
    // Rest length from the particle joined, not from the mesh point.
    EXPECT_DOUBLE_EQ(springAt(system, 3).restLength, 10.0);
    EXPECT_DOUBLE_EQ(springAt(system, 5).restLength, 10.0);
}

TEST(GlyphMeshToBody, ToleranceIsInclusiveAndRenewedForEveryLookup)
{
    ParticleSystem system(0.4);
    GlyphMesh mesh = {{0, 0, 0}, {1, 0, 0}};
    addGlyphMeshToBody(mesh, system, 5.0, 1.0, nullptr);
    ASSERT_EQ(system.particleCount(), 2);

    // (0.5, 0) is exactly 0.5 from both: the earlier particle wins. In the
    // second pair (0.1, 0) shrinks the tolerance to 0.1; (1.4, 0), 0.4 from
    // (1, 0), merges only if the next lookup starts from 0.5 again.
    mesh = {{0.5, 0, 0}, {1.5, 0, 0}, {0.1, 0, 0}, {1.4, 0, 0}};
    addGlyphMeshToBody(mesh, system, 5.0, 1.0, nullptr);
    EXPECT_EQ(system.particleCount(), 2);
    const MOTUSforceSpring& s = springAt(system, 1);
    EXPECT_EQ(s.first, system.particleAt(0));
    EXPECT_EQ(s.second, system.particleAt(1));
    const MOTUSforceSpring& t = springAt(system, 2);
    EXPECT_EQ(t.first, system.particleAt(0));
    EXPECT_EQ(t.second, system.particleAt(1));

    // Just beyond: a new particle.
    mesh = {{-0.5000001, 0, 0}, {1, 0, 0}};
    addGlyphMeshToBody(mesh, system, 5.0, 1.0, nullptr);
    EXPECT_EQ(system.particleCount(), 3);
}

TEST(GlyphMeshToBody, ShortEdgeJoinsAParticleToItself)
{
    GlyphMesh mesh = {{0, 0, 0}, {0.4, 0, 0}};
    ParticleSystem system(0.4);
    std::vector<Particle*> list;
    addGlyphMeshToBody(mesh, system, 5.0, 1.0, &list);
    ASSERT_EQ(system.particleCount(), 1);
    const MOTUSforceSpring& s = springAt(system, 0);
    EXPECT_EQ(s.first, s.second);
    EXPECT_EQ(s.restLength, 0.0);
    EXPECT_EQ(list.size(), 1u);
}

TEST(GlyphMeshToBody, OddTrailingPointIsIgnored)
{
    GlyphMesh mesh = {{0, 0, 0}, {10, 0, 0}, {20, 0, 0}};
    ParticleSystem system(0.4);
    addGlyphMeshToBody(mesh, system, 5.0, 1.0, nullptr);
    EXPECT_EQ(system.particleCount(), 2);
    EXPECT_EQ(system.forceCount(), 1);
}

TEST(BuildGlyphBody, RealGlyphs)
{
    GlyphMesher mesher;
    ASSERT_TRUE(mesher.loadFont("arial.ttf", 48));

    ParticleSystem system(0.4);
    std::vector<Particle*> list;
    ASSERT_TRUE(mesher.buildGlyphBody('A', &system, 30.0, 5.0, 1.0, &list));
    const GlyphMesh& mesh = mesher.mesh();
    ASSERT_FALSE(mesh.empty());
    EXPECT_EQ(list.size(), mesh.size() / 2);
    EXPECT_EQ(system.forceCount(), static_cast<int>(mesh.size() / 2));
    EXPECT_EQ(list.size() % 3, 0u);
    for (std::size_t i = 0; i < mesh.size(); i += 2) {
        const Vector3 d = list[i / 2]->position - mesh[i];
        EXPECT_LE(std::sqrt(d.dot(d)), 0.5) << i;
    }

    // A blank: true, nothing added, the list emptied.
    ParticleSystem blank(0.4);
    std::vector<Particle*> stale(3, nullptr);
    EXPECT_TRUE(mesher.buildGlyphBody(' ', &blank, 30.0, 5.0, 1.0, &stale));
    EXPECT_EQ(blank.particleCount(), 0);
    EXPECT_EQ(blank.forceCount(), 0);
    EXPECT_TRUE(stale.empty());

    // No system: nothing is built and the list is emptied.
    std::vector<Particle*> orphan(2, nullptr);
    EXPECT_TRUE(mesher.buildGlyphBody('B', nullptr, 30.0, 5.0, 1.0, &orphan));
    EXPECT_TRUE(orphan.empty());
    EXPECT_TRUE(mesher.buildGlyphBody('B', nullptr, 30.0, 5.0, 1.0, nullptr));

    // No glyph at all: false, nothing touched.
    mesher.unloadFont();
    ParticleSystem untouched(0.4);
    std::vector<Particle*> kept(2, nullptr);
    EXPECT_FALSE(mesher.buildGlyphBody('A', &untouched, 30.0, 5.0, 1.0, &kept));
    EXPECT_EQ(untouched.particleCount(), 0);
    EXPECT_EQ(kept.size(), 2u);
}
