#pragma once

#include <cstddef>
#include <deque>
#include <iterator>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "anchors/anchor_codec.h"
#include "catalogue/caller_coding.h"
#include "catalogue/codec_coding.h"
#include "catalogue/command_codec.h"
#include "codecs/codec_settings.h"
#include "jpeg/jpeg_bridge.h"

namespace brenlow {

enum class StillCodec;

// Every codec this build has, the three commands' and the anchors alike: the one place that lists
// them. Front ends, writers and completion read it.
struct CodecEntry {
    StillCodec codec;       // its kind: one of our three, a library's, or one described by commands
    std::string name;       // "jpeg": the command-line name
    std::string title;      // "JPEG": as menus and reports name it
    std::string extension;  // ".jpg": of its coded files
    QualityRange qualities;
    std::vector<SettingDescription> settings;  // beside the quality, with today's choices as defaults
    const AnchorCodec* anchor = nullptr;       // the library codec behind an anchor; null for ours
    bool againstSourceFile = false;  // measured against the source file (base.bmp) rather than the document's own
    bool reportsSnr = true;          // whether its report line carries the signal-to-noise ratios
    const CommandCodec* command = nullptr;  // the programs behind a codec described by commands
    std::shared_ptr<const CodecCoding> coding;    // how it codes and decodes, whatever its kind; never null
    const CallerCoding* caller = nullptr;  // the functions behind a codec handed in by a caller: `coding` itself
    std::string library() const;               // "libjpeg 62, libjpeg-turbo 2.1.5", "libwebp 1.2.4"
    std::string settingsLine(const CodecSettings& resolved) const;  // how quality and settings are used
};

// A listing of the registry as it stood when taken: entries added later are not in it. Its
// entries stay valid for the rest of the process.
class CodecList {
public:
    class Iterator {
    public:
        using iterator_category = std::forward_iterator_tag;
        using value_type = CodecEntry;
        using difference_type = std::ptrdiff_t;
        using pointer = const CodecEntry*;
        using reference = const CodecEntry&;
        Iterator() = default;
        explicit Iterator(std::vector<const CodecEntry*>::const_iterator at) : at_(at) {}
        const CodecEntry& operator*() const { return **at_; }
        const CodecEntry* operator->() const { return *at_; }
        Iterator& operator++() {
            ++at_;
            return *this;
        }
        Iterator operator++(int) { return Iterator(at_++); }
        bool operator==(const Iterator&) const = default;

    private:
        std::vector<const CodecEntry*>::const_iterator at_;
    };

    explicit CodecList(const std::vector<const CodecEntry*>& entries) : entries_(&entries) {}
    Iterator begin() const { return Iterator(entries_->begin()); }
    Iterator end() const { return Iterator(entries_->end()); }
    std::size_t size() const { return entries_->size(); }
    const CodecEntry& operator[](std::size_t index) const { return *(*entries_)[index]; }

private:
    const std::vector<const CodecEntry*>* entries_;
};

// Our three codecs (jpeg, avc, ajc), then the library codecs this build has in the order of their
// rows, then the codecs described by commands or handed in by a caller, in the order first added.
//
// Codecs may be added at any time, from any thread, while others list, look up or run codecs:
// entries never move and are never freed, and every listing once taken stays whole, so a run
// may keep an entry or a listing as long as it likes. Taking a listing or looking up a codec is
// one atomic read and takes no lock, except the first listing, which opens the library codecs'
// modules (see anchorCodecs()), and the look-ups of a name that is not one of our three codecs
// before it: each opens only the module of the codec named.
CodecList codecRegistry();

// Adds codecs described by commands (StillCodec::Command) for the rest of the process, all of a
// call or none. A codec already added from the same file is left as it is. Throws Error when
// another file, or this build, gives a codec of the same name.
void addCommandCodecs(const std::vector<CommandCodec>& codecs);

// Adds a codec handed in by a caller (known by its name, as a library's codec is) for the rest of
// the process. Adding one of the same name again gives it the new functions, version, extension
// and qualities: later calls take them, through entries taken before as well, and those entries
// stay valid. Throws Error when the name is a built codec's or one described by commands.
const CodecEntry& addCallerCodec(CallerCodec codec);

// The codec of that name, built or added; null when there is none.
const CodecEntry* codecEntryNamed(std::string_view name);
// The same; throws Error naming the codecs there are when there is none, or why a codec of this
// build is unavailable.
const CodecEntry& knownCodecEntry(std::string_view name);
// One of our three codecs; throws Error for the other kinds, whose codecs are found by name.
const CodecEntry& codecEntryOf(StillCodec codec);

// "jpeg, avc, ajc, webp, ...": the registry's names in its order, for messages.
std::string codecNamesText();

// A codec named with its settings, NAME[:KEY=VALUE]..., checked against the registry, its values in
// their canonical form ("optimize=01" is "optimize=1"). Throws Error naming the codec, the key and
// what is allowed, or the codecs there are.
CodecChoice checkedCodecChoice(std::string_view text);

// The JPEG library's options of resolved jpeg settings (optimize, subsampling).
JpegOptions jpegOptionsFrom(const CodecSettings& resolved);

}  // namespace brenlow
