#include "app/CIniProfile.h"

#include <algorithm>
#include <climits>
#include <cstddef>
#include <fstream>
#include <string>
#include <utility>

#include <ini.h>

#include "app/ProgramDirectory.h"

namespace {

// A configuration file is a few lines; anything this large is not one.
constexpr std::size_t kMaxFileBytes = 16u << 20;
// The INI library keeps at most this many bytes of a section name; a name that long may
// have been cut and is never taken for the one asked for.
constexpr std::size_t kLibrarySectionBytes = 49;
// The line length the library starts with; it grows its buffer up to the longest line.
constexpr int kLibraryInitialLine = 200;

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

std::string_view TrimRight(std::string_view text) {
    while (!text.empty() && IsBlank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

std::string_view Trim(std::string_view text) {
    text = TrimRight(text);
    while (!text.empty() && IsBlank(text.front())) {
        text.remove_prefix(1);
    }
    return text;
}

char LowerAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EqualIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (LowerAscii(a[i]) != LowerAscii(b[i])) {
            return false;
        }
    }
    return true;
}

// text cut to at most limit bytes, backing off to the start of a UTF-8 character that the
// cut would split (at most three bytes: a character is at most four).
std::string_view CutToBytes(std::string_view text, std::size_t limit) {
    if (text.size() <= limit) {
        return text;
    }
    std::size_t end = limit;
    while (end > 0 && limit - end < 3 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) {
        --end;
    }
    return text.substr(0, end);
}

bool ReadWholeFile(const std::string& file, std::string& content) {
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        return false;
    }
    content.clear();
    char buffer[8192];
    while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
        content.append(buffer, static_cast<std::size_t>(in.gcount()));
        if (content.size() > kMaxFileBytes) {
            return false;
        }
    }
    return !in.bad();
}

std::size_t LongestLine(std::string_view text) {
    std::size_t longest = 0;
    std::size_t begin = 0;
    while (begin <= text.size()) {
        std::size_t end = text.find('\n', begin);
        if (end == std::string_view::npos) {
            end = text.size();
        }
        longest = std::max(longest, end - begin);
        begin = end + 1;
    }
    return longest;
}

// The library's options, set the way the Windows profile functions read a file for the
// length of one parse, then put back. The line buffer is made to hold the longest line
// whole: a line cut by the library would be read on as further lines, and a long value
// holding "=" would turn into keys.
class ProfileSyntax {
public:
    explicit ProfileSyntax(std::size_t longestLine)
        : multiline_(ini_allow_multiline),
          bom_(ini_allow_bom),
          startComments_(ini_start_comment_prefixes),
          inlineComments_(ini_allow_inline_comments),
          useStack_(ini_use_stack),
          maxLine_(ini_max_line),
          realloc_(ini_allow_realloc),
          initialAlloc_(ini_initial_alloc),
          stopOnError_(ini_stop_on_first_error),
          noValue_(ini_allow_no_value) {
        static char commentStart[] = ";";
        ini_allow_multiline = false;
        ini_allow_bom = true;
        ini_start_comment_prefixes = commentStart;
        ini_allow_inline_comments = false;
        ini_use_stack = false;
        ini_allow_realloc = true;
        ini_initial_alloc = kLibraryInitialLine;
        // Room for the line, its CR LF and the terminating zero.
        ini_max_line =
            static_cast<int>(std::max<std::size_t>(longestLine + 3, kLibraryInitialLine));
        ini_stop_on_first_error = false;
        ini_allow_no_value = false;
    }

    ~ProfileSyntax() {
        ini_allow_multiline = multiline_;
        ini_allow_bom = bom_;
        ini_start_comment_prefixes = startComments_;
        ini_allow_inline_comments = inlineComments_;
        ini_use_stack = useStack_;
        ini_max_line = maxLine_;
        ini_allow_realloc = realloc_;
        ini_initial_alloc = initialAlloc_;
        ini_stop_on_first_error = stopOnError_;
        ini_allow_no_value = noValue_;
    }

    ProfileSyntax(const ProfileSyntax&) = delete;
    ProfileSyntax& operator=(const ProfileSyntax&) = delete;

private:
    bool multiline_;
    bool bom_;
    char* startComments_;
    bool inlineComments_;
    bool useStack_;
    int maxLine_;
    bool realloc_;
    int initialAlloc_;
    bool stopOnError_;
    bool noValue_;
};

struct Search {
    std::string_view section;
    std::string_view key;
    bool found = false;
    std::string value;
};

int OnEntry(void* user, const char* section, const char* name, const char* value) {
    Search& search = *static_cast<Search*>(user);
    const std::string_view sectionName(section);
    if (search.found || sectionName.size() >= kLibrarySectionBytes) {
        return 1;
    }
    if (EqualIgnoringCase(Trim(sectionName), search.section) &&
        EqualIgnoringCase(name, search.key)) {
        search.found = true;
        search.value = value;
    }
    return 1;
}

}  // namespace

CIniProfile::CIniProfile() {
    file_ = std::string(Trim(app::ProgramPath()));
    const std::size_t slash = file_.rfind('/');
    const std::size_t dot = file_.rfind('.');
    if (dot != std::string::npos && (slash == std::string::npos || dot > slash + 1)) {
        file_.replace(dot + 1, std::string::npos, "ini");
    } else {
        file_ += ".ini";
    }
}

bool CIniProfile::SetFile(const char* name) {
    if (name == nullptr) {
        return false;
    }
    const std::string_view trimmed = Trim(name);
    if (trimmed.find('/') == std::string_view::npos) {
        file_ = app::ProgramDirectory() + std::string(trimmed);
    } else {
        file_ = std::string(trimmed);
    }
    return true;
}

bool CIniProfile::Lookup(std::string_view section, std::string_view key, std::string& value) const {
    std::string content;
    if (!ReadWholeFile(file_, content)) {
        return false;
    }
    Search search;
    search.section = section;
    search.key = key;
    {
        const ProfileSyntax syntax(LongestLine(content));
        ini_parse_string(content.c_str(), OnEntry, &search);
    }
    if (!search.found) {
        return false;
    }
    // A value in a matching pair of quotes, single or double, loses them.
    value = std::move(search.value);
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front()) {
        value = value.substr(1, value.size() - 2);
    }
    return true;
}

int CIniProfile::ReadString(std::string_view section, std::string_view key,
                            std::string_view defaultValue, std::string& out) const {
    std::string value;
    if (Lookup(section, key, value)) {
        out = std::string(CutToBytes(value, kMaxStringBytes));
    } else {
        out = std::string(CutToBytes(TrimRight(defaultValue), kMaxStringBytes));
    }
    return static_cast<int>(out.size());
}

int CIniProfile::ReadInt(std::string_view section, std::string_view key, int defaultValue) const {
    std::string value;
    if (!Lookup(section, key, value) || value.empty()) {
        return defaultValue;
    }
    std::size_t i = 0;
    while (i < value.size() && (value[i] == ' ' || value[i] == '\t')) {
        ++i;
    }
    bool negative = false;
    if (i < value.size() && (value[i] == '+' || value[i] == '-')) {
        negative = value[i] == '-';
        ++i;
    }
    long long number = 0;
    for (; i < value.size() && value[i] >= '0' && value[i] <= '9'; ++i) {
        number = number * 10 + (value[i] - '0');
        if (number > static_cast<long long>(INT_MAX) + 1) {
            number = static_cast<long long>(INT_MAX) + 1;
        }
    }
    if (negative) {
        return static_cast<int>(-number);
    }
    return static_cast<int>(std::min<long long>(number, INT_MAX));
}
