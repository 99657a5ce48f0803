// A scene as JSON and back (docs/scene-format.md). Numbers are written as
// the shortest decimal that reads back to the same double, so a scene read
// back holds the very bits it was saved with.
#include <algorithm>
#include <array>
#include <bit>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <optional>
#include <stdexcept>
#include <type_traits>
#include <utility>

#include <nlohmann/json.hpp>

#include "physics/MOTUSforceGlobal.h"
#include "physics/MOTUSforceShape.h"
#include "physics/MOTUSforceSpring.h"
#include "view/CLexfallView.h"
#include "view/SceneCodec.h"
#include "view/SceneFile.h"

namespace sceneFile {

namespace {

using Json = nlohmann::ordered_json;

// What a scene may hold; more is refused before anything is made.
constexpr long long kMaxBodies = 1'000'000 / 5;
constexpr long long kMaxParticlesPerBody = 100'000;
constexpr long long kMaxParticles = 4'000'000;
// Springs, triangle corners and collision probes in all bodies, each.
constexpr long long kMaxParts = 4 * kMaxParticles;
constexpr long long kMaxEntriesPerBody = 1'000'000;
constexpr long long kMaxSubsteps = 64;
constexpr long long kMaxWords = 10'000'000;
// Values (numbers, strings, arrays, objects) and nesting of the JSON text.
constexpr std::size_t kMaxValues = 40'000'000;
constexpr int kMaxDepth = 16;

const char kArial[] = "arial.ttf";
const char kSymbol[] = "Symbol.ttf";

// A scene that cannot be written or read, and why.
struct SceneError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

bool sameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// ---------------------------------------------------------------- packing

// Lists longer than this are packed: little-endian IEEE doubles or 32-bit
// integers, in base64 (RFC 4648). Reading a packed list is copying bytes;
// reading a list of JSON numbers costs about a microsecond a number.
constexpr std::size_t kPlainItems = 4;

constexpr char kBase64[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

std::string toBase64(const std::vector<unsigned char>& bytes)
{
    std::string out;
    out.reserve((bytes.size() + 2) / 3 * 4);
    std::size_t i = 0;
    for (; i + 2 < bytes.size(); i += 3) {
        const unsigned v = unsigned{bytes[i]} << 16 | unsigned{bytes[i + 1]} << 8 | bytes[i + 2];
        out += {kBase64[v >> 18], kBase64[(v >> 12) & 63], kBase64[(v >> 6) & 63], kBase64[v & 63]};
    }
    if (i + 1 == bytes.size()) {
        const unsigned v = unsigned{bytes[i]} << 16;
        out += {kBase64[v >> 18], kBase64[(v >> 12) & 63], '=', '='};
    } else if (i + 2 == bytes.size()) {
        const unsigned v = unsigned{bytes[i]} << 16 | unsigned{bytes[i + 1]} << 8;
        out += {kBase64[v >> 18], kBase64[(v >> 12) & 63], kBase64[(v >> 6) & 63], '='};
    }
    return out;
}

// The bytes of a base64 text; nothing when it is not one.
std::optional<std::vector<unsigned char>> fromBase64(std::string_view text)
{
    static const auto values = [] {
        std::array<signed char, 256> table{};
        table.fill(-1);
        for (int i = 0; i < 64; ++i)
            table[static_cast<unsigned char>(kBase64[i])] = static_cast<signed char>(i);
        return table;
    }();
    if (text.size() % 4 != 0)
        return std::nullopt;
    std::size_t padding = 0;
    while (padding < 2 && padding < text.size() && text[text.size() - 1 - padding] == '=')
        ++padding;
    std::vector<unsigned char> out;
    out.reserve(text.size() / 4 * 3);
    for (std::size_t i = 0; i < text.size(); i += 4) {
        unsigned v = 0;
        for (std::size_t k = 0; k < 4; ++k) {
            const bool pad = i + k >= text.size() - padding;
            const int d = pad ? 0 : values[static_cast<unsigned char>(text[i + k])];
            if (d < 0)
                return std::nullopt;
            v = v << 6 | static_cast<unsigned>(d);
        }
        out.push_back(static_cast<unsigned char>(v >> 16));
        out.push_back(static_cast<unsigned char>(v >> 8));
        out.push_back(static_cast<unsigned char>(v));
    }
    out.resize(out.size() - padding);
    return out;
}

template <class T>
std::vector<unsigned char> littleEndian(const std::vector<T>& values)
{
    using Bits = std::conditional_t<sizeof(T) == 8, std::uint64_t, std::uint32_t>;
    std::vector<unsigned char> out;
    out.reserve(values.size() * sizeof(T));
    for (const T v : values) {
        const Bits bits = std::bit_cast<Bits>(v);
        for (std::size_t k = 0; k < sizeof(T); ++k)
            out.push_back(static_cast<unsigned char>(bits >> (8 * k)));
    }
    return out;
}

template <class T>
std::vector<T> fromLittleEndian(const std::vector<unsigned char>& bytes)
{
    using Bits = std::conditional_t<sizeof(T) == 8, std::uint64_t, std::uint32_t>;
    std::vector<T> out(bytes.size() / sizeof(T));
    for (std::size_t i = 0; i < out.size(); ++i) {
        Bits bits = 0;
        for (std::size_t k = 0; k < sizeof(T); ++k)
            bits |= static_cast<Bits>(bytes[i * sizeof(T) + k]) << (8 * k);
        out[i] = std::bit_cast<T>(bits);
    }
    return out;
}

// ---------------------------------------------------------------- writing

class Writer {
public:
    double number(double v)
    {
        if (!std::isfinite(v))
            throw SceneError("a number in the scene is no longer finite (a letter's motion broke down)");
        return v;
    }

    Json vector(const Vector3& v) { return Json::array({number(v.x), number(v.y), number(v.z)}); }

    // One number when all are the same (to the bit), a few as numbers,
    // more packed.
    Json column(const std::vector<double>& values)
    {
        for (double v : values)
            number(v);
        if (!values.empty() && std::all_of(values.begin(), values.end(), [&](double v) { return sameBits(v, values[0]); }))
            return values[0];
        return values.size() <= kPlainItems ? Json(values) : Json(toBase64(littleEndian(values)));
    }

    Json integers(const std::vector<int>& values)
    {
        return values.size() <= kPlainItems ? Json(values) : Json(toBase64(littleEndian(values)));
    }
};

// Particles by their place in their body.
class ParticleIndex {
public:
    explicit ParticleIndex(const ParticleSystem& body)
    {
        m_sorted.reserve(static_cast<std::size_t>(body.particleCount()));
        for (int i = 0; i < body.particleCount(); ++i)
            m_sorted.emplace_back(body.particleAt(i), i);
        std::sort(m_sorted.begin(), m_sorted.end(), [](const auto& l, const auto& r) { return std::less<>()(l.first, r.first); });
    }

    int operator()(const Particle* p) const
    {
        const auto at = std::lower_bound(m_sorted.begin(), m_sorted.end(), p,
                                         [](const auto& e, const Particle* q) { return std::less<>()(e.first, q); });
        if (at == m_sorted.end() || at->first != p)
            throw SceneError("a body refers to a particle of another body");
        return at->second;
    }

    std::vector<int> all(const std::vector<Particle*>& particles) const
    {
        std::vector<int> out;
        out.reserve(particles.size());
        for (const Particle* p : particles)
            out.push_back((*this)(p));
        return out;
    }

private:
    std::vector<std::pair<const Particle*, int>> m_sorted;
};

Json box(Writer& w, const CollisionBox& b)
{
    return Json::array({w.number(b.left), w.number(b.top), w.number(b.right), w.number(b.bottom)});
}

bool sameColumn(const std::vector<double>& a, const std::vector<double>& b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), sameBits);
}

bool sameBox(const CollisionBox& a, const CollisionBox& b)
{
    return sameBits(a.left, b.left) && sameBits(a.top, b.top) && sameBits(a.right, b.right) && sameBits(a.bottom, b.bottom);
}

// Whether the measures of a body, what it is now (`tick`, `rigid`) and
// what it would be measured afresh (`again`), have the very same bits.
bool sameMeasure(const ShapeTick& tick, const RigidBody& rigid, const CollisionShape& again)
{
    const ShapeTick& t = again.tick;
    const RigidBody& r = again.rigid;
    const auto sameBoxes = [](const std::vector<CollisionBox>& one, const std::vector<CollisionBox>& two) {
        return std::equal(one.begin(), one.end(), two.begin(), two.end(), sameBox);
    };
    return sameBox(tick.box, t.box) && sameBox(tick.swept, t.swept) && tick.finite == t.finite &&
           tick.crushed == t.crushed && sameBits(tick.shiftX, t.shiftX) && sameBits(tick.shiftY, t.shiftY) &&
           sameBits(rigid.mass, r.mass) && sameBits(rigid.centreX, r.centreX) && sameBits(rigid.centreY, r.centreY) &&
           sameBits(rigid.inertia, r.inertia) && sameBits(rigid.meanVX, r.meanVX) && sameBits(rigid.meanVY, r.meanVY) &&
           sameBits(rigid.meanSpin, r.meanSpin) && sameColumn(tick.probeX, t.probeX) &&
           sameColumn(tick.probeY, t.probeY) && sameColumn(tick.probeStartX, t.probeStartX) &&
           sameColumn(tick.probeStartY, t.probeStartY) &&
           sameBoxes(tick.triangleBoxes, t.triangleBoxes);
}

// What a sleeper measured: where its particles started the tick it last
// moved (left out when they are where they stand), and the rest: "again"
// when measuring its particles afresh gives the very same bits, as it
// does for a letter that has slept a tick, else every value.
Json writeMeasure(const CollisionShape& shape, Writer& w)
{
    // A sleeper that met no body since it last moved has not measured its
    // outline: it is the one its particles give, where they still stand.
    CollisionShape s = shape;
    s.tick.measureOutline(s.geometry);
    const ShapeTick& tick = s.tick;
    const RigidBody& rigid = s.rigid;
    Json m = Json::object();
    std::vector<double> x, y;
    for (const Particle* p : s.geometry.particles) {
        x.push_back(p->position.x);
        y.push_back(p->position.y);
    }
    if (!sameColumn(x, tick.startX) || !sameColumn(y, tick.startY)) {
        m["startX"] = w.column(tick.startX);
        m["startY"] = w.column(tick.startY);
    }
    CollisionShape again = s;
    again.remeasure();
    if (sameMeasure(tick, rigid, again)) {
        m["values"] = "again";
        return m;
    }
    std::vector<double> boxes;
    for (const CollisionBox& t : tick.triangleBoxes)
        boxes.insert(boxes.end(), {t.left, t.top, t.right, t.bottom});
    m["swept"] = box(w, tick.swept);
    m["shift"] = Json::array({w.number(tick.shiftX), w.number(tick.shiftY)});
    m["mass"] = w.number(rigid.mass);
    m["centre"] = Json::array({w.number(rigid.centreX), w.number(rigid.centreY)});
    m["inertia"] = w.number(rigid.inertia);
    m["meanVelocity"] = Json::array({w.number(rigid.meanVX), w.number(rigid.meanVY)});
    m["meanSpin"] = w.number(rigid.meanSpin);
    m["probeX"] = w.column(tick.probeX);
    m["probeY"] = w.column(tick.probeY);
    m["probeStartX"] = w.column(tick.probeStartX);
    m["probeStartY"] = w.column(tick.probeStartY);
    m["triangleBoxes"] = w.column(boxes);
    return m;
}

// Whether the body's particles lie in memory in their order, as those of a
// body read back do: then what a shape sorts by address it sorts alike.
bool inAddressOrder(const ParticleSystem& body)
{
    for (int i = 1; i < body.particleCount(); ++i)
        if (!std::less<>()(body.particleAt(i - 1), body.particleAt(i)))
            return false;
    return true;
}

// The probes along the outline as the number on each edge, when they lie
// as a shape spaces them (k / (count + 1) of the way, edge by edge).
std::optional<std::vector<int>> probesByEdge(const ShapeGeometry& g, const ParticleIndex& index)
{
    std::vector<int> counts;
    std::size_t at = g.particles.size();
    for (const ShapeGeometry::Edge& e : g.outline) {
        const int a = index(e.a), b = index(e.b);
        int count = 0;
        while (at + static_cast<std::size_t>(count) < g.probes.size() &&
               g.probes[at + static_cast<std::size_t>(count)].a == a &&
               g.probes[at + static_cast<std::size_t>(count)].b == b)
            ++count;
        for (int k = 1; k <= count; ++k)
            if (!sameBits(g.probes[at + static_cast<std::size_t>(k - 1)].u, static_cast<double>(k) / (count + 1)))
                return std::nullopt;
        counts.push_back(count);
        at += static_cast<std::size_t>(count);
    }
    if (at != g.probes.size())
        return std::nullopt;
    return counts;
}

Json writeShape(const CollisionShape& s, const ParticleSystem& body, const TriangleList& triangles,
                const ParticleIndex& index, Writer& w)
{
    const ShapeGeometry& g = s.geometry;
    const RigidBody& rigid = s.rigid;
    const std::size_t n = g.particles.size();
    if (n != static_cast<std::size_t>(body.particleCount()) || g.probes.size() < n)
        throw SceneError("a collision shape does not match its body");
    for (std::size_t i = 0; i < n; ++i)
        if (g.particles[i] != body.particleAt(static_cast<int>(i)) || g.probes[i].a != static_cast<int>(i) ||
            g.probes[i].b != static_cast<int>(i) || g.probes[i].u != 0.0)
            throw SceneError("a collision shape does not match its body");

    Json out = Json::object();
    out["id"] = s.id;
    out["turns"] = g.turns;
    out["finite"] = s.tick.finite;
    out["crushed"] = s.tick.crushed;
    out["joined"] = s.joined;
    out["asleep"] = rigid.asleep;
    out["quietTicks"] = rigid.quietTicks;
    out["rest"] = Json::array(
        {w.number(rigid.restX), w.number(rigid.restY), w.number(rigid.restFirstX), w.number(rigid.restFirstY)});
    out["restArea"] = w.number(g.restArea);
    out["box"] = box(w, s.tick.box);
    // The corners are the body's triangles, less those without area when
    // the shape was made; its outline, theirs.
    out["corners"] = g.corners == triangles ? Json("triangles") : w.integers(index.all(g.corners));
    const std::vector<ShapeGeometry::Edge> rebuilt = ShapeGeometry::outlineOf(triangles);
    const bool sameOutline = std::equal(g.outline.begin(), g.outline.end(), rebuilt.begin(), rebuilt.end(),
                                        [](const auto& l, const auto& r) { return l.a == r.a && l.b == r.b && l.inner == r.inner; });
    if (inAddressOrder(body) && sameOutline) {
        out["outline"] = "triangles";
    } else {
        std::vector<int> outline;
        outline.reserve(g.outline.size() * 3);
        for (const ShapeGeometry::Edge& e : g.outline) {
            outline.push_back(index(e.a));
            outline.push_back(index(e.b));
            outline.push_back(index(e.inner));
        }
        out["outline"] = w.integers(outline);
    }
    if (const std::optional<std::vector<int>> counts = probesByEdge(g, index)) {
        out["probes"] = Json{{"byEdge", w.integers(*counts)}};
    } else {
        std::vector<int> a, b;
        std::vector<double> u;
        for (std::size_t k = n; k < g.probes.size(); ++k) {
            a.push_back(g.probes[k].a);
            b.push_back(g.probes[k].b);
            u.push_back(g.probes[k].u);
        }
        out["probes"] = Json{{"count", a.size()}, {"a", w.integers(a)}, {"b", w.integers(b)}, {"u", w.column(u)}};
    }
    std::vector<int> point;
    std::vector<double> normal, tangent;
    for (const Contact& c : rigid.floorContacts) {
        point.push_back(c.point);
        normal.push_back(c.normalImpulse);
        tangent.push_back(c.tangentImpulse);
    }
    out["floor"] = Json{
        {"count", point.size()}, {"point", w.integers(point)}, {"normal", w.column(normal)}, {"tangent", w.column(tangent)}};
    out["measured"] = s.tick.measured();
    // A sleeper keeps what it last measured for as long as it does not
    // move; an awake body measures afresh before it meets another.
    if (rigid.asleep)
        out["measure"] = writeMeasure(s, w);
    return out;
}

Json writeBody(const ParticleSystem& body, const TriangleList& triangles, const CollisionShape* shape, Writer& w)
{
    const ParticleIndex index(body);
    const int n = body.particleCount();
    std::vector<double> x, y, z, vx, vy, vz, mass;
    for (std::vector<double>* column : {&x, &y, &z, &vx, &vy, &vz, &mass})
        column->reserve(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) {
        const Particle& p = *body.particleAt(i);
        x.push_back(p.position.x);
        y.push_back(p.position.y);
        z.push_back(p.position.z);
        vx.push_back(p.velocity.x);
        vy.push_back(p.velocity.y);
        vz.push_back(p.velocity.z);
        mass.push_back(p.mass);
    }
    Json out = Json::object();
    out["restitution"] = w.number(body.restitution);
    out["substeps"] = body.substeps;
    out["floorHoldsBody"] = body.floorHoldsBody;
    out["particles"] = Json{{"count", n},         {"x", w.column(x)},   {"y", w.column(y)},
                            {"z", w.column(z)},   {"vx", w.column(vx)}, {"vy", w.column(vy)},
                            {"vz", w.column(vz)}, {"mass", w.column(mass)}};
    const std::vector<int> corners = index.all(triangles);
    out["triangles"] = w.integers(corners);

    Json forces = Json::array();
    for (int i = 0; i < body.forceCount();) {
        const MOTUSforce* force = body.forceAt(i);
        if (const auto* global = dynamic_cast<const MOTUSforceGlobal*>(force)) {
            if (global->targets != &triangles)
                throw SceneError("a body's gravity acts on other particles than its triangles'");
            forces.push_back(Json{{"kind", "gravity"},
                                  {"acceleration", w.vector(global->acceleration)},
                                  {"drag", w.number(global->drag)}});
            ++i;
        } else if (dynamic_cast<const MOTUSforceSpring*>(force)) {
            std::vector<int> first, second;
            std::vector<double> rest, stiffness, damping;
            for (; i < body.forceCount(); ++i) {
                const auto* spring = dynamic_cast<const MOTUSforceSpring*>(body.forceAt(i));
                if (!spring)
                    break;
                first.push_back(index(spring->first));
                second.push_back(index(spring->second));
                rest.push_back(spring->restLength);
                stiffness.push_back(spring->stiffness);
                damping.push_back(spring->damping);
            }
            Json springs{{"kind", "springs"}, {"count", first.size()}};
            // A glyph's springs are its triangles' sides, corner to next corner.
            bool sides = first.size() == triangles.size();
            for (std::size_t k = 0; sides && k < first.size(); ++k)
                sides = first[k] == corners[k] && second[k] == corners[k - k % 3 + (k + 1) % 3];
            if (sides) {
                springs["ends"] = "triangles";
            } else {
                springs["first"] = w.integers(first);
                springs["second"] = w.integers(second);
            }
            springs["restLength"] = w.column(rest);
            springs["stiffness"] = w.column(stiffness);
            springs["damping"] = w.column(damping);
            forces.push_back(std::move(springs));
        } else if (const auto* shape = dynamic_cast<const MOTUSforceShape*>(force)) {
            std::vector<double> restX, restY;
            for (const MOTUSforceShape::Offset& o : shape->restShape()) {
                restX.push_back(o.x);
                restY.push_back(o.y);
            }
            const std::vector<int> particles = index.all(shape->particles());
            bool all = static_cast<int>(particles.size()) == n;
            for (std::size_t k = 0; all && k < particles.size(); ++k)
                all = particles[k] == static_cast<int>(k);
            forces.push_back(Json{{"kind", "shape"},
                                  {"particles", all ? Json("all") : w.integers(particles)},
                                  {"restX", w.column(restX)},
                                  {"restY", w.column(restY)},
                                  {"stiffness", w.number(shape->stiffness)},
                                  {"damping", w.number(shape->damping)},
                                  {"turnDamping", w.number(shape->turnDamping)},
                                  {"upright", w.number(shape->upright)},
                                  {"uprightDamping", w.number(shape->uprightDamping)}});
            ++i;
        } else {
            throw SceneError("a body holds a force Lexfall cannot save");
        }
    }
    out["forces"] = std::move(forces);
    out["collision"] = shape ? writeShape(*shape, body, triangles, index, w) : Json(nullptr);
    return out;
}

std::string modeName(const CLexfallView& view)
{
    if (view.m_bKeyboardMode + view.m_bNozzleMode + view.m_bManipulateMode != 1)
        throw SceneError("the scene is in no one mode");
    return view.m_bKeyboardMode ? "keyboard" : view.m_bNozzleMode ? "nozzle" : "manipulate";
}

Json writeScene(const CLexfallView& view)
{
    Writer w;
    Json out = Json::object();
    out["format"] = kFormatName;
    out["version"] = kVersion;
    const IntRect client = view.window() ? view.window()->clientRect() : IntRect{};
    out["window"] = Json{{"width", client.right - client.left}, {"height", client.bottom - client.top}};

    Json settings = Json::object();
    writeSettings(view.Settings(), [&settings](const std::string& key, const std::string& value) { settings[key] = value; });
    out["settings"] = std::move(settings);

    Json v = Json::object();
    v["mode"] = modeName(view);
    v["font"] = std::strcmp(view.m_pszFontFile, kSymbol) == 0 ? "symbol" : "arial";
    v["face"] = view.m_strFace;
    v["insert"] = w.vector(view.m_vInsert);
    v["lineStart"] = w.number(view.m_dLineStart);
    Json advances = Json::array();
    for (double a : view.m_pAdvances)
        advances.push_back(w.number(a));
    v["advances"] = std::move(advances);
    v["gravity"] = w.vector(view.m_vGravity);
    v["spin"] = w.number(view.m_dSpin);
    v["charsAllowed"] = view.m_nCharsAllowed;
    v["wireframe"] = view.m_bWireframe;
    v["animate"] = view.m_bAnimate;
    v["showCursor"] = view.m_bShowCursor;
    v["showCompass"] = view.m_bShowCompass;
    v["compass"] = Json{{"x", w.number(view.m_dCompassX)},
                        {"y", w.number(view.m_dCompassY)},
                        {"radius", w.number(view.m_dCompassRadius)},
                        {"needle", Json::array({view.m_ptNeedle.x, view.m_ptNeedle.y})}};
    v["random"] = view.m_random.state();
    v["nozzle"] = Json{{"words", view.m_pWords ? Json(*view.m_pWords) : Json(nullptr)},
                       {"loaded", view.m_bWordsLoaded},
                       {"index", view.m_nWordIndex},
                       {"emitCounter", view.m_nEmitCounter},
                       {"emitPeriod", view.m_nEmitPeriod}};
    v["wordNet"] = view.m_pszWordNetText
                       ? Json{{"answer", std::string(view.m_pszWordNetText)}, {"position", view.m_nWordNetPos}}
                       : Json(nullptr);
    out["view"] = std::move(v);

    Json pairs = Json::array();
    for (const ContactMemory::Pair& pair : view.m_collisions.memory().pairs()) {
        std::vector<int> point, edge;
        std::vector<double> normal, tangent;
        for (const ContactMemory::Remembered& r : pair.contacts) {
            point.push_back(r.point);
            edge.push_back(r.edge);
            normal.push_back(r.normalImpulse);
            tangent.push_back(r.tangentImpulse);
        }
        pairs.push_back(Json{{"first", pair.first},
                             {"second", pair.second},
                             {"count", point.size()},
                             {"point", w.integers(point)},
                             {"edge", w.integers(edge)},
                             {"normal", w.column(normal)},
                             {"tangent", w.column(tangent)}});
    }
    Json overlapped = Json::array();
    for (const ContactMemory::IdPair& ids : view.m_collisions.memory().overlapped())
        overlapped.push_back(Json::array({ids.first, ids.second}));
    const double floor = view.m_collisions.floor();
    out["collisions"] = Json{{"floor", floor == HUGE_VAL ? Json(nullptr) : Json(w.number(floor))},
                             {"lastId", view.m_collisions.lastId()},
                             {"pairs", std::move(pairs)},
                             {"overlapped", std::move(overlapped)}};

    if (view.m_pBodies.size() != view.m_pBodyTriangles.size())
        throw SceneError("the scene's bodies and triangle lists differ in number");
    Json bodies = Json::array();
    for (std::size_t i = 0; i < view.m_pBodies.size(); ++i)
        bodies.push_back(writeBody(*view.m_pBodies[i], *view.m_pBodyTriangles[i],
                                   view.m_collisions.shapeOf(*view.m_pBodies[i]), w));
    out["bodies"] = std::move(bodies);
    return out;
}

// ---------------------------------------------------------------- reading

// A value of the file and where it lies, for messages such as
// "scene.bodies[3].particles.x[12]: not a finite number".
class Node {
public:
    Node(const Json& json, std::string where) : m_json(json), m_where(std::move(where)) {}

    [[noreturn]] void fail(const std::string& what) const { throw SceneError(m_where + ": " + what); }
    const Json& json() const { return m_json; }

    bool has(const char* key) const { return m_json.is_object() && m_json.contains(key); }
    Node operator[](const char* key) const
    {
        if (!m_json.is_object())
            fail("an object was expected");
        const auto at = m_json.find(key);
        if (at == m_json.end())
            throw SceneError(m_where + "." + key + ": missing");
        return Node(*at, m_where + "." + key);
    }
    Node at(std::size_t i) const { return Node(m_json.at(i), m_where + "[" + std::to_string(i) + "]"); }

    std::size_t size(std::size_t most) const
    {
        if (!m_json.is_array())
            fail("a list was expected");
        if (m_json.size() > most)
            fail("a list of " + std::to_string(m_json.size()) + ", more than any scene holds");
        return m_json.size();
    }
    void expectSize(std::size_t n) const
    {
        if (!m_json.is_array() || m_json.size() != n)
            fail("a list of " + std::to_string(n) + " was expected");
    }

    double number() const
    {
        if (!m_json.is_number())
            fail("a number was expected");
        const double v = m_json.get<double>();
        if (!std::isfinite(v))
            fail("not a finite number");
        return v;
    }
    long long integer(long long lo, long long hi) const
    {
        long long v = 0;
        if (m_json.is_number_unsigned()) {
            if (m_json.get<std::uint64_t>() > static_cast<std::uint64_t>(hi))
                fail(std::to_string(m_json.get<std::uint64_t>()) + " is out of range (" + std::to_string(lo) + " to " +
                     std::to_string(hi) + ")");
            v = static_cast<long long>(m_json.get<std::uint64_t>());
        } else if (m_json.is_number_integer()) {
            v = m_json.get<long long>();
        } else {
            fail("a whole number was expected");
        }
        if (v < lo || v > hi)
            fail(std::to_string(v) + " is out of range (" + std::to_string(lo) + " to " + std::to_string(hi) + ")");
        return v;
    }
    int integer(int lo, int hi) const { return static_cast<int>(integer(static_cast<long long>(lo), static_cast<long long>(hi))); }
    bool flag() const
    {
        if (!m_json.is_boolean())
            fail("true or false was expected");
        return m_json.get<bool>();
    }
    std::string text() const
    {
        if (!m_json.is_string())
            fail("a string was expected");
        return m_json.get<std::string>();
    }
    Vector3 vector() const
    {
        expectSize(3);
        return Vector3{at(0).number(), at(1).number(), at(2).number()};
    }
    CollisionBox box() const
    {
        expectSize(4);
        return CollisionBox{at(0).number(), at(1).number(), at(2).number(), at(3).number()};
    }

    // n numbers: one number for all, a list of n, or n packed.
    std::vector<double> column(std::size_t n) const
    {
        if (m_json.is_number())
            return std::vector<double>(n, number());
        std::vector<double> out;
        if (m_json.is_string()) {
            out = fromLittleEndian<double>(packed(n * sizeof(double)));
        } else {
            expectSize(n);
            out.reserve(n);
            for (const Json& e : m_json)
                out.push_back(e.is_number() ? e.get<double>() : NAN);
        }
        for (std::size_t i = 0; i < n; ++i)
            if (!std::isfinite(out[i]))
                fail("item " + std::to_string(i) + " is not a finite number");
        return out;
    }

    // Whole numbers, listed or packed, at most `most` of them.
    std::vector<int> integers(std::size_t most) const
    {
        if (m_json.is_string()) {
            const std::size_t bytes = m_json.get_ref<const std::string&>().size() / 4 * 3;
            if (bytes / 4 > most + 1)
                fail("more items than any scene holds");
            const std::vector<unsigned char> raw = packed(std::nullopt);
            if (raw.size() % 4 != 0 || raw.size() / 4 > most)
                fail("packed whole numbers were expected");
            return fromLittleEndian<int>(raw);
        }
        const std::size_t n = size(most);
        std::vector<int> out;
        out.reserve(n);
        for (const Json& e : m_json) {
            const bool fits = e.is_number_unsigned() ? e.get<std::uint64_t>() <= INT_MAX
                                                     : e.is_number_integer() && e.get<long long>() >= INT_MIN &&
                                                           e.get<long long>() <= INT_MAX;
            if (!fits)
                fail("item " + std::to_string(out.size()) + " is not a whole number of 32 bits");
            out.push_back(static_cast<int>(e.get<long long>()));
        }
        return out;
    }
    std::vector<int> integers(std::size_t n, std::size_t most) const
    {
        std::vector<int> out = integers(most);
        if (out.size() != n)
            fail(std::to_string(n) + " items were expected");
        return out;
    }

    // Whole numbers each from 0 to below `limit`, at most `most` of them.
    std::vector<int> indices(std::size_t most, std::size_t limit) const
    {
        std::vector<int> out = integers(most);
        for (std::size_t i = 0; i < out.size(); ++i)
            if (out[i] < 0 || static_cast<std::size_t>(out[i]) >= limit)
                fail("item " + std::to_string(i) + " is not a whole number below " + std::to_string(limit));
        return out;
    }
    std::vector<int> indices(std::size_t n, std::size_t most, std::size_t limit) const
    {
        std::vector<int> out = indices(most, limit);
        if (out.size() != n)
            fail(std::to_string(n) + " items were expected");
        return out;
    }

private:
    // The bytes of a packed list, `bytes` of them when given.
    std::vector<unsigned char> packed(std::optional<std::size_t> bytes) const
    {
        const std::string& text = m_json.get_ref<const std::string&>();
        std::optional<std::vector<unsigned char>> raw = fromBase64(text);
        if (!raw)
            fail("packed numbers in base64 were expected");
        if (bytes && raw->size() != *bytes)
            fail(std::to_string(*bytes) + " packed bytes were expected, not " + std::to_string(raw->size()));
        return std::move(*raw);
    }

    const Json& m_json;
    std::string m_where;
};

// Everything a scene file holds, read and checked, before the view has
// been touched.
struct Loaded {
    int format = kVersion;
    SceneSettings settings;
    std::string mode;
    const char* font = kArial;
    std::string face;
    Vector3 insert;
    double lineStart = 0.0;
    std::deque<double> advances;
    Vector3 gravity;
    double spin = 0.0;
    int charsAllowed = 0;
    bool wireframe = false;
    bool animate = false;
    bool showCursor = true;
    bool showCompass = false;
    double compassX = 0.0;
    double compassY = 0.0;
    double compassRadius = 0.0;
    IntPoint needle;
    std::uint32_t random = 1;
    std::unique_ptr<WordList> words;
    bool wordsLoaded = false;
    int wordIndex = 0;
    int emitCounter = 0;
    int emitPeriod = 5;
    std::optional<std::string> wordNetAnswer;
    int wordNetPos = 0;
    ContactMemory memory;
    double floor = HUGE_VAL;
    unsigned lastId = 0;
    std::vector<std::unique_ptr<ParticleSystem>> bodies;
    std::vector<std::unique_ptr<TriangleList>> triangles;
    Collisions::Shapes shapes; // by body, null for one without
    long long particles = 0; // in all bodies
    long long parts = 0;     // springs, corners and probes in all bodies

    // Counts n more springs, corners or probes: refused past the limit.
    void spend(long long n, const Node& where)
    {
        parts += n;
        if (parts > kMaxParts)
            where.fail("more springs, corners and probes in all than any scene holds");
    }
};

std::vector<Particle*> particlesOf(const ParticleSystem& body, const std::vector<int>& indices)
{
    std::vector<Particle*> out;
    out.reserve(indices.size());
    for (int i : indices)
        out.push_back(body.particleAt(i));
    return out;
}

std::unique_ptr<CollisionShape> readShape(const Node& n, const ParticleSystem& body, const TriangleList& triangleList,
                                          Loaded& out)
{
    const std::size_t count = static_cast<std::size_t>(body.particleCount());
    if (count == 0)
        n.fail("a body without particles never collides");
    std::vector<Particle*> all;
    all.reserve(count);
    for (std::size_t i = 0; i < count; ++i)
        all.push_back(body.particleAt(static_cast<int>(i)));
    auto s = std::make_unique<CollisionShape>(std::move(all));
    ShapeGeometry& geometry = s->geometry;
    ShapeTick& tick = s->tick;
    RigidBody& rigid = s->rigid;
    s->id = static_cast<unsigned>(n["id"].integer(0LL, static_cast<long long>(UINT_MAX)));
    geometry.turns = n["turns"].flag();
    tick.finite = n["finite"].flag();
    tick.crushed = n["crushed"].flag();
    // Files from before the sides held joined bodies have none.
    s->joined = n.has("joined") && n["joined"].flag();
    rigid.asleep = n["asleep"].flag();
    rigid.quietTicks = n["quietTicks"].integer(0, INT_MAX);
    const Node rest = n["rest"];
    rest.expectSize(4);
    rigid.restX = rest.at(0).number();
    rigid.restY = rest.at(1).number();
    rigid.restFirstX = rest.at(2).number();
    rigid.restFirstY = rest.at(3).number();
    geometry.restArea = n["restArea"].number();
    tick.box = n["box"].box();

    const Node corners = n["corners"];
    if (corners.json() == "triangles") {
        geometry.corners = triangleList;
    } else {
        geometry.corners = particlesOf(body, corners.indices(static_cast<std::size_t>(kMaxEntriesPerBody), count));
        out.spend(static_cast<long long>(geometry.corners.size()), corners);
        if (geometry.corners.size() % 3 != 0)
            corners.fail("three corners a triangle were expected");
    }
    // A body read back lies in memory in its order, so the outline comes
    // out as it did when the shape was made, by the rule of its format.
    const Node outline = n["outline"];
    if (outline.json() == "triangles") {
        geometry.outline = ShapeGeometry::outlineOf(triangleList, out.format < 3);
    } else {
        const std::vector<int> edges = outline.indices(static_cast<std::size_t>(kMaxEntriesPerBody), count);
        if (edges.size() % 3 != 0)
            outline.fail("three particles an edge were expected");
        for (std::size_t k = 0; k < edges.size(); k += 3)
            geometry.outline.push_back(ShapeGeometry::Edge{body.particleAt(edges[k]), body.particleAt(edges[k + 1]),
                                                      body.particleAt(edges[k + 2])});
    }
    const Node probes = n["probes"];
    geometry.probes.reserve(count);
    for (std::size_t i = 0; i < count; ++i)
        geometry.probes.push_back(ShapeGeometry::Probe{static_cast<int>(i), static_cast<int>(i), 0.0});
    if (probes.has("byEdge")) {
        const std::vector<int> counts = probes["byEdge"].integers(geometry.outline.size(), geometry.outline.size());
        const ParticleIndex index(body);
        for (std::size_t e = 0; e < counts.size(); ++e) {
            if (counts[e] < 0 || counts[e] > kMaxEntriesPerBody ||
                geometry.probes.size() + static_cast<std::size_t>(counts[e]) >
                    static_cast<std::size_t>(kMaxEntriesPerBody))
                probes["byEdge"].fail("more probes than any body holds");
            out.spend(counts[e], probes["byEdge"]);
            const int a = index(geometry.outline[e].a), b = index(geometry.outline[e].b);
            for (int k = 1; k <= counts[e]; ++k)
                geometry.probes.push_back(ShapeGeometry::Probe{a, b, static_cast<double>(k) / (counts[e] + 1)});
        }
    } else {
        const std::size_t extra = static_cast<std::size_t>(probes["count"].integer(0LL, kMaxEntriesPerBody));
        out.spend(static_cast<long long>(extra), probes);
        const std::vector<int> a = probes["a"].indices(extra, extra, count);
        const std::vector<int> b = probes["b"].indices(extra, extra, count);
        const std::vector<double> u = probes["u"].column(extra);
        for (std::size_t k = 0; k < extra; ++k)
            geometry.probes.push_back(ShapeGeometry::Probe{a[k], b[k], u[k]});
    }

    const Node floor = n["floor"];
    const std::size_t touching = static_cast<std::size_t>(floor["count"].integer(0LL, static_cast<long long>(count)));
    const std::vector<int> point = floor["point"].indices(touching, touching, count);
    const std::vector<double> normal = floor["normal"].column(touching);
    const std::vector<double> tangent = floor["tangent"].column(touching);
    for (std::size_t k = 0; k < touching; ++k) {
        Contact c{};
        c.point = point[k];
        c.edge = -1;
        c.normalImpulse = normal[k];
        c.tangentImpulse = tangent[k];
        rigid.floorContacts.push_back(c);
    }

    const std::size_t triangles = geometry.corners.size() / 3;
    const std::size_t probeCount = geometry.probes.size();
    tick.restoreMeasured(n["measured"].flag() || rigid.asleep);
    // Sized as the shape's own constructor sizes them.
    tick.triangleBoxes.resize(triangles);
    for (std::vector<double>* v : {&tick.probeX, &tick.probeY, &tick.probeStartX, &tick.probeStartY})
        v->resize(probeCount);
    for (std::size_t i = 0; i < count; ++i) {
        tick.startX.push_back(geometry.particles[i]->position.x);
        tick.startY.push_back(geometry.particles[i]->position.y);
    }
    // An awake body measures afresh before it next meets another.
    if (!rigid.asleep)
        return s;
    const Node m = n["measure"];
    if (m.has("startX")) {
        tick.startX = m["startX"].column(count);
        tick.startY = m["startY"].column(count);
    }
    if (m.has("values")) {
        if (m["values"].text() != "again")
            m["values"].fail("\"again\" was expected");
        s->remeasure();
        return s;
    }
    tick.swept = m["swept"].box();
    const Node shift = m["shift"];
    shift.expectSize(2);
    tick.shiftX = shift.at(0).number();
    tick.shiftY = shift.at(1).number();
    rigid.mass = m["mass"].number();
    const Node centre = m["centre"];
    centre.expectSize(2);
    rigid.centreX = centre.at(0).number();
    rigid.centreY = centre.at(1).number();
    rigid.inertia = m["inertia"].number();
    const Node mean = m["meanVelocity"];
    mean.expectSize(2);
    rigid.meanVX = mean.at(0).number();
    rigid.meanVY = mean.at(1).number();
    rigid.meanSpin = m["meanSpin"].number();
    tick.probeX = m["probeX"].column(probeCount);
    tick.probeY = m["probeY"].column(probeCount);
    tick.probeStartX = m["probeStartX"].column(probeCount);
    tick.probeStartY = m["probeStartY"].column(probeCount);
    const std::vector<double> boxes = m["triangleBoxes"].column(triangles * 4);
    tick.triangleBoxes.resize(triangles);
    for (std::size_t t = 0; t < triangles; ++t)
        tick.triangleBoxes[t] = CollisionBox{boxes[4 * t], boxes[4 * t + 1], boxes[4 * t + 2], boxes[4 * t + 3]};
    tick.listTriangles();
    return s;
}

void readBody(const Node& n, Loaded& out)
{
    auto body = std::make_unique<ParticleSystem>(n["restitution"].number());
    auto triangles = std::make_unique<TriangleList>();
    body->substeps = n["substeps"].integer(1, static_cast<int>(kMaxSubsteps));
    body->floorHoldsBody = n["floorHoldsBody"].flag();

    const Node p = n["particles"];
    const long long count = p["count"].integer(0LL, kMaxParticlesPerBody);
    out.particles += count;
    if (out.particles > kMaxParticles)
        p.fail("more particles in all than any scene holds");
    const std::size_t size = static_cast<std::size_t>(count);
    const std::vector<double> x = p["x"].column(size), y = p["y"].column(size), z = p["z"].column(size);
    const std::vector<double> vx = p["vx"].column(size), vy = p["vy"].column(size), vz = p["vz"].column(size);
    const std::vector<double> mass = p["mass"].column(size);

    const Node forces = n["forces"];
    const std::size_t forceCount = forces.size(static_cast<std::size_t>(kMaxEntriesPerBody));
    long long springs = 0;
    for (std::size_t f = 0; f < forceCount; ++f)
        if (forces.at(f).has("kind") && forces.at(f)["kind"].json() == "springs")
            springs += forces.at(f)["count"].integer(0LL, kMaxEntriesPerBody);
    if (springs > kMaxEntriesPerBody)
        forces.fail("more springs than any body holds");

    out.spend(springs, forces);
    body->reserve(static_cast<int>(count), static_cast<int>(springs));
    for (std::size_t i = 0; i < size; ++i) {
        if (!(mass[i] > 0.0))
            p["mass"].fail("a particle's mass must be above 0");
        body->addParticle(Vector3{x[i], y[i], z[i]}, Vector3{vx[i], vy[i], vz[i]}, mass[i]);
    }

    const Node corners = n["triangles"];
    const std::vector<int> cornerIndices = corners.indices(static_cast<std::size_t>(kMaxEntriesPerBody), size);
    if (cornerIndices.size() % 3 != 0)
        corners.fail("three corners a triangle were expected");
    out.spend(static_cast<long long>(cornerIndices.size()), corners);
    *triangles = particlesOf(*body, cornerIndices);

    for (std::size_t f = 0; f < forceCount; ++f) {
        const Node force = forces.at(f);
        const std::string kind = force["kind"].text();
        if (kind == "gravity") {
            body->addForce(std::make_unique<MOTUSforceGlobal>(triangles.get(), force["acceleration"].vector(),
                                                              force["drag"].number()));
        } else if (kind == "springs") {
            const std::size_t k = static_cast<std::size_t>(force["count"].integer(0LL, kMaxEntriesPerBody));
            std::vector<int> first, second;
            if (force.has("ends")) {
                if (force["ends"].json() != "triangles" || k != cornerIndices.size())
                    force["ends"].fail("\"triangles\", as many as the triangles' corners, was expected");
                for (std::size_t c = 0; c < k; ++c) {
                    first.push_back(cornerIndices[c]);
                    second.push_back(cornerIndices[c - c % 3 + (c + 1) % 3]);
                }
            } else {
                first = force["first"].indices(k, k, size);
                second = force["second"].indices(k, k, size);
            }
            const std::vector<double> rest = force["restLength"].column(k), stiffness = force["stiffness"].column(k),
                                      damping = force["damping"].column(k);
            for (std::size_t s = 0; s < k; ++s)
                body->addSpring(body->particleAt(first[s]), body->particleAt(second[s]), rest.at(s), stiffness[s], damping[s]);
        } else if (kind == "shape") {
            std::vector<int> which;
            if (const Node chosen = force["particles"]; chosen.json() == "all") {
                which.resize(size);
                for (std::size_t i = 0; i < size; ++i)
                    which[i] = static_cast<int>(i);
            } else {
                which = chosen.indices(static_cast<std::size_t>(kMaxParticlesPerBody), size);
            }
            const std::vector<double> restX = force["restX"].column(which.size()), restY = force["restY"].column(which.size());
            std::vector<MOTUSforceShape::Offset> rest(which.size());
            for (std::size_t i = 0; i < which.size(); ++i)
                rest.at(i) = MOTUSforceShape::Offset{restX[i], restY[i]};
            body->addForce(std::make_unique<MOTUSforceShape>(
                particlesOf(*body, which), std::move(rest), force["stiffness"].number(), force["damping"].number(),
                force["turnDamping"].number(), force["upright"].number(), force["uprightDamping"].number()));
        } else {
            force["kind"].fail("\"" + kind + "\" is no force Lexfall knows");
        }
    }

    const Node shape = n["collision"];
    out.shapes.push_back(shape.json().is_null() ? nullptr : readShape(shape, *body, *triangles, out));
    out.bodies.push_back(std::move(body));
    out.triangles.push_back(std::move(triangles));
}

void readView(const Node& v, Loaded& out)
{
    out.mode = v["mode"].text();
    if (out.mode != "keyboard" && out.mode != "nozzle" && out.mode != "manipulate")
        v["mode"].fail("keyboard, nozzle or manipulate was expected");
    const std::string font = v["font"].text();
    if (font != "arial" && font != "symbol")
        v["font"].fail("arial or symbol was expected");
    out.font = font == "symbol" ? kSymbol : kArial;
    out.face = v["face"].text();
    out.insert = v["insert"].vector();
    out.lineStart = v["lineStart"].number();
    const Node advances = v["advances"];
    const std::vector<double> values = advances.column(advances.size(static_cast<std::size_t>(kMaxBodies)));
    out.advances.assign(values.begin(), values.end());
    out.gravity = v["gravity"].vector();
    out.spin = v["spin"].number();
    out.charsAllowed = v["charsAllowed"].integer(0, 1);
    out.wireframe = v["wireframe"].flag();
    out.animate = v["animate"].flag();
    out.showCursor = v["showCursor"].flag();
    out.showCompass = v["showCompass"].flag();
    const Node compass = v["compass"];
    out.compassX = compass["x"].number();
    out.compassY = compass["y"].number();
    out.compassRadius = compass["radius"].number();
    const Node needle = compass["needle"];
    needle.expectSize(2);
    out.needle = IntPoint{needle.at(0).integer(INT_MIN, INT_MAX), needle.at(1).integer(INT_MIN, INT_MAX)};
    out.random = static_cast<std::uint32_t>(v["random"].integer(0LL, static_cast<long long>(UINT32_MAX)));

    const Node nozzle = v["nozzle"];
    if (const Node words = nozzle["words"]; !words.json().is_null()) {
        const std::size_t n = words.size(static_cast<std::size_t>(kMaxWords));
        out.words = std::make_unique<WordList>();
        out.words->reserve(n);
        for (std::size_t i = 0; i < n; ++i)
            out.words->push_back(words.at(i).text());
    }
    out.wordsLoaded = nozzle["loaded"].flag();
    if (out.wordsLoaded && (!out.words || out.words->empty()))
        nozzle["loaded"].fail("a word file is loaded but holds no words");
    out.wordIndex = nozzle["index"].integer(0, INT_MAX);
    out.emitPeriod = nozzle["emitPeriod"].integer(1, 1000);
    out.emitCounter = nozzle["emitCounter"].integer(0, out.emitPeriod);

    if (const Node wordNet = v["wordNet"]; !wordNet.json().is_null()) {
        out.wordNetAnswer = wordNet["answer"].text();
        if (out.wordNetAnswer->find('\0') != std::string::npos)
            wordNet["answer"].fail("the answer holds a NUL character");
        out.wordNetPos = wordNet["position"].integer(0, static_cast<int>(std::min<std::size_t>(out.wordNetAnswer->size(), INT_MAX)));
    }
}

void readCollisions(const Node& c, Loaded& out)
{
    const Node floor = c["floor"];
    out.floor = floor.json().is_null() ? HUGE_VAL : floor.number();
    out.lastId = static_cast<unsigned>(c["lastId"].integer(0LL, static_cast<long long>(UINT_MAX)));
    const Node pairs = c["pairs"];
    const std::size_t pairCount = pairs.size(static_cast<std::size_t>(kMaxEntriesPerBody) * 10);
    std::vector<ContactMemory::Pair> kept;
    kept.reserve(pairCount);
    for (std::size_t i = 0; i < pairCount; ++i) {
        const Node pair = pairs.at(i);
        ContactMemory::Pair p{static_cast<unsigned>(pair["first"].integer(1LL, static_cast<long long>(out.lastId))),
                              static_cast<unsigned>(pair["second"].integer(1LL, static_cast<long long>(out.lastId))),
                              {}};
        const std::size_t n = static_cast<std::size_t>(pair["count"].integer(1LL, kMaxEntriesPerBody));
        const std::vector<int> point = pair["point"].integers(n, n), edge = pair["edge"].integers(n, n);
        const std::vector<double> normal = pair["normal"].column(n), tangent = pair["tangent"].column(n);
        for (std::size_t k = 0; k < n; ++k)
            p.contacts.push_back({point[k], edge[k], normal[k], tangent[k]});
        kept.push_back(std::move(p));
    }
    std::sort(kept.begin(), kept.end(), [](const auto& l, const auto& r) {
        return std::pair(l.first, l.second) < std::pair(r.first, r.second);
    });
    for (std::size_t i = 1; i < kept.size(); ++i)
        if (kept[i].first == kept[i - 1].first && kept[i].second == kept[i - 1].second)
            pairs.fail("a pair of bodies is listed twice");
    const Node overlapped = c["overlapped"];
    const std::size_t overlapCount = overlapped.size(static_cast<std::size_t>(kMaxEntriesPerBody) * 10);
    std::vector<ContactMemory::IdPair> ids;
    ids.reserve(overlapCount);
    for (std::size_t i = 0; i < overlapCount; ++i) {
        const Node ids2 = overlapped.at(i);
        ids2.expectSize(2);
        ids.emplace_back(static_cast<unsigned>(ids2.at(0).integer(1LL, static_cast<long long>(out.lastId))),
                         static_cast<unsigned>(ids2.at(1).integer(1LL, static_cast<long long>(out.lastId))));
    }
    out.memory.restore(kept, ids);
}

void readScene(const Json& json, Loaded& out)
{
    const Node scene(json, "scene");
    const Node version = scene["version"];
    const int number = version.integer(INT_MIN, INT_MAX);
    if (number > kVersion)
        throw SceneError("it was saved by a newer Lexfall (scene format " + std::to_string(number) +
                         "; this one reads format " + std::to_string(kVersion) + " and older)");
    if (number < 1)
        version.fail("no scene format has this number");
    out.format = number;

    const Node settings = scene["settings"];
    if (!settings.json().is_object())
        settings.fail("an object was expected");
    out.settings = readSettings([&settings](const std::string& key) -> std::optional<std::string> {
        const auto at = settings.json().find(key);
        return at != settings.json().end() && at->is_string() ? std::optional(at->get<std::string>()) : std::nullopt;
    });
    readView(scene["view"], out);
    readCollisions(scene["collisions"], out);
    const Node bodies = scene["bodies"];
    const std::size_t count = bodies.size(static_cast<std::size_t>(kMaxBodies));
    out.bodies.reserve(count);
    out.triangles.reserve(count);
    out.shapes.reserve(count);
    for (std::size_t i = 0; i < count; ++i)
        readBody(bodies.at(i), out);
    for (const auto& shape : out.shapes)
        if (shape && shape->id > out.lastId)
            throw SceneError("collisions.lastId: below a body's id");
}

// The values and depth of a JSON text, counted without parsing it, so that
// a text that would make too large a tree is refused before it is built.
bool withinLimits(std::string_view text, std::string& error)
{
    std::size_t values = 1;
    int depth = 0;
    bool inString = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (inString) {
            if (c == '\\')
                ++i;
            else if (c == '"')
                inString = false;
            continue;
        }
        switch (c) {
        case '"':
            inString = true;
            break;
        case '[':
        case '{':
            if (++depth > kMaxDepth) {
                error = "it is nested deeper than any scene";
                return false;
            }
            ++values;
            break;
        case ']':
        case '}':
            --depth;
            break;
        case ',':
            ++values;
            break;
        default:
            break;
        }
    }
    if (values > kMaxValues) {
        error = "it holds more values than any scene (" + std::to_string(values) + ")";
        return false;
    }
    return true;
}

// The face of new letters, as the Font menu or Other Face would choose it;
// a face that is not installed gives way to Arial, and `note` says so.
void chooseFace(CLexfallView& view, const Loaded& scene, std::string& note)
{
    if (!scene.face.empty()) {
        if (scene.face == view.m_strFace)
            return;
        std::string why;
        if (view.ChooseFace(scene.face, why))
            return;
        note = "The scene's face is not at hand (" + why + "); new letters are Arial's.";
        view.m_strFace.clear();
        view.SetFontFile(kArial);
        view.m_pszFontFile = kArial;
        return;
    }
    if (view.m_strFace.empty() && std::strcmp(view.m_pszFontFile, scene.font) == 0)
        return;
    view.m_strFace.clear();
    if (view.SetFontFile(scene.font)) {
        view.m_pszFontFile = scene.font;
    } else {
        view.m_pszFontFile = kArial;
        note = std::string("The face ") + scene.font + " is not installed; new letters are Arial's.";
    }
}

// The scene on screen gives way to the one read: nothing here can fail.
void commit(CLexfallView& view, Loaded& scene, std::string& note)
{
    // The old bodies go before their triangle lists, which their forces
    // point into.
    view.m_pBodies.swap(scene.bodies);
    view.m_pBodyTriangles.swap(scene.triangles);
    scene.bodies.clear();
    scene.triangles.clear();
    view.m_collisions.restore(std::move(scene.memory), scene.floor, scene.lastId, view.m_pBodies,
                              std::move(scene.shapes));
    view.m_pAdvances = std::move(scene.advances);

    // The settings as the dialog would apply them, with the letters'
    // collisions already as saved, so that nothing wakes.
    view.m_bCollide = scene.settings.collide;
    view.ApplySettings(scene.settings);
    chooseFace(view, scene, note);

    view.m_bKeyboardMode = scene.mode == "keyboard";
    view.m_bNozzleMode = scene.mode == "nozzle";
    view.m_bManipulateMode = scene.mode == "manipulate";
    view.m_vInsert = scene.insert;
    view.m_dLineStart = scene.lineStart;
    view.m_vGravity = scene.gravity;
    view.m_dSpin = scene.spin;
    view.m_nCharsAllowed = scene.charsAllowed;
    view.m_bWireframe = scene.wireframe;
    view.m_bAnimate = scene.animate;
    view.m_bShowCursor = scene.showCursor;
    view.m_bShowCompass = scene.showCompass;
    view.m_dCompassX = scene.compassX;
    view.m_dCompassY = scene.compassY;
    view.m_dCompassRadius = scene.compassRadius;
    view.m_ptNeedle = scene.needle;
    view.m_random.setState(scene.random);
    view.m_pWords = std::move(scene.words);
    view.m_bWordsLoaded = scene.wordsLoaded;
    view.m_nWordIndex = scene.wordIndex;
    view.m_nEmitCounter = scene.emitCounter;
    view.m_nEmitPeriod = scene.emitPeriod;
    if (scene.wordNetAnswer) {
        view.m_strWordNetAnswer = std::move(*scene.wordNetAnswer);
        view.m_pszWordNetText = view.m_strWordNetAnswer.c_str();
    } else {
        view.m_strWordNetAnswer.clear();
        view.m_pszWordNetText = nullptr;
    }
    view.m_nWordNetPos = scene.wordNetPos;

    // The points on screen, as the next tick would write them: newest
    // body first.
    const int n = static_cast<int>(view.m_pBodies.size());
    int total = 0;
    for (const auto& list : view.m_pBodyTriangles)
        total += static_cast<int>(list->size());
    view.EnsurePointCapacity(total);
    view.m_bodyPoints.assign(static_cast<std::size_t>(n), 0);
    int offset = 0;
    for (int i = n - 1; i >= 0; --i) {
        const TriangleList& list = *view.m_pBodyTriangles[static_cast<std::size_t>(i)];
        view.UpdatePoints(list, offset);
        view.m_bodyPoints[static_cast<std::size_t>(n - 1 - i)] = static_cast<int>(list.size());
        offset += static_cast<int>(list.size());
    }
    view.m_nPoints = total;
    view.m_entryCount = {view.m_pBodyTriangles.size(), total};
    view.m_leaving.reserve(view.m_pBodies.size());
}

} // namespace

bool encode(const CLexfallView& view, std::string& bytes, std::string& error)
{
    std::string text;
    try {
        text = writeScene(view).dump();
    } catch (const SceneError& e) {
        error = e.what();
        return false;
    } catch (const Json::exception&) {
        error = "a word of the scene is not UTF-8 text";
        return false;
    }
    if (text.size() <= kCompressAbove) {
        bytes = std::move(text);
        return true;
    }
    if (!compress(text, bytes)) {
        error = "the scene could not be compressed";
        return false;
    }
    return true;
}

bool decode(std::string_view bytes, CLexfallView& view, std::string& error, std::string& note)
{
    error.clear();
    if (!looksLikeScene(bytes)) {
        error = "it is not a Lexfall scene";
        return false;
    }
    std::string inflated;
    const std::string_view text = textOf(bytes, inflated, error);
    if (!error.empty() || !withinLimits(text, error))
        return false;
    Loaded scene;
    try {
        const Json json = Json::parse(text.begin(), text.end());
        readScene(json, scene);
    } catch (const Json::parse_error& e) {
        error = "it is damaged or cut short (at byte " + std::to_string(e.byte) + " of the text)";
        return false;
    } catch (const Json::out_of_range&) {
        error = "it holds a number out of range";
        return false;
    } catch (const SceneError& e) {
        error = e.what();
        return false;
    } catch (const Json::exception& e) {
        error = e.what();
        return false;
    }
    note.clear();
    commit(view, scene, note);
    return true;
}

} // namespace sceneFile
