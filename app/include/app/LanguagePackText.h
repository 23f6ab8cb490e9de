// printf-style formatting of a language pack's texts.
//
// A pack's text is outside data, so it is never handed to printf as a format. It is read
// here conversion by conversion; each conversion must fit the argument the program gives
// for it, and only then is it rebuilt from the parts it was checked for and formatted
// with that one argument. A text whose conversions do not fit its arguments is refused
// as a whole: the caller gets nothing and shows what it shows for a missing text.
//
// Understood: "%%"; and "%[flags][width][.precision][h|hh]conversion" with the flags
// "-+ #0", a width and a precision of at most kMaxFieldWidth, and the conversions d and i
// (an integer argument), u, o, x and X (an integer argument, taken as unsigned) and s (a
// text argument). Refused: any other conversion (%n, %c, %f, %p ...), '*' widths,
// positional arguments ("%1$d"), the length modifiers l, ll, j, z, t, L and q, the flags
// printf leaves undefined ('#' but for o, x and X; '0' for s), a repeated flag, a lone '%'
// at the end, and more conversions than arguments. Arguments left over are ignored, as
// printf ignores them.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace app {

// One argument of a pack text: an integer (for %d, %i, %u, %o, %x, %X) or a text (%s).
using PackTextArgument = std::variant<int, std::string>;

inline constexpr int kMaxFieldWidth = 1024;

// The text with its conversions filled in; nothing when the text does not fit the
// arguments (see above).
std::optional<std::string> FormatPackText(std::string_view format,
                                          const std::vector<PackTextArgument>& arguments);

// The conversions of a text as written, in order ("%d", "%x", "%-4s" ...; "%%" is not a
// conversion); nothing when the text holds one that is not understood. Every pack keeps
// the same conversions for each string number, so that the program's arguments fit all.
std::optional<std::vector<std::string>> PackTextConversions(std::string_view format);

}  // namespace app
