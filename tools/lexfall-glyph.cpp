// lexfall-glyph: draws one character's vectorized contours and its
// triangles as an SVG picture, the way Lexfall meshes it.

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

#include <CLI/CLI.hpp>

#include "glyph/FontCatalog.h"
#include "glyph/FontGlyph.h"
#include "glyph/GlyphMesher.h"
#include "glyph/GlyphTriangulator.h"
#include "glyph/GlyphVectorizer.h"
#include "words/Utf8.h"

namespace {

constexpr int PointSize = 48;
constexpr double Scale = 6.0; // SVG units per glyph pixel
constexpr double Margin = 4.0; // glyph pixels around the shape

int usageError(const std::string& message)
{
    std::cerr << "lexfall-glyph: " << message << "\nTry 'lexfall-glyph --help' for more information.\n";
    return 2;
}

// The code of a one-character argument, or -1.
long characterCode(const std::string& text)
{
    const std::optional<std::vector<char32_t>> codes = decodeUtf8(text);
    if (codes && codes->size() == 1)
        return static_cast<long>(codes->front());
    return text.size() == 1 ? static_cast<unsigned char>(text[0]) : -1;
}

// The two faces of the Font menu as the program loads them; any other
// face as Other Face does.
bool loadFace(GlyphMesher& mesher, const std::string& font, std::string& error)
{
    if (font == "arial" || font == "symbol") {
        const char* file = font == "arial" ? "arial.ttf" : "Symbol.ttf";
        error = std::string("cannot open \"") + file + "\" as a TrueType font";
        return mesher.loadFont(file, PointSize);
    }
    const std::optional<FaceLocation> location = mesher.catalog().locate(font, error);
    if (!location)
        return false;
    error = "\"" + font + "\" is not a TrueType, OpenType or Type 1 face";
    return mesher.loadFace(*location, PointSize);
}

std::string number(double v)
{
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.2f", v);
    return buffer;
}

std::string svg(const GlyphVectorizer& vectorizer, const GlyphMesh& mesh, long code, const std::string& font,
                double precision, int glyphErrors)
{
    double xmin = 0, xmax = 0, ymin = 0, ymax = 0; // includes the origin
    for (int k = 0; k < vectorizer.contourCount(); ++k) {
        const GlyphContour& c = vectorizer.contour(k);
        if (c.count == 0)
            continue;
        xmin = std::min(xmin, c.xmin);
        xmax = std::max(xmax, c.xmax);
        ymin = std::min(ymin, -c.ymax);
        ymax = std::max(ymax, -c.ymin);
    }
    xmin -= Margin;
    ymin -= Margin;
    xmax = std::max(xmax + Margin, xmin + 460.0 / Scale); // room for the caption
    ymax += Margin + 8.0;
    auto X = [&](double x) { return number((x - xmin) * Scale); };
    auto Y = [&](double y) { return number((y - ymin) * Scale); };

    std::ostringstream out;
    const double width = (xmax - xmin) * Scale, height = (ymax - ymin) * Scale;
    out << "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" << number(width) << "\" height=\"" << number(height)
        << "\" viewBox=\"0 0 " << number(width) << ' ' << number(height) << "\">\n";
    out << "<rect width=\"100%\" height=\"100%\" fill=\"#ffffff\"/>\n";
    out << "<line x1=\"0\" y1=\"" << Y(0) << "\" x2=\"" << number(width) << "\" y2=\"" << Y(0)
        << "\" stroke=\"#bbbbbb\" stroke-dasharray=\"6 4\"/>\n";

    out << "<g fill=\"#dbe8f7\" stroke=\"#4a7ab5\" stroke-width=\"1\" stroke-linejoin=\"round\">\n";
    for (std::size_t i = 0; i + 5 < mesh.size(); i += 6)
        out << "<polygon points=\"" << X(mesh[i].x) << ',' << Y(mesh[i].y) << ' ' << X(mesh[i + 2].x) << ','
            << Y(mesh[i + 2].y) << ' ' << X(mesh[i + 4].x) << ',' << Y(mesh[i + 4].y) << "\"/>\n";
    out << "</g>\n";

    int points = 0;
    for (int k = 0; k < vectorizer.contourCount(); ++k) {
        const GlyphContour& c = vectorizer.contour(k);
        if (c.count == 0)
            continue;
        points += c.count;
        out << "<polygon fill=\"none\" stroke=\"" << (c.exterior ? "#1b3f73" : "#c0392b")
            << "\" stroke-width=\"2.5\" points=\"";
        for (int i = 0; i < c.count; ++i)
            out << (i ? " " : "") << X(c.points[i].x) << ',' << Y(-c.points[i].y);
        out << "\"/>\n";
        for (int i = 0; i < c.count; ++i)
            out << "<circle cx=\"" << X(c.points[i].x) << "\" cy=\"" << Y(-c.points[i].y)
                << "\" r=\"3.5\" fill=\"" << (c.exterior ? "#1b3f73" : "#c0392b") << "\"/>\n";
    }

    out << "<text x=\"8\" y=\"" << number(height - 12) << "\" font-family=\"sans-serif\" font-size=\"14\" fill=\"#333333\">"
        << "code " << code << ", " << font << ", precision " << number(precision) << ": " << points << " vertices, "
        << mesh.size() / 6 << " triangles";
    if (glyphErrors)
        out << ", " << glyphErrors << " tessellator errors";
    out << "</text>\n</svg>\n";
    return out.str();
}

} // namespace

int main(int argc, char** argv)
{
    std::string font = "arial";
    double precision = 30.0;
    std::string character;
    std::string output;

    CLI::App app("Writes the contours and triangles Lexfall makes of one character as an SVG picture, to OUT.svg or "
                 "to standard output.",
                 "lexfall-glyph");
    app.add_option("--font", font,
                   "arial (default), symbol, an installed family (\"DejaVu Serif\"), or a TrueType, OpenType or "
                   "Type 1 file, FILE:N for face N of a collection")
        ->type_name("F");
    app.add_option("--precision", precision, "chord extent in pixels, above 0 (default 30)")
        ->type_name("P")
        ->check(CLI::Validator(
            [](std::string& text) {
                char* end = nullptr;
                const double value = std::strtod(text.c_str(), &end);
                return !text.empty() && *end == '\0' && std::isfinite(value) && value > 0.0
                           ? std::string()
                           : "needs a number above 0, not \"" + text + "\"";
            },
            ""));
    app.add_option("CHAR", character, "one character in UTF-8, or one byte (-- before one that starts with '-')")
        ->required()
        ->type_name("");
    app.add_option("OUT.svg", output, "the picture to write")->type_name("");
    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp&) {
        std::cout << app.help();
        return 0;
    } catch (const CLI::ParseError& error) {
        return usageError(error.what());
    }
    const long code = characterCode(character);
    if (code < 0)
        return usageError("CHAR must be one character");

    GlyphMesher mesher;
    std::string error;
    if (!loadFace(mesher, font, error)) {
        std::cerr << "lexfall-glyph: " << error << "\n";
        return 1;
    }
    const FontGlyph* glyph = mesher.glyph(static_cast<char32_t>(code));
    if (!glyph) {
        std::cerr << "lexfall-glyph: \"" << font << "\" has no usable glyph for code " << code << "\n";
        return 1;
    }
    // A character the face lacks comes from an installed face that has it.
    const std::string from = glyph->instance()->face()->familyName();
    if (from != mesher.familyName())
        font += ", from " + from;

    GlyphMesh mesh;
    GlyphWireTriangulator triangulator;
    triangulator.setSegmentList(&mesh);
    if (!triangulator.init(glyph)) {
        std::cerr << "lexfall-glyph: the outline of code " << code << " is unreadable or has more than "
                  << GlyphVectorizer::MaxOutlinePoints << " points\n";
        return 1;
    }
    triangulator.triangulateRefining(precision);
    const GlyphVectorizer& vectorizer = *triangulator.polygonizer().vectorizer();

    const std::string picture = svg(vectorizer, mesh, code, font, vectorizer.precision(), triangulator.errorCount());
    if (output.empty()) {
        std::cout << picture;
        return std::cout.good() ? 0 : 1;
    }
    std::ofstream file(output, std::ios::binary | std::ios::trunc);
    file << picture;
    file.close();
    if (!file) {
        std::cerr << "lexfall-glyph: cannot write \"" << output << "\"\n";
        return 1;
    }
    return 0;
}
