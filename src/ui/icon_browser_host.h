#pragma once

#include "decoding/chunker.h"

#include <QString>

#include <cstdint>

namespace pq {

// What the icon browser needs of the window that holds the document: the decoder (absent
// until a file is open or when the file is too short), a way to change its format, and the
// grid flag that the bookmark rows follow.
class IconBrowserHost {
public:
    virtual ~IconBrowserHost() = default;
    virtual const Chunker* chunker() const = 0;
    // Sets the decoder's bit depth, then its row width; nothing without a decoder.
    virtual void setChunkerParameters(std::int64_t bitDepth, std::int64_t widthInBits) = 0;
    // Stores the grid flag and hands it to the bookmark list, which redraws its rows.
    virtual void setMustShowPixelGrid(bool on) = 0;
    // Shows an error alert in the window (nothing when the window is not shown).
    virtual void displayErrorWithError(const QString& title, const QString& informativeText) = 0;
};

} // namespace pq
