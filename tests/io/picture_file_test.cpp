#include <gtest/gtest.h>

#include <QColorSpace>
#include <algorithm>
#include <array>
#include <string>
#include <vector>

#include "io/colour_note.h"
#include "io/file_io.h"
#include "io/picture_file.h"
#include "support/test_support.h"

namespace brenlow::testing {
namespace {

std::uint32_t crc32Of(const Bytes& bytes) {
    std::uint32_t crc = 0xFFFFFFFF;
    for (const std::uint8_t byte : bytes) {
        crc ^= byte;
        for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xEDB88320 & (0 - (crc & 1)));
    }
    return ~crc;
}

void putBe32(Bytes& bytes, std::uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) bytes.push_back(static_cast<std::uint8_t>(value >> shift));
}

// The PNG of `picture` as Qt writes it, with a gAMA chunk of `gamma` x 100000 after its header.
Bytes pngWithGamma(const QImage& picture, std::uint32_t gamma, const std::string& scratch) {
    EXPECT_TRUE(picture.save(QString::fromStdString(scratch), "PNG"));
    const Bytes plain = readWholeFile(scratch);
    constexpr std::size_t kAfterHeader = 8 + 25;
    Bytes chunk{'g', 'A', 'M', 'A'};
    putBe32(chunk, gamma);
    Bytes png(plain.begin(), plain.begin() + kAfterHeader);
    putBe32(png, 4);
    png.insert(png.end(), chunk.begin(), chunk.end());
    putBe32(png, crc32Of(chunk));
    png.insert(png.end(), plain.begin() + kAfterHeader, plain.end());
    return png;
}

QImage withColours(QImage picture, const QColorSpace& colours) {
    picture.setColorSpace(colours);
    return picture;
}

// PSNR and SSIM take every picture's code values as they are: a file that declares colours far from
// sRGB's is noted, once per file however often it is read; one that declares sRGB in any way, or
// nothing, is not.
TEST(PictureFileTest, PicturesDeclaringOtherColoursThanSrgbAreNotedOncePerFile) {
    TempDir dir;
    const QImage picture = patternBitmap(24, 16);
    const auto save = [&](const std::string& name, const QImage& image) {
        EXPECT_TRUE(image.save(QString::fromStdString(dir.file(name)), "PNG"));
        return dir.file(name);
    };
    const auto saveBytes = [&](const std::string& name, const Bytes& bytes) {
        writeFileAtomically(dir.file(name), bytes);
        return dir.file(name);
    };
    const std::vector<std::string> asSrgb{
        save("untagged.png", picture),
        save("srgb.png", withColours(picture, QColorSpace::SRgb)),
        save("gamma22.png", withColours(picture, QColorSpace(QColorSpace::Primaries::SRgb, 2.2F))),
        saveBytes("gama45455.png", pngWithGamma(picture, 45455, dir.file("scratch.png"))),
    };
    const std::vector<std::string> others{
        saveBytes("gama100000.png", pngWithGamma(picture, 100000, dir.file("scratch.png"))),
        save("linear.png", withColours(picture, QColorSpace::SRgbLinear)),
        save("wide.png", withColours(picture, QColorSpace(QColorSpace::Primaries::ProPhotoRgb, 1.8F))),
    };
    std::vector<std::string> notes;
    setPictureNoteHandler([&notes](const std::string& note) { notes.push_back(note); });
    for (int time = 0; time < 2; ++time)
        for (const auto* paths : {&asSrgb, &others})
            for (const std::string& path : *paths) EXPECT_EQ(loadOtherPictureFile(path).size(), picture.size()) << path;
    setPictureNoteHandler({});
    ASSERT_EQ(notes.size(), others.size()) << (notes.empty() ? "no note" : notes.front());
    for (const std::string& path : others) {
        const auto note = std::find_if(notes.begin(), notes.end(), [&](const std::string& text) {
            return text.starts_with("Note: \"" + path + "\" declares colours other than sRGB (");
        });
        ASSERT_NE(note, notes.end()) << path;
        EXPECT_TRUE(note->ends_with("); SSIMULACRA 2, Butteraugli and CIEDE2000 convert its colours, PSNR and SSIM "
                                    "take its code values as they are"))
            << *note;
    }
    EXPECT_NE(std::find(notes.begin(), notes.end(),
                        "Note: \"" + others.front() + "\" declares colours other than sRGB (a gamma of 1.00); "
                        "SSIMULACRA 2, Butteraugli and CIEDE2000 convert its colours, PSNR and SSIM take its code "
                        "values as they are"),
              notes.end());
}

// Every measure takes 8-bit red, green and blue: 16 bits are rounded to the nearest 8-bit value and
// transparent pixels keep their stored colours, and a note says so once per file and kind; an
// opaque picture with an alpha channel and an 8-bit one need no note.
TEST(PictureFileTest, SixteenBitsAndTransparencyAreNotedWithWhatTheMeasuresTake) {
    TempDir dir;
    QImage deep(4, 2, QImage::Format_RGBX64);
    const quint16 levels[] = {32767, 32768, 32895, 385};
    for (int x = 0; x < 4; ++x)
        for (int y = 0; y < 2; ++y) deep.setPixelColor(x, y, QColor::fromRgba64(levels[x], levels[x], levels[x]));
    QImage clear(3, 2, QImage::Format_ARGB32);
    clear.fill(qRgba(200, 100, 50, 255));
    clear.setPixel(1, 1, qRgba(10, 220, 30, 0));
    QImage opaque(3, 2, QImage::Format_ARGB32);
    opaque.fill(qRgba(200, 100, 50, 255));
    for (const auto& [name, picture] : {std::pair{"deep.png", deep}, {"clear.png", clear}, {"opaque.png", opaque}})
        ASSERT_TRUE(picture.save(QString::fromStdString(dir.file(name)), "PNG")) << name;

    std::vector<std::string> notes;
    setPictureNoteHandler([&notes](const std::string& note) { notes.push_back(note); });
    QImage readDeep, readClear;
    for (int time = 0; time < 2; ++time) {
        readDeep = loadOtherPictureFile(dir.file("deep.png"));
        readClear = loadOtherPictureFile(dir.file("clear.png"));
        loadOtherPictureFile(dir.file("opaque.png"));
    }
    setPictureNoteHandler({});
    const std::vector<std::string> expected{
        "Note: \"" + dir.file("deep.png") +
            "\" holds 16 bits per channel; every measure takes it rounded to 8 bits (the nearest whole number to "
            "value x 255 / 65535)",
        "Note: \"" + dir.file("clear.png") +
            "\" has transparent pixels; every measure takes the colours stored in them as they are and leaves the "
            "alpha channel out (nothing is composited onto a background)"};
    EXPECT_EQ(notes, expected);
    const uchar rounded[] = {127, 128, 128, 1};
    for (int x = 0; x < 4; ++x) EXPECT_EQ(readDeep.constScanLine(0)[3 * x], rounded[x]) << levels[x];
    EXPECT_EQ(readClear.pixelColor(1, 1), QColor(10, 220, 30));
}

// A PNG cut short anywhere, its closing chunk included, is refused before the PNG library reads it
// (which would say so on stderr itself); a GIF's logical screen, the size of the picture the reader
// makes, is held to the pixel limit like any picture size.
TEST(PictureFileTest, CutPngsAndHugeGifScreensAreRefusedInOurWords) {
    TempDir dir;
    ASSERT_TRUE(patternBitmap(40, 30).save(QString::fromStdString(dir.file("whole.png")), "PNG"));
    const Bytes whole = readWholeFile(dir.file("whole.png"));
    for (const std::size_t length : {std::size_t{20}, whole.size() / 2, whole.size() - 12, whole.size() - 1}) {
        SCOPED_TRACE(length);
        writeFileAtomically(dir.file("cut.png"), {whole.data(), length});
        EXPECT_EQ(messageOf([&] { loadOtherPictureFile(dir.file("cut.png")); }),
                  "\"" + dir.file("cut.png") + "\" cannot be read as a picture: the file ends inside its picture data");
    }
    std::string gif = grayGifFile(4, 4);
    gif[6] = gif[7] = gif[8] = gif[9] = '\xFF';  // a screen of 65535 x 65535 around a frame of 4 x 4
    writeFileAtomically(dir.file("screen.gif"), {reinterpret_cast<const std::uint8_t*>(gif.data()), gif.size()});
    EXPECT_EQ(messageOf([&] { loadOtherPictureFile(dir.file("screen.gif")); }),
              "The picture in \"" + dir.file("screen.gif") +
                  "\" is too large: 65535 x 65535 pixels is above the limit of 100 megapixels");
}

}  // namespace
}  // namespace brenlow::testing
