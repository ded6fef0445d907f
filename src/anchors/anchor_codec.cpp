#include "anchors/anchor_codec.h"

#include "modules/module_loader.h"

namespace brenlow {
namespace {

// The modules of the library codecs this build has, in the order every listing shows them.
std::vector<std::string_view> builtCodecModules() {
    std::vector<std::string_view> modules;
#ifdef BRENLOW_HAS_WEBP
    modules.push_back("webp");
#endif
#ifdef BRENLOW_HAS_AVIF
    modules.push_back("avif");
#endif
#ifdef BRENLOW_HAS_JXL
    modules.push_back("jxl");
#endif
#ifdef BRENLOW_HAS_JP2
    modules.push_back("jp2");
#endif
    return modules;
}

// Each library is loaded with its module the first time the codecs are listed; a module that
// cannot be opened leaves its codec out, as a build without its library does.
std::vector<const AnchorCodec*> openedCodecs() {
    std::vector<const AnchorCodec*> codecs;
    for (const std::string_view module : builtCodecModules()) {
        const OpenedModule& opened = openedModule(module);
        if (opened.table != nullptr && opened.table->codec != nullptr) codecs.push_back(opened.table->codec);
    }
    return codecs;
}

// The module of the codec of that name, opened alone; null when this build has no such codec.
const OpenedModule* builtCodecModule(std::string_view name) {
    for (const std::string_view module : builtCodecModules())
        if (module == name) return &openedModule(module);
    return nullptr;
}

}  // namespace

Bytes AnchorCodec::encode(const QImage& picture, int quality) const {
    return encodeWith(picture, quality, defaultSettings());
}

std::string AnchorCodec::settings() const { return describeSettings(defaultSettings()); }

CodecSettings AnchorCodec::defaultSettings() const { return resolvedSettings({}, settingDescriptions()); }

const std::vector<const AnchorCodec*>& anchorCodecs() {
    static const std::vector<const AnchorCodec*> codecs = openedCodecs();
    return codecs;
}

std::string anchorCodecUnavailable(std::string_view name) {
    const OpenedModule* opened = builtCodecModule(name);
    return opened != nullptr && opened->table == nullptr
               ? "The codec \"" + std::string(name) + "\" is unavailable: " + opened->failure
               : "";
}

const AnchorCodec* anchorCodecNamed(std::string_view name) {
    const OpenedModule* opened = builtCodecModule(name);
    return opened != nullptr && opened->table != nullptr ? opened->table->codec : nullptr;
}

std::string anchorCodecNames() {
    std::string names;
    for (const AnchorCodec* codec : anchorCodecs()) names += (names.empty() ? "" : ", ") + codec->name();
    return names;
}

}  // namespace brenlow
