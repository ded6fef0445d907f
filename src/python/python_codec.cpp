#include <memory>
#include <string>
#include <utility>

#include "arrays.h"
#include "bindings.h"
#include "brenlow/caller_codec.h"
#include "brenlow/codec.h"
#include "io/error.h"

namespace brenlow::python {
namespace {

bool interpreterEnding() {
#if PY_VERSION_HEX >= 0x030D0000
    return Py_IsFinalizing() != 0;
#else
    return _Py_IsFinalizing() != 0;
#endif
}

// A Python function the core keeps for as long as it likes, from any thread: let go with the GIL
// held, and not at all once the interpreter is gone (the registry outlives it).
class HeldFunction {
public:
    explicit HeldFunction(py::object function) : function_(std::move(function)) {}
    HeldFunction(const HeldFunction&) = delete;
    HeldFunction& operator=(const HeldFunction&) = delete;
    ~HeldFunction() {
        if (!Py_IsInitialized() || interpreterEnding()) {
            function_.release();
            return;
        }
        const py::gil_scoped_acquire held;
        function_ = py::object();
    }
    const py::object& operator*() const { return function_; }

private:
    py::object function_;
};

std::string typeName(const py::handle& object) { return py::str(py::type::of(object).attr("__name__")); }

// What a function was given or gave back, for a message saying what it should be.
std::string described(const py::handle& returned) {
    if (!py::isinstance<py::array>(returned)) {
        const std::string type = typeName(returned);
        return (std::string("aeiouAEIOU").find(type.front()) == std::string::npos ? "a " : "an ") + type;
    }
    const auto array = py::reinterpret_borrow<py::array>(returned);
    std::string shape;
    for (py::ssize_t axis = 0; axis < array.ndim(); ++axis) shape += (axis == 0 ? "" : ", ") + std::to_string(array.shape(axis));
    return "an array of " + std::string(py::str(array.dtype())) + " shaped (" + shape + ")";
}

// Calls a codec's function with the GIL held. What it raises becomes an Error carrying the Python
// exception's type and text; an interrupt stays pending, for the run's next check of the signals.
template <typename Call>
auto calledPython(const std::string& codec, const char* function, Call&& call) {
    const py::gil_scoped_acquire held;
    try {
        return call();
    } catch (py::error_already_set& raised) {
        if (raised.matches(PyExc_KeyboardInterrupt)) PyErr_SetInterrupt();
        const std::string text = py::str(raised.value());
        throw Error("The " + std::string(function) + " function of the codec \"" + codec + "\" raised " +
                    typeName(raised.value()) + (text.empty() ? "" : ": " + text));
    }
}

std::vector<std::uint8_t> encodedBy(const HeldFunction& encode, const std::string& codec, const Picture& picture,
                                    int quality) {
    return calledPython(codec, "encode", [&] {
        const py::object returned = (*encode)(arrayOfPicture(picture), quality);
        if (!py::isinstance<py::bytes>(returned) && !py::isinstance<py::bytearray>(returned))
            throw Error("The encode function of the codec \"" + codec + "\" returned " + described(returned) +
                        "; it must return the coded file as bytes");
        const py::buffer_info bytes = py::reinterpret_borrow<py::buffer>(returned).request();
        const auto* first = static_cast<const std::uint8_t*>(bytes.ptr);
        return std::vector<std::uint8_t>(first, first + bytes.size);
    });
}

Picture decodedBy(const HeldFunction& decode, const std::string& codec, std::span<const std::uint8_t> file) {
    return calledPython(codec, "decode", [&] {
        const py::object returned = (*decode)(py::bytes(reinterpret_cast<const char*>(file.data()), file.size()));
        const bool pixels = py::isinstance<py::array>(returned) &&
                            py::reinterpret_borrow<py::array>(returned).dtype().is(py::dtype::of<std::uint8_t>()) &&
                            py::reinterpret_borrow<py::array>(returned).ndim() == 3 &&
                            py::reinterpret_borrow<py::array>(returned).shape(2) == 3;
        if (!pixels)
            throw Error("The decode function of the codec \"" + codec + "\" returned " + described(returned) +
                        "; it must return the picture as a (height, width, 3) numpy array of uint8 RGB values");
        // A copy: the array is Python's, and goes when this call ends.
        const Picture viewed = pictureOfArray(py::reinterpret_borrow<py::array>(returned), "the decoded picture");
        return Picture::fromPixels(viewed.width(), viewed.height(), viewed.pixels(), viewed.rowStride());
    });
}

void requireCallable(const py::object& function, const char* argument, const char* takes) {
    if (!PyCallable_Check(function.ptr()))
        throw UsageError(std::string(argument) + " is " + described(function) + "; pass a function that takes " + takes);
}

CodecInfo addPythonCodec(const std::string& name, const py::object& encode, const py::object& decode,
                         std::pair<int, int> qualities, const py::object& version) {
    requireCallable(encode, "encode", "(pixels, quality) and returns bytes");
    requireCallable(decode, "decode", "bytes and returns a (height, width, 3) uint8 array");
    CallerCodecFunctions codec;
    codec.name = name;
    codec.lowestQuality = qualities.first;
    codec.highestQuality = qualities.second;
    // Any version a notebook gives (2, "2024-05-01", a hash) is recorded as its text.
    codec.version = py::str(version);
    codec.origin = "Python functions";
    // Shared, so that the core copies the functions without the GIL.
    auto encoding = std::make_shared<const HeldFunction>(encode);
    auto decoding = std::make_shared<const HeldFunction>(decode);
    codec.encode = [encoding, name](const Picture& picture, int quality) {
        return encodedBy(*encoding, name, picture, quality);
    };
    codec.decode = [decoding, name](std::span<const std::uint8_t> file) { return decodedBy(*decoding, name, file); };
    // Without the GIL: a sweep's thread may be calling the codec's old functions, waiting for it.
    const py::gil_scoped_release unlocked;
    return addCallerCodec(std::move(codec));
}

constexpr const char* kPythonCodecDoc = R"(A codec of your own, as two Python functions, that goes wherever a codec goes.

encode(pixels, quality) -> bytes: pixels a (height, width, 3) uint8 RGB array, top row first.
decode(data) -> a (height, width, 3) uint8 RGB array.
qualities: the (lowest, highest) quality it takes.
version: what its results depend on (its text is recorded: "2", a date, a hash); a sweep resumed
into a result folder makes this codec's results again when the version differs from theirs, and
keeps them when it is the same.

Brenlow calls the functions from its own threads, one call at a time, with the GIL held. An
exception raised inside fails that picture's results for the codec, with the exception's type and
text. Calling PythonCodec again with the same name (a cell run again) gives the codec the new
functions and version. Returns brenlow.Codec(name).)";

}  // namespace

void bindPythonCodec(py::module_& module) {
    module.def(
        "PythonCodec",
        [](const std::string& name, const py::object& encode, const py::object& decode, std::pair<int, int> qualities,
           const py::object& version) {
            addPythonCodec(name, encode, decode, qualities, version);
            return py::module_::import("brenlow").attr("Codec")(name);
        },
        py::arg("name"), py::arg("encode"), py::arg("decode"), py::arg("qualities") = std::make_pair(1, 100),
        py::arg("version") = "", kPythonCodecDoc);
}

}  // namespace brenlow::python
