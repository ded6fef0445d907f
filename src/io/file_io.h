#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace brenlow {

using Bytes = std::vector<std::uint8_t>;

// True when a file (or anything else) exists under this exact name.
bool fileExists(const std::string& path);

// Byte size of an existing file. Throws Error when it cannot be opened.
std::uint64_t fileSizeOf(const std::string& path);

// The whole content of a file. Throws Error when it cannot be opened or read, or when it is
// larger than maxBytes (checked before anything is allocated).
Bytes readWholeFile(const std::string& path, std::uint64_t maxBytes = UINT64_MAX);

// Writes the file whole or not at all: the bytes go to a temporary file in the same folder,
// which is then renamed over the target. On any failure the previous file is left as it was,
// the temporary file is removed, and Error is thrown.
void writeFileAtomically(const std::string& path, std::span<const std::uint8_t> bytes);

// The same for a file made of pieces written one after another (no copy into one buffer).
void writeFileAtomically(const std::string& path, std::span<const std::span<const std::uint8_t>> pieces);

// A file open for reading in pieces, so a reader fetches only what it needs.
class InputFile {
public:
    // Throws Error when the file cannot be opened or is a folder.
    explicit InputFile(const std::string& path);
    ~InputFile();
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;

    const std::string& path() const { return path_; }
    std::uint64_t size() const { return size_; }

    // Exactly `count` bytes from `offset`; throws Error when the file ends first.
    void readAt(std::uint64_t offset, std::uint8_t* into, std::size_t count) const;

private:
    std::string path_;
    int fd_ = -1;
    std::uint64_t size_ = 0;
};

// The name less its last four characters: ".bmp", ".avc" and the like are assumed and never
// looked at ("a.jpeg" gives "a."). Throws Error for a name of four characters or fewer, or whose
// last four characters hold a folder separator: dropping them would reach into the folder's name
// and make the files of an unrelated picture.
std::string baseName(const std::string& name);

// The name a picture's outputs are named after. A ".bmp", ".jpg", ".avc" or ".ajc" name, or any
// other, follows baseName; a picture of another type (".png", ".tiff", ".jpeg", ".webp" and the like,
// in any case) loses its whole extension, so "x.tiff" gives "x", never "x.". Throws Error as baseName.
std::string outputBaseName(const std::string& name);

// True when both names reach one file, however spelt: the same name, the same existing file (by
// device and inode, links followed), or the same file name in the same folder for a file that does
// not exist yet.
bool samePlace(const std::string& a, const std::string& b);

// True when the name contains the marker anywhere, case-sensitively (".avc", ".ajc", ".jpg").
bool hasMarker(const std::string& name, const char* marker);

}  // namespace brenlow
