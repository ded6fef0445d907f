#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>

#include "io/file_descriptor.h"
#include "io/temporary_names.h"

namespace brenlow {

using FilePieces = std::span<const std::span<const std::uint8_t>>;

// Returns once pieces 0 to `piece` hold their final bytes; throws to give the file up.
using PieceWait = std::function<void(std::size_t piece)>;

// A file written in full before anyone can see it, and put in place under its name only when
// asked; discarded otherwise. It is made in the target's folder without a name (O_TMPFILE), so a
// process killed meanwhile, even by SIGKILL, leaves nothing behind. Where the file system has no
// unnamed files it is written under a short hidden name, removed on failure and on SIGINT,
// SIGTERM and SIGHUP.
class PendingFile {
public:
    // Checks the target (a folder or a read-only file is refused), writes the pieces one after
    // another with the target's permissions (a new file's: 0666 less the umask) and syncs them.
    // Throws Error naming the target; nothing is left behind.
    PendingFile(std::string path, FilePieces pieces);

    // The same for pieces still being made: each is read only once `wait` has returned for it, so
    // the file is written while its last pieces are made. The wait's error is thrown as it is.
    PendingFile(std::string path, FilePieces pieces, const PieceWait& wait);

    // The same with the bytes of the file at `source`, copied a piece at a time (a file of any
    // size, never whole in memory; its holes stay holes). Throws Error naming the target, or the
    // source when it cannot be opened.
    static PendingFile copyOf(const std::string& source, std::string path);
    ~PendingFile();
    PendingFile(PendingFile&&) noexcept = default;
    PendingFile& operator=(PendingFile&&) = delete;
    PendingFile(const PendingFile&) = delete;
    PendingFile& operator=(const PendingFile&) = delete;

    const std::string& path() const { return path_; }

    // Gives the file its name, replacing whatever file had it. Throws Error; the old file then
    // stays as it was.
    void putInPlace();

private:
    // Writes the whole file at the descriptor; false with errno set when it cannot.
    using ContentWriter = std::function<bool(int fd)>;
    struct Writing {};
    PendingFile(std::string path, const ContentWriter& write, Writing);

    void linkUnnamedIntoPlace();
    void removeHiddenName();

    std::string path_;
    std::string folder_;
    FileDescriptor fd_;
    std::unique_ptr<VisibleTemporaryName> hiddenName_;  // only where there are no unnamed files
    bool placed_ = false;
};

// Throws the Error writing the file would throw for its target (a missing or unwritable folder, a
// folder or a read-only file in the way), having written and put in place nothing: for outputs
// that a long run writes only at its end.
void checkCanBeWritten(const std::string& path);

// Puts every file in place, one after another, while holding an advisory lock (flock) on each of
// their folders: two commands writing the same outputs at once each put their whole set in place
// in turn, so the outputs found afterwards all come from one of them.
void putInPlaceTogether(std::span<PendingFile> files);

}  // namespace brenlow
