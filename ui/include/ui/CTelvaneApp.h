// The application: the start-up sequence, the main window's working life and the exit.
//
// Start-up, in order: the program directory; the settings store "telvane.config.xml"; the
// INI file "telvane.cfg"; the configured language; its pack loaded (falling back on
// English; a pack that cannot be loaded ends start-up with an error box); the single-
// instance lock "Telvane.exe" (a second copy shows string 8001 and ends); the main window.
// (The design's ActiveX, COM and rich-edit library steps have no meaning here.)
#pragma once

#include <QSize>
#include <cstdint>
#include <memory>
#include <string>

#include "app/SingleInstanceLock.h"

class CTelvaneDlg;

class CTelvaneApp {
public:
    struct Options {
        // --virtual-reader[=IMAGE]: the card session uses the virtual reader with this card
        // image (empty: the demo card).
        bool virtualReader = false;
        std::string cardImage;
        // The single-instance lock's name.
        std::string lockName = app::kInstanceLockName;
        // The screen the main window scales to; empty: the primary screen.
        QSize screen;
    };

    explicit CTelvaneApp(Options options);
    ~CTelvaneApp();
    CTelvaneApp(const CTelvaneApp&) = delete;
    CTelvaneApp& operator=(const CTelvaneApp&) = delete;

    // Runs start-up up to the main window on show. False when start-up ended early: the
    // pack could not be loaded, another copy runs, or the pack lacks the main window.
    bool InitInstance();
    // Runs the main window until it closes.
    void Run();
    // Destroys the main window, releases the lock and frees the language pack.
    void ExitInstance();

    // Start-up step 7: loads the pack of name (the fallback pack "English" when no pack
    // has that name; the id then stays as configured) and writes its name and id to the
    // store. On failure shows the error box and returns false.
    static bool LoadStartupPack(const std::string& name, std::uint16_t id);

    CTelvaneDlg* MainWindow() const { return window_.get(); }
    const Options& GetOptions() const { return options_; }

private:
    Options options_;
    app::CSingleInstanceLock lock_;
    std::unique_ptr<CTelvaneDlg> window_;
};
