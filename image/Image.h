#pragma once

// The pictures of the cover tool as images: their pixel size, and a scaled
// down JPEG. Decoded with Qt, with a bound on the memory an image may take,
// so a broken or hostile picture is named, never shown.

#include <optional>
#include <string_view>

#include "ops/CoverOps.h"

struct PixelSize {
    int Width = 0;
    int Height = 0;
};

// From the image's header alone; nothing when it cannot be read.
std::optional<PixelSize> PixelSizeOf(std::string_view data);

// The image scaled so that its longer edge is maxEdge, as JPEG of quality
// 90; nothing when it is no larger already, Broken when it cannot be decoded.
Shrunk ShrinkToJpeg(std::string_view data, int maxEdge);

// The shrinker of a cover run.
Shrinker JpegShrinker(int maxEdge);
