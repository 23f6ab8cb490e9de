// quillon-info: is the reader recognised? Finds the combo reader (or runs on the virtual
// reader), and prints its device path, its function list, the card's answer to reset,
// ICCID and PIN state, or the library's last error text when a step fails.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <memory>
#include <string>
#include <string_view>

#include "emulator/VirtualLinuxHost.h"
#include "emulator/VirtualReader.h"
#include "quillon/Diagnostics.h"
#include "quillon/Quillon.h"
#include "records/CMyTools.h"
#include "sim/FunctionList.h"

namespace {

constexpr const char* kUsage =
    "Usage: quillon-info [--virtual-reader[=IMAGE]]\n"
    "\n"
    "Finds the SIM card reader and prints its device path, function list, and the\n"
    "card's answer to reset, ICCID and PIN state.\n"
    "\n"
    "  --virtual-reader[=IMAGE]  use the virtual reader with the card image IMAGE\n"
    "                            (default: the demo card beside the program)\n"
    "  --help                    show this text\n";

std::string ProgramDirectory() {
    char path[4096];
    const ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
    if (length <= 0) {
        return "./";
    }
    path[length] = '\0';
    std::string directory(path);
    return directory.substr(0, directory.rfind('/') + 1);
}

std::string Hex(const unsigned char* bytes, std::size_t length) {
    std::string text;
    char digits[4];
    for (std::size_t i = 0; i < length; ++i) {
        std::snprintf(digits, sizeof digits, i ? " %02X" : "%02X", bytes[i]);
        text += digits;
    }
    return text;
}

// The answer to reset without the zeros the reader pads it with.
std::size_t AnswerToResetLength(const unsigned char* atr, std::size_t area) {
    std::size_t length = area;
    while (length > 0 && atr[length - 1] == 0x00) {
        --length;
    }
    return length;
}

int Fail(const char* step) {
    const char* text = QuillonLastErrorText();
    std::fprintf(stderr, "quillon-info: %s", step);
    if (text && *text) {
        std::fprintf(stderr, " (%s)", text);
    }
    std::fprintf(stderr, "\n");
    return 1;
}

struct Closer {
    void operator()(void* device) const { CloseRX520X(device); }
};

int Report() {
    CQuillon reader;
    std::unique_ptr<char, decltype(&std::free)> path(reader.FindDeviceEntry(), &std::free);
    if (!path) {
        return Fail("no SIM card reader (USB 0B9D:7731 or 0B9D:7734) found");
    }
    std::printf("Device path:      %s\n", path.get());

    std::unique_ptr<void, Closer> device(reader.OpenRX520X(path.get()));
    if (!device) {
        return Fail("cannot open the reader");
    }

    unsigned long replyLength = 0;
    std::unique_ptr<char, decltype(&std::free)> reply(
        reader.SIM_InquiryFunctions(device.get(), &replyLength), &std::free);
    sim::FunctionList functions;
    if (!reply || !sim::ParseFunctionList(reinterpret_cast<unsigned char*>(reply.get()),
                                          replyLength, functions)) {
        return Fail("the reader does not answer the function inquiry: not a supported reader");
    }
    std::printf("Reader model:     %02x\n", functions.readerModel);
    std::printf("Firmware:         %x%s\n", functions.firmwareVersion,
                functions.IsLongFormReader() ? " (long command form)" : "");
    std::printf("Functions:       ");
    for (std::size_t i = 0; i < functions.count; ++i) {
        std::printf(" %zu:\"%.4s\"", i, functions.tags[i].data());
    }
    std::printf("\n");
    if (functions.simIndex < 0) {
        return Fail("the reader has no SIM function");
    }
    std::printf("SIM function:     %d\n", functions.simIndex);
    const auto function = static_cast<unsigned char>(functions.simIndex);

    unsigned char atr[64] = {};
    if (!reader.GetATRValue(device.get(), atr, function)) {
        return Fail("no answer to reset: is there a card in the slot?");
    }
    std::printf("Answer to reset:  %s\n", Hex(atr, AnswerToResetLength(atr, sizeof atr)).c_str());

    // GSM 11.11 9.2.1: the master file's response data; byte 14 (index 13) is the file
    // characteristics, whose bit 8 set means CHV1 disabled; byte 19 (index 18) the CHV1
    // status, attempts left in its low nibble.
    unsigned char length = 0;
    unsigned char response[64] = {};
    if (!reader.SelectFile(device.get(), 0x3F00, length, function) ||
        !reader.GetResponse(device.get(), length, response, function)) {
        return Fail("cannot select the master file 3F00");
    }
    if (length > 18) {
        std::printf("PIN (CHV1):       %s, %d attempts left\n",
                    (response[13] & 0x80) ? "disabled" : "enabled", response[18] & 0x0F);
    }

    unsigned char iccid[64] = {};
    if (!reader.SelectFile(device.get(), 0x2FE2, length, function) ||
        !reader.GetResponse(device.get(), length, response, function)) {
        return Fail("cannot select EF_ICCID 2FE2");
    }
    // Bytes 3-4 are the file size; the ICCID is 10 bytes, 20 digits.
    unsigned size = static_cast<unsigned>(response[2] << 8 | response[3]);
    if (size > 31) {
        size = 31;
    }
    if (!reader.ReadBinary(device.get(), static_cast<unsigned char>(size), function, iccid)) {
        return Fail("cannot read EF_ICCID");
    }
    char digits[2 * 31 + 1] = {};
    CMyTools::bcd2asc(iccid, digits, static_cast<int>(size));
    std::printf("ICCID:            %s\n", digits);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    bool virtualReader = false;
    std::string image;
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (argument == "--help" || argument == "-h") {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (argument == "--virtual-reader") {
            virtualReader = true;
        } else if (argument.rfind("--virtual-reader=", 0) == 0) {
            virtualReader = true;
            image = std::string(argument.substr(std::strlen("--virtual-reader=")));
        } else {
            std::fprintf(stderr, "quillon-info: unknown argument '%s'\n\n%s", argv[i], kUsage);
            return 2;
        }
    }
    if (!virtualReader) {
        return Report();
    }
    if (image.empty()) {
        image = ProgramDirectory() + "cards/demo.card";
    }
    try {
        std::unique_ptr<emulator::VirtualReader> reader = emulator::VirtualReader::FromImage(image);
        emulator::VirtualLinuxHost host(*reader);
        std::printf("Virtual reader:   %s\n", image.c_str());
        return Report();
    } catch (const std::exception& error) {
        std::fprintf(stderr, "quillon-info: %s\n", error.what());
        return 1;
    }
}
