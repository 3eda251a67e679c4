#pragma once

// The cover tool's image functions, from the image module loaded at their
// first use (see image/ImageModule.h): beside the program in the build, in
// lib/tonzettel beside bin where it is installed.

#include "image/ImageModule.h"

// Nothing when the module cannot be loaded; the reason went to standard
// error then, once.
const ImageFunctions* Images();
