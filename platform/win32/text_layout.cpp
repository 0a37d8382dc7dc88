// DrawText's line breaking: prefixes, explicit line breaks and word wrapping.
#include "win32/text_layout.h"

#include <algorithm>
#include <cstdint>

namespace {

bool isLineBreak(char32_t c) {
    return c == U'\r' || c == U'\n';
}
bool isSpace(char32_t c) {
    return c == U' ';
}

} // namespace

namespace win32 {

int TextLayout::measure(size_t begin, size_t end, GlyphAdvances& advances) const {
    int64_t width = 0;
    for (size_t i = begin; i < end; ++i)
        width += advances.advance(shown_[i]);
    return int(std::min<int64_t>(width, INT32_MAX / 2));
}

void TextLayout::addLine(size_t begin, size_t end, GlyphAdvances& advances) {
    const int width = measure(begin, end, advances);
    lines_.push_back(TextLine{begin, end, width});
    width_ = std::max(width_, width);
}

void TextLayout::wrapParagraph(size_t begin, size_t end, int wrapWidth, GlyphAdvances& advances) {
    size_t lineBegin = begin;
    size_t lineEnd = begin; // past the last word placed on the line
    int lineWidth = 0;
    bool lineHasWord = false;
    size_t i = begin;
    while (i < end) {
        const size_t spaceBegin = i;
        while (i < end && isSpace(shown_[i]))
            ++i;
        const size_t wordBegin = i;
        while (i < end && !isSpace(shown_[i]))
            ++i;
        if (wordBegin == i)
            break; // trailing spaces end the paragraph without a word
        const int spaceWidth = measure(spaceBegin, wordBegin, advances);
        const int wordWidth = measure(wordBegin, i, advances);
        if (lineHasWord && int64_t(lineWidth) + spaceWidth + wordWidth > wrapWidth) {
            lines_.push_back(TextLine{lineBegin, lineEnd, lineWidth});
            width_ = std::max(width_, lineWidth);
            lineBegin = wordBegin;
            lineWidth = wordWidth;
        } else {
            lineWidth =
                int(std::min<int64_t>(int64_t(lineWidth) + spaceWidth + wordWidth, INT32_MAX / 2));
        }
        lineEnd = i;
        lineHasWord = true;
    }
    if (!lineHasWord)
        lineEnd = begin; // a paragraph of spaces only shows as an empty line
    lines_.push_back(TextLine{lineBegin, lineEnd, lineWidth});
    width_ = std::max(width_, lineWidth);
}

void TextLayout::layout(const char32_t* text, size_t count, UINT format, int wrapWidth,
                        GlyphAdvances& advances) {
    shown_.clear();
    lines_.clear();
    width_ = 0;
    for (size_t i = 0; i < count; ++i) {
        if (text[i] == U'&' && !(format & DT_NOPREFIX)) {
            if (i + 1 < count && text[i + 1] == U'&')
                shown_.push_back(text[++i]);
            continue;
        }
        shown_.push_back(text[i]);
    }
    if (shown_.empty())
        return;
    if (format & DT_SINGLELINE) {
        addLine(0, shown_.size(), advances);
        return;
    }
    size_t begin = 0;
    while (begin < shown_.size()) {
        size_t end = begin;
        while (end < shown_.size() && !isLineBreak(shown_[end]))
            ++end;
        if (format & DT_WORDBREAK)
            wrapParagraph(begin, end, wrapWidth, advances);
        else
            addLine(begin, end, advances);
        if (end == shown_.size())
            break;
        const bool crlf =
            shown_[end] == U'\r' && end + 1 < shown_.size() && shown_[end + 1] == U'\n';
        begin = end + (crlf ? 2 : 1);
    }
}

} // namespace win32
