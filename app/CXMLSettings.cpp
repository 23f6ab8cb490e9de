#include "app/CXMLSettings.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstddef>
#include <string_view>
#include <vector>

#include <pugixml.hpp>

namespace {

constexpr const char* kRootName = "Settings";
// A settings file is a few hundred bytes; anything this large is not one of ours.
constexpr off_t kMaxFileBytes = 1 << 20;

// What identifies one version of the file: a write replaces it by a new inode.
struct FileStamp {
    bool exists = false;
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    long long modifiedSeconds = 0;
    long modifiedNanoseconds = 0;
    long long changedSeconds = 0;
    long changedNanoseconds = 0;

    static FileStamp Of(const struct stat& status) {
        FileStamp stamp;
        stamp.exists = true;
        stamp.device = status.st_dev;
        stamp.inode = status.st_ino;
        stamp.size = status.st_size;
        stamp.modifiedSeconds = status.st_mtim.tv_sec;
        stamp.modifiedNanoseconds = status.st_mtim.tv_nsec;
        stamp.changedSeconds = status.st_ctim.tv_sec;
        stamp.changedNanoseconds = status.st_ctim.tv_nsec;
        return stamp;
    }

    bool operator==(const FileStamp&) const = default;
};

FileStamp StampOf(const std::string& file) {
    struct stat status {};
    if (file.empty() || stat(file.c_str(), &status) != 0) {
        return FileStamp();
    }
    return FileStamp::Of(status);
}

bool IsNameStart(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
}

bool IsNameCharacter(char c) {
    return IsNameStart(c) || (c >= '0' && c <= '9') || c == '-' || c == '.';
}

// A section level or key: an XML name of the plain ASCII kind.
bool IsValidName(std::string_view name) {
    if (name.empty() || !IsNameStart(name[0])) {
        return false;
    }
    for (const char c : name) {
        if (!IsNameCharacter(c)) {
            return false;
        }
    }
    return true;
}

// The levels of a backslash-separated section path; false when a level is empty or not a
// valid name.
bool SplitPath(const std::string& path, std::vector<std::string>& levels) {
    levels.clear();
    std::size_t begin = 0;
    for (;;) {
        const std::size_t end = path.find('\\', begin);
        const std::string level =
            path.substr(begin, end == std::string::npos ? std::string::npos : end - begin);
        if (!IsValidName(level)) {
            return false;
        }
        levels.push_back(level);
        if (end == std::string::npos) {
            return true;
        }
        begin = end + 1;
    }
}

// Well-formed UTF-8 (RFC 3629): no overlong forms, no surrogates, nothing above U+10FFFF.
bool IsValidUtf8(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size()) {
        const auto byte = static_cast<unsigned char>(text[i]);
        std::size_t length = 0;
        unsigned char low = 0x80;
        unsigned char high = 0xBF;
        if (byte < 0x80) {
            ++i;
            continue;
        } else if (byte >= 0xC2 && byte <= 0xDF) {
            length = 2;
        } else if (byte >= 0xE0 && byte <= 0xEF) {
            length = 3;
            if (byte == 0xE0) {
                low = 0xA0;
            } else if (byte == 0xED) {
                high = 0x9F;
            }
        } else if (byte >= 0xF0 && byte <= 0xF4) {
            length = 4;
            if (byte == 0xF0) {
                low = 0x90;
            } else if (byte == 0xF4) {
                high = 0x8F;
            }
        } else {
            return false;
        }
        if (text.size() - i < length) {
            return false;
        }
        for (std::size_t k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            if (next < (k == 1 ? low : 0x80) || next > (k == 1 ? high : 0xBF)) {
                return false;
            }
        }
        i += length;
    }
    return true;
}

// The whole file, when it can be read and is not oversized; stamp then describes exactly
// the version read.
bool ReadWholeFile(const std::string& file, std::string& content, FileStamp& stamp) {
    const int fd = open(file.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    struct stat status {};
    bool ok = fstat(fd, &status) == 0 && S_ISREG(status.st_mode) && status.st_size <= kMaxFileBytes;
    if (ok) {
        stamp = FileStamp::Of(status);
        content.clear();
        char buffer[8192];
        for (;;) {
            const ssize_t got = read(fd, buffer, sizeof buffer);
            if (got < 0 && errno == EINTR) {
                continue;
            }
            if (got < 0) {
                ok = false;
                break;
            }
            if (got == 0) {
                break;
            }
            content.append(buffer, static_cast<std::size_t>(got));
            if (content.size() > static_cast<std::size_t>(kMaxFileBytes)) {
                ok = false;
                break;
            }
        }
    }
    close(fd);
    return ok;
}

bool WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = write(fd, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

// Replaces file by content atomically: a temporary file beside it, flushed, then renamed
// over it. On success stamp describes the new file.
bool ReplaceFileAtomically(const std::string& file, std::string_view content, FileStamp& stamp) {
    const std::size_t slash = file.rfind('/');
    const std::string directory = slash == std::string::npos ? "." : file.substr(0, slash + 1);

    static unsigned counter = 0;
    std::string temporary;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        temporary =
            file + "." + std::to_string(getpid()) + "." + std::to_string(++counter) + ".tmp";
        fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST) {
            return false;
        }
    }
    if (fd < 0) {
        return false;
    }
    // A file being replaced keeps its permissions.
    struct stat old {};
    if (stat(file.c_str(), &old) == 0) {
        (void)fchmod(fd, old.st_mode & 07777);
    }
    struct stat status {};
    const bool ok = WriteAll(fd, content) && fsync(fd) == 0 &&
                    rename(temporary.c_str(), file.c_str()) == 0 && fstat(fd, &status) == 0;
    close(fd);
    if (!ok) {
        unlink(temporary.c_str());
        return false;
    }
    stamp = FileStamp::Of(status);
    // Make the rename itself durable; the new file is in place either way.
    const int directoryFd = open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (directoryFd >= 0) {
        (void)fsync(directoryFd);
        close(directoryFd);
    }
    return true;
}

// Well-formed XML has exactly one element at the top.
bool HasOneRoot(const pugi::xml_document& xml) {
    int elements = 0;
    for (const pugi::xml_node node : xml.children()) {
        if (node.type() == pugi::node_element) {
            ++elements;
        }
    }
    return elements == 1;
}

class StringWriter : public pugi::xml_writer {
public:
    void write(const void* data, std::size_t size) override {
        text.append(static_cast<const char*>(data), size);
    }
    std::string text;
};

}  // namespace

struct CXMLSettings::Document {
    pugi::xml_document xml;
    // The file's version that xml mirrors; valid when loaded.
    FileStamp stamp;
    bool loaded = false;

    // Loads xml from file, or leaves it empty when the file cannot be used.
    void Load(const std::string& file) {
        xml.reset();
        loaded = true;
        stamp = FileStamp();
        std::string content;
        if (file.empty() || !ReadWholeFile(file, content, stamp)) {
            stamp = StampOf(file);
            return;
        }
        const unsigned options =
            pugi::parse_default | pugi::parse_comments | pugi::parse_declaration;
        const pugi::xml_parse_result result =
            xml.load_buffer(content.data(), content.size(), options, pugi::encoding_auto);
        // A file that parses only in part, or is not one of ours, leaves nothing behind.
        if (!result || !HasOneRoot(xml) ||
            std::string_view(xml.document_element().name()) != kRootName) {
            xml.reset();
        }
    }

    // The element of a section path, or an empty node.
    pugi::xml_node Find(const std::vector<std::string>& levels) const {
        pugi::xml_node node = xml.document_element();
        if (std::string_view(node.name()) != kRootName) {
            return pugi::xml_node();
        }
        for (const std::string& level : levels) {
            node = node.child(level.c_str());
            if (!node) {
                break;
            }
        }
        return node;
    }

    // The element of a section path, made where missing.
    pugi::xml_node Make(const std::vector<std::string>& levels) {
        pugi::xml_node node = xml.document_element();
        if (!node) {
            xml.reset();
            node = xml.append_child(kRootName);
        }
        for (const std::string& level : levels) {
            pugi::xml_node child = node.child(level.c_str());
            node = child ? child : node.append_child(level.c_str());
        }
        return node;
    }

    std::string Serialize() {
        pugi::xml_node declaration = xml.first_child();
        if (declaration.type() != pugi::node_declaration) {
            declaration = xml.prepend_child(pugi::node_declaration);
        }
        declaration.remove_attributes();
        declaration.append_attribute("version") = "1.0";
        declaration.append_attribute("encoding") = "UTF-8";
        StringWriter writer;
        xml.save(writer, "  ", pugi::format_default, pugi::encoding_utf8);
        return writer.text;
    }
};

CXMLSettings::CXMLSettings() = default;

CXMLSettings::CXMLSettings(const CXMLSettings& other) = default;

CXMLSettings& CXMLSettings::operator=(const CXMLSettings& other) {
    // shared_ptr's assignment takes the new reference before it drops the old one, so
    // self-assignment is harmless.
    document_ = other.document_;
    file_ = other.file_;
    return *this;
}

CXMLSettings::~CXMLSettings() = default;

void CXMLSettings::SetSettingsFile(const std::string& file) {
    if (file != file_) {
        UnloadXML();
        file_ = file;
    }
}

void CXMLSettings::UnloadXML() {
    document_.reset();
}

CXMLSettings::Document& CXMLSettings::Current() const {
    if (!document_) {
        document_ = std::make_shared<Document>();
    }
    if (!document_->loaded || StampOf(file_) != document_->stamp) {
        document_->Load(file_);
    }
    return *document_;
}

bool CXMLSettings::ReadValue(const std::string& path, const std::string& key,
                             std::string& value) const {
    std::vector<std::string> levels;
    if (file_.empty() || !SplitPath(path, levels) || !IsValidName(key)) {
        return false;
    }
    const pugi::xml_attribute attribute = Current().Find(levels).attribute(key.c_str());
    if (!attribute || !IsValidUtf8(attribute.value())) {
        return false;
    }
    value = attribute.value();
    return true;
}

std::string CXMLSettings::GetSettingString(const std::string& path, const std::string& key,
                                           const std::string& defaultValue) const {
    std::string value;
    return ReadValue(path, key, value) ? value : defaultValue;
}

long CXMLSettings::SetSettingString(const std::string& path, const std::string& key,
                                    const std::string& value) {
    std::vector<std::string> levels;
    if (file_.empty() || !SplitPath(path, levels) || !IsValidName(key) ||
        value.find('\0') != std::string::npos || !IsValidUtf8(value)) {
        return 0;
    }
    Document& document = Current();
    pugi::xml_node section = document.Make(levels);
    pugi::xml_attribute attribute = section.attribute(key.c_str());
    if (!attribute) {
        attribute = section.append_attribute(key.c_str());
    }
    attribute.set_value(value.c_str());
    if (!ReplaceFileAtomically(file_, document.Serialize(), document.stamp)) {
        // The file is as it was: load it again rather than keep what it does not hold.
        document.loaded = false;
        return 0;
    }
    return 1;
}

long CXMLSettings::GetSettingLong(const std::string& path, const std::string& key,
                                  long defaultValue) const {
    std::string text;
    if (!ReadValue(path, key, text)) {
        return defaultValue;
    }
    // A value that is not a whole decimal number within range counts as absent.
    long value = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || error != std::errc() || stop != end) {
        return defaultValue;
    }
    return value;
}

long CXMLSettings::SetSettingLong(const std::string& path, const std::string& key, long value) {
    return SetSettingString(path, key, std::to_string(value));
}
