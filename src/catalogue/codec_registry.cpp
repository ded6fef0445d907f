#include "catalogue/codec_registry.h"

#include <algorithm>
#include <atomic>
#include <deque>
#include <filesystem>
#include <map>
#include <mutex>

#include "catalogue/command_coding.h"
#include "catalogue/library_coding.h"
#include "catalogue/own_codecs.h"
#include "catalogue/still_codec.h"
#include "io/error.h"
#include "jpeg/jpeg_library_version.h"

namespace brenlow {
namespace {

// The largest focus the commands take: the decoder's work budget refuses most pictures far below.
constexpr int kMaxFocus = 1000;

SettingDescription divisorSetting() {
    return {"divisor", "samples are divided by N + 0.5 before coding; 0 gives 2.5", 0, 9, {}, "2"};
}

CodecEntry ownCodec(StillCodec codec, std::string name, std::string title, std::string extension, int lowestQuality,
                    std::vector<SettingDescription> settings, std::shared_ptr<const CodecCoding> coding) {
    // AVC and AJC are measured against the file they code from; AJC's report line has no ratios.
    const bool container = codec != StillCodec::Jpeg;
    return {codec,    std::move(name),     std::move(title), std::move(extension), {lowestQuality, 100},
            std::move(settings), nullptr, container,         codec != StillCodec::Ajc, nullptr, std::move(coding),
            nullptr};
}

CodecEntry libraryCodec(const AnchorCodec& anchor) {
    return {StillCodec::Library, anchor.name(), anchor.title(), anchor.extension(), anchor.qualities(),
            anchor.settingDescriptions(), &anchor, false, true, nullptr, libraryCoding(anchor), nullptr};
}

// Our own codecs; the library codecs join them when first needed, since listing those opens their
// modules and loads their libraries.
std::deque<CodecEntry> ownCodecs() {
    std::deque<CodecEntry> entries;
    entries.push_back(ownCodec(StillCodec::Jpeg, "jpeg", "JPEG", ".jpg", 0,
                               {{"optimize", "Huffman tables made for the picture (1) or the standard ones (0)", 0, 1,
                                 {}, "0"},
                                {"subsampling", "chroma subsampling", 0, 0, {"420", "422", "444"}, "420"}},
                               jpegCoding()));
    entries.push_back(ownCodec(StillCodec::Avc, "avc", "AVC", ".avc", 1,
                               {divisorSetting(),
                                {"focus", "sharpening passes of the decoder", 0, kMaxFocus, {}, "2"}},
                               avcCoding()));
    entries.push_back(ownCodec(StillCodec::Ajc, "ajc", "AJC", ".ajc", 1, {divisorSetting()}, ajcCoding()));
    return entries;
}

// The built codecs and those added since. Additions take the lock and publish a new listing;
// readers take the listing published last. A listing is never changed or freed once published,
// so a reader needs no lock: the few additions of a process cost a few copies of the pointers.
struct Registry {
    std::mutex adding;
    std::deque<CodecEntry> entries;      // a deque: entries never move as others are added
    std::deque<CommandCodec> commands;   // the descriptions behind the added entries
    std::vector<const CodecEntry*> listed;  // the entries listed now: one replaced is kept, unlisted
    std::deque<std::shared_ptr<CallerCoding>> callers;  // the functions behind the caller's codecs
    std::deque<std::vector<const CodecEntry*>> listings;
    std::atomic<const std::vector<const CodecEntry*>*> current{nullptr};
    std::atomic<bool> withLibraryCodecs{false};
    // The library codecs' entries, each made once: looked up alone, or when the whole listing is taken.
    std::map<std::string, const CodecEntry*, std::less<>> libraryEntries;

    Registry() : entries(ownCodecs()) {
        for (const CodecEntry& entry : entries) listed.push_back(&entry);
        publish();
    }

    // Before any codec is added, so that the library codecs follow ours in every listing. Call
    // with `adding` held.
    void addLibraryCodecs() {
        if (withLibraryCodecs.load(std::memory_order_acquire)) return;
        for (const AnchorCodec* anchor : anchorCodecs()) listed.push_back(libraryEntry(*anchor));
        publish();
        withLibraryCodecs.store(true, std::memory_order_release);
    }

    // Call with `adding` held.
    const CodecEntry* libraryEntry(const AnchorCodec& anchor) {
        const auto made = libraryEntries.find(anchor.name());
        if (made != libraryEntries.end()) return made->second;
        const CodecEntry* entry = &entries.emplace_back(libraryCodec(anchor));
        libraryEntries.emplace(anchor.name(), entry);
        return entry;
    }

    void publish() {
        listings.push_back(listed);
        current.store(&listings.back(), std::memory_order_release);
    }
};

// Where a codec comes from, for messages about a name given twice.
std::string givenBy(const CodecEntry& entry) {
    if (entry.command != nullptr) return entry.command->file;
    return entry.caller != nullptr ? entry.caller->origin() : std::string("this build");
}

// The coding of a caller's codec of that name, or null.
std::shared_ptr<CallerCoding> callerCodingNamed(const Registry& state, const std::string& name) {
    for (const std::shared_ptr<CallerCoding>& coding : state.callers)
        if (coding->name() == name) return coding;
    return nullptr;
}

Registry& registry() {
    static Registry state;
    return state;
}

// The registry with the library codecs in it.
Registry& fullRegistry() {
    Registry& state = registry();
    if (!state.withLibraryCodecs.load(std::memory_order_acquire)) {
        const std::lock_guard lock(state.adding);
        state.addLibraryCodecs();
    }
    return state;
}

// The listing published last, with or without the library codecs.
CodecList currentListing() { return CodecList(*registry().current.load(std::memory_order_acquire)); }

const CodecEntry* entryIn(const CodecList& entries, std::string_view name) {
    const auto entry = std::find_if(entries.begin(), entries.end(), [name](const CodecEntry& e) { return e.name == name; });
    return entry == entries.end() ? nullptr : &*entry;
}

// A library codec looked up before the whole listing is taken: only its own module is opened, so a
// command coding with one library does not load the others.
const CodecEntry* libraryEntryNamed(std::string_view name) {
    Registry& state = registry();
    const std::lock_guard lock(state.adding);
    if (state.withLibraryCodecs.load(std::memory_order_acquire)) return entryIn(currentListing(), name);
    const AnchorCodec* anchor = anchorCodecNamed(name);
    return anchor != nullptr ? state.libraryEntry(*anchor) : nullptr;
}

// The same description file by another path ("codecs/x.json" and "./codecs/x.json") is the same.
bool sameDescriptionFile(const std::string& a, const std::string& b) {
    std::error_code unreadable;
    return a == b || std::filesystem::equivalent(a, b, unreadable);
}

}  // namespace

std::string CodecEntry::library() const {
    if (command != nullptr) return "commands from " + command->file;
    if (caller != nullptr) {
        const std::string version = caller->version();
        return caller->origin() + (version.empty() ? "" : ", version " + version);
    }
    return anchor != nullptr ? anchor->libraryVersion() : "libjpeg " + jpegLibraryVersion();
}

std::string CodecEntry::settingsLine(const CodecSettings& resolved) const {
    if (anchor != nullptr) return anchor->describeSettings(resolved);
    if (caller != nullptr) return "its own functions at quality as given";
    if (command != nullptr) {
        std::string line = "its own programs at quality as given";
        for (const auto& [key, value] : resolved) line += ", " + key + " " + value;
        return line;
    }
    std::string line = name == "jpeg" ? "baseline, float DCT, quality as given (0-100)"
                                      : "the JPEG library at quality as given (1-100) inside the container";
    for (const auto& [key, value] : resolved) line += ", " + key + " " + value;
    return line;
}

CodecList codecRegistry() { return CodecList(*fullRegistry().current.load(std::memory_order_acquire)); }

void addCommandCodecs(const std::vector<CommandCodec>& codecs) {
    Registry& state = registry();
    const std::lock_guard lock(state.adding);
    state.addLibraryCodecs();
    std::vector<const CommandCodec*> added;
    for (const CommandCodec& codec : codecs) {
        if (const CodecEntry* known = codecEntryNamed(codec.name)) {
            if (known->command != nullptr && sameDescriptionFile(known->command->file, codec.file)) continue;
            throw Error("The codec \"" + codec.name + "\" of " + codec.file + " is already given by " + givenBy(*known));
        }
        const auto twice = [&](const CommandCodec* other) { return other->name == codec.name; };
        if (std::any_of(added.begin(), added.end(), twice))
            throw Error("The codec \"" + codec.name + "\" is given twice by " + codec.file);
        added.push_back(&codec);
    }
    if (added.empty()) return;
    for (const CommandCodec* codec : added) {
        const CommandCodec& kept = state.commands.emplace_back(*codec);
        state.entries.push_back({StillCodec::Command, kept.name, kept.title, kept.extension, kept.qualities,
                                 kept.settings, nullptr, false, true, &kept, commandCoding(kept), nullptr});
        state.listed.push_back(&state.entries.back());
    }
    state.publish();
}

const CodecEntry& addCallerCodec(CallerCodec codec) {
    Registry& state = registry();
    // Let go after the lock: letting a caller's functions go may wait for the caller's own lock.
    CallerCodec replaced;
    const std::lock_guard lock(state.adding);
    state.addLibraryCodecs();
    const CodecEntry* known = codecEntryNamed(codec.name);
    if (known != nullptr && known->caller == nullptr)
        throw Error("The codec \"" + codec.name + "\" is already given by " + givenBy(*known) + "; give yours another name");
    std::shared_ptr<CallerCoding> coding = callerCodingNamed(state, codec.name);
    const CodecEntry fresh{StillCodec::Library, codec.name, codec.name, codec.extension, codec.qualities, {}, nullptr,
                           false, true, nullptr, nullptr, nullptr};
    if (coding != nullptr) {
        replaced = coding->replace(std::move(codec));
        // The listed entry answers later look-ups as it is unless what it says has changed.
        if (known->extension == fresh.extension && known->qualities.lowest == fresh.qualities.lowest &&
            known->qualities.highest == fresh.qualities.highest)
            return *known;
    }
    CodecEntry& added = state.entries.emplace_back(fresh);
    if (coding != nullptr) {
        std::replace(state.listed.begin(), state.listed.end(), known, static_cast<const CodecEntry*>(&added));
    } else {
        coding = state.callers.emplace_back(std::make_shared<CallerCoding>(std::move(codec)));
        state.listed.push_back(&added);
    }
    added.coding = coding;
    added.caller = coding.get();
    state.publish();
    return added;
}

const CodecEntry* codecEntryNamed(std::string_view name) {
    // Our own codecs are found without loading any library.
    if (const CodecEntry* listed = entryIn(currentListing(), name)) return listed;
    return registry().withLibraryCodecs.load(std::memory_order_acquire) ? nullptr : libraryEntryNamed(name);
}

const CodecEntry& codecEntryOf(StillCodec codec) {
    if (codec == StillCodec::Library || codec == StillCodec::Command)
        throw Error("A library codec or one described by commands is known by its name");
    const CodecList entries = currentListing();
    const auto entry =
        std::find_if(entries.begin(), entries.end(), [codec](const CodecEntry& e) { return e.codec == codec; });
    if (entry == entries.end()) throw Error("This build has no such codec");
    return *entry;
}

std::string codecNamesText() {
    std::string names;
    for (const CodecEntry& entry : codecRegistry()) names += (names.empty() ? "" : ", ") + entry.name;
    return names;
}

const CodecEntry& knownCodecEntry(std::string_view name) {
    const CodecEntry* entry = codecEntryNamed(name);
    if (entry == nullptr) {
        const std::string unavailable = anchorCodecUnavailable(name);
        if (!unavailable.empty()) throw Error(unavailable);
        throw Error("\"" + std::string(name) + "\" is not a codec of this build; there are " + codecNamesText());
    }
    return *entry;
}

CodecChoice checkedCodecChoice(std::string_view text) {
    CodecChoice choice = parseCodecChoice(text);
    choice.settings = checkCodecSettings(choice.codec, choice.settings, knownCodecEntry(choice.codec).settings);
    return choice;
}

JpegOptions jpegOptionsFrom(const CodecSettings& resolved) {
    JpegOptions options;
    options.optimizeHuffman = settingNumber(resolved, "optimize") == 1;
    const std::string& subsampling = resolved.at("subsampling");
    options.chroma = subsampling == "444"   ? ChromaSubsampling::Full
                     : subsampling == "422" ? ChromaSubsampling::HalfAcross
                                            : ChromaSubsampling::Half;
    return options;
}

}  // namespace brenlow
