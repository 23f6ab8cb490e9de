#include "app/PackResources.h"

#include <array>
#include <cstring>

namespace app {

namespace {

// Reads the little-endian fields of a resource form front to back. The first read that
// would pass the end fails the reader for good; later reads return zeros.
class FieldReader {
public:
    explicit FieldReader(PackBytes bytes) : bytes_(bytes) {}

    bool Ok() const { return ok_; }
    bool AtEnd() const { return ok_ && position_ == bytes_.size(); }
    void Fail() { ok_ = false; }

    std::uint8_t U8() {
        if (!Need(1)) {
            return 0;
        }
        return bytes_[position_++];
    }

    std::uint16_t U16() {
        if (!Need(2)) {
            return 0;
        }
        const std::uint16_t value =
            static_cast<std::uint16_t>(bytes_[position_] | (bytes_[position_ + 1] << 8));
        position_ += 2;
        return value;
    }

    std::int16_t I16() { return static_cast<std::int16_t>(U16()); }

    std::uint32_t U32() {
        const std::uint32_t low = U16();
        const std::uint32_t high = U16();
        return low | (high << 16);
    }

    // A u16 byte count and that many bytes of UTF-8 without a zero byte.
    std::string Text() {
        const std::size_t length = U16();
        if (!Need(length)) {
            return std::string();
        }
        std::string text(reinterpret_cast<const char*>(bytes_.data() + position_), length);
        position_ += length;
        if (text.find('\0') != std::string::npos || !IsValidUtf8(text)) {
            ok_ = false;
            return std::string();
        }
        return text;
    }

private:
    bool Need(std::size_t count) {
        if (!ok_ || bytes_.size() - position_ < count) {
            ok_ = false;
            return false;
        }
        return true;
    }

    PackBytes bytes_;
    std::size_t position_ = 0;
    bool ok_ = true;
};

bool ReadControl(FieldReader& reader, DialogControl& control) {
    const std::uint16_t id = reader.U16();
    const std::uint8_t kind = reader.U8();
    control.styles = reader.U32();
    control.x = reader.I16();
    control.y = reader.I16();
    control.width = reader.U16();
    control.height = reader.U16();
    control.text = reader.Text();
    const std::uint8_t imageType = reader.U8();
    control.imageId = reader.U16();
    if (!reader.Ok() || kind < 1 || kind > TELVANE_CONTROL_LAST_KIND ||
        (control.styles & ~TELVANE_STYLE_ALL) != 0) {
        return false;
    }
    control.id = id == TELVANE_NO_CONTROL_ID ? DialogControl::kNoId : id;
    control.kind = static_cast<ControlKind>(kind);
    if (imageType == 0) {
        // No image: no number either.
        control.imageType = PackResourceType::Icon;
        return control.imageId == 0;
    }
    if (imageType != TELVANE_RESOURCE_BITMAP && imageType != TELVANE_RESOURCE_ICON) {
        return false;
    }
    control.imageType = static_cast<PackResourceType>(imageType);
    return control.imageId != 0;
}

bool ReadMenuItems(FieldReader& reader, std::vector<MenuItem>& items, unsigned depth) {
    if (depth > TELVANE_MENU_MAX_DEPTH) {
        return false;
    }
    const std::size_t count = reader.U16();
    for (std::size_t i = 0; i < count && reader.Ok(); ++i) {
        MenuItem item;
        const std::uint8_t kind = reader.U8();
        if (kind == TELVANE_MENU_COMMAND) {
            item.kind = MenuItemKind::Command;
            item.command = reader.U16();
            item.text = reader.Text();
        } else if (kind == TELVANE_MENU_SEPARATOR) {
            item.kind = MenuItemKind::Separator;
        } else if (kind == TELVANE_MENU_SUBMENU) {
            item.kind = MenuItemKind::Submenu;
            item.text = reader.Text();
            if (!ReadMenuItems(reader, item.items, depth + 1)) {
                return false;
            }
        } else {
            return false;
        }
        if (!reader.Ok()) {
            return false;
        }
        items.push_back(std::move(item));
    }
    return reader.Ok();
}

std::uint32_t BigEndian32(const std::uint8_t* p) {
    return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) |
           std::uint32_t{p[3]};
}

std::uint32_t LittleEndian32(const std::uint8_t* p) {
    return std::uint32_t{p[0]} | (std::uint32_t{p[1]} << 8) | (std::uint32_t{p[2]} << 16) |
           (std::uint32_t{p[3]} << 24);
}

std::uint32_t Crc32(const std::uint8_t* data, std::size_t size) {
    // The CRC of ISO 3309 that PNG uses (polynomial 0xEDB88320, reflected).
    static const std::array<std::uint32_t, 256> table = [] {
        std::array<std::uint32_t, 256> t{};
        for (std::uint32_t n = 0; n < 256; ++n) {
            std::uint32_t c = n;
            for (int k = 0; k < 8; ++k) {
                c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            }
            t[n] = c;
        }
        return t;
    }();
    std::uint32_t crc = 0xFFFFFFFFu;
    for (std::size_t i = 0; i < size; ++i) {
        crc = table[(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
    }
    return crc ^ 0xFFFFFFFFu;
}

// Picture sizes beyond any image a pack needs are refused before any arithmetic on them.
constexpr std::uint32_t kMaxImageSide = 4096;

}  // namespace

const DialogControl* DialogTemplate::Control(int id) const {
    for (const DialogControl& control : controls) {
        if (control.id == id) {
            return &control;
        }
    }
    return nullptr;
}

bool IsValidUtf8(std::string_view text) {
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    const std::size_t size = text.size();
    std::size_t i = 0;
    while (i < size) {
        const unsigned char lead = p[i];
        std::size_t extra = 0;
        std::uint32_t minimum = 0;
        std::uint32_t code = 0;
        if (lead < 0x80) {
            ++i;
            continue;
        } else if (lead >= 0xC2 && lead <= 0xDF) {
            extra = 1, minimum = 0x80, code = lead & 0x1F;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            extra = 2, minimum = 0x800, code = lead & 0x0F;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            extra = 3, minimum = 0x10000, code = lead & 0x07;
        } else {
            return false;
        }
        if (size - i <= extra) {
            return false;
        }
        for (std::size_t k = 1; k <= extra; ++k) {
            if ((p[i + k] & 0xC0) != 0x80) {
                return false;
            }
            code = (code << 6) | (p[i + k] & 0x3F);
        }
        if (code < minimum || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
            return false;
        }
        i += extra + 1;
    }
    return true;
}

std::optional<std::string> ParseStringResource(PackBytes bytes) {
    std::string text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    if (text.find('\0') != std::string::npos || !IsValidUtf8(text)) {
        return std::nullopt;
    }
    return text;
}

std::optional<DialogTemplate> ParseDialogResource(PackBytes bytes) {
    FieldReader reader(bytes);
    DialogTemplate dialog;
    dialog.styles = reader.U16();
    dialog.width = reader.U16();
    dialog.height = reader.U16();
    dialog.menu = reader.U16();
    dialog.caption = reader.Text();
    dialog.fontPointSize = reader.U16();
    dialog.fontFace = reader.Text();
    const std::size_t count = reader.U16();
    if (!reader.Ok() || (dialog.styles & ~TELVANE_DIALOG_ALL_STYLES) != 0) {
        return std::nullopt;
    }
    // Each control takes at least 18 bytes: a count the bytes cannot hold is refused
    // before anything is reserved for it.
    if (count > bytes.size() / 18) {
        return std::nullopt;
    }
    dialog.controls.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        DialogControl control;
        if (!ReadControl(reader, control)) {
            return std::nullopt;
        }
        dialog.controls.push_back(std::move(control));
    }
    if (!reader.AtEnd()) {
        return std::nullopt;
    }
    return dialog;
}

std::optional<MenuTemplate> ParseMenuResource(PackBytes bytes) {
    FieldReader reader(bytes);
    MenuTemplate menu;
    if (!ReadMenuItems(reader, menu.items, 1) || !reader.AtEnd()) {
        return std::nullopt;
    }
    return menu;
}

std::optional<ToolbarTemplate> ParseToolbarResource(PackBytes bytes) {
    FieldReader reader(bytes);
    ToolbarTemplate toolbar;
    toolbar.buttonWidth = reader.U16();
    toolbar.buttonHeight = reader.U16();
    const std::size_t count = reader.U16();
    if (!reader.Ok() || bytes.size() != 6 + 2 * count || toolbar.buttonWidth == 0 ||
        toolbar.buttonHeight == 0) {
        return std::nullopt;
    }
    for (std::size_t i = 0; i < count; ++i) {
        toolbar.commands.push_back(reader.U16());
    }
    if (!reader.AtEnd()) {
        return std::nullopt;
    }
    return toolbar;
}

std::optional<ImageInfo> InspectBitmapResource(PackBytes bytes) {
    // BITMAPFILEHEADER (14 bytes) then BITMAPINFOHEADER (40 bytes).
    constexpr std::size_t kHeaders = 14 + 40;
    if (bytes.size() < kHeaders || bytes[0] != 'B' || bytes[1] != 'M') {
        return std::nullopt;
    }
    const std::uint8_t* p = bytes.data();
    const std::uint32_t fileSize = LittleEndian32(p + 2);
    const std::uint32_t pixelOffset = LittleEndian32(p + 10);
    const std::uint32_t headerSize = LittleEndian32(p + 14);
    const auto width = static_cast<std::int32_t>(LittleEndian32(p + 18));
    const auto height = static_cast<std::int32_t>(LittleEndian32(p + 22));
    const unsigned planes = p[26] | (p[27] << 8);
    const unsigned bits = p[28] | (p[29] << 8);
    const std::uint32_t compression = LittleEndian32(p + 30);
    const std::uint32_t colours = LittleEndian32(p + 46);
    if (fileSize != bytes.size() || headerSize != 40 || planes != 1 || compression != 0) {
        return std::nullopt;
    }
    if (bits != 1 && bits != 4 && bits != 8 && bits != 24) {
        return std::nullopt;
    }
    // Bottom-up rows only (a negative height would be a top-down picture).
    if (width <= 0 || height <= 0 || static_cast<std::uint32_t>(width) > kMaxImageSide ||
        static_cast<std::uint32_t>(height) > kMaxImageSide) {
        return std::nullopt;
    }
    std::uint64_t tableEntries = 0;
    if (bits <= 8) {
        tableEntries = colours == 0 ? (1u << bits) : colours;
        if (tableEntries > (1u << bits)) {
            return std::nullopt;
        }
    } else if (colours != 0) {
        return std::nullopt;
    }
    const std::uint64_t stride = (static_cast<std::uint64_t>(width) * bits + 31) / 32 * 4;
    const std::uint64_t pixelBytes = stride * static_cast<std::uint64_t>(height);
    if (pixelOffset < kHeaders + 4 * tableEntries || pixelOffset > bytes.size() ||
        bytes.size() - pixelOffset < pixelBytes) {
        return std::nullopt;
    }
    return ImageInfo{width, height, static_cast<int>(bits)};
}

std::optional<ImageInfo> InspectIconResource(PackBytes bytes) {
    static const std::uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (bytes.size() < 8 || std::memcmp(bytes.data(), kSignature, 8) != 0) {
        return std::nullopt;
    }
    const std::uint8_t* p = bytes.data();
    std::size_t position = 8;
    bool first = true;
    bool sawData = false;
    ImageInfo info;
    while (position < bytes.size()) {
        if (bytes.size() - position < 12) {
            return std::nullopt;
        }
        const std::uint32_t length = BigEndian32(p + position);
        if (length > bytes.size() - position - 12) {
            return std::nullopt;
        }
        const std::uint8_t* type = p + position + 4;
        const std::uint8_t* body = p + position + 8;
        if (Crc32(type, 4 + length) != BigEndian32(body + length)) {
            return std::nullopt;
        }
        const bool isHeader = std::memcmp(type, "IHDR", 4) == 0;
        if (first != isHeader) {
            return std::nullopt;  // IHDR comes first, and only there
        }
        if (isHeader) {
            if (length != 13) {
                return std::nullopt;
            }
            const std::uint32_t width = BigEndian32(body);
            const std::uint32_t height = BigEndian32(body + 4);
            // 8 bits, colour type 6 (RGBA), compression 0, filter 0, no interlace.
            if (width == 0 || height == 0 || width > kMaxImageSide || height > kMaxImageSide ||
                body[8] != 8 || body[9] != 6 || body[10] != 0 || body[11] != 0 || body[12] != 0) {
                return std::nullopt;
            }
            info = ImageInfo{static_cast<int>(width), static_cast<int>(height), 32};
        } else if (std::memcmp(type, "IDAT", 4) == 0) {
            sawData = true;
        } else if (std::memcmp(type, "IEND", 4) == 0) {
            // The file ends with its IEND chunk: nothing may follow it.
            if (length != 0 || position + 12 != bytes.size() || !sawData) {
                return std::nullopt;
            }
            return info;
        }
        first = false;
        position += 12 + length;
    }
    return std::nullopt;
}

}  // namespace app
