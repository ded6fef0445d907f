#include "io/folder_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <mutex>
#include <utility>
#include <vector>

#include "io/error.h"

namespace brenlow {
namespace {

using Identity = std::pair<dev_t, ino_t>;

std::mutex heldMutex;
std::vector<Identity>& heldFolders() {
    static std::vector<Identity> held;
    return held;
}

}  // namespace

FolderLock::FolderLock(const std::string& folder, Use use)
    : fd_(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)) {
    struct stat info {};
    if (fd_.get() < 0 && errno == ENOENT) throw Error("The folder does not exist", folder);
    if (fd_.get() < 0 && errno == ENOTDIR) throw Error("This is not a folder", folder);
    if (fd_.get() < 0 || ::fstat(fd_.get(), &info) != 0)
        throw Error("Cannot open the folder: " + std::string(std::strerror(errno)), folder);
    int status = 0;
    while ((status = ::flock(fd_.get(), (use == Use::Writing ? LOCK_EX : LOCK_SH) | LOCK_NB)) != 0 && errno == EINTR) {
    }
    if (status != 0 && errno == EWOULDBLOCK)
        throw Error("The result folder is in use by another run; wait until it ends, or choose another folder",
                    folder);
    if (status != 0) throw Error("Cannot lock the folder: " + std::string(std::strerror(errno)), folder);
    device_ = info.st_dev;
    inode_ = info.st_ino;
    const std::lock_guard lock(heldMutex);
    heldFolders().emplace_back(device_, inode_);
}

FolderLock::~FolderLock() {
    const std::lock_guard lock(heldMutex);
    auto& held = heldFolders();
    const auto at = std::find(held.begin(), held.end(), Identity(device_, inode_));
    if (at != held.end()) held.erase(at);
}

bool folderLockedByThisProcess(dev_t device, ino_t inode) {
    const std::lock_guard lock(heldMutex);
    const auto& held = heldFolders();
    return std::find(held.begin(), held.end(), Identity(device, inode)) != held.end();
}

}  // namespace brenlow
