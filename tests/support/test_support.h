#pragma once

#include <QImage>
#include <filesystem>
#include <functional>
#include <string>

#include "imaging/image_planes.h"

namespace brenlow::testing {

// True in a build with AddressSanitizer, which reserves terabytes of address space and holds freed
// memory back: address-space limits and memory bounds mean nothing there.
#if defined(__SANITIZE_ADDRESS__)
inline constexpr bool kAddressSanitizer = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
inline constexpr bool kAddressSanitizer = true;
#else
inline constexpr bool kAddressSanitizer = false;
#endif
#else
inline constexpr bool kAddressSanitizer = false;
#endif

// A fresh empty folder under the system's temporary folder, removed with the object.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::string file(const std::string& name) const { return (path_ / name).string(); }

private:
    std::filesystem::path path_;
};

// Whether a program is on PATH: the example codec descriptions need the tools that
// scripts/install-deps.sh installs.
bool onPath(const std::string& program);

// Paths of the shipped pictures.
std::string samplePath(const std::string& name);    // samples/<name>
std::string testDataPath(const std::string& name);  // tests/data/<name>

// A 24-bit picture whose pixels follow a simple pattern of position and channel, never flat.
QImage patternBitmap(int width, int height);

// The bytes of a GIF file of one grey-ramp frame. Its codes are all eight bits wide (a clear
// code before the table would widen them), so any size may be asked for in the header.
std::string grayGifFile(int width, int height);

// Planes of the given size with every sample of every channel set to value.
ImagePlanes constantPlanes(int width, int height, float value);

// Copies a file into a folder and returns the copy's path.
std::string copyInto(const std::string& source, const TempDir& dir, const std::string& name = {});

// The bytes of a file as a string (for byte-identical comparisons).
std::string fileBytes(const std::string& path);

// The message of the Error an action throws, or "no error".
std::string messageOf(const std::function<void()>& action);

// A CSV with the last `columns` fields of every line cut off: a sweep's figures without its timings.
std::string withoutLastColumns(const std::string& csv, int columns);

// Whether the process still runs. One that has ended may stay a zombie where nothing reaps
// orphans; it runs no more.
bool isRunning(int pid);

// Runs a function with the working directory changed, restoring it afterwards.
class WorkingDirectory {
public:
    explicit WorkingDirectory(const std::filesystem::path& dir);
    ~WorkingDirectory();
    WorkingDirectory(const WorkingDirectory&) = delete;
    WorkingDirectory& operator=(const WorkingDirectory&) = delete;

private:
    std::filesystem::path previous_;
};

}  // namespace brenlow::testing
