// telvane: the SIM phonebook and message editor.
//
//   telvane [--virtual-reader[=IMAGE]]   the program; the virtual reader with the demo card
//                                        (or the card image IMAGE) where no reader is
//   telvane --help | --version
#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "ui/CAboutDlg.h"
#include "ui/CTelvaneApp.h"

namespace {

constexpr const char* kUsage =
    "Usage: telvane [--virtual-reader[=IMAGE]]\n"
    "       telvane --help | --version\n"
    "\n"
    "Reads, edits and writes the phonebook and the short messages of a SIM card in a\n"
    "USB flash+SIM card reader.\n"
    "\n"
    "  --virtual-reader        use the virtual reader with the demo card\n"
    "  --virtual-reader=IMAGE  use the virtual reader with the card image IMAGE\n"
    "  --help                  show this text\n"
    "  --version               show the program's version\n";

bool Set(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && value[0] != '\0';
}

// Whether Qt will find a display: an explicit platform other than an X11 or Wayland one
// brings its own; otherwise DISPLAY or WAYLAND_DISPLAY must name one.
bool HasDisplay() {
    const char* platform = std::getenv("QT_QPA_PLATFORM");
    const std::string name = platform ? platform : "";
    if (name.rfind("xcb", 0) == 0) {
        return Set("DISPLAY");
    }
    if (name.rfind("wayland", 0) == 0) {
        return Set("WAYLAND_DISPLAY");
    }
    if (!name.empty()) {
        return true;
    }
    return Set("DISPLAY") || Set("WAYLAND_DISPLAY");
}

}  // namespace

int main(int argc, char** argv) {
    CTelvaneApp::Options options;
    for (int index = 1; index < argc; ++index) {
        const char* argument = argv[index];
        if (std::strcmp(argument, "--help") == 0 || std::strcmp(argument, "-h") == 0) {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (std::strcmp(argument, "--version") == 0) {
            std::printf("telvane %s\n", CAboutDlg::kVersionLine + std::strlen("Version "));
            return 0;
        }
        if (std::strcmp(argument, "--virtual-reader") == 0) {
            options.virtualReader = true;
        } else if (std::strncmp(argument, "--virtual-reader=", 17) == 0) {
            options.virtualReader = true;
            options.cardImage = argument + 17;
        } else {
            std::fprintf(stderr, "telvane: unknown argument '%s'\n\n%s", argument, kUsage);
            return 2;
        }
    }
    if (!HasDisplay()) {
        std::fputs(
            "telvane: no display found (neither DISPLAY nor WAYLAND_DISPLAY is set).\n"
            "Run it in a desktop session, or without a screen with\n"
            "  QT_QPA_PLATFORM=offscreen telvane ...   (windows drawn off screen)\n"
            "  xvfb-run telvane ...                    (a virtual X server; package xvfb)\n",
            stderr);
        return 1;
    }
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Telvane"));
    CTelvaneApp telvane(options);
    const bool started = telvane.InitInstance();
    if (started) {
        telvane.Run();
    }
    telvane.ExitInstance();
    return started ? 0 : 1;
}
