// Card image files: a virtual card's whole content as human-readable text (the format is
// described in emulator/README.md), loaded when a virtual reader starts and written back
// after every change, so the card keeps its data across runs.
//
// An image is untrusted input: every length and count is bounded, and a bad image is
// refused with the file name, the line and the reason.
#pragma once

#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>

#include "emulator/CardContent.h"

namespace emulator {

class SimCard;

// A refused image; what() reads "<file>:<line>: <reason>" (or "<file>: <reason>").
class CardImageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class CardImage {
public:
    // Largest image file accepted, and longest line.
    static constexpr std::size_t kMaxFileSize = 4 * 1024 * 1024;
    static constexpr std::size_t kMaxLineLength = 2048;

    explicit CardImage(std::string path) : path_(std::move(path)) {}
    const std::string& Path() const { return path_; }

    // Reads and parses the file. Throws CardImageError when it cannot be read or is bad.
    CardContent Load() const;
    // Writes content atomically: a temporary file in the same directory, flushed to disk,
    // then renamed over the image. Returns an empty text, or the reason it failed (the
    // image is then unchanged).
    std::string Save(const CardContent& content) const;

    // Parses image text; sourceName names it in error messages. Throws CardImageError.
    static CardContent Parse(std::string_view text, std::string_view sourceName);
    // The image text of content; Parse(Format(c)) == c for every content Parse can give.
    static std::string Format(const CardContent& content);

    // A card holding the image's content that saves itself back to the image after every
    // change. A save that fails is reported once on standard error, and the card goes on
    // with its content in memory (SimCard::SaveError tells why). Throws CardImageError.
    static std::shared_ptr<SimCard> OpenCard(const std::string& path);

private:
    std::string path_;
};

}  // namespace emulator
