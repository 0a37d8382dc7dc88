// Drawing primitives of the asset generator: shapes described by a signed distance, laid
// on a canvas with a soft (anti-aliased or blurred) edge, or stamped as a hard silhouette.
// Coordinates are continuous: pixel (i, j) covers [i, i + 1) x [j, j + 1).
#pragma once

#include "tools/make_assets/canvas.h"

#include <functional>

namespace assets {

// Pixel rectangle [x0, x1) x [y0, y1).
struct PixelBounds {
    int x0;
    int y0;
    int x1;
    int y1;
};

class Shape {
public:
    virtual ~Shape() = default;
    // Distance in pixels from (x, y) to the outline: negative inside, positive outside.
    virtual float distance(float x, float y) const = 0;
    // Pixels the shape can touch, before any soft margin.
    virtual PixelBounds bounds() const = 0;
};

class Disc : public Shape {
public:
    Disc(float cx, float cy, float radius) : cx_(cx), cy_(cy), radius_(radius) {}
    float distance(float x, float y) const override;
    PixelBounds bounds() const override;

private:
    float cx_;
    float cy_;
    float radius_;
};

class Ellipse : public Shape {
public:
    Ellipse(float cx, float cy, float rx, float ry) : cx_(cx), cy_(cy), rx_(rx), ry_(ry) {}
    float distance(float x, float y) const override;
    PixelBounds bounds() const override;

private:
    float cx_;
    float cy_;
    float rx_;
    float ry_;
};

// A segment whose half-width runs from r0 at (x0, y0) to r1 at (x1, y1), round ends:
// branches, roots, grass blades and lines.
class Stroke : public Shape {
public:
    Stroke(float x0, float y0, float x1, float y1, float r0, float r1)
        : x0_(x0), y0_(y0), x1_(x1), y1_(y1), r0_(r0), r1_(r1) {}
    float distance(float x, float y) const override;
    PixelBounds bounds() const override;

private:
    float x0_;
    float y0_;
    float x1_;
    float y1_;
    float r0_;
    float r1_;
};

// Colour of a shape at a pixel centre.
using Shader = std::function<Color(float x, float y)>;

// Lays the shape in one colour. The edge fades over `softness` pixels (1 is plain
// anti-aliasing, more is a blur); opacity scales the whole shape.
void fill(Canvas& canvas, const Shape& shape, Color color, float opacity = 1.0f,
          float softness = 1.0f);
void fill(Canvas& canvas, const Shape& shape, const Shader& shader, float opacity = 1.0f,
          float softness = 1.0f);

// Marks every pixel whose centre lies inside the shape as opaque: the hard silhouette of a
// sprite, which never blends with the transparent key.
void markOpaque(Canvas& canvas, const Shape& shape);

// Smooths a sprite's silhouette in one pass: drops opaque pixels with fewer than two opaque
// side neighbours (lone specks) and fills transparent ones with three or more (pin holes).
void tidySilhouette(Canvas& canvas);

float smoothstep(float edge0, float edge1, float x);

} // namespace assets
