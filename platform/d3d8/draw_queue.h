// The draws of a scene, recorded instead of shaded: each with a copy of its pipeline set-up,
// a binding on the texture it samples and its primitives in screen space after clipping and
// culling. Playing rows [a, b) shades every draw's pixels of those rows in recording order, so
// bands played by different threads give the bytes of one thread drawing everything at once.
// The memory grows to the largest scene and is kept: recording allocates nothing after that.
#pragma once

#include "d3d8/vertex_processing.h"

#include <cstdint>
#include <vector>

namespace d3d8 {

class TextureBase;

class DrawQueue final : private PrimitiveSink {
public:
    DrawQueue() = default;
    ~DrawQueue();
    DrawQueue(const DrawQueue&) = delete;
    DrawQueue& operator=(const DrawQueue&) = delete;

    bool empty() const { return draws_.empty(); }
    // The pixels of work recorded: what decides whether a play is worth other threads.
    int64_t work() const { return work_; }
    // Trades everything with `other` (neither may have a draw open).
    void swap(DrawQueue& other) noexcept;
    // Past this much, the device plays what it holds before recording more.
    bool full() const;

    // Records one draw: its primitives go to the sink returned, between begin and end.
    // `texture` (may be null) is the texture the draw samples; it stays bound until the draw
    // has been played or discarded. Both throw std::bad_alloc when the recording cannot grow;
    // abandonDraw then takes back what the unfinished draw had recorded.
    PrimitiveSink& beginDraw(const PipelineSetup& setup, TextureBase* texture,
                             const PixelRect& viewport);
    void endDraw();
    void abandonDraw();

    // Rows [0, height) in `count` bands of about equal work, top to bottom; the first band
    // starts and the last ends beyond every row.
    void splitRows(unsigned count, RowRange* bands) const;

    // Shades the rows of every recorded draw; safe from several threads for disjoint rows.
    void play(RowRange rows) const;

    // Forgets the draws and gives back their bindings (which may free textures).
    void clear();

private:
    struct Draw {
        PipelineSetup setup;
        TextureBase* texture;
        PixelRect viewport;
        uint32_t firstPrimitive, primitiveCount;
        int top, bottom; // rows its primitives may cover
    };
    // A triangle's three vertices start at `index` of vertices_, a rectangle is rectangles_[index].
    struct Primitive {
        bool rectangle;
        uint32_t index;
    };

    void triangle(const ScreenVertex& a, const ScreenVertex& b, const ScreenVertex& c) override;
    void rectangle(const TriangleShading& shading) override;
    // Counts `width` pixels of work on each of rows [top, bottom) and widens the draw's rows.
    void addWork(int top, int bottom, int width);

    std::vector<Draw> draws_;
    std::vector<Primitive> primitives_;
    std::vector<ScreenVertex> vertices_;
    std::vector<TriangleShading> rectangles_;
    // Pixels of work per row as differences: row y's work is the sum of entries 0 to y.
    std::vector<int64_t> rowWork_;
    int64_t work_ = 0;
    bool drawOpen_ = false;
    size_t openVertices_ = 0, openRectangles_ = 0; // sizes when the open draw began
};

} // namespace d3d8
