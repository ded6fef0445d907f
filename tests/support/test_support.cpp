#include "support/test_support.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <random>
#include <sstream>
#include <unistd.h>

#include "io/error.h"

namespace brenlow::testing {

TempDir::TempDir() {
    std::random_device seed;
    const auto base = std::filesystem::temp_directory_path();
    for (;;) {
        path_ = base / ("brenlow-test-" + std::to_string(seed()));
        if (std::filesystem::create_directory(path_)) {
            break;
        }
    }
}

TempDir::~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

bool onPath(const std::string& program) {
    std::istringstream folders(std::getenv("PATH") != nullptr ? std::getenv("PATH") : "");
    for (std::string folder; std::getline(folders, folder, ':');)
        if (::access((std::filesystem::path(folder) / program).c_str(), X_OK) == 0) return true;
    return false;
}

std::string samplePath(const std::string& name) { return std::string(BRENLOW_SAMPLES_DIR) + "/" + name; }

std::string testDataPath(const std::string& name) { return std::string(BRENLOW_TEST_DATA_DIR) + "/" + name; }

QImage patternBitmap(int width, int height) {
    QImage image(width, height, QImage::Format_BGR888);
    for (int y = 0; y < height; ++y) {
        auto* row = image.scanLine(y);
        for (int x = 0; x < width; ++x) {
            row[3 * x] = static_cast<uchar>((x * 7 + y * 3) % 256);
            row[3 * x + 1] = static_cast<uchar>((x * 2 + y * 11 + 40) % 256);
            row[3 * x + 2] = static_cast<uchar>((x * 13 + y * 5 + 90) % 256);
        }
    }
    return image;
}

std::string grayGifFile(int width, int height) {
    constexpr int kMinimumCodeSize = 7;  // 128 colours; codes of 8 bits
    constexpr int kClear = 1 << kMinimumCodeSize;
    constexpr int kEnd = kClear + 1;
    std::string file("GIF89a");
    const auto put = [&file](int byte) { file.push_back(static_cast<char>(byte)); };
    const auto putWord = [&put](int value) { put(value & 0xFF), put(value >> 8); };
    putWord(width), putWord(height), put(0xF6), put(0), put(0);
    for (int entry = 0; entry < 128; ++entry) put(2 * entry), put(2 * entry), put(2 * entry);
    put(0x2C), putWord(0), putWord(0), putWord(width), putWord(height), put(0), put(kMinimumCodeSize);
    std::string codes;
    const long long pixels = static_cast<long long>(width) * height;
    for (long long pixel = 0; pixel < pixels; ++pixel) {
        if (pixel % 100 == 0) codes.push_back(static_cast<char>(kClear));
        codes.push_back(static_cast<char>((pixel % width + pixel / width) % 128));
    }
    codes.push_back(static_cast<char>(kEnd));
    for (std::size_t at = 0; at < codes.size(); at += 255) {
        const std::string block = codes.substr(at, 255);
        put(static_cast<int>(block.size()));
        file.append(block);
    }
    put(0), put(0x3B);
    return file;
}

ImagePlanes constantPlanes(int width, int height, float value) {
    ImagePlanes planes(width, height);
    for (int channel = 0; channel < kChannels; ++channel) {
        std::fill_n(planes.plane(channel), planes.sampleCount(), value);
    }
    return planes;
}

std::string copyInto(const std::string& source, const TempDir& dir, const std::string& name) {
    const auto target = dir.path() / (name.empty() ? std::filesystem::path(source).filename().string() : name);
    std::filesystem::copy_file(source, target, std::filesystem::copy_options::overwrite_existing);
    std::filesystem::permissions(target, std::filesystem::perms::owner_write, std::filesystem::perm_options::add);
    return target.string();
}

std::string fileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

WorkingDirectory::WorkingDirectory(const std::filesystem::path& dir) : previous_(std::filesystem::current_path()) {
    std::filesystem::current_path(dir);
}

WorkingDirectory::~WorkingDirectory() {
    std::error_code ignored;
    std::filesystem::current_path(previous_, ignored);
}

std::string messageOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const Error& error) {
        return error.what();
    }
    return "no error";
}

std::string withoutLastColumns(const std::string& csv, int columns) {
    std::string kept;
    std::size_t start = 0;
    while (start < csv.size()) {
        const std::size_t end = std::min(csv.find('\n', start), csv.size());
        std::size_t cut = end;
        for (int column = 0; column < columns && cut != std::string::npos && cut > start; ++column)
            cut = csv.rfind(',', cut - 1);
        kept += csv.substr(start, (cut == std::string::npos || cut < start ? end : cut) - start) + "\n";
        start = end + 1;
    }
    return kept;
}

bool isRunning(int pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    if (!std::getline(stat, line)) return false;
    const std::size_t close = line.rfind(')');
    return close != std::string::npos && close + 2 < line.size() && line[close + 2] != 'Z';
}

}  // namespace brenlow::testing
