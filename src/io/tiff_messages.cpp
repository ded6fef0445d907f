#include "io/tiff_messages.h"

#include <cstdarg>
#include <cstring>
#include <mutex>
#include <string>
#include <string_view>

#include <dlfcn.h>
#include <link.h>

namespace brenlow {
namespace {

// The library's own types: it is loaded by Qt's plugin, not linked here, so its header is not at hand.
using TiffMessageHandler = void (*)(const char* module, const char* format, va_list arguments);
using SetTiffMessageHandler = TiffMessageHandler (*)(TiffMessageHandler);

// The path the loaded TIFF library was loaded from; empty when none is loaded.
std::string loadedTiffLibrary() {
    std::string path;
    dl_iterate_phdr(
        [](dl_phdr_info* info, std::size_t, void* found) {
            const std::string_view name = info->dlpi_name != nullptr ? info->dlpi_name : "";
            if (name.find("/libtiff.so") == std::string_view::npos) return 0;
            *static_cast<std::string*>(found) = name;
            return 1;
        },
        &path);
    return path;
}

void clearHandler(void* library, const char* setterName) {
    void* const symbol = dlsym(library, setterName);
    if (symbol == nullptr) return;
    SetTiffMessageHandler setter = nullptr;
    std::memcpy(&setter, &symbol, sizeof setter);
    setter(nullptr);
}

}  // namespace

void silenceTiffLibrary() {
    static std::once_flag once;
    std::call_once(once, [] {
        const std::string path = loadedTiffLibrary();
        void* const library = path.empty() ? nullptr : dlopen(path.c_str(), RTLD_NOW | RTLD_NOLOAD);
        if (library == nullptr) return;
        clearHandler(library, "TIFFSetErrorHandler");
        clearHandler(library, "TIFFSetWarningHandler");
        dlclose(library);
    });
}

}  // namespace brenlow
