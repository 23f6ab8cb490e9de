// A card image is a file anyone can edit: any bytes must load or be refused with a reason.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "emulator/CardImage.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    try {
        const emulator::CardContent content = emulator::CardImage::Parse(
            std::string_view(reinterpret_cast<const char*>(data), size), "fuzz");
        // What loads formats back and loads again.
        emulator::CardImage::Parse(emulator::CardImage::Format(content), "formatted");
    } catch (const emulator::CardImageError&) {
    }
    return 0;
}
