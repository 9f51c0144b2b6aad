#include "core/ToolbarLayout.h"

#include <cstddef>
#include <cstdint>

// The saved toolbar layout comes from a settings file anyone can edit: any
// bytes must either restore a layout that saves and restores to itself, or
// be refused leaving the layout untouched.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::vector<int> standard = {32781, 0, 32799, 32800};
    const auto isCommand = [](int id) {
        return id >= 32768 && id < 40000;
    };
    CToolbarLayout layout(standard);
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    if (!layout.Restore(bytes, isCommand)) {
        if (!layout.IsDefault()) {
            __builtin_trap();
        }
        return 0;
    }
    CToolbarLayout again(standard);
    if (!again.Restore(layout.Serialize(), isCommand) || !(again == layout)) {
        __builtin_trap();
    }
    for (const ToolbarLayoutBar& bar : layout.bars()) {
        for (const auto& [index, button] : layout.ShownButtons(bar.slot)) {
            if (index >= static_cast<int>(bar.buttons.size())) {
                __builtin_trap();
            }
        }
    }
    return 0;
}
