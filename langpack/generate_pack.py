#!/usr/bin/env python3
"""Compiles a language pack's catalogue sources into the C source of its library.

    generate_pack.py PACK_DIR IMAGES_DIR OUTPUT.c

PACK_DIR holds pack.txt, strings.txt, dialogs.txt, menus.txt, toolbar.txt and images.txt
(each file explains its own form in its opening comment). Image files named in images.txt
are taken from PACK_DIR when it has them, else from IMAGES_DIR. The resources are written
in the forms of langpack/include/langpack/LanguagePackAbi.h (format 1); the output defines
the symbols of langpack/internal/PackCatalogue.h.

Any fault in a source stops the build with the file, the line and what is wrong.
"""

import os
import struct
import sys
import zlib

# Resource types and the values of the forms: the same numbers as LanguagePackAbi.h.
RESOURCE_STRING, RESOURCE_DIALOG, RESOURCE_MENU = 1, 2, 3
RESOURCE_TOOLBAR, RESOURCE_BITMAP, RESOURCE_ICON = 4, 5, 6

DIALOG_STYLES = {
    "pop-up": 0x0001,
    "child": 0x0002,
    "visible": 0x0004,
    "caption": 0x0008,
    "window menu": 0x0010,
    "minimise box": 0x0020,
    "maximise box": 0x0040,
    "modal frame": 0x0080,
}

NO_CONTROL_ID = 0xFFFF

CONTROL_KINDS = {
    "push button": 1,
    "default push button": 2,
    "static text": 3,
    "edit": 4,
    "check box": 5,
    "radio button": 6,
    "group box": 7,
    "picture": 8,
    "frame": 9,
    "combo box": 10,
    "list view": 11,
    "tab control": 12,
    "rich edit": 13,
}

CONTROL_STYLES = {
    "disabled": 0x0001,
    "password": 0x0002,
    "digits only": 0x0004,
    "scrolls sideways": 0x0008,
    "no prefix": 0x0010,
    "centred": 0x0020,
    "right-aligned": 0x0040,
    "report view": 0x0080,
    "single selection": 0x0100,
    "bordered": 0x0200,
    "drop-down": 0x0400,
    "vertical scroll bar": 0x0800,
    "multi-line": 0x1000,
}

IMAGE_TYPES = {"bitmap": RESOURCE_BITMAP, "icon": RESOURCE_ICON}

MENU_COMMAND, MENU_SEPARATOR, MENU_SUBMENU = 1, 2, 3
MENU_MAX_DEPTH = 8


class SourceError(Exception):
    pass


class Line:
    """One meaningful line of a source file: its indentation and its text without comment."""

    def __init__(self, path, number, indent, text):
        self.path, self.number, self.indent, self.text = path, number, indent, text

    def fail(self, message):
        raise SourceError(f"{self.path}:{self.number}: {message}")


def strip_comment(raw, fail):
    """The line up to a '#' that stands outside double quotes."""
    quoted = False
    i = 0
    while i < len(raw):
        c = raw[i]
        if quoted and c == "\\":
            i += 2
            continue
        if c == '"':
            quoted = not quoted
        elif c == "#" and not quoted:
            return raw[:i]
        i += 1
    if quoted:
        fail("a text in double quotes is not closed")
    return raw


def read_lines(path):
    try:
        with open(path, encoding="utf-8") as f:
            content = f.read()
    except UnicodeDecodeError as error:
        raise SourceError(f"{path}: not UTF-8 ({error})")
    except OSError as error:
        raise SourceError(f"{path}: {error.strerror}")
    lines = []
    for number, raw in enumerate(content.split("\n"), 1):
        raw = raw.rstrip("\r")

        def fail(message, number=number):
            raise SourceError(f"{path}:{number}: {message}")

        if "\t" in raw:
            fail("tabs are not allowed; indent with spaces")
        text = strip_comment(raw, fail).rstrip()
        if text.strip():
            lines.append(Line(path, number, len(text) - len(text.lstrip(" ")), text.strip()))
    return lines


def parse_quoted(text, line):
    """Reads a text in double quotes at the start of text: (value, rest)."""
    if not text.startswith('"'):
        line.fail(f"expected a text in double quotes, found {text!r}")
    value = []
    i = 1
    while i < len(text):
        c = text[i]
        if c == '"':
            return "".join(value), text[i + 1 :].strip()
        if c == "\\":
            escape = text[i + 1 : i + 2]
            if escape == "n":
                value.append("\n")
            elif escape in ('"', "\\"):
                value.append(escape)
            else:
                line.fail(f"unknown escape \\{escape} (use \\n, \\\" or \\\\)")
            i += 2
            continue
        value.append(c)
        i += 1
    line.fail("a text in double quotes is not closed")


def check_text(value, line, single_line=False):
    for c in value:
        if c == "\n" and not single_line:
            continue
        if ord(c) < 0x20 or ord(c) == 0x7F:
            line.fail(f"control character U+{ord(c):04X} in a text")
    if len(value.encode("utf-8")) > 0xFFFF:
        line.fail("text longer than 65535 bytes")
    return value


def parse_number(word, line, low, high, what):
    if not word.isdigit():
        line.fail(f"{what}: expected a number, found {word!r}")
    value = int(word)
    if not low <= value <= high:
        line.fail(f"{what} {value} is outside {low} to {high}")
    return value


def parse_size(text, line):
    """'W x H' -> (W, H)."""
    parts = [p.strip() for p in text.split("x")]
    if len(parts) != 2:
        line.fail(f"expected a size 'width x height', found {text!r}")
    return tuple(parse_number(p, line, 0, 0xFFFF, "size") for p in parts)


def parse_words(text, vocabulary, line, what):
    bits = 0
    for word in [w.strip() for w in text.split(",") if w.strip()]:
        if word not in vocabulary:
            known = ", ".join(vocabulary)
            line.fail(f"unknown {what} {word!r} (known: {known})")
        bits |= vocabulary[word]
    return bits


def encode_text(value):
    data = value.encode("utf-8")
    return struct.pack("<H", len(data)) + data


def keyword_and_rest(line):
    head, _, rest = line.text.partition(" ")
    return head, rest.strip()


class Catalogue:
    def __init__(self):
        self.name = None
        self.id = None
        self.description = None
        self.resources = {}  # (type, id) -> bytes

    def add(self, type_, number, data, line, what):
        if (type_, number) in self.resources:
            line.fail(f"{what} {number} is defined twice")
        self.resources[(type_, number)] = data


def read_pack(path, catalogue):
    for line in read_lines(path):
        key, rest = keyword_and_rest(line)
        if key == "name":
            value, tail = parse_quoted(rest, line)
            catalogue.name = check_text(value, line, single_line=True)
        elif key == "id":
            catalogue.id = parse_number(rest, line, 1, 0xFFFF, "language id")
            tail = ""
        elif key == "description":
            value, tail = parse_quoted(rest, line)
            if not all(0x20 <= ord(c) < 0x7F for c in value):
                line.fail("the description is one line of printable ASCII")
            catalogue.description = value
        else:
            line.fail(f"unknown key {key!r} (name, id, description)")
        if tail:
            line.fail(f"unexpected {tail!r}")
    for key in ("name", "id", "description"):
        if getattr(catalogue, key) in (None, ""):
            raise SourceError(f"{path}: the pack's {key} is missing")


def read_strings(path, catalogue):
    for line in read_lines(path):
        number, rest = keyword_and_rest(line)
        number = parse_number(number, line, 1, 0xFFFF, "string number")
        value, tail = parse_quoted(rest, line)
        if tail:
            line.fail(f"unexpected {tail!r} after the text")
        check_text(value, line)
        catalogue.add(RESOURCE_STRING, number, value.encode("utf-8") + b"\0", line, "string")


def split_row(line):
    """The cells of a '| a | b |' row; '|' inside double quotes belongs to the text."""
    cells, current, quoted, i = [], [], False, 0
    text = line.text[1:]
    while i < len(text):
        c = text[i]
        if quoted and c == "\\":
            current.append(text[i : i + 2])
            i += 2
            continue
        if c == '"':
            quoted = not quoted
        if c == "|" and not quoted:
            cells.append("".join(current).strip())
            current = []
        else:
            current.append(c)
        i += 1
    cells.append("".join(current).strip())
    if cells and cells[-1] == "":
        cells.pop()
    return cells


def parse_control(line):
    cells = split_row(line)
    if not 4 <= len(cells) <= 6:
        line.fail("a control row has Id | Kind | Text | Place | Styles | Image")
    cells += [""] * (6 - len(cells))
    id_cell, kind_cell, text_cell, place_cell, styles_cell, image_cell = cells
    control_id = (
        NO_CONTROL_ID if id_cell == "-" else parse_number(id_cell, line, 0, 0xFFFE, "control id")
    )
    if kind_cell not in CONTROL_KINDS:
        line.fail(f"unknown control kind {kind_cell!r} (known: {', '.join(CONTROL_KINDS)})")
    text = ""
    if text_cell:
        text, tail = parse_quoted(text_cell, line)
        if tail:
            line.fail(f"unexpected {tail!r} after the text")
        check_text(text, line)
    place = [p.strip() for p in place_cell.replace(" x ", ",").split(",")]
    if len(place) != 4:
        line.fail(f"expected a place 'x, y, width x height', found {place_cell!r}")
    x, y = (parse_number(p, line, 0, 0x7FFF, "position") for p in place[:2])
    width, height = (parse_number(p, line, 0, 0xFFFF, "size") for p in place[2:])
    styles = parse_words(styles_cell, CONTROL_STYLES, line, "control style")
    image_type, image_id = 0, 0
    if image_cell:
        words = image_cell.split()
        if len(words) != 2 or words[0] not in IMAGE_TYPES:
            line.fail(f"expected an image 'icon N' or 'bitmap N', found {image_cell!r}")
        image_type = IMAGE_TYPES[words[0]]
        image_id = parse_number(words[1], line, 1, 0xFFFF, "image number")
    return (
        struct.pack("<HBIhhHH", control_id, CONTROL_KINDS[kind_cell], styles, x, y, width, height)
        + encode_text(text)
        + struct.pack("<BH", image_type, image_id)
    )


def read_dialogs(path, catalogue):
    dialogs = []  # [first line, number, attributes, controls]
    for line in read_lines(path):
        key, rest = keyword_and_rest(line)
        if line.indent == 0:
            if key != "dialog":
                line.fail("expected 'dialog N'")
            dialogs.append([line, parse_number(rest, line, 1, 0xFFFF, "dialog number"), {}, []])
            continue
        if not dialogs:
            line.fail("expected 'dialog N' first")
        attributes, controls = dialogs[-1][2], dialogs[-1][3]
        if line.text.startswith("|"):
            if split_row(line)[:1] == ["Id"]:
                continue
            controls.append(parse_control(line))
            continue
        if key in attributes:
            line.fail(f"{key} is given twice")
        if key == "caption":
            value, tail = parse_quoted(rest, line)
            attributes[key] = check_text(value, line, single_line=True)
        elif key == "style":
            attributes[key], tail = parse_words(rest, DIALOG_STYLES, line, "dialog style"), ""
        elif key == "size":
            attributes[key], tail = parse_size(rest, line), ""
        elif key == "font":
            size, _, face = rest.partition(" ")
            points = parse_number(size, line, 1, 72, "font size")
            face, tail = parse_quoted(face.strip(), line)
            attributes[key] = (points, check_text(face, line, single_line=True))
        elif key == "menu":
            attributes[key], tail = parse_number(rest, line, 1, 0xFFFF, "menu number"), ""
        else:
            line.fail(f"unknown dialog attribute {key!r} (caption, style, size, font, menu)")
        if tail:
            line.fail(f"unexpected {tail!r}")
    for line, number, attributes, controls in dialogs:
        for key in ("caption", "style", "size", "font"):
            if key not in attributes:
                line.fail(f"dialog {number} has no {key}")
        width, height = attributes["size"]
        points, face = attributes["font"]
        data = (
            struct.pack("<HHHH", attributes["style"], width, height, attributes.get("menu", 0))
            + encode_text(attributes["caption"])
            + struct.pack("<H", points)
            + encode_text(face)
            + struct.pack("<H", len(controls))
            + b"".join(controls)
        )
        catalogue.add(RESOURCE_DIALOG, number, data, line, "dialog")


def encode_menu_items(items, depth, line):
    if depth > MENU_MAX_DEPTH:
        line.fail(f"menus nest at most {MENU_MAX_DEPTH} deep")
    data = struct.pack("<H", len(items))
    for item_line, children in items:
        text = item_line.text
        if text == "separator":
            if children:
                item_line.fail("a separator has no items")
            data += struct.pack("<B", MENU_SEPARATOR)
        elif text.startswith('"'):
            label, tail = parse_quoted(text, item_line)
            if tail:
                item_line.fail(f"unexpected {tail!r}")
            check_text(label, item_line, single_line=True)
            data += struct.pack("<B", MENU_SUBMENU) + encode_text(label)
            data += encode_menu_items(children, depth + 1, item_line)
        else:
            command, rest = keyword_and_rest(item_line)
            command = parse_number(command, item_line, 1, 0xFFFF, "command id")
            label, tail = parse_quoted(rest, item_line)
            if tail:
                item_line.fail(f"unexpected {tail!r}")
            if children:
                item_line.fail("a command has no items; a submenu is its label alone")
            check_text(label, item_line, single_line=True)
            data += struct.pack("<BH", MENU_COMMAND, command) + encode_text(label)
    return data


def read_menus(path, catalogue):
    menus = []  # [line, number, items]; an item is (line, children)
    stack = []  # (indent, children list)
    for line in read_lines(path):
        if line.indent == 0:
            key, rest = keyword_and_rest(line)
            if key != "menu":
                line.fail("expected 'menu N'")
            menus.append((line, parse_number(rest, line, 1, 0xFFFF, "menu number"), []))
            stack = [(0, menus[-1][2])]
            continue
        if not menus:
            line.fail("expected 'menu N' first")
        while stack and line.indent <= stack[-1][0] and len(stack) > 1:
            stack.pop()
        item = (line, [])
        if line.indent <= stack[-1][0]:
            line.fail("an item must be indented under its menu")
        siblings = stack[-1][1]
        if siblings and siblings[-1][0].indent != line.indent:
            line.fail("items of one menu must line up")
        siblings.append(item)
        stack.append((line.indent, item[1]))
    for line, number, items in menus:
        catalogue.add(RESOURCE_MENU, number, encode_menu_items(items, 1, line), line, "menu")


def read_toolbar(path, catalogue):
    toolbars = []  # [line, number, size, commands]
    for line in read_lines(path):
        key, rest = keyword_and_rest(line)
        if line.indent == 0:
            if key != "toolbar":
                line.fail("expected 'toolbar N'")
            toolbars.append([line, parse_number(rest, line, 1, 0xFFFF, "toolbar number"), None, []])
        elif not toolbars:
            line.fail("expected 'toolbar N' first")
        elif line.text.startswith("button size "):
            toolbars[-1][2] = parse_size(line.text[len("button size ") :], line)
        else:
            toolbars[-1][3].append(parse_number(line.text, line, 0, 0xFFFF, "command id"))
    for line, number, size, commands in toolbars:
        if size is None:
            line.fail(f"toolbar {number} has no button size")
        data = struct.pack("<HHH", size[0], size[1], len(commands))
        data += b"".join(struct.pack("<H", c) for c in commands)
        catalogue.add(RESOURCE_TOOLBAR, number, data, line, "toolbar")


def check_bitmap(data, line):
    """A BMP file as the pack format allows it: uncompressed, 40-byte header, bottom-up."""
    if len(data) < 54 or data[:2] != b"BM":
        line.fail("not a BMP file")
    file_size, _, offset, header_size = struct.unpack_from("<IIII", data, 2)
    width, height, planes, bits, compression = struct.unpack_from("<iiHHI", data, 18)
    if file_size != len(data) or header_size != 40 or planes != 1:
        line.fail("a BMP file with a 40-byte header and its own size is needed")
    if bits not in (1, 4, 8, 24) or compression != 0 or width <= 0 or height <= 0:
        line.fail("a bottom-up, uncompressed BMP of 1, 4, 8 or 24 bits is needed")
    stride = (width * bits + 31) // 32 * 4
    if offset + stride * height > len(data):
        line.fail("the BMP file is cut short")


def check_png(data, line):
    """A PNG file as the pack format allows it: RGBA, 8 bits, not interlaced, whole."""
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        line.fail("not a PNG file")
    position, chunks = 8, []
    while position + 12 <= len(data):
        (length,) = struct.unpack_from(">I", data, position)
        kind = data[position + 4 : position + 8]
        body = data[position + 8 : position + 8 + length]
        (crc,) = struct.unpack_from(">I", data, position + 8 + length)
        if zlib.crc32(kind + body) != crc:
            line.fail("a PNG chunk fails its CRC")
        chunks.append((kind, body))
        position += 12 + length
    if position != len(data) or not chunks or chunks[0][0] != b"IHDR" or chunks[-1][0] != b"IEND":
        line.fail("the PNG file is not whole")
    _, _, depth, colour, _, _, interlace = struct.unpack(">IIBBBBB", chunks[0][1])
    if depth != 8 or colour != 6 or interlace != 0:
        line.fail("an RGBA PNG of 8 bits per channel, not interlaced, is needed")


def read_images(path, pack_dir, images_dir, catalogue):
    for line in read_lines(path):
        words = line.text.split()
        if len(words) != 3 or words[0] not in IMAGE_TYPES:
            line.fail("expected 'bitmap N FILE' or 'icon N FILE'")
        type_ = IMAGE_TYPES[words[0]]
        number = parse_number(words[1], line, 1, 0xFFFF, f"{words[0]} number")
        name = words[2]
        if "/" in name or name in (".", ".."):
            line.fail("an image is named by its file name alone")
        file = os.path.join(pack_dir, name)
        if not os.path.isfile(file):
            file = os.path.join(images_dir, name)
        try:
            with open(file, "rb") as f:
                data = f.read()
        except OSError:
            line.fail(f"no image file {name} in {pack_dir} or {images_dir}")
        (check_bitmap if type_ == RESOURCE_BITMAP else check_png)(data, line)
        catalogue.add(type_, number, data, line, words[0])


def c_string(value):
    return '"' + "".join(f"\\{b:03o}" if b < 0x20 or b >= 0x7F or b in (0x22, 0x5C, 0x3F) else chr(b)
                         for b in value.encode("utf-8")) + '"'


def write_source(catalogue, pack_dir, output):
    entries, data = [], bytearray()
    for (type_, number), blob in sorted(catalogue.resources.items()):
        size = len(blob) - 1 if type_ == RESOURCE_STRING else len(blob)
        entries.append((type_, number, len(data), size))
        data += blob
    out = [
        f"/* Generated by langpack/generate_pack.py from {os.path.basename(pack_dir)}/: "
        "edit the catalogue sources, not this file. */",
        '#include "internal/PackCatalogue.h"',
        "",
        f"const char telvane_pack_name[] = {c_string(catalogue.name)};",
        f"const int telvane_pack_id = {catalogue.id};",
        f"const char telvane_pack_description[] = {c_string(catalogue.description)};",
        "",
        "const struct TelvanePackEntry telvane_pack_entries[] = {",
    ]
    out += [f"    {{{t}u, {n}u, {o}u, {s}u}}," for t, n, o, s in entries]
    out += [
        "};",
        f"const size_t telvane_pack_entry_count = {len(entries)};",
        "",
        "const unsigned char telvane_pack_data[] = {",
    ]
    for i in range(0, len(data), 16):
        out.append("    " + " ".join(f"0x{b:02x}," for b in data[i : i + 16]))
    out += ["};", ""]
    text = "\n".join(out)
    # Written only when it changes, so that an unchanged catalogue rebuilds nothing.
    try:
        with open(output, encoding="utf-8") as f:
            if f.read() == text:
                return
    except OSError:
        pass
    with open(output + ".tmp", "w", encoding="utf-8") as f:
        f.write(text)
    os.replace(output + ".tmp", output)


def main(argv):
    if len(argv) != 4:
        print(__doc__.strip().split("\n\n")[1], file=sys.stderr)
        return 2
    pack_dir, images_dir, output = argv[1:]
    catalogue = Catalogue()
    try:
        read_pack(os.path.join(pack_dir, "pack.txt"), catalogue)
        read_strings(os.path.join(pack_dir, "strings.txt"), catalogue)
        read_dialogs(os.path.join(pack_dir, "dialogs.txt"), catalogue)
        read_menus(os.path.join(pack_dir, "menus.txt"), catalogue)
        read_toolbar(os.path.join(pack_dir, "toolbar.txt"), catalogue)
        read_images(os.path.join(pack_dir, "images.txt"), pack_dir, images_dir, catalogue)
        write_source(catalogue, pack_dir, output)
    except SourceError as error:
        print(f"generate_pack.py: {error}", file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
