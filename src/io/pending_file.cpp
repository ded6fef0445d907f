#include "io/pending_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <utility>
#include <vector>

#include "io/error.h"
#include "io/folder_lock.h"

namespace brenlow {
namespace {

[[noreturn]] void throwWriteError(const std::string& path, int error) {
    throw Error("Cannot write \"" + path + "\": " + std::strerror(error));
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
bool writePieces(int fd, FilePieces pieces) {
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
bool writePiecesDirectly(int fd, FilePieces pieces, std::uint64_t size, const PieceWait& wait) {
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags < 0 || ::fcntl(fd, F_SETFL, flags | O_DIRECT) != 0) {
        return false;
    }
    const std::unique_ptr<std::uint8_t, AlignedRelease> chunk(
        static_cast<std::uint8_t*>(std::aligned_alloc(kDirectBlock, kDirectChunk)));
    bool written = chunk != nullptr;
    std::size_t filled = 0;
    for (std::size_t i = 0; written && i < pieces.size(); ++i) {
        if (wait) wait(i);
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

std::uint64_t totalSize(FilePieces pieces) {
    std::uint64_t size = 0;
    for (const auto& piece : pieces) {
        size += piece.size();
    }
    return size;
}

// Straight to the disk when the file is large and the system allows it, else through the page
// cache; a direct write refused half-way is started again the ordinary way.
bool writeWholeFile(int fd, FilePieces pieces, const PieceWait& wait) {
    const std::uint64_t size = totalSize(pieces);
    if (size >= kBytesWorthWritingDirectly) {
        if (writePiecesDirectly(fd, pieces, size, wait)) {
            return true;
        }
        if (::ftruncate(fd, 0) != 0 || ::lseek(fd, 0, SEEK_SET) != 0) {
            return false;
        }
    }
    if (wait && !pieces.empty()) wait(pieces.size() - 1);
    return writePieces(fd, pieces);
}

// Copies [start, end) of one file to the same place in the other through `piece`.
bool copyRange(int from, int to, off_t start, off_t end, std::span<std::uint8_t> piece) {
    for (off_t at = start; at < end;) {
        const std::size_t wanted = std::min(piece.size(), static_cast<std::size_t>(end - at));
        const ssize_t got = ::pread(from, piece.data(), wanted, at);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return got == 0;  // the file shrank meanwhile: what there was is copied
        if (::lseek(to, at, SEEK_SET) != at || !writeAll(to, piece.first(static_cast<std::size_t>(got)))) return false;
        at += got;
    }
    return true;
}

// Copies the file's data a piece at a time, skipping its holes where the file system tells them,
// and gives the copy the file's size.
bool copyContents(int from, int to) {
    constexpr std::size_t kPieceBytes = std::size_t{1} << 20;
    struct stat info {};
    if (::fstat(from, &info) != 0) return false;
    const off_t size = info.st_size;
    std::vector<std::uint8_t> piece(static_cast<std::size_t>(std::min<off_t>(size, kPieceBytes)));
    for (off_t at = 0; at < size;) {
        off_t data = ::lseek(from, at, SEEK_DATA);
        if (data < 0 && errno == ENXIO) break;  // only a hole is left
        if (data < 0) data = at;                // no hole finding here: all of it is data
        off_t hole = ::lseek(from, data, SEEK_HOLE);
        if (hole < 0) hole = size;
        if (!copyRange(from, to, data, std::min(hole, size), piece)) return false;
        at = hole;
    }
    return ::ftruncate(to, size) == 0;
}

// A replaced file keeps its permissions; a new one gets the usual ones less the umask.
mode_t permissionsFor(const struct stat* existing) {
    if (existing != nullptr) {
        return existing->st_mode & 07777;
    }
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

// A file nobody may write is not replaced behind its owner's back (root included, as cp does
// without -f); neither is one this user may not write.
bool isReadOnly(const std::string& path, const struct stat& info) {
    return (info.st_mode & 0222) == 0 || ::access(path.c_str(), W_OK) != 0;
}

std::string folderOf(const std::string& path) {
    const std::filesystem::path target(path);
    return target.has_parent_path() ? target.parent_path().string() : std::string(".");
}

// Environment switch for file systems whose unnamed files misbehave, and for testing the
// fallback: BRENLOW_NO_UNNAMED_FILES=1 writes every file under a hidden name first.
bool unnamedFilesAllowed() {
    static const bool allowed = [] {
        const char* setting = std::getenv("BRENLOW_NO_UNNAMED_FILES");
        return setting == nullptr || std::strcmp(setting, "1") != 0;
    }();
    return allowed;
}

// An unnamed file in the folder, or -1 with errno set. Unsupported file systems give -1 with
// EOPNOTSUPP (or EISDIR / EINVAL on older kernels).
int openUnnamed(const std::string& folder) {
    if (!unnamedFilesAllowed()) {
        errno = EOPNOTSUPP;
        return -1;
    }
    return ::open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
}

bool unnamedFilesUnsupported(int error) { return error == EOPNOTSUPP || error == EISDIR || error == EINVAL; }

// Gives an unnamed file a name, which must not exist yet. Without the capability that linking by
// descriptor needs, the link goes through the descriptor's entry in /proc.
bool linkUnnamed(int fd, const std::string& name) {
    if (::linkat(fd, "", AT_FDCWD, name.c_str(), AT_EMPTY_PATH) == 0) {
        return true;
    }
    if (errno != ENOENT) {
        return false;
    }
    char procEntry[64];
    std::snprintf(procEntry, sizeof procEntry, "/proc/self/fd/%d", fd);
    return ::linkat(AT_FDCWD, procEntry, AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0;
}

// Locks a folder for putting files in place; the lock goes with the descriptor.
struct LockedFolder {
    FileDescriptor fd;
    dev_t device = 0;
    ino_t inode = 0;
};

std::vector<LockedFolder> lockFolders(std::span<PendingFile> files) {
    std::vector<LockedFolder> folders;
    for (const PendingFile& file : files) {
        LockedFolder folder{FileDescriptor(::open(folderOf(file.path()).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC))};
        struct stat info {};
        if (folder.fd.get() < 0 || ::fstat(folder.fd.get(), &info) != 0) {
            throwWriteError(file.path(), errno);
        }
        folder.device = info.st_dev;
        folder.inode = info.st_ino;
        folders.push_back(std::move(folder));
    }
    // One order for every process, so that two commands never wait for each other's second lock.
    const auto key = [](const LockedFolder& folder) { return std::pair(folder.device, folder.inode); };
    std::sort(folders.begin(), folders.end(), [&](const auto& a, const auto& b) { return key(a) < key(b); });
    folders.erase(std::unique(folders.begin(), folders.end(), [&](const auto& a, const auto& b) { return key(a) == key(b); }),
                  folders.end());
    for (const LockedFolder& folder : folders) {
        // A second lock of the same folder from this process would wait for its own run forever.
        if (folderLockedByThisProcess(folder.device, folder.inode)) continue;
        while (::flock(folder.fd.get(), LOCK_EX) != 0) {
            if (errno != EINTR) {
                throw Error("Cannot lock the folder of \"" + files.front().path() + "\": " + std::strerror(errno));
            }
        }
    }
    return folders;
}

}  // namespace

PendingFile::PendingFile(std::string path, FilePieces pieces) : PendingFile(std::move(path), pieces, PieceWait()) {}

PendingFile::PendingFile(std::string path, FilePieces pieces, const PieceWait& wait)
    : PendingFile(std::move(path), [&](int fd) { return writeWholeFile(fd, pieces, wait); }, Writing()) {}

PendingFile PendingFile::copyOf(const std::string& source, std::string path) {
    const FileDescriptor from(::open(source.c_str(), O_RDONLY | O_CLOEXEC));
    if (from.get() < 0) {
        throw Error("Cannot read \"" + source + "\": " + std::strerror(errno));
    }
    return PendingFile(std::move(path), [&](int fd) { return copyContents(from.get(), fd); }, Writing());
}

PendingFile::PendingFile(std::string path, const ContentWriter& write, Writing)
    : path_(std::move(path)), folder_(folderOf(path_)) {
    struct stat existing {};
    const bool exists = ::stat(path_.c_str(), &existing) == 0;
    if (exists && S_ISDIR(existing.st_mode)) {
        throw Error("Cannot write \"" + path_ + "\": it is a folder");
    }
    if (exists && S_ISREG(existing.st_mode) && isReadOnly(path_, existing)) {
        throw Error("Cannot replace \"" + path_ + "\": the file is read-only");
    }
    fd_ = FileDescriptor(openUnnamed(folder_));
    if (fd_.get() < 0 && !unnamedFilesUnsupported(errno)) {
        throwWriteError(path_, errno);
    }
    while (fd_.get() < 0) {
        auto name = std::make_unique<VisibleTemporaryName>(freshHiddenName(folder_));
        fd_ = FileDescriptor(::open(name->path().c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
        if (fd_.get() >= 0) {
            hiddenName_ = std::move(name);
        } else if (errno != EEXIST) {
            throwWriteError(path_, errno);
        }
    }
    bool written = false;
    try {
        written = write(fd_.get()) &&
                  ::fchmod(fd_.get(), permissionsFor(exists ? &existing : nullptr)) == 0 && ::fsync(fd_.get()) == 0;
    } catch (...) {
        removeHiddenName();
        throw;
    }
    if (!written) {
        const int error = errno;
        removeHiddenName();
        throwWriteError(path_, error);
    }
}

void PendingFile::removeHiddenName() {
    if (hiddenName_) {
        ::unlink(hiddenName_->path().c_str());
    }
}

void checkCanBeWritten(const std::string& path) {
    const PendingFile trial(path, {});
}

PendingFile::~PendingFile() {
    if (hiddenName_ && !placed_) {
        ::unlink(hiddenName_->path().c_str());
    }
}

void PendingFile::putInPlace() {
    if (hiddenName_) {
        if (::rename(hiddenName_->path().c_str(), path_.c_str()) != 0) {
            throwWriteError(path_, errno);
        }
        hiddenName_.reset();  // the name is gone: nothing for a stop signal to remove
    } else {
        linkUnnamedIntoPlace();
    }
    placed_ = true;
}

// A new name is linked straight away. An existing file is replaced by renaming over it, which
// needs a name of its own for a moment (microseconds, removed on the stop signals).
void PendingFile::linkUnnamedIntoPlace() {
    if (linkUnnamed(fd_.get(), path_)) {
        return;
    }
    if (errno != EEXIST) {
        throwWriteError(path_, errno);
    }
    for (;;) {
        const VisibleTemporaryName name(freshHiddenName(folder_));
        if (!linkUnnamed(fd_.get(), name.path())) {
            if (errno == EEXIST) {
                continue;
            }
            throwWriteError(path_, errno);
        }
        if (::rename(name.path().c_str(), path_.c_str()) != 0) {
            const int error = errno;
            ::unlink(name.path().c_str());
            throwWriteError(path_, error);
        }
        return;
    }
}

void putInPlaceTogether(std::span<PendingFile> files) {
    if (files.empty()) {
        return;
    }
    const std::vector<LockedFolder> locks = lockFolders(files);
    const StopSignalsDeferred wholeSet;
    for (PendingFile& file : files) {
        file.putInPlace();
    }
}

}  // namespace brenlow
