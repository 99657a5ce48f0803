#include "bodies/CharacterBody.h"

#include "glyph/GlyphMesher.h"
#include "physics/MOTUSforceGlobal.h"
#include "physics/MOTUSforceSpring.h"

namespace {

// The builder's stiffness is a placeholder, replaced before the body ever
// moves.
constexpr double kBuildStiffness = 5.0;

} // namespace

CharacterBody buildCharacterBody(GlyphMesher& mesher, char c, const BodyRecipe& recipe, const Vector3& origin)
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
    return body;
}
