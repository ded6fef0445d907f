#include "io/file_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "io/error.h"
#include "io/file_descriptor.h"
#include "io/pending_file.h"

namespace brenlow {
namespace {

std::string systemReason() { return std::strerror(errno); }

[[noreturn]] void throwFileError(const char* action, const std::string& path) {
    throw Error("Cannot " + std::string(action) + " \"" + path + "\": " + systemReason());
}

// Only regular files are read: opening a FIFO would wait for a writer that may never come, so
// the file is opened without waiting and looked at before anything is read.
FileDescriptor openForReading(const std::string& path) {
    FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (fd.get() < 0) {
        throwFileError("open", path);
    }
    struct stat info {};
    if (::fstat(fd.get(), &info) != 0) {
        throwFileError("open", path);
    }
    if (S_ISDIR(info.st_mode)) {
        throw Error("Cannot open \"" + path + "\": it is a folder");
    }
    if (!S_ISREG(info.st_mode)) {
        throw Error("Cannot open \"" + path + "\": it is not a regular file");
    }
    const int flags = ::fcntl(fd.get(), F_GETFL);
    if (flags < 0 || ::fcntl(fd.get(), F_SETFL, flags & ~O_NONBLOCK) != 0) {
        throwFileError("open", path);
    }
    return fd;
}

std::uint64_t sizeOf(const FileDescriptor& fd, const std::string& path) {
    struct stat info {};
    if (::fstat(fd.get(), &info) != 0) {
        throwFileError("read", path);
    }
    return static_cast<std::uint64_t>(info.st_size);
}

}  // namespace

bool fileExists(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0;
}

std::uint64_t fileSizeOf(const std::string& path) {
    const FileDescriptor fd = openForReading(path);
    return sizeOf(fd, path);
}

Bytes readWholeFile(const std::string& path, std::uint64_t maxBytes) {
    const FileDescriptor fd = openForReading(path);
    const std::uint64_t size = sizeOf(fd, path);
    if (size > maxBytes) {
        throw Error("\"" + path + "\" is too large to open (" + std::to_string(size) + " bytes)");
    }
    Bytes bytes(static_cast<std::size_t>(size));
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t got = ::read(fd.get(), bytes.data() + done, bytes.size() - done);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            throwFileError("read", path);
        }
        if (got == 0) {
            bytes.resize(done);  // the file shrank while we read it
            break;
        }
        done += static_cast<std::size_t>(got);
    }
    return bytes;
}

void writeFileAtomically(const std::string& path, std::span<const std::uint8_t> bytes) {
    const std::span<const std::uint8_t> whole[] = {bytes};
    writeFileAtomically(path, whole);
}

void writeFileAtomically(const std::string& path, std::span<const std::span<const std::uint8_t>> pieces) {
    PendingFile file(path, pieces);
    putInPlaceTogether({&file, 1});
}

InputFile::InputFile(const std::string& path) : path_(path) {
    FileDescriptor fd = openForReading(path);
    size_ = sizeOf(fd, path);
    fd_ = fd.release();
}

InputFile::~InputFile() { ::close(fd_); }

void InputFile::readAt(std::uint64_t offset, std::uint8_t* into, std::size_t count) const {
    std::size_t done = 0;
    while (done < count) {
        const ssize_t got = ::pread(fd_, into + done, count - done, static_cast<off_t>(offset + done));
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            throwFileError("read", path_);
        }
        if (got == 0) {
            throw Error("\"" + path_ + "\" ended while it was being read");
        }
        done += static_cast<std::size_t>(got);
    }
}

std::string baseName(const std::string& name) {
    constexpr std::size_t kDropped = 4;
    const std::string rule = "Brenlow names the files of a picture after its file name less the last four characters "
                             "(such as \".bmp\")";
    if (name.size() <= kDropped) {
        throw Error("The file name \"" + name + "\" is too short: " + rule + ", so a name needs more than four");
    }
    const std::size_t separator = name.find_last_of('/');
    if (separator != std::string::npos && separator >= name.size() - kDropped) {
        throw Error("The file name \"" + name + "\" does not end in an extension of four characters: " + rule +
                    ", which here would reach into the folder \"" + name.substr(0, separator + 1) + "\"");
    }
    return name.substr(0, name.size() - kDropped);
}

std::string outputBaseName(const std::string& name) {
    static const char* const kOtherPictures[] = {".png", ".ppm", ".pgm", ".tif", ".tiff", ".webp", ".jpeg", ".gif"};
    const std::size_t dot = name.find_last_of("./");
    if (dot == std::string::npos || name[dot] != '.' || dot == 0 || name[dot - 1] == '/') return baseName(name);
    std::string extension = name.substr(dot);
    for (char& c : extension) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c);
    for (const char* other : kOtherPictures)
        if (extension == other) return name.substr(0, dot);
    return baseName(name);
}

bool samePlace(const std::string& a, const std::string& b) {
    namespace fs = std::filesystem;
    if (a == b) return true;
    std::error_code error;
    if (fs::equivalent(a, b, error) && !error) return true;
    const fs::path first(a), second(b);
    if (first.filename() != second.filename() || first.filename().empty()) return false;
    const fs::path firstFolder = first.has_parent_path() ? first.parent_path() : fs::path(".");
    const fs::path secondFolder = second.has_parent_path() ? second.parent_path() : fs::path(".");
    return fs::equivalent(firstFolder, secondFolder, error) && !error;
}

bool hasMarker(const std::string& name, const char* marker) { return name.find(marker) != std::string::npos; }

}  // namespace brenlow
