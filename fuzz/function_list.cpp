// The reader's function inquiry reply comes from the device: any bytes.
#include <cstddef>
#include <cstdint>

#include "sim/FunctionList.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    sim::FunctionList list;
    if (sim::ParseFunctionList(data, size, list)) {
        // Every kept tag lies inside the reply.
        if (list.count > sim::FunctionList::kMaxEntries || 5 + 4 * list.count > size) {
            __builtin_trap();
        }
    }
    return 0;
}
