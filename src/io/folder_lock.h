#pragma once

#include <sys/types.h>

#include <string>

#include "io/file_descriptor.h"

namespace brenlow {

// An advisory lock (flock) on a folder for as long as the object lives: exclusive for a run that
// writes the folder's files, shared for one that only reads them. Another process's lock that
// conflicts makes the constructor throw Error at once rather than wait for a run that may last
// hours. While it is held, this process puts files in place in that folder without locking it
// again (the lock it holds already keeps other processes out).
class FolderLock {
public:
    enum class Use { Writing, Reading };

    // Throws Error naming the folder when it cannot be opened or another run holds it.
    FolderLock(const std::string& folder, Use use);
    ~FolderLock();
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;

private:
    FileDescriptor fd_;
    dev_t device_ = 0;
    ino_t inode_ = 0;
};

// Whether this process holds a FolderLock on the folder of this identity.
bool folderLockedByThisProcess(dev_t device, ino_t inode);

}  // namespace brenlow
