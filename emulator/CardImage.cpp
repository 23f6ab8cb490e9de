#include "emulator/CardImage.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>

#include "emulator/SimCard.h"

namespace emulator {

namespace {

constexpr std::string_view kMagic = "telvane-card";
constexpr int kVersion = 1;
constexpr std::size_t kMaxAtr = 33;          // ISO/IEC 7816-3 8.2.1
constexpr std::size_t kMaxIccidDigits = 20;  // GSM 11.11 10.1.1: 10 BCD bytes
constexpr std::size_t kMaxRecords = 254;     // GSM 11.11 9.2.5: record numbers 01-FE
constexpr std::size_t kMaxRecordLength = 255;
constexpr std::string_view kHexCode = "hex:";

std::vector<std::string_view> Split(std::string_view line) {
    std::vector<std::string_view> tokens;
    std::size_t at = 0;
    while (at < line.size()) {
        const std::size_t start = line.find_first_not_of(" \t", at);
        if (start == std::string_view::npos) {
            break;
        }
        const std::size_t end = std::min(line.find_first_of(" \t", start), line.size());
        tokens.push_back(line.substr(start, end - start));
        at = end;
    }
    return tokens;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    return -1;
}

std::string Hex(std::span<const std::uint8_t> bytes) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text;
    text.reserve(bytes.size() * 2);
    for (const std::uint8_t byte : bytes) {
        text.push_back(kDigits[byte >> 4]);
        text.push_back(kDigits[byte & 0x0F]);
    }
    return text;
}

std::string FileName(std::uint16_t parent, std::uint16_t id) {
    const std::uint8_t path[] = {static_cast<std::uint8_t>(parent >> 8),
                                 static_cast<std::uint8_t>(parent),
                                 static_cast<std::uint8_t>(id >> 8), static_cast<std::uint8_t>(id)};
    const std::string hex = Hex(path);
    return hex.substr(0, 4) + "/" + hex.substr(4);
}

// The parser of one image: keeps the line it is on for its messages.
class Parser {
public:
    explicit Parser(std::string_view sourceName) : source_(sourceName) {}

    CardContent Run(std::string_view text);

private:
    [[noreturn]] void Fail(const std::string& reason) const {
        throw CardImageError(source_ + ":" + std::to_string(line_) + ": " + reason);
    }
    [[noreturn]] void FailWhole(const std::string& reason) const {
        throw CardImageError(source_ + ": " + reason);
    }

    void Line(const std::vector<std::string_view>& tokens);
    void Once(std::string_view keyword);
    std::vector<std::uint8_t> ParseHex(std::span<const std::string_view> tokens,
                                       std::string_view what) const;
    std::size_t ParseNumber(std::string_view text, std::size_t low, std::size_t high,
                            std::string_view what) const;
    std::uint16_t ParseFid(std::string_view text) const;
    // Attributes name=value after the positional tokens; each name once, all known.
    std::map<std::string_view, std::string_view> Attributes(
        std::span<const std::string_view> tokens,
        std::initializer_list<std::string_view> known) const;
    std::string_view Required(const std::map<std::string_view, std::string_view>& attributes,
                              std::string_view name) const;
    SecretCode ParseCode(const std::vector<std::string_view>& tokens, int maxAttempts,
                         bool withState);
    void ParseFile(const std::vector<std::string_view>& tokens);
    void ParseRecord(const std::vector<std::string_view>& tokens);

    std::string source_;
    std::size_t line_ = 0;
    bool sawMagic_ = false;
    std::map<std::string, std::size_t> seen_;  // keyword -> line
    CardContent content_;
    RecordFile* file_ = nullptr;
    std::vector<bool> recordSeen_;
    std::map<std::pair<std::uint16_t, std::uint16_t>, std::size_t> fileLines_;
};

CardContent Parser::Run(std::string_view text) {
    if (text.size() > CardImage::kMaxFileSize) {
        FailWhole("image larger than " + std::to_string(CardImage::kMaxFileSize) + " bytes");
    }
    std::size_t at = 0;
    while (at < text.size()) {
        std::size_t end = text.find('\n', at);
        if (end == std::string_view::npos) {
            end = text.size();
        }
        std::string_view line = text.substr(at, end - at);
        at = end + 1;
        ++line_;
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        if (line.size() > CardImage::kMaxLineLength) {
            Fail("line longer than " + std::to_string(CardImage::kMaxLineLength) + " characters");
        }
        for (const char c : line) {
            if (static_cast<unsigned char>(c) < 0x20 && c != '\t') {
                Fail("control character in the line");
            }
        }
        const std::size_t comment = line.find('#');
        if (comment != std::string_view::npos) {
            line = line.substr(0, comment);
        }
        const std::vector<std::string_view> tokens = Split(line);
        if (!tokens.empty()) {
            Line(tokens);
        }
    }
    if (!sawMagic_) {
        FailWhole("not a card image (no 'telvane-card 1' line)");
    }
    for (const char* keyword : {"type", "atr", "chv1", "unblock-chv1"}) {
        if (!seen_.count(keyword)) {
            FailWhole(std::string("no '") + keyword + "' line");
        }
    }
    if (seen_.count("unblock-chv2") && !seen_.count("chv2")) {
        line_ = seen_["unblock-chv2"];
        Fail("'unblock-chv2' without 'chv2'");
    }
    for (const RecordFile& file : content_.files) {
        if (FindKnownFile(file.parent, file.id)->cdmaOnly && content_.type != CardType::Cdma) {
            line_ = fileLines_[{file.parent, file.id}];
            Fail("ef " + FileName(file.parent, file.id) + " is only on a cdma card");
        }
    }
    return content_;
}

void Parser::Once(std::string_view keyword) {
    const auto [where, inserted] = seen_.emplace(std::string(keyword), line_);
    if (!inserted) {
        Fail("'" + std::string(keyword) + "' given twice (first on line " +
             std::to_string(where->second) + ")");
    }
}

void Parser::Line(const std::vector<std::string_view>& tokens) {
    const std::string_view keyword = tokens[0];
    if (!sawMagic_) {
        if (keyword != kMagic || tokens.size() != 2) {
            Fail("not a card image: expected 'telvane-card 1' first");
        }
        if (ParseNumber(tokens[1], 0, 1000, "format version") != kVersion) {
            Fail("format version " + std::string(tokens[1]) + " is not supported (only 1)");
        }
        sawMagic_ = true;
        return;
    }
    const std::span<const std::string_view> rest(tokens.begin() + 1, tokens.end());
    if (keyword[0] >= '0' && keyword[0] <= '9') {
        ParseRecord(tokens);
    } else if (keyword == "type") {
        Once(keyword);
        if (tokens.size() != 2 || (tokens[1] != "gsm" && tokens[1] != "cdma")) {
            Fail("type must be 'gsm' or 'cdma'");
        }
        content_.type = tokens[1] == "gsm" ? CardType::Gsm : CardType::Cdma;
    } else if (keyword == "atr") {
        Once(keyword);
        content_.atr = ParseHex(rest, "atr");
        if (content_.atr.empty() || content_.atr.size() > kMaxAtr) {
            Fail("atr must hold 1 to " + std::to_string(kMaxAtr) + " bytes");
        }
    } else if (keyword == "iccid") {
        Once(keyword);
        if (tokens.size() != 2 || tokens[1].size() > kMaxIccidDigits ||
            tokens[1].find_first_not_of("0123456789") != std::string_view::npos) {
            Fail("iccid must be 1 to 20 decimal digits");
        }
        content_.iccid = std::string(tokens[1]);
    } else if (keyword == "chv1") {
        Once(keyword);
        content_.chv1 = ParseCode(tokens, SecretCode::kChvAttempts, true);
    } else if (keyword == "unblock-chv1") {
        Once(keyword);
        content_.unblockChv1 = ParseCode(tokens, SecretCode::kUnblockAttempts, false);
    } else if (keyword == "chv2") {
        Once(keyword);
        content_.chv2 = ParseCode(tokens, SecretCode::kChvAttempts, false);
    } else if (keyword == "unblock-chv2") {
        Once(keyword);
        content_.unblockChv2 = ParseCode(tokens, SecretCode::kUnblockAttempts, false);
    } else if (keyword == "ef") {
        ParseFile(tokens);
    } else {
        Fail("unknown keyword '" + std::string(keyword) + "'");
    }
}

std::vector<std::uint8_t> Parser::ParseHex(std::span<const std::string_view> tokens,
                                           std::string_view what) const {
    std::vector<std::uint8_t> bytes;
    for (const std::string_view token : tokens) {
        if (token.size() % 2 != 0) {
            Fail(std::string(what) + ": odd number of hex digits in '" + std::string(token) + "'");
        }
        for (std::size_t i = 0; i < token.size(); i += 2) {
            const int high = HexDigit(token[i]);
            const int low = HexDigit(token[i + 1]);
            if (high < 0 || low < 0) {
                Fail(std::string(what) + ": '" + std::string(token) + "' is not hexadecimal");
            }
            bytes.push_back(static_cast<std::uint8_t>(high << 4 | low));
        }
    }
    return bytes;
}

std::size_t Parser::ParseNumber(std::string_view text, std::size_t low, std::size_t high,
                                std::string_view what) const {
    std::size_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value < low || value > high) {
        Fail(std::string(what) + " must be a number from " + std::to_string(low) + " to " +
             std::to_string(high) + ", not '" + std::string(text) + "'");
    }
    return value;
}

std::uint16_t Parser::ParseFid(std::string_view text) const {
    if (text.size() != 4) {
        Fail("file identifier '" + std::string(text) + "' is not 4 hex digits");
    }
    const std::vector<std::string_view> token = {text};
    const std::vector<std::uint8_t> bytes = ParseHex(token, "file identifier");
    return static_cast<std::uint16_t>(bytes[0] << 8 | bytes[1]);
}

std::map<std::string_view, std::string_view> Parser::Attributes(
    std::span<const std::string_view> tokens, std::initializer_list<std::string_view> known) const {
    std::map<std::string_view, std::string_view> attributes;
    for (const std::string_view token : tokens) {
        const std::size_t equals = token.find('=');
        const std::string_view name = token.substr(0, equals);
        if (equals == std::string_view::npos ||
            std::find(known.begin(), known.end(), name) == known.end()) {
            Fail("unexpected '" + std::string(token) + "'");
        }
        if (!attributes.emplace(name, token.substr(equals + 1)).second) {
            Fail("'" + std::string(name) + "' given twice");
        }
    }
    return attributes;
}

std::string_view Parser::Required(const std::map<std::string_view, std::string_view>& attributes,
                                  std::string_view name) const {
    const auto found = attributes.find(name);
    if (found == attributes.end()) {
        Fail("missing " + std::string(name) + "=");
    }
    return found->second;
}

// chv1 <code> enabled=yes|no attempts=<n>; the others: <keyword> <code> attempts=<n>.
SecretCode Parser::ParseCode(const std::vector<std::string_view>& tokens, int maxAttempts,
                             bool withState) {
    if (tokens.size() < 2) {
        Fail("'" + std::string(tokens[0]) + "' needs a code");
    }
    const std::string_view text = tokens[1];
    SecretCode code = SecretCode::Make("", maxAttempts);
    if (text.starts_with(kHexCode)) {
        const std::vector<std::string_view> hex = {text.substr(kHexCode.size())};
        const std::vector<std::uint8_t> block = ParseHex(hex, "code");
        if (block.size() != code.block.size()) {
            Fail("a hex: code holds exactly 8 bytes");
        }
        std::copy(block.begin(), block.end(), code.block.begin());
    } else {
        if (text.size() > code.block.size()) {
            Fail("code '" + std::string(text) + "' is longer than 8 characters");
        }
        for (const char c : text) {
            if (static_cast<unsigned char>(c) > 0x7E) {
                Fail("code '" + std::string(text) + "': only ASCII characters (or hex:)");
            }
        }
        code = SecretCode::Make(text, maxAttempts);
    }
    const std::span<const std::string_view> rest(tokens.begin() + 2, tokens.end());
    const auto attributes =
        withState ? Attributes(rest, {"enabled", "attempts"}) : Attributes(rest, {"attempts"});
    code.attemptsLeft = static_cast<int>(ParseNumber(
        Required(attributes, "attempts"), 0, static_cast<std::size_t>(maxAttempts), "attempts"));
    if (withState) {
        const std::string_view enabled = Required(attributes, "enabled");
        if (enabled != "yes" && enabled != "no") {
            Fail("enabled must be 'yes' or 'no'");
        }
        content_.chv1Enabled = enabled == "yes";
    }
    return code;
}

// ef <DF>/<EF> records=<n> length=<n> [invalidated=yes|no]
void Parser::ParseFile(const std::vector<std::string_view>& tokens) {
    if (tokens.size() < 2 || tokens[1].size() != 9 || tokens[1][4] != '/') {
        Fail("ef needs a path such as 7F10/6F3A");
    }
    const std::uint16_t parent = ParseFid(tokens[1].substr(0, 4));
    const std::uint16_t id = ParseFid(tokens[1].substr(5));
    const KnownFile* known = FindKnownFile(parent, id);
    if (!known || known->transparent) {
        Fail("ef " + std::string(tokens[1]) + " is not a record file this card holds");
    }
    if (const auto earlier = fileLines_.find({parent, id}); earlier != fileLines_.end()) {
        Fail("ef " + std::string(tokens[1]) + " given twice (first on line " +
             std::to_string(earlier->second) + ")");
    }
    const std::span<const std::string_view> rest(tokens.begin() + 2, tokens.end());
    const auto attributes = Attributes(rest, {"records", "length", "invalidated"});
    const std::size_t records =
        ParseNumber(Required(attributes, "records"), 1, kMaxRecords, "records");
    const std::size_t length =
        ParseNumber(Required(attributes, "length"), 1, kMaxRecordLength, "length");
    RecordFile file = RecordFile::Blank(parent, id, records, length);
    if (const auto invalidated = attributes.find("invalidated"); invalidated != attributes.end()) {
        if (invalidated->second != "yes" && invalidated->second != "no") {
            Fail("invalidated must be 'yes' or 'no'");
        }
        file.invalidated = invalidated->second == "yes";
    }
    fileLines_[{parent, id}] = line_;
    content_.files.push_back(std::move(file));
    file_ = &content_.files.back();
    recordSeen_.assign(records, false);
}

// <number> <hex>: at most the file's record length; the bytes not given are 0xFF.
void Parser::ParseRecord(const std::vector<std::string_view>& tokens) {
    if (!file_) {
        Fail("record line before any 'ef' line");
    }
    const std::size_t number = ParseNumber(tokens[0], 1, file_->records.size(), "record number");
    if (recordSeen_[number - 1]) {
        Fail("record " + std::to_string(number) + " given twice");
    }
    recordSeen_[number - 1] = true;
    const std::span<const std::string_view> rest(tokens.begin() + 1, tokens.end());
    const std::vector<std::uint8_t> bytes = ParseHex(rest, "record");
    if (bytes.size() > file_->recordLength) {
        Fail("record " + std::to_string(number) + " holds " + std::to_string(bytes.size()) +
             " bytes, the record length is " + std::to_string(file_->recordLength));
    }
    std::copy(bytes.begin(), bytes.end(), file_->records[number - 1].begin());
}

std::string FormatCode(const SecretCode& code) {
    // The characters up to the 0xFF padding, when that is what the block holds.
    const auto padding = std::find(code.block.begin(), code.block.end(), 0xFF);
    const std::string text(code.block.begin(), padding);
    const bool plain = !text.empty() && !text.starts_with(kHexCode) &&
                       std::all_of(text.begin(), text.end(),
                                   [](char c) { return c > 0x20 && c < 0x7F && c != '#'; }) &&
                       std::all_of(padding, code.block.end(), [](auto b) { return b == 0xFF; });
    return plain ? text : std::string(kHexCode) + Hex(code.block);
}

std::string ErrnoText(const std::string& what) {
    return what + ": " + std::strerror(errno);
}

}  // namespace

CardContent CardImage::Parse(std::string_view text, std::string_view sourceName) {
    Parser parser(sourceName);
    return parser.Run(text);
}

std::string CardImage::Format(const CardContent& content) {
    std::ostringstream out;
    out << "# Telvane virtual SIM card image; the format is described in emulator/README.md.\n"
        << kMagic << ' ' << kVersion << '\n'
        << "type " << (content.type == CardType::Cdma ? "cdma" : "gsm") << '\n'
        << "atr " << Hex(content.atr) << '\n';
    if (!content.iccid.empty()) {
        out << "iccid " << content.iccid << '\n';
    }
    out << "chv1 " << FormatCode(content.chv1)
        << " enabled=" << (content.chv1Enabled ? "yes" : "no")
        << " attempts=" << content.chv1.attemptsLeft << '\n'
        << "unblock-chv1 " << FormatCode(content.unblockChv1)
        << " attempts=" << content.unblockChv1.attemptsLeft << '\n';
    if (content.chv2.initialised) {
        out << "chv2 " << FormatCode(content.chv2) << " attempts=" << content.chv2.attemptsLeft
            << '\n';
        if (content.unblockChv2.initialised) {
            out << "unblock-chv2 " << FormatCode(content.unblockChv2)
                << " attempts=" << content.unblockChv2.attemptsLeft << '\n';
        }
    }
    for (const RecordFile& file : content.files) {
        const KnownFile* known = FindKnownFile(file.parent, file.id);
        out << "\n# " << (known ? known->name : "EF") << '\n'
            << "ef " << FileName(file.parent, file.id) << " records=" << file.records.size()
            << " length=" << file.recordLength;
        if (file.invalidated) {
            out << " invalidated=yes";
        }
        out << '\n';
        // Free space stays implicit: trailing 0xFF bytes and all-0xFF records are left out.
        for (std::size_t i = 0; i < file.records.size(); ++i) {
            const std::vector<std::uint8_t>& record = file.records[i];
            std::size_t used = record.size();
            while (used > 0 && record[used - 1] == 0xFF) {
                --used;
            }
            if (used > 0) {
                out << (i + 1) << ' ' << Hex(std::span(record).first(used)) << '\n';
            }
        }
    }
    return out.str();
}

CardContent CardImage::Load() const {
    std::ifstream in(path_, std::ios::binary);
    if (!in) {
        throw CardImageError(path_ + ": cannot open: " + std::strerror(errno));
    }
    std::string text;
    char buffer[65536];
    while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
        text.append(buffer, static_cast<std::size_t>(in.gcount()));
        if (text.size() > kMaxFileSize) {
            throw CardImageError(path_ + ": image larger than " + std::to_string(kMaxFileSize) +
                                 " bytes");
        }
    }
    if (in.bad()) {
        throw CardImageError(path_ + ": cannot read: " + std::strerror(errno));
    }
    return Parse(text, path_);
}

std::string CardImage::Save(const CardContent& content) const {
    const std::filesystem::path target(path_);
    const std::filesystem::path directory =
        target.has_parent_path() ? target.parent_path() : std::filesystem::path(".");
    std::string temporary = (directory / ("." + target.filename().string() + ".XXXXXX")).string();
    const int fd = ::mkstemp(temporary.data());
    if (fd < 0) {
        return ErrnoText("cannot create a temporary file in " + directory.string());
    }
    // Keep the image's permissions; a new image is readable by all.
    struct stat existing {};
    ::fchmod(fd, ::stat(path_.c_str(), &existing) == 0 ? existing.st_mode & 07777 : 0644);

    const std::string text = Format(content);
    std::string error;
    std::size_t written = 0;
    while (error.empty() && written < text.size()) {
        const ssize_t n = ::write(fd, text.data() + written, text.size() - written);
        if (n < 0 && errno != EINTR) {
            error = ErrnoText("cannot write " + temporary);
        } else if (n > 0) {
            written += static_cast<std::size_t>(n);
        }
    }
    if (error.empty() && ::fsync(fd) != 0) {
        error = ErrnoText("cannot flush " + temporary);
    }
    if (::close(fd) != 0 && error.empty()) {
        error = ErrnoText("cannot close " + temporary);
    }
    if (error.empty() && ::rename(temporary.c_str(), path_.c_str()) != 0) {
        error = ErrnoText("cannot replace " + path_);
    }
    if (!error.empty()) {
        ::unlink(temporary.c_str());
        return error;
    }
    // Make the rename itself durable.
    const int directoryFd = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY);
    if (directoryFd >= 0) {
        ::fsync(directoryFd);
        ::close(directoryFd);
    }
    return {};
}

std::shared_ptr<SimCard> CardImage::OpenCard(const std::string& path) {
    CardImage image(path);
    auto card = std::make_shared<SimCard>(image.Load());
    card->SetSaver([image, reported = false](const CardContent& content) mutable {
        std::string error = image.Save(content);
        if (!error.empty() && !reported) {
            std::fprintf(stderr, "virtual card: cannot save %s (%s); changes stay in memory\n",
                         image.Path().c_str(), error.c_str());
        }
        reported = !error.empty();
        return error;
    });
    return card;
}

}  // namespace emulator
