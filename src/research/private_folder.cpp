#include "research/private_folder.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <vector>

#include "io/error.h"

namespace brenlow {

PrivateFolder::PrivateFolder(const std::string& prefix) {
    const char* root = std::getenv("TMPDIR");
    std::string pattern = std::string(root != nullptr && *root != '\0' ? root : "/tmp") + "/" + prefix + "-XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    if (::mkdtemp(name.data()) == nullptr) {
        throw Error("Cannot make a temporary folder \"" + pattern + "\": " + std::strerror(errno));
    }
    path_ = name.data();
}

PrivateFolder::~PrivateFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

}  // namespace brenlow
