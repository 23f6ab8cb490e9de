// Any bytes a pack returns for a resource read as that resource or as nothing, and what
// reads holds only what the form allows. The first input byte picks the reader.
#include <cstddef>
#include <cstdint>

#include "app/PackResources.h"

namespace {

void CheckText(const std::string& text) {
    if (!app::IsValidUtf8(text) || text.find('\0') != std::string::npos) {
        __builtin_trap();
    }
}

void CheckMenu(const std::vector<app::MenuItem>& items, unsigned depth) {
    if (depth > TELVANE_MENU_MAX_DEPTH) {
        __builtin_trap();
    }
    for (const app::MenuItem& item : items) {
        CheckText(item.text);
        if (item.kind != app::MenuItemKind::Submenu && !item.items.empty()) {
            __builtin_trap();
        }
        CheckMenu(item.items, depth + 1);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    const app::PackBytes bytes(data + 1, size - 1);
    switch (data[0] % 6) {
        case 0:
            if (const auto text = app::ParseStringResource(bytes)) {
                CheckText(*text);
            }
            break;
        case 1:
            if (const auto dialog = app::ParseDialogResource(bytes)) {
                CheckText(dialog->caption);
                CheckText(dialog->fontFace);
                for (const app::DialogControl& control : dialog->controls) {
                    CheckText(control.text);
                    const bool imageKind = control.imageType == app::PackResourceType::Bitmap ||
                                           control.imageType == app::PackResourceType::Icon;
                    if ((control.styles & ~TELVANE_STYLE_ALL) != 0 ||
                        (control.imageId != 0 && !imageKind)) {
                        __builtin_trap();
                    }
                }
                if (dialog->controls.size() * 18 > bytes.size()) {
                    __builtin_trap();
                }
            }
            break;
        case 2:
            if (const auto menu = app::ParseMenuResource(bytes)) {
                CheckMenu(menu->items, 1);
            }
            break;
        case 3:
            if (const auto toolbar = app::ParseToolbarResource(bytes)) {
                if (6 + 2 * toolbar->commands.size() != bytes.size()) {
                    __builtin_trap();
                }
            }
            break;
        case 4:
            if (const auto info = app::InspectBitmapResource(bytes)) {
                if (info->width <= 0 || info->height <= 0) {
                    __builtin_trap();
                }
            }
            break;
        default:
            if (const auto info = app::InspectIconResource(bytes)) {
                if (info->width <= 0 || info->height <= 0 || info->bitsPerPixel != 32) {
                    __builtin_trap();
                }
            }
            break;
    }
    return 0;
}
