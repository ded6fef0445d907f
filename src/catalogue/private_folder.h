#pragma once

#include <string>

#include "io/file_descriptor.h"
#include "io/temporary_names.h"

namespace brenlow {

// A folder of its own under TMPDIR (or /tmp), readable by this user only, removed with all it
// holds when the object goes, on failure too. Its name carries the process id
// ("PREFIX-PID-XXXXXX") and the folder stays locked while in use, so that a later process removes
// what one that was killed left behind. While one exists, SIGINT, SIGTERM and SIGHUP wait until
// it is removed (see StopSignalsDeferred). Throws Error when it cannot be made.
class PrivateFolder {
public:
    explicit PrivateFolder(const std::string& prefix);
    ~PrivateFolder();
    PrivateFolder(const PrivateFolder&) = delete;
    PrivateFolder& operator=(const PrivateFolder&) = delete;

    const std::string& path() const { return path_; }
    // The path of `name` inside it.
    std::string file(const std::string& name) const { return path_ + "/" + name; }

private:
    StopSignalsDeferred signalsWait_;  // made first and gone last: a stop signal finds no folder left
    std::string path_;
    FileDescriptor lock_;  // the folder itself, locked while it is in use
};

// Removes the folders PrivateFolder(prefix) made under `root` for processes that are gone: the
// process its name gives no longer runs, the folder is this user's and nobody holds its lock.
// Others (another user's, a running process's, names of another shape) are left alone. Returns how
// many it removed.
int removeStalePrivateFolders(const std::string& root, const std::string& prefix);

}  // namespace brenlow
