#include "brenlow/codec.h"

#include "catalogue/codec_registry.h"
#include "io/error.h"

namespace brenlow {

CodecInfo codecInfoNamed(const std::string& name) {
    const CodecEntry* entry = codecEntryNamed(name);
    if (entry == nullptr) throw Error("There is no codec \"" + name + "\"; the codecs are " + codecNamesText());
    CodecInfo info;
    info.name = entry->name;
    info.title = entry->title;
    info.extension = entry->extension;
    info.lowestQuality = entry->qualities.lowest;
    info.highestQuality = entry->qualities.highest;
    for (const SettingDescription& setting : entry->settings)
        info.settings.push_back(
            {setting.key, setting.meaning, setting.lowest, setting.highest, setting.choices, setting.defaultValue});
    info.library = entry->library();
    info.describedByCommands = entry->command != nullptr;
    return info;
}

Codec::Codec(const std::string& spec) : curve_(curveNamed(spec)), info_(codecInfoNamed(curveCodecName(curve_))) {}

}  // namespace brenlow
