#include <filesystem>

#include "arrays.h"
#include "bindings.h"
#include "brenlow/picture.h"
#include "brenlow/session.h"
#include "brenlow/codec.h"
#include "errors.h"
#include "io/bitmap_file.h"
#include "io/colour_note.h"

namespace brenlow::python {
namespace {

py::array readPicture(const std::filesystem::path& file) {
    const std::string path = file.string();
    Picture picture;
    {
        py::gil_scoped_release unlocked;
        picture = aboutFile(path, [&] { return Picture::read(path); });
    }
    return arrayOfPicture(std::move(picture));
}

void writePicture(const std::filesystem::path& file, const py::array& pixels) {
    const std::string path = file.string();
    const Picture picture = pictureOfArray(pixels, "pixels");
    py::gil_scoped_release unlocked;
    aboutFile(path, [&] { picture.write(path); });
}

}  // namespace

void bindPictures(py::module_& module) {
    // Readers of TIFF, WebP and the rest are readied once, before any thread reads a picture.
    prepareImageReaders();
    // The notes on what a picture's colours, depth or alpha mean for the measures, as the command line
    // gives them: a warning, which a notebook shows under its cell. They come from the threads that
    // read pictures, which hold no lock the caller's thread may wait for with the GIL held.
    setPictureNoteHandler([](const std::string& note) {
        py::gil_scoped_acquire held;
        try {
            py::module_::import("warnings").attr("warn")(note, py::module_::import("brenlow._core").attr("PictureNote"));
        } catch (py::error_already_set& failure) {
            // A filter that turns warnings into errors cannot raise on a reading thread.
            failure.discard_as_unraisable("a Brenlow picture note");
        }
    });
    module.attr("__version__") = programVersion();
    module.def("versions", [] { return Session().versions(); },
               "The versions of the libraries the figures depend on, by library, as `brenlow-cli -V` lists them.");
    module.def("read", &readPicture, py::arg("path"),
               "Reads a picture file (bitmap, JPEG, PNG, TIFF, WebP, PPM/PGM, GIF) as a (height, width, 3) uint8 "
               "array, top row first. Raises FileError naming the file when it cannot be read.");
    module.def("write", &writePicture, py::arg("path"), py::arg("pixels"),
               "Writes a (height, width, 3) uint8 array by the name's extension, without loss: .bmp, .png, .ppm "
               "or .tif. The file appears whole or not at all.");
}

}  // namespace brenlow::python
