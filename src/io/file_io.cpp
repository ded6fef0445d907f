#include "io/file_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <utility>
#include <vector>

#include "io/error.h"

namespace brenlow {
namespace {

std::string systemReason() { return std::strerror(errno); }

[[noreturn]] void throwFileError(const char* action, const std::string& path) {
    throw Error("Cannot " + std::string(action) + " \"" + path + "\": " + systemReason());
}

// Closes a descriptor when it goes out of scope.
class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    FileDescriptor(FileDescriptor&& other) noexcept : fd_(other.release()) {}
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    FileDescriptor& operator=(FileDescriptor&&) = delete;
    int get() const { return fd_; }
    int release() { return std::exchange(fd_, -1); }

private:
    int fd_;
};

FileDescriptor openForReading(const std::string& path) {
    FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (fd.get() < 0) {
        throwFileError("open", path);
    }
    struct stat info {};
    if (::fstat(fd.get(), &info) == 0 && S_ISDIR(info.st_mode)) {
        throw Error("Cannot open \"" + path + "\": it is a folder");
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

bool writeAll(int fd, std::span<const std::uint8_t> bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t written = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written < 0) {
            return false;
        }
        done += static_cast<std::size_t>(written);
    }
    return true;
}

// Writes the pieces in as few calls as the system allows, resuming after partial writes.
bool writePieces(int fd, std::span<const std::span<const std::uint8_t>> pieces) {
    constexpr std::size_t kMaxVectors = 1024;
    std::vector<iovec> vectors;
    vectors.reserve(std::min(pieces.size(), kMaxVectors));
    std::size_t next = 0;
    while (next < pieces.size()) {
        vectors.clear();
        for (std::size_t i = next; i < pieces.size() && vectors.size() < kMaxVectors; ++i) {
            vectors.push_back({const_cast<std::uint8_t*>(pieces[i].data()), pieces[i].size()});
        }
        const ssize_t written = ::writev(fd, vectors.data(), static_cast<int>(vectors.size()));
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written < 0) {
            return false;
        }
        auto remaining = static_cast<std::size_t>(written);
        std::size_t piece = next;
        while (piece < pieces.size() && remaining >= pieces[piece].size()) {
            remaining -= pieces[piece].size();
            ++piece;
        }
        if (piece < pieces.size() && remaining > 0) {
            if (!writeAll(fd, pieces[piece].subspan(remaining))) {
                return false;
            }
            ++piece;
        }
        next = piece;
    }
    return true;
}

constexpr std::size_t kDirectBlock = 4096;
constexpr std::size_t kDirectChunk = std::size_t{4} << 20;
constexpr std::uint64_t kBytesWorthWritingDirectly = std::uint64_t{16} << 20;

struct AlignedRelease {
    void operator()(std::uint8_t* memory) const { std::free(memory); }
};

// Large files go to the disk past the page cache: for a picture of tens of megabytes, finding
// fresh cache pages for it costs more than the disk write itself. The pieces are gathered into
// aligned chunks; the last is padded to a whole block and the file cut back to its size. False
// when the system or the disk refuses (the caller then writes the ordinary way).
bool writePiecesDirectly(int fd, std::span<const std::span<const std::uint8_t>> pieces, std::uint64_t size) {
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags < 0 || ::fcntl(fd, F_SETFL, flags | O_DIRECT) != 0) {
        return false;
    }
    const std::unique_ptr<std::uint8_t, AlignedRelease> chunk(
        static_cast<std::uint8_t*>(std::aligned_alloc(kDirectBlock, kDirectChunk)));
    bool written = chunk != nullptr;
    std::size_t filled = 0;
    for (std::size_t i = 0; written && i < pieces.size(); ++i) {
        std::span<const std::uint8_t> rest = pieces[i];
        while (written && !rest.empty()) {
            const std::size_t taken = std::min(rest.size(), kDirectChunk - filled);
            std::memcpy(chunk.get() + filled, rest.data(), taken);
            filled += taken;
            rest = rest.subspan(taken);
            if (filled == kDirectChunk) {
                written = writeAll(fd, {chunk.get(), kDirectChunk});
                filled = 0;
            }
        }
    }
    if (written && filled > 0) {
        const std::size_t padded = (filled + kDirectBlock - 1) / kDirectBlock * kDirectBlock;
        std::memset(chunk.get() + filled, 0, padded - filled);
        written = writeAll(fd, {chunk.get(), padded});
    }
    written = written && ::ftruncate(fd, static_cast<off_t>(size)) == 0;
    return ::fcntl(fd, F_SETFL, flags) == 0 && written;
}

std::uint64_t totalSize(std::span<const std::span<const std::uint8_t>> pieces) {
    std::uint64_t size = 0;
    for (const auto& piece : pieces) {
        size += piece.size();
    }
    return size;
}

// Straight to the disk when the file is large and the system allows it, else through the page
// cache; a direct write refused half-way is started again the ordinary way.
bool writeWholeFile(int fd, std::span<const std::span<const std::uint8_t>> pieces) {
    const std::uint64_t size = totalSize(pieces);
    if (size >= kBytesWorthWritingDirectly) {
        if (writePiecesDirectly(fd, pieces, size)) {
            return true;
        }
        if (::ftruncate(fd, 0) != 0 || ::lseek(fd, 0, SEEK_SET) != 0) {
            return false;
        }
    }
    return writePieces(fd, pieces);
}

// New files get the usual permissions less the umask; a replaced file keeps its own.
mode_t permissionsFor(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) == 0) {
        return info.st_mode & 07777;
    }
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
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
    const std::filesystem::path target(path);
    const std::filesystem::path folder = target.has_parent_path() ? target.parent_path() : ".";
    const std::string hiddenName = std::string(".").append(target.filename().string()).append(".XXXXXX");
    std::string temporary = (folder / hiddenName).string();
    FileDescriptor fd(::mkostemp(temporary.data(), O_CLOEXEC));
    if (fd.get() < 0) {
        throwFileError("write", path);
    }
    const bool written = writeWholeFile(fd.get(), pieces) && ::fchmod(fd.get(), permissionsFor(path)) == 0 &&
                         ::fsync(fd.get()) == 0 && ::close(fd.release()) == 0 &&
                         ::rename(temporary.c_str(), path.c_str()) == 0;
    if (!written) {
        const int error = errno;
        ::unlink(temporary.c_str());
        errno = error;
        throwFileError("write", path);
    }
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

std::string baseName(const std::string& name) { return name.size() <= 4 ? std::string() : name.substr(0, name.size() - 4); }

bool hasMarker(const std::string& name, const char* marker) { return name.find(marker) != std::string::npos; }

}  // namespace brenlow
