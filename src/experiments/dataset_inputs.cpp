#include "experiments/dataset_inputs.h"

#include <glob.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <filesystem>
#include <system_error>
#include <utility>

#include "io/error.h"

namespace brenlow {
namespace {

namespace fs = std::filesystem;

std::string lowerCase(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c); });
    return text;
}

bool isFolder(const std::string& name) {
    std::error_code error;
    return fs::is_directory(name, error);
}

bool isFile(const std::string& name) {
    std::error_code error;
    return fs::exists(name, error) && !fs::is_directory(name, error);
}

// Why an entry with a picture's name is no picture of the data set; empty when it is one.
std::string whyLeftOut(const fs::directory_entry& entry) {
    std::error_code error;
    if (entry.is_symlink(error) && !fs::exists(entry.path(), error)) return "a link to nothing";
    if (entry.is_directory(error)) return "a folder";
    if (!entry.is_regular_file(error)) return "not a regular file";
    if (::access(entry.path().c_str(), R_OK) != 0) return "cannot be read";
    return {};
}

std::vector<std::string> picturesInFolder(const std::string& folder, std::vector<std::string>* leftOut) {
    std::vector<std::string> names;
    std::vector<std::string> dropped;
    std::error_code error;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder, error)) {
        const std::string name = entry.path().filename().string();
        if (!isDataSetPictureName(name)) continue;
        const std::string reason = whyLeftOut(entry);
        if (reason.empty()) names.push_back(name);
        else dropped.push_back(name + "\" (" + reason + ")");
    }
    if (error) throw Error("The folder cannot be read (" + error.message() + ")", folder);
    std::sort(names.begin(), names.end());
    std::sort(dropped.begin(), dropped.end());
    const std::string prefix = folder.back() == '/' ? folder : folder + "/";
    for (std::string& name : names) name = prefix + name;
    if (leftOut != nullptr)
        for (const std::string& entry : dropped) leftOut->push_back("\"" + prefix + entry);
    return names;
}

std::vector<std::string> patternMatches(const std::string& pattern) {
    glob_t matches{};
    const int status = glob(pattern.c_str(), GLOB_ERR, nullptr, &matches);
    std::vector<std::string> names;
    if (status == 0)
        for (std::size_t i = 0; i < matches.gl_pathc; ++i)
            if (!isFolder(matches.gl_pathv[i])) names.emplace_back(matches.gl_pathv[i]);
    globfree(&matches);
    if (status == GLOB_NOSPACE) throw Error("Out of memory while matching the pattern", pattern);
    return names;
}

// A file's identity, so that two spellings of one file ("set/a.png", "./set/a.png") are known as one.
struct FileIdentity {
    dev_t device = 0;
    ino_t inode = 0;
    bool operator==(const FileIdentity&) const = default;
};

FileIdentity identityOf(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) return {};
    return {info.st_dev, info.st_ino};
}

}  // namespace

bool isDataSetPictureName(const std::string& name) {
    static const std::array<const char*, 10> extensions{".bmp",  ".png",  ".ppm", ".pgm",  ".tif",
                                                        ".tiff", ".webp", ".jpg", ".jpeg", ".gif"};
    const std::string extension = lowerCase(fs::path(name).extension().string());
    return std::find(extensions.begin(), extensions.end(), extension) != extensions.end();
}

std::vector<std::string> expandPictureArguments(const std::vector<std::string>& arguments,
                                                std::vector<std::string>* leftOut) {
    std::vector<std::string> pictures;
    std::vector<FileIdentity> identities;
    for (const std::string& argument : arguments) {
        std::vector<std::string> found;
        if (isFile(argument)) {
            found.push_back(argument);
        } else if (isFolder(argument)) {
            found = picturesInFolder(argument, leftOut);
            if (found.empty()) throw Error("The folder holds no picture", argument);
        } else {
            found = patternMatches(argument);
            if (found.empty()) throw Error("No file or folder matches", argument);
        }
        for (std::string& picture : found) {
            // A picture counted twice would weigh twice in every mean.
            const FileIdentity identity = identityOf(picture);
            for (std::size_t i = 0; i < pictures.size(); ++i)
                if (pictures[i] == picture || (identity.inode != 0 && identities[i] == identity))
                    throw UsageError("The picture \"" + picture + "\" is named twice" +
                                     (pictures[i] == picture ? std::string() : " (also as \"" + pictures[i] + "\")"));
            pictures.push_back(std::move(picture));
            identities.push_back(identity);
        }
    }
    return pictures;
}

bool asksForDataSet(const std::vector<std::string>& arguments) {
    return arguments.size() > 1 || (arguments.size() == 1 && !isFile(arguments.front()) &&
                                    (isFolder(arguments.front()) || !patternMatches(arguments.front()).empty()));
}

}  // namespace brenlow
