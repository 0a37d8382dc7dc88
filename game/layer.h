// The interface of a scene layer. The layers are drawn back to front in every frame:
// background, targets, foreground; the clickable ones add a hit test of their own.
#pragma once

class RenderEngine;

class Layer {
public:
    // Draws the layer for the current frame, advancing its animation first. Once per frame,
    // between the engine's beginFrame and endFrame.
    virtual bool frame(RenderEngine& engine) = 0;
    // Loads the layer's pictures through the engine, once at start-up. False: the layer is
    // unusable and the start-up stops.
    virtual bool init(RenderEngine& engine) = 0;

protected:
    ~Layer() = default;
};
