#include "bodies/CharacterBody.h"

#include <algorithm>
#include <functional>

#include "glyph/GlyphMesher.h"
#include "physics/MOTUSforceGlobal.h"
#include "physics/MOTUSforceShape.h"
#include "physics/MOTUSforceSpring.h"

namespace {

// The builder's stiffness is a placeholder, replaced before the body ever
// moves.
constexpr double kBuildStiffness = 5.0;

// Shape keeping k in [0, 1] pulls a particle by k times its distance from
// the body's fitted rest shape in one tick of 0.01 s: k / 0.01^2 per s^2.
constexpr double kShapePullPerUnit = 1.0 / (0.01 * 0.01);
// Damping of the motion relative to the rigid fit, per unit of keeping:
// strong enough that a letter landing from the top of the window squashes
// and comes back without folding (measured with bench_integrity).
constexpr double kShapeDampingPerUnit = 60.0;
// Damping of the body's turning, per unit of keeping. The floor reflects
// each particle that touches it on its own, which kicks an uneven letter
// into a turn when it lands; without this it topples. A typed letter's
// spin still shows for a moment.
constexpr double kTurnDampingPerUnit = 4.0;

// Keeping upright turns a letter back by this many radians a second squared
// per radian it leans, per unit, damped to stop a little short of
// swinging back and forth: a letter that lands on its side stands up again
// in about half a second.
constexpr double kUprightPerUnit = 120.0;
constexpr double kUprightDampingPerUnit = 16.0;

// The least shape keeping of a letter kept upright.
constexpr double kKeepingForUpright = 0.05;

// One tick of simulated time, which a body's step may cut into substeps.
constexpr double kTick = 0.01;
// Semi-implicit Euler follows a spring of stiffness k and damping c (per
// unit mass) with a step h while h^2 k + 2 h c stays under 4. Steps are
// cut until the bounds below on what a particle's springs and the shape
// force can ask of it stay under that: the bounds are generous, so the
// limit itself leaves room enough.
constexpr double kStableBound = 4.0;
constexpr int kMostSubsteps = 64;

// The substeps a body needs to stay in one piece under its recipe. Its
// springs ask at most k times the largest d(a) + d(b) over springs a-b,
// d the springs at a particle (Anderson and Morley's bound on a graph's
// Laplacian), damping likewise.
int stableSubsteps(const ParticleSystem& system, const BodyRecipe& recipe)
{
    std::vector<const MOTUSforceSpring*> springs;
    std::vector<const Particle*> ends;
    for (int i = 0; i < system.forceCount(); ++i)
        if (const auto* spring = dynamic_cast<const MOTUSforceSpring*>(system.forceAt(i))) {
            springs.push_back(spring);
            ends.push_back(spring->first);
            ends.push_back(spring->second);
        }
    const std::less<const Particle*> before;
    std::sort(ends.begin(), ends.end(), before);
    const auto degree = [&](const Particle* p) {
        const auto range = std::equal_range(ends.begin(), ends.end(), p, before);
        return static_cast<double>(range.second - range.first);
    };
    double most = 0.0;
    for (const MOTUSforceSpring* spring : springs)
        most = std::max(most, degree(spring->first) + degree(spring->second));
    const double keeping = std::max(recipe.shapeKeeping, recipe.keepUpright > 0.0 ? kKeepingForUpright : 0.0);
    const double stiff = recipe.stiffness * most + keeping * kShapePullPerUnit + recipe.keepUpright * kUprightPerUnit;
    const double damp = recipe.damping * most + keeping * (kShapeDampingPerUnit + kTurnDampingPerUnit) +
                        recipe.keepUpright * kUprightDampingPerUnit + recipe.drag;
    int n = 1;
    for (double h = kTick; n < kMostSubsteps && h * h * stiff + 2.0 * h * damp > kStableBound; h = kTick / ++n) {
    }
    return n;
}

} // namespace

CharacterBody buildCharacterBody(GlyphMesher& mesher, char32_t c, const BodyRecipe& recipe, const Vector3& origin)
{
    CharacterBody body{std::make_unique<ParticleSystem>(recipe.restitution), std::make_unique<TriangleList>()};
    ParticleSystem& system = *body.system;
    // The global force assigns the accumulators, so it must come first.
    system.addForce(std::make_unique<MOTUSforceGlobal>(body.triangles.get(), recipe.gravity, recipe.drag));

    mesher.buildGlyphBody(c, &system, recipe.precision, kBuildStiffness, recipe.damping, body.triangles.get());
    system.translate(origin);

    for (int i = 0; i < system.forceCount(); ++i)
        if (auto* spring = dynamic_cast<MOTUSforceSpring*>(system.forceAt(i)))
            spring->stiffness = recipe.stiffness;

    // Last, after the springs: it adds to what they leave. Without keeping
    // there is no such force at all, so a body is as it always was.
    if ((recipe.shapeKeeping > 0.0 || recipe.keepUpright > 0.0) && system.particleCount() > 0) {
        // Turning a letter upright needs a shape to turn: a wholly soft
        // letter pulled round by its fitted orientation is wrung apart.
        const double keeping =
            recipe.keepUpright > 0.0 ? std::max(recipe.shapeKeeping, kKeepingForUpright) : recipe.shapeKeeping;
        // A body kept in shape rests on the floor as a whole.
        system.floorHoldsBody = true;
        std::vector<Particle*> particles;
        particles.reserve(static_cast<std::size_t>(system.particleCount()));
        for (int i = 0; i < system.particleCount(); ++i)
            particles.push_back(system.particleAt(i));
        system.addForce(std::make_unique<MOTUSforceShape>(std::move(particles), keeping * kShapePullPerUnit,
                                                          keeping * kShapeDampingPerUnit,
                                                          keeping * kTurnDampingPerUnit,
                                                          recipe.keepUpright * kUprightPerUnit,
                                                          recipe.keepUpright * kUprightDampingPerUnit));
    }
    system.substeps = stableSubsteps(system, recipe);
    return body;
}
