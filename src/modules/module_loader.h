#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "modules/module_table.h"

namespace brenlow {

// The environment variable naming the folder modules are taken from instead of the usual ones.
inline constexpr const char* kModuleFolderVariable = "BRENLOW_MODULE_DIR";

// "brenlow_module_webp.so": the file of the module of that name.
std::string moduleFileName(std::string_view name);

// Where this process takes its modules from: the folder kModuleFolderVariable names when set; else
// the first of <dir>/<libdir>/brenlow and <dir>/lib/brenlow that exists, for <dir> the folder of
// the program or shared object holding this code and each folder above it in turn (a build tree
// lays its modules out as the installation does). Empty when none exists.
std::filesystem::path moduleFolder();

// A module as the process found it: its table, or why it has none.
struct OpenedModule {
    const ModuleTable* table = nullptr;
    std::string failure;  // "the module brenlow_module_webp.so could not be opened: <the loader's reason>"
};

// The module of that name ("webp"), opened on first use and kept open for the rest of the process.
// Safe from any thread; a module that failed is not tried again.
const OpenedModule& openedModule(std::string_view name);

// Its table; throws Error with the failure when the module cannot be opened.
const ModuleTable& moduleTable(std::string_view name);

// Whether the module's file is where moduleFolder() says, without opening it.
bool moduleInstalled(std::string_view name);

}  // namespace brenlow
