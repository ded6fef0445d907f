#include "modules/module_loader.h"

#include <dlfcn.h>
#include <link.h>

#include <cstdlib>
#include <map>
#include <mutex>
#include <system_error>

#include "imaging/parallel.h"
#include "io/error.h"

namespace brenlow {
namespace {

namespace fs = std::filesystem;

// How many folders above the program's own a module folder is looked for: the Python module's
// installed folder (<prefix>/lib/python3/dist-packages/brenlow) is the deepest.
constexpr int kFoldersAbove = 4;

// The program or shared object this code was linked into: the main program's own entry has no name.
fs::path objectHoldingLoader() {
    Dl_info info{};
    link_map* object = nullptr;
    static const int anchor = 0;
    if (dladdr1(&anchor, &info, reinterpret_cast<void**>(&object), RTLD_DL_LINKMAP) != 0 && object != nullptr &&
        object->l_name != nullptr && object->l_name[0] != '\0')
        return object->l_name;
    std::error_code unreadable;
    return fs::read_symlink("/proc/self/exe", unreadable);
}

fs::path searchedFolder() {
    if (const char* chosen = std::getenv(kModuleFolderVariable); chosen != nullptr && chosen[0] != '\0') return chosen;
    std::error_code unreadable;
    fs::path folder = fs::weakly_canonical(objectHoldingLoader(), unreadable).parent_path();
    for (int above = 0; above <= kFoldersAbove && !folder.empty(); ++above) {
        for (const char* libraries : {BRENLOW_MODULE_LIBDIR, "lib"}) {
            const fs::path candidate = folder / libraries / "brenlow";
            if (fs::is_directory(candidate, unreadable)) return candidate;
        }
        if (folder == folder.parent_path()) break;
        folder = folder.parent_path();
    }
    return {};
}

const ModuleHost& host() {
    static const ModuleHost services{codingOnCallingThread};
    return services;
}

std::string cannotOpen(const std::string& file, const std::string& reason) {
    return "the module " + file + " could not be opened: " + reason;
}

OpenedModule open(std::string_view name) {
    const std::string file = moduleFileName(name);
    const fs::path folder = moduleFolder();
    if (folder.empty())
        return {nullptr, cannotOpen(file, "no folder of modules beside the program (lib/brenlow), and " +
                                              std::string(kModuleFolderVariable) + " is not set")};
    const std::string path = (folder / file).string();
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) return {nullptr, cannotOpen(file, dlerror())};
    const auto entry = reinterpret_cast<ModuleEntry>(dlsym(handle, kModuleEntry));
    if (entry == nullptr) return {nullptr, cannotOpen(path, "it is not a module of this program")};
    const ModuleTable* table = entry(&host());
    if (table == nullptr || table->interface != kModuleInterface || std::string(table->version) != BRENLOW_VERSION)
        return {nullptr, cannotOpen(path, "it belongs to another build of the program (version " +
                                              std::string(table != nullptr ? table->version : "unknown") + ")")};
    // Kept open: its codec and functions are handed out for the rest of the process.
    return {table, {}};
}

}  // namespace

std::string moduleFileName(std::string_view name) { return "brenlow_module_" + std::string(name) + ".so"; }

fs::path moduleFolder() {
    static const fs::path folder = searchedFolder();
    return folder;
}

const OpenedModule& openedModule(std::string_view name) {
    static std::mutex opening;
    static std::map<std::string, OpenedModule, std::less<>> opened;
    const std::lock_guard lock(opening);
    const auto known = opened.find(name);
    if (known != opened.end()) return known->second;
    return opened.emplace(std::string(name), open(name)).first->second;
}

const ModuleTable& moduleTable(std::string_view name) {
    const OpenedModule& module = openedModule(name);
    if (module.table == nullptr) throw Error("This program cannot use " + std::string(name) + ": " + module.failure);
    return *module.table;
}

bool moduleInstalled(std::string_view name) {
    std::error_code unreadable;
    return fs::is_regular_file(moduleFolder() / moduleFileName(name), unreadable);
}

}  // namespace brenlow
