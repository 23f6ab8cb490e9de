#include "internal/TextIconv.h"

#include <iconv.h>

#include <cerrno>
#include <cstring>

#include "internal/TextUtf8.h"

namespace records::text {
namespace {

// The conversion descriptors this thread has opened, closed when it ends.
class IconvCache {
public:
    ~IconvCache() {
        for (int i = 0; i < count_; ++i) {
            iconv_close(entries_[i].descriptor);
        }
    }

    // The descriptor for from -> to, or (iconv_t)-1 when iconv does not know them.
    iconv_t Get(const char* to, const char* from) {
        for (int i = 0; i < count_; ++i) {
            if (std::strcmp(entries_[i].to, to) == 0 && std::strcmp(entries_[i].from, from) == 0) {
                return entries_[i].descriptor;
            }
        }
        iconv_t descriptor = iconv_open(to, from);
        if (descriptor == reinterpret_cast<iconv_t>(-1) || count_ == kCapacity) {
            return descriptor;  // not kept: an unknown set, or a full cache (never here)
        }
        entries_[count_++] = {to, from, descriptor};
        return descriptor;
    }

    bool Kept(iconv_t descriptor) const {
        for (int i = 0; i < count_; ++i) {
            if (entries_[i].descriptor == descriptor) {
                return true;
            }
        }
        return false;
    }

private:
    static constexpr int kCapacity = 8;
    struct Entry {
        const char* to;
        const char* from;
        iconv_t descriptor;
    };
    Entry entries_[kCapacity] = {};
    int count_ = 0;
};

thread_local IconvCache cache;

// Converts in to out; what does not convert becomes replacement and skip input bytes are
// passed over. Stops when the output is full. Returns the bytes written.
std::size_t Convert(const char* to, const char* from, const char* in, std::size_t length, char* out,
                    std::size_t size, const char* replacement, std::size_t replacementLength,
                    std::size_t skip, std::size_t* consumed) {
    iconv_t descriptor = cache.Get(to, from);
    if (consumed != nullptr) {
        *consumed = 0;
    }
    if (descriptor == reinterpret_cast<iconv_t>(-1)) {
        return 0;
    }
    iconv(descriptor, nullptr, nullptr, nullptr, nullptr);
    char* input = const_cast<char*>(in);  // iconv's declaration lacks the const
    std::size_t inLeft = length;
    char* output = out;
    std::size_t outLeft = size;
    while (inLeft > 0) {
        if (iconv(descriptor, &input, &inLeft, &output, &outLeft) != static_cast<std::size_t>(-1)) {
            break;
        }
        if (errno != EILSEQ && errno != EINVAL) {
            break;  // E2BIG: the output is full
        }
        if (outLeft < replacementLength) {
            break;
        }
        std::memcpy(output, replacement, replacementLength);
        output += replacementLength;
        outLeft -= replacementLength;
        const std::size_t passed = inLeft < skip ? inLeft : skip;
        input += passed;
        inLeft -= passed;
    }
    if (!cache.Kept(descriptor)) {
        iconv_close(descriptor);
    }
    if (consumed != nullptr) {
        *consumed = length - inLeft;
    }
    return size - outLeft;
}

}  // namespace

std::size_t Utf8ToUtf16Be(const char* in, std::size_t length, std::uint8_t* out, std::size_t size,
                          std::size_t* consumed) {
    static constexpr char kReplacement[2] = {0x00, '?'};
    return Convert("UTF-16BE", "UTF-8", in, length, reinterpret_cast<char*>(out), size,
                   kReplacement, 2, 1, consumed);
}

std::size_t Utf16BeToUtf8(const std::uint8_t* in, std::size_t length, char* out, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    const std::size_t written = Convert("UTF-8", "UTF-16BE", reinterpret_cast<const char*>(in),
                                        length, out, size - 1, "?", 1, 2, nullptr);
    return ReplaceControls(out, written);
}

std::size_t LegacyToUtf8(const char* charset, const std::uint8_t* in, std::size_t length, char* out,
                         std::size_t size) {
    if (size == 0) {
        return 0;
    }
    const std::size_t written = Convert("UTF-8", charset, reinterpret_cast<const char*>(in), length,
                                        out, size - 1, "?", 1, 1, nullptr);
    return ReplaceControls(out, written);
}

}  // namespace records::text
