#pragma once

#include <QImage>
#include <functional>
#include <string>

namespace brenlow {

// Receives the notes on pictures read for measuring; none is installed by default, and the
// notes are then dropped. Install it before any picture is read: it is called from whichever
// thread reads one, one call at a time.
void setPictureNoteHandler(std::function<void(const std::string&)> handler);

// The measures in linear light or a perceptual space convert a picture's colours; PSNR and SSIM
// compare code values, which mean other colours than an sRGB picture's when the file declares
// other colours (another gamma, other primaries, an ICC profile that is not sRGB's): the handler
// is told so, once per file, with the file named. A picture that declares nothing, sRGB, or the
// gamma of 2.2 many sRGB files declare instead (gAMA 0.45455) is taken without a note.
void noteColoursOtherThanSrgb(const QImage& picture, const std::string& path);

// Every measure takes 8 bits of red, green and blue: a picture with 16 bits per channel is
// rounded to the nearest 8-bit value, and one with transparent pixels is measured on the colours
// stored in them, its alpha left out. The handler is told so, once per file and kind.
void noteWhatTheMeasuresLeaveOut(const QImage& picture, const std::string& path);

}  // namespace brenlow
