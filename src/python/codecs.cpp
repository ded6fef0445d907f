#include <filesystem>
#include <memory>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "arrays.h"
#include "bindings.h"
#include "brenlow/codec.h"
#include "brenlow/session.h"
#include "brenlow/tables.h"
#include "errors.h"
#include "json_values.h"

namespace brenlow::python {
namespace {

// brenlow.Codec: a codec string and the codec it names, resolved once.
struct CodecHandle {
    std::string codecText;
    std::shared_ptr<const Codec> codec;
};

// What Codec.code gives: the coded file, its decoded picture, its figures and times.
struct Coded {
    py::bytes data;
    py::array decoded;
    double bitsPerPixel = 0.0;
    double encodeSeconds = 0.0;
    double decodeSeconds = 0.0;
    double encodeCpuSeconds = 0.0;
    double decodeCpuSeconds = 0.0;
    int quality = 0;
    py::object codec;
};

CodecHandle codecNamed(const std::string& codecText) {
    CodecHandle handle{codecText, nullptr};
    py::gil_scoped_release unlocked;
    handle.codec = std::make_shared<const Codec>(codecText);
    return handle;
}

py::bytes bytesOf(const std::vector<std::uint8_t>& data) {
    return py::bytes(reinterpret_cast<const char*>(data.data()), data.size());
}

py::bytes encode(const CodecHandle& self, const py::array& pixels, int quality) {
    const Picture picture = pictureOfArray(pixels, "pixels");
    std::vector<std::uint8_t> data;
    {
        py::gil_scoped_release unlocked;
        data = self.codec->encode(picture, quality);
    }
    return bytesOf(data);
}

py::array decode(const CodecHandle& self, const py::buffer& data, int quality) {
    const py::buffer_info view = data.request();
    if (PyBuffer_IsContiguous(view.view(), 'C') == 0)
        throw UsageError("data: the buffer's bytes are not one contiguous block; pass bytes(data)");
    const std::span<const std::uint8_t> bytes(static_cast<const std::uint8_t*>(view.ptr),
                                              static_cast<std::size_t>(view.size * view.itemsize));
    Picture decoded;
    {
        py::gil_scoped_release unlocked;
        decoded = self.codec->decode(bytes, quality);
    }
    return arrayOfPicture(std::move(decoded));
}

Coded code(const py::object& self, const py::array& pixels, int quality) {
    const CodecHandle& handle = self.cast<const CodecHandle&>();
    const Picture picture = pictureOfArray(pixels, "pixels");
    CodedPicture coded;
    {
        py::gil_scoped_release unlocked;
        coded = handle.codec->code(picture, quality);
    }
    return {bytesOf(coded.data), arrayOfPicture(std::move(coded.decoded)), coded.bitsPerPixel,
            coded.encodeSeconds, coded.decodeSeconds, coded.encodeCpuSeconds, coded.decodeCpuSeconds,
            quality, self};
}

std::vector<CodecHandle> codecFile(const std::filesystem::path& file) {
    const std::string path = file.string();
    std::vector<CodecInfo> added;
    {
        py::gil_scoped_release unlocked;
        added = aboutFile(path, [&] { return Session().addCodecFile(path); });
    }
    std::vector<CodecHandle> codecs;
    for (const CodecInfo& info : added) codecs.push_back(codecNamed(info.name));
    return codecs;
}

std::vector<CodecInfo> codecInfos() {
    py::gil_scoped_release unlocked;
    return Session().codecs();
}

py::list settingsOf(const CodecInfo& info) {
    py::list settings;
    for (const SettingInfo& setting : info.settings) settings.append(pythonOf(settingDescriptionJson(setting)));
    return settings;
}

std::string quoted(const std::string& text) { return py::repr(py::str(text)).cast<std::string>(); }

std::string codecInfoText(const CodecInfo& info) {
    return "CodecInfo(" + quoted(info.name) + ", qualities=(" + std::to_string(info.lowestQuality) + ", " +
           std::to_string(info.highestQuality) + "), defaults=" + quoted(info.defaults) + ", library=" +
           quoted(info.library) + ")";
}

void bindCodecInfo(py::module_& module) {
    py::class_<CodecInfo>(module, "CodecInfo",
                          "A codec as `brenlow-cli codecs --json` lists it: its name, qualities, settings and library.")
        .def_readonly("name", &CodecInfo::name, "As codec strings name it: \"jpeg\", \"avif\".")
        .def_readonly("title", &CodecInfo::title, "As menus and reports name it: \"JPEG\".")
        .def_readonly("extension", &CodecInfo::extension, "Of its coded files: \".jpg\".")
        .def_property_readonly(
            "qualities", [](const CodecInfo& info) { return std::make_pair(info.lowestQuality, info.highestQuality); },
            "The (lowest, highest) quality it takes.")
        .def_property_readonly("settings", &settingsOf,
                               "Each setting it takes beside the quality, as a dict with the keys of `codecs --json`: "
                               "key, meaning, allowed, default, and lowest and highest or choices.")
        .def_readonly("defaults", &CodecInfo::defaults,
                      "What the codec does at its defaults, as `brenlow-cli codecs` describes it: \"lossy, quality "
                      "as given (0-100), method 4 (libwebp's default)\".")
        .def_readonly("library", &CodecInfo::library,
                      "The library and its version, or the description file of a codec described by commands.")
        .def_readonly("described_by_commands", &CodecInfo::describedByCommands,
                      "Whether it runs the programs of a JSON description (codec_file).")
        .def_readonly("several_at_once", &CodecInfo::severalAtOnce,
                      "Whether a sweep may call it on several threads at once; a PythonCodec is called one call "
                      "at a time.")
        .def("__repr__", &codecInfoText);
}

std::string codedText(const Coded& coded) {
    const std::string& codecText = coded.codec.cast<const CodecHandle&>().codecText;
    return "Coded(" + quoted(codecText) + ", quality=" + std::to_string(coded.quality) +
           ", bytes=" + std::to_string(py::len(coded.data)) + ", bits_per_pixel=" +
           py::repr(py::float_(coded.bitsPerPixel)).cast<std::string>() + ")";
}

void bindCoded(py::module_& module) {
    py::class_<Coded>(module, "Coded", "A picture coded and decoded by Codec.code, with its figures and times.")
        .def_readonly("data", &Coded::data, "The coded file, as bytes: what `brenlow-cli code` writes.")
        .def_readonly("decoded", &Coded::decoded, "The decoded picture, a (height, width, 3) uint8 array.")
        .def_readonly("bits_per_pixel", &Coded::bitsPerPixel, "Bits of the coded file per pixel of the picture.")
        .def_readonly("encode_seconds", &Coded::encodeSeconds,
                      "Wall-clock seconds of the coding, the codec on the calling thread alone as a sweep times "
                      "its points.")
        .def_readonly("decode_seconds", &Coded::decodeSeconds, "Wall-clock seconds of the decoding, timed alike.")
        .def_readonly("encode_cpu_seconds", &Coded::encodeCpuSeconds,
                      "Processor seconds of the coding on the calling thread's clock.")
        .def_readonly("decode_cpu_seconds", &Coded::decodeCpuSeconds,
                      "Processor seconds of the decoding on the calling thread's clock.")
        .def_readonly("quality", &Coded::quality, "The quality it was coded at.")
        .def_readonly("codec", &Coded::codec, "The Codec that coded it.")
        .def("__repr__", &codedText);
}

void bindCodec(py::module_& module) {
    py::class_<CodecHandle>(module, "Codec",
                            "A codec at its settings, named by the command line's codec string "
                            "(\"avif:speed=8:yuv=444\"), that codes pictures in memory exactly as a sweep codes "
                            "its points. Raises UsageError for a string that does not name a codec and settings.")
        .def(py::init(&codecNamed), py::arg("codec_string"))
        .def_readonly("codec_string", &CodecHandle::codecText, "The codec string, as a sweep takes it.")
        .def_property_readonly(
            "name", [](const CodecHandle& self) { return self.codec->info().name; }, "The codec's name: \"avif\".")
        .def_property_readonly(
            "info", [](const CodecHandle& self) { return self.codec->info(); }, "The codec's CodecInfo.")
        .def("encode", &encode, py::arg("pixels"), py::arg("quality"),
             "Codes a (height, width, 3) uint8 array at a quality within the codec's range: the coded file as "
             "bytes, as `brenlow-cli code` writes it.")
        .def("decode", &decode, py::arg("data"), py::arg("quality") = 0,
             "The picture coded in `data` (bytes) as a (height, width, 3) uint8 array. Decoders described by "
             "commands that take the quality are given `quality`. Raises Error for data that is not the codec's.")
        .def("code", &code, py::arg("pixels"), py::arg("quality"),
             "Codes and decodes the array as a sweep codes its point: a Coded with the file, the decoded "
             "picture, the bits per pixel and the seconds each half took.")
        .def("__repr__", [](const CodecHandle& self) { return "Codec(" + quoted(self.codecText) + ")"; })
        .def("__eq__", [](const CodecHandle& self, const CodecHandle& other) { return self.codecText == other.codecText; },
             py::is_operator())
        .def("__hash__", [](const CodecHandle& self) { return py::hash(py::str(self.codecText)); });
}

}  // namespace

void bindCodecs(py::module_& module) {
    bindCodecInfo(module);
    bindCoded(module);
    bindCodec(module);
    module.def("codecs", &codecInfos,
               "Every codec of this build and every codec described by commands added so far, as "
               "`brenlow-cli codecs --json` lists them: a list of CodecInfo.");
    module.def("codec_file", &codecFile, py::arg("path"),
               "Adds the codecs of a JSON description file, as the command line's --codec-file does, and returns "
               "them as Codec objects at their defaults. Adding the same file again gives the same codecs. Raises "
               "FileError naming the file when it cannot be read or describes codecs wrongly.");
}

}  // namespace brenlow::python
