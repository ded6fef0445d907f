#include "modules/module_table.h"

#include "imaging/parallel.h"

// The side of a module that faces the program: the entry it exports, and the program's answers in
// place of the code the module does not carry.
namespace brenlow {

// The table of this module; each module's offer file defines it.
ModuleTable moduleOffer();

namespace {

const ModuleHost* program = nullptr;

}  // namespace

// The program's own thread state, not a copy: a timed coding keeps every library on its thread.
bool codingOnCallingThread() { return program != nullptr && program->codingOnCallingThread(); }

}  // namespace brenlow

extern "C" __attribute__((visibility("default"))) const brenlow::ModuleTable* brenlow_module_table(
    const brenlow::ModuleHost* host) {
    brenlow::program = host;
    static const brenlow::ModuleTable table = brenlow::moduleOffer();
    return &table;
}
