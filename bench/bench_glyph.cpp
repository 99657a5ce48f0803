// Triangulates every printable ASCII character of both faces, reporting
// the cost per character (vectorize + tessellate) and the mesh sizes.
#include <benchmark/benchmark.h>

#include <set>
#include <utility>

#include "glyph/GlyphMesher.h"

namespace {

constexpr double Precision = 30.0;

void triangulateFace(benchmark::State& state, const char* font)
{
    GlyphMesher mesher;
    if (!mesher.loadFont(font, 48)) {
        state.SkipWithError("font not found");
        return;
    }

    long triangles = 0;
    long vertices = 0;
    for (int c = 32; c < 127; ++c) {
        mesher.triangulate(static_cast<char32_t>(c), Precision);
        triangles += static_cast<long>(mesher.mesh().size() / 6);
        std::set<std::pair<double, double>> distinct;
        for (const Vector3& p : mesher.mesh())
            distinct.emplace(p.x, p.y);
        vertices += static_cast<long>(distinct.size());
    }

    for (auto _ : state) {
        for (int c = 32; c < 127; ++c) {
            mesher.triangulate(static_cast<char32_t>(c), Precision);
            benchmark::DoNotOptimize(mesher.mesh().data());
        }
    }

    constexpr int characters = 127 - 32;
    state.SetItemsProcessed(state.iterations() * characters);
    // Seconds per character, printed with an SI prefix ("u" for µs).
    state.counters["time_per_char"] = benchmark::Counter(
        static_cast<double>(state.iterations()) * characters, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    state.counters["triangles_per_char"] = static_cast<double>(triangles) / characters;
    state.counters["vertices_per_char"] = static_cast<double>(vertices) / characters;
}

void BM_TriangulateArial(benchmark::State& state)
{
    triangulateFace(state, "arial.ttf");
}

void BM_TriangulateSymbol(benchmark::State& state)
{
    triangulateFace(state, "Symbol.ttf");
}

} // namespace

BENCHMARK(BM_TriangulateArial)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_TriangulateSymbol)->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
