// The aliased shapes against hand-checked pictures ('#' ink, '.'
// background); each picture is also what the desktop toolkit draws for
// the same calls.
#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "render/AliasedPainter.h"

namespace {

const Rgb kWhite{255, 255, 255};
constexpr std::uint32_t kInk = RasterFrame::pixel(Rgb{0, 0, 0});

// A frame, the band of all its rows, and the ink the view selects.
struct Canvas {
    Canvas(int width, int height)
    {
        frame.resize(width, height);
        frame.clear(kWhite);
    }

    // Winding fill, no pen.
    void shaded() { ink = Ink{.hasBrush = true, .winding = true, .brush = kInk}; }
    // Pen, no brush.
    void wireframe() { ink = Ink{.hasPen = true, .pen = kInk}; }

    void polygon(const IntPoint* points, int count) { painter.polygon(band, ink, points, count); }
    void ellipse(int left, int top, int right, int bottom)
    {
        painter.ellipse(band, ink, Ellipse::inBox(left, top, right, bottom));
    }
    void line(IntPoint from, IntPoint to) { painter.line(band, kInk, from, to); }

    std::string picture() const
    {
        std::string out;
        for (int y = 0; y < frame.height(); ++y) {
            for (int x = 0; x < frame.width(); ++x)
                out += frame.at(x, y) == RasterFrame::pixel(kWhite) ? '.' : '#';
            out += '\n';
        }
        return out;
    }

    int inked() const
    {
        int n = 0;
        for (char c : picture())
            n += c == '#';
        return n;
    }

    RasterFrame frame;
    RasterBand band{frame};
    Ink ink;
    AliasedPainter painter;
};

std::string lines(std::initializer_list<const char*> rows)
{
    std::string out;
    for (const char* row : rows)
        out += std::string(row) + '\n';
    return out;
}

} // namespace

TEST(AliasedPainter, ShapesCoverTheToolkitsPixels)
{
    const IntPoint triangle[3] = {{2, 2}, {12, 4}, {5, 11}};
    Canvas filled(16, 12);
    filled.shaded();
    filled.polygon(triangle, 3);
    EXPECT_EQ(filled.picture(), lines({"................", "................", "..##............",
                                       "..#######.......", "...#########....", "...########.....",
                                       "...#######......", "....#####.......", "....####........",
                                       "....###.........", ".....#..........", "................"}));

    Canvas outlined(16, 12);
    outlined.wireframe();
    outlined.polygon(triangle, 3);
    EXPECT_EQ(outlined.picture(), lines({"................", "................", "..###...........",
                                         "..#..#####......", "...#......###...", "...#.......#....",
                                         "...#......#.....", "....#....#......", "....#...#.......",
                                         "....#..#........", ".....##.........", ".....#.........."}));

    // A ring of radius 5 and, with a brush, the disc it closes.
    Canvas ring(14, 14);
    ring.wireframe();
    ring.ellipse(1, 1, 11, 11);
    const std::string ringPicture = lines({"..............", "....#####.....", "...#.....#....", "..#.......#...",
                                           ".#.........#..", ".#.........#..", ".#.........#..", ".#.........#..",
                                           ".#.........#..", "..#.......#...", "...#.....#....", "....#####.....",
                                           "..............", ".............."});
    EXPECT_EQ(ring.picture(), ringPicture);
    Canvas reversed(14, 14);
    reversed.wireframe();
    reversed.ellipse(11, 11, 1, 1);
    EXPECT_EQ(reversed.picture(), ringPicture);
    ring.ink.hasBrush = true;
    ring.ink.brush = kInk;
    ring.ellipse(1, 1, 11, 11);
    EXPECT_EQ(ring.inked(), 97);

    // Lines include both ends; the cursor's arms are such lines.
    Canvas strokes(16, 6);
    strokes.line({1, 1}, {10, 4});
    strokes.line({12, 0}, {12, 5});
    EXPECT_EQ(strokes.picture(), lines({"............#...", ".##.........#...", "...###......#...",
                                        "......###...#...", ".........##.#...", "............#..."}));
}

TEST(AliasedPainter, PolygonsFillByTheSelectedRule)
{
    // A five-pointed star drawn in one stroke: its centre is wound twice.
    const IntPoint star[5] = {{10, 1}, {16, 19}, {1, 7}, {19, 7}, {4, 19}};
    Canvas evenOdd(20, 20);
    evenOdd.ink = Ink{.hasBrush = true, .brush = kInk};
    evenOdd.polygon(star, 5);
    EXPECT_EQ(evenOdd.frame.at(10, 10), RasterFrame::pixel(kWhite));
    EXPECT_NE(evenOdd.frame.at(10, 4), RasterFrame::pixel(kWhite));

    Canvas winding(20, 20);
    winding.shaded();
    winding.polygon(star, 5);
    EXPECT_NE(winding.frame.at(10, 10), RasterFrame::pixel(kWhite));
    EXPECT_GT(winding.inked(), evenOdd.inked());

    // Either orientation of a triangle fills the same pixels.
    Canvas clockwise(12, 12), anticlockwise(12, 12);
    clockwise.shaded();
    anticlockwise.shaded();
    const IntPoint cw[3] = {{1, 1}, {10, 3}, {4, 10}};
    const IntPoint acw[3] = {{1, 1}, {4, 10}, {10, 3}};
    clockwise.polygon(cw, 3);
    anticlockwise.polygon(acw, 3);
    EXPECT_EQ(clockwise.picture(), anticlockwise.picture());
}

TEST(AliasedPainter, DegenerateAndOnePixelTriangles)
{
    Canvas canvas(8, 8);
    canvas.shaded();
    const IntPoint flat[3] = {{1, 1}, {5, 5}, {3, 3}};
    const IntPoint point[3] = {{4, 4}, {4, 4}, {4, 4}};
    canvas.polygon(flat, 3);
    canvas.polygon(point, 3);
    EXPECT_EQ(canvas.inked(), 0);

    // Only one pixel centre, (2.5, 2.5), lies inside.
    const IntPoint one[3] = {{2, 2}, {4, 2}, {2, 3}};
    canvas.polygon(one, 3);
    EXPECT_EQ(canvas.picture(), lines({"........", "........", "..#.....", "........", "........", "........",
                                       "........", "........"}));

    // Outlined, a flat triangle is its line and a point its pixel.
    Canvas outlined(8, 8);
    outlined.wireframe();
    outlined.polygon(flat, 3);
    outlined.polygon(point, 3);
    EXPECT_EQ(outlined.picture(), lines({"........", ".#......", "..#.....", "...#....", "....#...", ".....#..",
                                         "........", "........"}));
}

TEST(AliasedPainter, ClipsAtTheEdgesAndFarOutside)
{
    // Shapes reaching past every edge: only the frame's pixels are
    // written (the sanitizers watch the rest), and a shape covering the
    // whole frame from far away fills it all.
    Canvas canvas(6, 4);
    canvas.shaded();
    const IntPoint huge[3] = {{INT_MIN, INT_MIN}, {INT_MAX, 0}, {0, INT_MAX}};
    canvas.polygon(huge, 3);
    EXPECT_EQ(canvas.inked(), 24);

    Canvas edges(6, 4);
    edges.wireframe();
    const IntPoint across[3] = {{-3, 1}, {8, 1}, {2, 9}};
    edges.polygon(across, 3);
    edges.ellipse(INT_MIN, INT_MIN, INT_MAX, INT_MAX);
    edges.ellipse(-100000, -100000, 5, 3);
    edges.line({INT_MIN, INT_MAX}, {INT_MAX, INT_MIN});
    edges.line({INT_MIN, 2}, {INT_MAX, 2});
    EXPECT_EQ(edges.picture().substr(0, 14), "......\n######\n");
    EXPECT_EQ(edges.picture().substr(14, 7), "######\n");
}
