#pragma once

#include <string>

namespace brenlow {

// A folder of its own under TMPDIR (or /tmp), readable by this user only, removed with all it
// holds when the object goes, on failure too. Throws Error when it cannot be made.
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
    std::string path_;
};

}  // namespace brenlow
