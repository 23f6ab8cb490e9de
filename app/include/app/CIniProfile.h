// The reader of the program's INI file ("telvane.cfg"), read the way the Windows profile
// functions read one. Every read opens and parses the file afresh.
//
// The file: "[section]" lines and "key=value" lines; a line starting with ';' is a comment.
// - Sections and keys match without regard to ASCII case; section names, keys and values
//   are trimmed of surrounding blanks.
// - A value enclosed in a matching pair of double or single quotes loses the pair
//   ("  x  " in quotes gives the five characters inside). Anything else, ';' included,
//   belongs to the value: there are no comments after a value, and no continuation lines.
// - Where a key appears more than once in a section, or a section more than once, the
//   first value found counts.
// - A UTF-8 byte-order mark is skipped; text after a zero byte, and lines without '=',
//   are ignored. A key must not hold ':' (the library splits "key:value" lines there).
// A missing or unreadable file (or one over 16 MiB), section or key gives the default.
//
// Not for use from several threads at once: the INI library's options are process-wide.
#pragma once

#include <string>
#include <string_view>

class CIniProfile {
public:
    // Strings arrive cut to at most this many bytes, never inside a UTF-8 character.
    static constexpr std::size_t kMaxStringBytes = 255;

    // The file defaults to the program's own path with its extension replaced by "ini"
    // (".ini" appended when it has none).
    CIniProfile();

    // A null name returns false and changes nothing. Otherwise the name is trimmed of
    // surrounding blanks; one without '/' is taken from the program directory; returns
    // true.
    bool SetFile(const char* name);

    // The file read from.
    const std::string& GetFile() const { return file_; }

    // The value of section / key as a number, the way GetPrivateProfileInt reads it:
    // optional blanks, an optional sign and the decimal digits that follow ("102abc" is
    // 102, "-5" is -5, "abc" is 0), limited to the range of int. A missing section or key,
    // or an empty value, gives defaultValue.
    int ReadInt(std::string_view section, std::string_view key, int defaultValue) const;

    // The value of section / key into out, cut to kMaxStringBytes; when there is none,
    // defaultValue with its trailing blanks removed, cut the same way. Returns the number
    // of bytes in out.
    int ReadString(std::string_view section, std::string_view key, std::string_view defaultValue,
                   std::string& out) const;

private:
    // The value of section / key, quotes removed; false when there is none.
    bool Lookup(std::string_view section, std::string_view key, std::string& value) const;

    std::string file_;
};
