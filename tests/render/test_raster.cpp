// The raster drawing context against hand-checked pictures ('#' ink, '.'
// background); each picture is also what the desktop toolkit draws for
// the same calls.
#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "render/RasterDrawContext.h"

namespace {

const Rgb kWhite{255, 255, 255};
const Pen kInkPen{Rgb{0, 0, 0}, 1};
const Brush kInkBrush{Rgb{0, 0, 0}};

struct Canvas {
    Canvas(int width, int height)
    {
        frame.resize(width, height);
        frame.clear(kWhite);
    }

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

    int ink() const
    {
        int n = 0;
        for (char c : picture())
            n += c == '#';
        return n;
    }

    RasterFrame frame;
    RasterDrawContext dc{frame};
};

std::string lines(std::initializer_list<const char*> rows)
{
    std::string out;
    for (const char* row : rows)
        out += std::string(row) + '\n';
    return out;
}

void shaded(DrawContext& dc)
{
    dc.setWindingFill();
    dc.selectNullPen();
    dc.selectBrush(kInkBrush);
}

void wireframe(DrawContext& dc)
{
    dc.selectPen(kInkPen);
    dc.selectNullBrush();
}

} // namespace

TEST(RasterContext, ShapesCoverTheToolkitsPixels)
{
    const IntPoint triangle[3] = {{2, 2}, {12, 4}, {5, 11}};
    Canvas filled(16, 12);
    shaded(filled.dc);
    filled.dc.polygon(triangle, 3);
    EXPECT_EQ(filled.picture(), lines({"................", "................", "..##............",
                                       "..#######.......", "...#########....", "...########.....",
                                       "...#######......", "....#####.......", "....####........",
                                       "....###.........", ".....#..........", "................"}));

    Canvas outlined(16, 12);
    wireframe(outlined.dc);
    outlined.dc.polygon(triangle, 3);
    EXPECT_EQ(outlined.picture(), lines({"................", "................", "..###...........",
                                         "..#..#####......", "...#......###...", "...#.......#....",
                                         "...#......#.....", "....#....#......", "....#...#.......",
                                         "....#..#........", ".....##.........", ".....#.........."}));

    // A ring of radius 5 and, with a brush, the disc it closes.
    Canvas ring(14, 14);
    wireframe(ring.dc);
    ring.dc.ellipse(1, 1, 11, 11);
    const std::string ringPicture = lines({"..............", "....#####.....", "...#.....#....", "..#.......#...",
                                           ".#.........#..", ".#.........#..", ".#.........#..", ".#.........#..",
                                           ".#.........#..", "..#.......#...", "...#.....#....", "....#####.....",
                                           "..............", ".............."});
    EXPECT_EQ(ring.picture(), ringPicture);
    ring.dc.selectBrush(kInkBrush);
    ring.dc.ellipse(1, 1, 11, 11);
    EXPECT_EQ(ring.ink(), 97);

    // Lines include both ends; the cursor's arms are such lines.
    Canvas strokes(16, 6);
    strokes.dc.selectPen(kInkPen);
    strokes.dc.moveTo(1, 1);
    strokes.dc.lineTo(10, 4);
    strokes.dc.moveTo(12, 0);
    strokes.dc.lineTo(12, 5);
    EXPECT_EQ(strokes.picture(), lines({"............#...", ".##.........#...", "...###......#...",
                                        "......###...#...", ".........##.#...", "............#..."}));
}

TEST(RasterContext, PolygonsFillByTheSelectedRule)
{
    // A five-pointed star drawn in one stroke: its centre is wound twice.
    const IntPoint star[5] = {{10, 1}, {16, 19}, {1, 7}, {19, 7}, {4, 19}};
    Canvas evenOdd(20, 20);
    evenOdd.dc.selectNullPen();
    evenOdd.dc.selectBrush(kInkBrush);
    evenOdd.dc.polygon(star, 5);
    EXPECT_EQ(evenOdd.frame.at(10, 10), RasterFrame::pixel(kWhite));
    EXPECT_NE(evenOdd.frame.at(10, 4), RasterFrame::pixel(kWhite));

    Canvas winding(20, 20);
    shaded(winding.dc);
    winding.dc.polygon(star, 5);
    EXPECT_NE(winding.frame.at(10, 10), RasterFrame::pixel(kWhite));
    EXPECT_GT(winding.ink(), evenOdd.ink());

    // Either orientation of a triangle fills the same pixels.
    Canvas clockwise(12, 12), anticlockwise(12, 12);
    shaded(clockwise.dc);
    shaded(anticlockwise.dc);
    const IntPoint cw[3] = {{1, 1}, {10, 3}, {4, 10}};
    const IntPoint acw[3] = {{1, 1}, {4, 10}, {10, 3}};
    clockwise.dc.polygon(cw, 3);
    anticlockwise.dc.polygon(acw, 3);
    EXPECT_EQ(clockwise.picture(), anticlockwise.picture());
}

TEST(RasterContext, DegenerateAndOnePixelTriangles)
{
    Canvas canvas(8, 8);
    shaded(canvas.dc);
    const IntPoint flat[3] = {{1, 1}, {5, 5}, {3, 3}};
    const IntPoint point[3] = {{4, 4}, {4, 4}, {4, 4}};
    canvas.dc.polygon(flat, 3);
    canvas.dc.polygon(point, 3);
    EXPECT_EQ(canvas.ink(), 0);

    // Only one pixel centre, (2.5, 2.5), lies inside.
    const IntPoint one[3] = {{2, 2}, {4, 2}, {2, 3}};
    canvas.dc.polygon(one, 3);
    EXPECT_EQ(canvas.picture(), lines({"........", "........", "..#.....", "........", "........", "........",
                                       "........", "........"}));

    // Outlined, a flat triangle is its line and a point its pixel.
    Canvas outlined(8, 8);
    wireframe(outlined.dc);
    outlined.dc.polygon(flat, 3);
    outlined.dc.polygon(point, 3);
    EXPECT_EQ(outlined.picture(), lines({"........", ".#......", "..#.....", "...#....", "....#...", ".....#..",
                                         "........", "........"}));
}

TEST(RasterContext, ClipsAtTheEdgesAndFarOutside)
{
    // Shapes reaching past every edge: only the frame's pixels are
    // written (the sanitizers watch the rest), and a shape covering the
    // whole frame from far away fills it all.
    Canvas canvas(6, 4);
    shaded(canvas.dc);
    const IntPoint huge[3] = {{INT_MIN, INT_MIN}, {INT_MAX, 0}, {0, INT_MAX}};
    canvas.dc.polygon(huge, 3);
    EXPECT_EQ(canvas.ink(), 24);

    Canvas edges(6, 4);
    wireframe(edges.dc);
    const IntPoint across[3] = {{-3, 1}, {8, 1}, {2, 9}};
    edges.dc.polygon(across, 3);
    edges.dc.ellipse(INT_MIN, INT_MIN, INT_MAX, INT_MAX);
    edges.dc.ellipse(-100000, -100000, 5, 3);
    edges.dc.moveTo(INT_MIN, INT_MAX);
    edges.dc.lineTo(INT_MAX, INT_MIN);
    edges.dc.moveTo(INT_MIN, 2);
    edges.dc.lineTo(INT_MAX, 2);
    EXPECT_EQ(edges.picture().substr(0, 14), "......\n######\n");
    EXPECT_EQ(edges.picture().substr(14, 7), "######\n");

    // Triangles right of the frame on its last rows, one of a letter flung
    // far off: those rows mark nothing, within the frame's words.
    Canvas flung(64, 4);
    shaded(flung.dc);
    const IntPoint far[6] = {{100000000, 0}, {100000000, 10}, {0, 10}, {100, 0}, {100, 10}, {70, 10}};
    const int bodies[] = {6};
    flung.dc.triangles(far, 6, bodies);
    EXPECT_EQ(flung.ink(), 0);

    Canvas empty(0, 0);
    wireframe(empty.dc);
    empty.dc.polygon(across, 3);
    empty.dc.ellipse(0, 0, 4, 4);
    EXPECT_EQ(empty.picture(), "");
}
