#include "cli/Images.h"

#include <dlfcn.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>

namespace {

const ImageFunctions* Load() {
    std::error_code error;
    const std::filesystem::path bin =
        std::filesystem::read_symlink("/proc/self/exe", error).parent_path();
    std::string why = "nicht gefunden";
    for (const auto& path : {bin / kImageModuleFile, bin / "../lib/tonzettel" / kImageModuleFile}) {
        if (!std::filesystem::exists(path, error)) continue;
        void* module = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (module == nullptr) {
            why = ::dlerror();
            continue;
        }
        if (const auto entry =
                reinterpret_cast<ImageModuleEntry>(::dlsym(module, kImageModuleEntry))) {
            return entry();
        }
        why = path.string() + ": kein Bildmodul";
    }
    std::fprintf(stderr, "tonzettel-cli: Die Bildfunktionen (%s) fehlen: %s\n", kImageModuleFile,
                 why.c_str());
    return nullptr;
}

}  // namespace

const ImageFunctions* Images() {
    static const ImageFunctions* const functions = Load();
    return functions;
}
