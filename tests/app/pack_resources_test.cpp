// The readers of a pack's resource bytes: a well-formed resource reads back field by
// field; anything cut short, too long or out of its form reads as nothing.
#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "app/PackResources.h"

namespace {

using app::ControlKind;
using app::MenuItemKind;
using app::PackBytes;
using Bytes = std::vector<std::uint8_t>;

// Builds resource bytes field by field, little-endian.
class Writer {
public:
    Writer& U8(unsigned v) {
        bytes_.push_back(static_cast<std::uint8_t>(v));
        return *this;
    }
    Writer& U16(unsigned v) { return U8(v & 0xFF).U8(v >> 8); }
    Writer& U32(std::uint32_t v) { return U16(v & 0xFFFF).U16(v >> 16); }
    Writer& Text(const std::string& text) {
        U16(static_cast<unsigned>(text.size()));
        bytes_.insert(bytes_.end(), text.begin(), text.end());
        return *this;
    }
    Writer& Raw(const Bytes& more) {
        bytes_.insert(bytes_.end(), more.begin(), more.end());
        return *this;
    }
    const Bytes& Get() const { return bytes_; }

private:
    Bytes bytes_;
};

Bytes Control(unsigned id, unsigned kind, std::uint32_t styles, const std::string& text,
              unsigned imageType = 0, unsigned imageId = 0) {
    return Writer()
        .U16(id)
        .U8(kind)
        .U32(styles)
        .U16(static_cast<std::uint16_t>(-3))  // x = -3
        .U16(9)
        .U16(61)
        .U16(14)
        .Text(text)
        .U8(imageType)
        .U16(imageId)
        .Get();
}

Bytes Dialog(const std::vector<Bytes>& controls, unsigned styles = TELVANE_DIALOG_POPUP) {
    Writer w;
    w.U16(styles).U16(164).U16(87).U16(500).Text("修改 PIN 码状态").U16(8).Text("MS Sans Serif");
    w.U16(static_cast<unsigned>(controls.size()));
    for (const Bytes& control : controls) {
        w.Raw(control);
    }
    return w.Get();
}

Bytes WellFormedDialog() {
    return Dialog({Control(1015, TELVANE_CONTROL_EDIT,
                           TELVANE_STYLE_PASSWORD | TELVANE_STYLE_DIGITS_ONLY, ""),
                   Control(TELVANE_NO_CONTROL_ID, TELVANE_CONTROL_PICTURE, 0, "",
                           TELVANE_RESOURCE_BITMAP, 152),
                   Control(1, TELVANE_CONTROL_DEFAULT_PUSH_BUTTON, 0, "确定")});
}

Bytes WellFormedMenu() {
    return Writer()
        .U16(2)
        .U8(TELVANE_MENU_SUBMENU)
        .Text("文件")
        .U16(3)
        .U8(TELVANE_MENU_COMMAND)
        .U16(5100)
        .Text("读取文件")
        .U8(TELVANE_MENU_SEPARATOR)
        .U8(TELVANE_MENU_COMMAND)
        .U16(5101)
        .Text("保存文件")
        .U8(TELVANE_MENU_COMMAND)
        .U16(5300)
        .Text("&Help")
        .Get();
}

Bytes WellFormedToolbar() {
    return Writer().U16(40).U16(30).U16(3).U16(5000).U16(0).U16(32796).Get();
}

Bytes Plus(Bytes bytes, const Bytes& more) {
    bytes.insert(bytes.end(), more.begin(), more.end());
    return bytes;
}

TEST(PackResources, DialogReadsBackFieldByField) {
    const Bytes bytes = WellFormedDialog();
    const std::optional<app::DialogTemplate> dialog = app::ParseDialogResource(bytes);
    ASSERT_TRUE(dialog);
    EXPECT_TRUE(dialog->Has(app::kDialogPopup));
    EXPECT_EQ(dialog->width, 164);
    EXPECT_EQ(dialog->height, 87);
    EXPECT_EQ(dialog->menu, 500);
    EXPECT_EQ(dialog->caption, "修改 PIN 码状态");
    EXPECT_EQ(dialog->fontPointSize, 8);
    EXPECT_EQ(dialog->fontFace, "MS Sans Serif");
    ASSERT_EQ(dialog->controls.size(), 3u);
    const app::DialogControl& edit = dialog->controls[0];
    EXPECT_EQ(edit.id, 1015);
    EXPECT_EQ(edit.kind, ControlKind::Edit);
    EXPECT_TRUE(edit.Has(app::kStylePassword | app::kStyleDigitsOnly));
    EXPECT_FALSE(edit.Has(app::kStyleDisabled));
    EXPECT_EQ(edit.x, -3);
    EXPECT_EQ(edit.y, 9);
    EXPECT_EQ(edit.width, 61);
    EXPECT_EQ(edit.height, 14);
    EXPECT_EQ(edit.imageId, 0);
    const app::DialogControl& picture = dialog->controls[1];
    EXPECT_EQ(picture.id, app::DialogControl::kNoId);
    EXPECT_EQ(picture.imageType, app::PackResourceType::Bitmap);
    EXPECT_EQ(picture.imageId, 152);
    EXPECT_EQ(dialog->controls[2].text, "确定");
    EXPECT_EQ(dialog->Control(1), &dialog->controls[2]);
}

TEST(PackResources, MenuAndToolbarReadBack) {
    const std::optional<app::MenuTemplate> menu = app::ParseMenuResource(WellFormedMenu());
    ASSERT_TRUE(menu);
    ASSERT_EQ(menu->items.size(), 2u);
    EXPECT_EQ(menu->items[0].kind, MenuItemKind::Submenu);
    EXPECT_EQ(menu->items[0].text, "文件");
    ASSERT_EQ(menu->items[0].items.size(), 3u);
    EXPECT_EQ(menu->items[0].items[0].command, 5100);
    EXPECT_EQ(menu->items[0].items[1].kind, MenuItemKind::Separator);
    EXPECT_EQ(menu->items[0].items[2].text, "保存文件");
    EXPECT_EQ(menu->items[1].kind, MenuItemKind::Command);
    EXPECT_EQ(menu->items[1].command, 5300);

    const std::optional<app::ToolbarTemplate> toolbar =
        app::ParseToolbarResource(WellFormedToolbar());
    ASSERT_TRUE(toolbar);
    EXPECT_EQ(toolbar->buttonWidth, 40);
    EXPECT_EQ(toolbar->buttonHeight, 30);
    EXPECT_EQ(toolbar->commands, (std::vector<int>{5000, app::ToolbarTemplate::kSeparator, 32796}));
}

// Every proper prefix of a well-formed resource is cut short, and one byte more is too long.
TEST(PackResources, EveryCutAndEveryExtraByteIsRefused) {
    struct Form {
        const char* name;
        Bytes bytes;
        bool (*reads)(PackBytes);
    };
    const Form forms[] = {
        {"dialog", WellFormedDialog(),
         [](PackBytes b) { return bool(app::ParseDialogResource(b)); }},
        {"menu", WellFormedMenu(), [](PackBytes b) { return bool(app::ParseMenuResource(b)); }},
        {"toolbar", WellFormedToolbar(),
         [](PackBytes b) { return bool(app::ParseToolbarResource(b)); }},
    };
    for (const Form& form : forms) {
        ASSERT_TRUE(form.reads(form.bytes)) << form.name;
        for (std::size_t size = 0; size < form.bytes.size(); ++size) {
            // A copy of exactly that size, so that a read past it is caught.
            const Bytes cut(form.bytes.begin(), form.bytes.begin() + size);
            EXPECT_FALSE(form.reads(cut)) << form.name << " cut to " << size << " bytes";
        }
        EXPECT_FALSE(form.reads(Plus(form.bytes, {0}))) << form.name << " with a byte more";
    }
}

TEST(PackResources, DialogsOutOfTheirFormAreRefused) {
    struct Case {
        const char* reason;
        Bytes bytes;
    };
    const Case cases[] = {
        {"unknown dialog style", Dialog({}, 0x0100)},
        {"control kind 0", Dialog({Control(1, 0, 0, "")})},
        {"control kind past the last", Dialog({Control(1, TELVANE_CONTROL_LAST_KIND + 1, 0, "")})},
        {"unknown control style", Dialog({Control(1, TELVANE_CONTROL_EDIT, 0x2000, "")})},
        {"image type of a string",
         Dialog({Control(1, TELVANE_CONTROL_PICTURE, 0, "", TELVANE_RESOURCE_STRING, 3)})},
        {"image type without a number",
         Dialog({Control(1, TELVANE_CONTROL_PICTURE, 0, "", TELVANE_RESOURCE_ICON, 0)})},
        {"an image number without a type",
         Dialog({Control(1, TELVANE_CONTROL_PICTURE, 0, "", 0, 128)})},
        {"text not UTF-8", Dialog({Control(1, TELVANE_CONTROL_STATIC_TEXT, 0, "\xC3\x28")})},
        {"text with a zero byte",
         Dialog({Control(1, TELVANE_CONTROL_STATIC_TEXT, 0, std::string("a\0b", 3))})},
        {"more controls than bytes", Plus(Dialog({}), {}) /* patched below */},
    };
    for (const Case& c : cases) {
        Bytes bytes = c.bytes;
        if (std::string(c.reason) == "more controls than bytes") {
            // The count field is the last two bytes of a dialog without controls.
            bytes[bytes.size() - 2] = 0xFF;
            bytes[bytes.size() - 1] = 0xFF;
        }
        EXPECT_FALSE(app::ParseDialogResource(bytes)) << c.reason;
    }
    EXPECT_TRUE(app::ParseDialogResource(Dialog({}))) << "a dialog without controls is fine";
}

Bytes NestedMenu(unsigned depth) {
    // depth - 1 submenus, one in the other, the innermost holding one command.
    Writer w;
    w.U16(1);
    for (unsigned i = 1; i < depth; ++i) {
        w.U8(TELVANE_MENU_SUBMENU).Text("s").U16(1);
    }
    w.U8(TELVANE_MENU_COMMAND).U16(1).Text("c");
    return w.Get();
}

TEST(PackResources, MenusOutOfTheirFormAreRefused) {
    EXPECT_TRUE(app::ParseMenuResource(NestedMenu(TELVANE_MENU_MAX_DEPTH)));
    EXPECT_FALSE(app::ParseMenuResource(NestedMenu(TELVANE_MENU_MAX_DEPTH + 1))) << "too deep";
    EXPECT_FALSE(app::ParseMenuResource(NestedMenu(5000))) << "far too deep";
    EXPECT_FALSE(app::ParseMenuResource(Writer().U16(1).U8(0).Get())) << "item kind 0";
    EXPECT_FALSE(app::ParseMenuResource(Writer().U16(1).U8(4).Get())) << "item kind 4";
    EXPECT_FALSE(app::ParseMenuResource(Writer().U16(0xFFFF).U8(TELVANE_MENU_SEPARATOR).Get()))
        << "more items than bytes";
    EXPECT_FALSE(app::ParseMenuResource(
        Writer().U16(1).U8(TELVANE_MENU_COMMAND).U16(1).Text("\xED\xA0\x80").Get()))
        << "a surrogate in a label";
    EXPECT_TRUE(app::ParseMenuResource(Writer().U16(0).Get())) << "an empty menu is fine";
    EXPECT_FALSE(app::ParseToolbarResource(Writer().U16(0).U16(30).U16(0).Get())) << "no width";
    EXPECT_FALSE(app::ParseToolbarResource(Writer().U16(40).U16(0).U16(0).Get())) << "no height";
}

TEST(PackResources, StringsAreUtf8WithoutZeroBytes) {
    struct Case {
        std::string bytes;
        bool valid;
        const char* what;
    };
    const Case cases[] = {
        {"", true, "empty"},
        {"PIN 已启用", true, "Chinese"},
        {"\xF0\x9F\x93\xB1", true, "four bytes"},
        {"\xEF\xBF\xBF", true, "U+FFFF"},
        {std::string("a\0", 2), false, "zero byte"},
        {"\x80", false, "continuation alone"},
        {"\xC0\xAF", false, "overlong two bytes"},
        {"\xE0\x80\xAF", false, "overlong three bytes"},
        {"\xED\xA0\x80", false, "surrogate"},
        {"\xF4\x90\x80\x80", false, "past U+10FFFF"},
        {"\xE5\x90", false, "cut in a character"},
        {"\xFF", false, "byte FF"},
    };
    for (const Case& c : cases) {
        const Bytes bytes(c.bytes.begin(), c.bytes.end());
        const std::optional<std::string> text = app::ParseStringResource(bytes);
        EXPECT_EQ(text.has_value(), c.valid) << c.what;
        if (c.valid) {
            EXPECT_EQ(*text, c.bytes) << c.what;
        }
    }
}

// -- images -------------------------------------------------------------------------------

Bytes Bitmap(int width, int height, unsigned bits, unsigned colours = 0) {
    const std::uint32_t stride = (static_cast<std::uint32_t>(width) * bits + 31) / 32 * 4;
    const std::uint32_t table = bits <= 8 ? 4 * (colours ? colours : 1u << bits) : 0;
    const std::uint32_t offset = 54 + table;
    const std::uint32_t size = offset + stride * static_cast<std::uint32_t>(height);
    Writer w;
    w.U8('B').U8('M').U32(size).U32(0).U32(offset);
    w.U32(40).U32(static_cast<std::uint32_t>(width)).U32(static_cast<std::uint32_t>(height));
    w.U16(1).U16(bits).U32(0).U32(0).U32(2835).U32(2835).U32(colours).U32(0);
    Bytes bytes = w.Get();
    bytes.resize(size, 0x55);
    return bytes;
}

TEST(PackResources, BitmapHeadersAreChecked) {
    for (unsigned bits : {1u, 4u, 8u, 24u}) {
        const std::optional<app::ImageInfo> info = app::InspectBitmapResource(Bitmap(41, 24, bits));
        ASSERT_TRUE(info) << bits;
        EXPECT_EQ(info->width, 41);
        EXPECT_EQ(info->height, 24);
        EXPECT_EQ(info->bitsPerPixel, static_cast<int>(bits));
    }
    auto patched = [](Bytes bytes, std::size_t at, std::uint32_t value) {
        for (int i = 0; i < 4; ++i) {
            bytes[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
        }
        return bytes;
    };
    const Bytes good = Bitmap(16, 16, 8);
    struct Case {
        const char* reason;
        Bytes bytes;
    };
    const Case cases[] = {
        {"cut short", Bytes(good.begin(), good.end() - 1)},
        {"file size disagrees", patched(good, 2, static_cast<std::uint32_t>(good.size() + 1))},
        {"not BM", patched(good, 0, 0x4D42 + 1)},
        {"top-down rows", patched(good, 22, static_cast<std::uint32_t>(-16))},
        {"zero width", patched(good, 18, 0)},
        {"huge width", patched(good, 18, 0x40000000)},
        {"compressed", patched(good, 30, 1)},
        {"32 bits", patched(good, 28, 32 | (0 << 16) | 0)},
        {"a bigger header", patched(good, 14, 108)},
        {"pixels start inside the colour table", patched(good, 10, 60)},
        {"more colours than 8 bits hold", patched(good, 46, 257)},
        {"colours for a true-colour picture", patched(Bitmap(4, 4, 24), 46, 2)},
        {"pixels start past the end", patched(good, 10, static_cast<std::uint32_t>(good.size()))},
    };
    ASSERT_TRUE(app::InspectBitmapResource(good));
    for (const Case& c : cases) {
        EXPECT_FALSE(app::InspectBitmapResource(c.bytes)) << c.reason;
    }
    EXPECT_FALSE(app::InspectBitmapResource(Bytes(10, 'B'))) << "shorter than the headers";
}

Bytes ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TEST(PackResources, IconsAreWholePngFiles) {
    const Bytes icon = ReadFile(std::string(TELVANE_SOURCE_DIR) + "/langpack/images/tick-163.png");
    ASSERT_GT(icon.size(), 60u);
    const std::optional<app::ImageInfo> info = app::InspectIconResource(icon);
    ASSERT_TRUE(info);
    EXPECT_EQ(info->width, 16);
    EXPECT_EQ(info->height, 16);
    EXPECT_EQ(info->bitsPerPixel, 32);

    for (std::size_t size = 0; size < icon.size(); ++size) {
        const Bytes cut(icon.begin(), icon.begin() + size);
        EXPECT_FALSE(app::InspectIconResource(cut)) << "cut to " << size;
    }
    EXPECT_FALSE(app::InspectIconResource(Plus(icon, {0}))) << "a byte after IEND";
    for (std::size_t at = 8; at < icon.size(); at += 7) {
        Bytes flipped = icon;
        flipped[at] ^= 0x01;
        EXPECT_FALSE(app::InspectIconResource(flipped)) << "bit flipped at " << at;
    }
    // An IHDR of another colour type, with a correct CRC.
    Bytes grey = icon;
    grey[8 + 8 + 9] = 0;  // colour type
    std::uint32_t crc = 0xFFFFFFFFu;
    for (std::size_t i = 12; i < 12 + 4 + 13; ++i) {
        crc ^= grey[i];
        for (int k = 0; k < 8; ++k) {
            crc = (crc & 1) ? 0xEDB88320u ^ (crc >> 1) : crc >> 1;
        }
    }
    crc ^= 0xFFFFFFFFu;
    for (int i = 0; i < 4; ++i) {
        grey[29 + i] = static_cast<std::uint8_t>(crc >> (24 - 8 * i));
    }
    EXPECT_FALSE(app::InspectIconResource(grey)) << "a grey picture";
    grey[8 + 8 + 9] = 6;
    for (int i = 0; i < 4; ++i) {
        grey[29 + i] = icon[29 + i];
    }
    EXPECT_EQ(grey, icon);
}

}  // namespace
