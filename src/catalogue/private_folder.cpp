#include "catalogue/private_folder.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <set>
#include <vector>

#include "io/error.h"

namespace brenlow {
namespace {

namespace fs = std::filesystem;

// mkdtemp's six characters after the process id.
constexpr std::size_t kUniqueChars = 6;

// Absolute: the programs run inside the folder, where a relative TMPDIR names nothing.
std::string temporaryRoot() {
    const char* root = std::getenv("TMPDIR");
    if (root == nullptr || *root == '\0') return "/tmp";
    std::error_code error;
    const fs::path absolute = fs::absolute(root, error);
    return error ? std::string(root) : absolute.string();
}

// The process id in "PREFIX-PID-XXXXXX"; 0 for any other name.
pid_t pidInName(const std::string& name, const std::string& prefix) {
    const std::string start = prefix + "-";
    if (name.size() < start.size() + 2 + kUniqueChars || name.compare(0, start.size(), start) != 0) return 0;
    const std::size_t dash = name.size() - kUniqueChars - 1;
    if (name[dash] != '-') return 0;
    pid_t pid = 0;
    const char* first = name.data() + start.size();
    const auto [end, error] = std::from_chars(first, name.data() + dash, pid);
    return error == std::errc() && end == name.data() + dash && pid > 0 ? pid : 0;
}

bool processGone(pid_t pid) { return ::kill(pid, 0) != 0 && errno == ESRCH; }

// The lock is a file of its own inside the folder: writing a picture there locks the folder itself.
constexpr const char* kLockName = ".lock";

// Whether the folder is this user's own folder (not a link to one).
bool isOwnFolder(const std::string& path) {
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == ::getuid();
}

FileDescriptor lockOf(const std::string& folder, int flags) {
    return FileDescriptor(::open((folder + "/" + kLockName).c_str(), flags | O_NOFOLLOW | O_CLOEXEC, 0600));
}

// A folder made before its lock file was (its process stopped at once) is held by no one.
bool heldByAnother(const std::string& folder) {
    const FileDescriptor lock = lockOf(folder, O_RDONLY);
    if (lock.get() < 0) return errno != ENOENT;
    return ::flock(lock.get(), LOCK_EX | LOCK_NB) != 0;
}

// Once per process and prefix: a run does it when it first needs such a folder.
void removeStaleFoldersOnce(const std::string& root, const std::string& prefix) {
    static std::mutex mutex;
    static std::set<std::string> done;
    const std::lock_guard lock(mutex);
    if (done.insert(root + "/" + prefix).second) removeStalePrivateFolders(root, prefix);
}

// A codec program may leave folders it made read-only, or take the rights to its own folder away:
// each folder of the tree is made this user's to empty before it is entered, links never followed
// (nor their targets' permissions changed). Returns how many entries went.
std::uintmax_t removeTree(const fs::path& root) {
    std::error_code ignored;
    const auto makeEmptiable = [&](const fs::path& folder) {
        fs::permissions(folder, fs::perms::owner_all, fs::perm_options::add | fs::perm_options::nofollow, ignored);
    };
    if (fs::symlink_status(root, ignored).type() == fs::file_type::directory) makeEmptiable(root);
    std::error_code walking;
    for (fs::recursive_directory_iterator entry(root, walking), end; !walking && entry != end; entry.increment(walking))
        if (entry->symlink_status(ignored).type() == fs::file_type::directory) makeEmptiable(entry->path());
    return fs::remove_all(root, ignored);
}

}  // namespace

PrivateFolder::PrivateFolder(const std::string& prefix) {
    const std::string root = temporaryRoot();
    removeStaleFoldersOnce(root, prefix);
    std::string pattern = root + "/" + prefix + "-" + std::to_string(::getpid()) + "-XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    if (::mkdtemp(name.data()) == nullptr) {
        throw Error("Cannot make a temporary folder \"" + pattern + "\": " + std::strerror(errno));
    }
    path_ = name.data();
    lock_ = lockOf(path_, O_RDWR | O_CREAT | O_EXCL);
    if (lock_.get() >= 0) ::flock(lock_.get(), LOCK_EX | LOCK_NB);
}

PrivateFolder::~PrivateFolder() {
    removeTree(path_);
}

int removeStalePrivateFolders(const std::string& root, const std::string& prefix) {
    int removed = 0;
    std::error_code error;
    for (fs::directory_iterator entry(root, error), end; !error && entry != end; entry.increment(error)) {
        const pid_t pid = pidInName(entry->path().filename().string(), prefix);
        const std::string folder = entry->path().string();
        if (pid == 0 || !processGone(pid) || !isOwnFolder(folder) || heldByAnother(folder)) continue;
        if (removeTree(entry->path()) > 0) ++removed;
    }
    return removed;
}

}  // namespace brenlow
