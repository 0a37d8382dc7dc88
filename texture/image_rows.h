// Rows that a decoder hands out after load, top to bottom or bottom to top, instead of filling
// a pixel buffer: the loader sends them through the level row sink straight into a texture.
#pragma once

#include "windows.h"

class LevelRowSink;

class ImageRowSource {
public:
    virtual ~ImageRowSource() = default;

    // Whether the rows come bottom row first, as the file stores them.
    virtual bool bottomUp() const { return false; }

    // Sends every row of the picture, in that order, each as the node's format describes it.
    // A failure when the data turns out bad part-way or memory runs short: the caller then
    // decodes the file the general way, which answers for it as load always has.
    virtual HRESULT sendRows(LevelRowSink& sink) = 0;
};
