#include "image/ImageModule.h"

extern "C" __attribute__((visibility("default"))) const ImageFunctions*
tonzettel_image_functions() {
    static const ImageFunctions functions{&PixelSizeOf, &ShrinkToJpeg};
    return &functions;
}
