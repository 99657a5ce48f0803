#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

#include "physics/MOTUSforceShape.h"
#include "physics/ParticleSystem.h"

namespace {

// A body of the given corners with a shape-keeping force built on them.
struct ShapeBody {
    explicit ShapeBody(const std::vector<Vector3>& corners, double stiffness = 5000.0, double damping = 0.0,
                       double turnDamping = 0.0)
    {
        for (const Vector3& c : corners) {
            double never = -1.0;
            particles.push_back(system.findOrAddParticle(c, never));
        }
        system.addForce(std::make_unique<MOTUSforceShape>(particles, stiffness, damping, turnDamping));
    }

    // The accelerations the force gives at the present positions.
    std::vector<Vector3> pull()
    {
        for (Particle* p : particles)
            p->force = Vector3{};
        system.forceAt(0)->apply();
        std::vector<Vector3> out;
        for (const Particle* p : particles)
            out.push_back(p->force);
        return out;
    }

    ParticleSystem system{0.4};
    std::vector<Particle*> particles;
};

double signedArea(const std::vector<Particle*>& p)
{
    return 0.5 * ((p[1]->position.x - p[0]->position.x) * (p[2]->position.y - p[0]->position.y) -
                  (p[2]->position.x - p[0]->position.x) * (p[1]->position.y - p[0]->position.y));
}

const std::vector<Vector3> kSquare = {{0, 0, 0}, {10, 0, 0}, {10, 10, 0}, {0, 10, 0}};

} // namespace

TEST(ShapeForce, TheRestShapeMovedOrTurnedRigidlyFeelsNothing)
{
    ShapeBody body(kSquare, 5000.0, 30.0);
    for (const Vector3& f : body.pull())
        EXPECT_EQ(f, Vector3{});

    // Moved by (37, -12) and turned by 0.7 radians about (3, 4), moving as
    // one piece (translation plus rotation): still no force.
    const double a = 0.7, c = std::cos(a), s = std::sin(a), w = 2.5;
    for (Particle* p : body.particles) {
        const double x = p->position.x - 3.0, y = p->position.y - 4.0;
        p->position = Vector3{3.0 + c * x - s * y + 37.0, 4.0 + s * x + c * y - 12.0, 0.0};
    }
    const Vector3 centre = (body.particles[0]->position + body.particles[2]->position) * 0.5;
    for (Particle* p : body.particles) {
        const Vector3 r = p->position - centre;
        p->velocity = Vector3{5.0 - w * r.y, -3.0 + w * r.x, 0.0};
    }
    for (const Vector3& f : body.pull()) {
        EXPECT_NEAR(f.x, 0.0, 1e-9);
        EXPECT_NEAR(f.y, 0.0, 1e-9);
    }

    // Turn damping alone opposes the turn: -d w x r at every corner.
    ShapeBody turning(kSquare, 5000.0, 30.0, 3.0);
    for (Particle* p : turning.particles) {
        const Vector3 r = p->position - Vector3{5.0, 5.0, 0.0};
        p->velocity = Vector3{-w * r.y, w * r.x, 0.0};
    }
    const std::vector<Vector3> f = turning.pull();
    for (std::size_t i = 0; i < f.size(); ++i) {
        const Vector3 r = turning.particles[i]->position - Vector3{5.0, 5.0, 0.0};
        EXPECT_NEAR(f[i].x, 3.0 * w * r.y, 1e-9);
        EXPECT_NEAR(f[i].y, -3.0 * w * r.x, 1e-9);
    }
}

TEST(ShapeForce, ASquashedShapeIsPushedBack)
{
    ShapeBody body(kSquare);
    // Flattened to half its height about its middle.
    for (Particle* p : body.particles)
        p->position.y = 5.0 + (p->position.y - 5.0) * 0.5;
    const std::vector<Vector3> f = body.pull();
    EXPECT_LT(f[0].y, 0.0); // top corners up (y grows downwards)
    EXPECT_LT(f[1].y, 0.0);
    EXPECT_GT(f[2].y, 0.0); // bottom corners down
    EXPECT_GT(f[3].y, 0.0);
    for (const Vector3& g : f)
        EXPECT_NEAR(g.x, 0.0, 1e-9);
}

TEST(ShapeForce, AnInvertedTriangleRecovers)
{
    ShapeBody body({{0, 0, 0}, {12, 0, 0}, {0, 9, 0}}, 5000.0, 40.0);
    const double rest = signedArea(body.particles);
    // Folded over: the third corner pushed through the opposite edge.
    body.particles[2]->position = Vector3{8.0, -6.0, 0.0};
    ASSERT_LT(signedArea(body.particles) * rest, 0.0);
    for (int i = 0; i < 200; ++i)
        body.system.step(0.01);
    EXPECT_NEAR(signedArea(body.particles) / rest, 1.0, 0.05);
}
