#pragma once

// The image functions as a module of their own, for the command-line tool:
// it starts without Qt's libraries (most of its start-up time), and loads
// them with this module only when the cover tool looks into a picture.

#include <optional>
#include <string_view>

#include "image/Image.h"

struct ImageFunctions {
    std::optional<PixelSize> (*PixelSizeOf)(std::string_view data);
    Shrunk (*ShrinkToJpeg)(std::string_view data, int maxEdge);
};

// The module's file name, and the C name of the function that gives its table.
inline constexpr const char* kImageModuleFile = "tonzettel-image.so";
inline constexpr const char* kImageModuleEntry = "tonzettel_image_functions";
using ImageModuleEntry = const ImageFunctions* (*)();
