// A temporary program directory for a test of the program's windows: the language packs
// of the build (linked into its "lang" folder, or chosen ones), an optional telvane.cfg,
// and the settings file the program writes there. The program directory points there for
// the test's life, and every prompt is answered by a ScriptedPrompts.
#pragma once

#include <unistd.h>

#include <QSize>
#include <fstream>
#include <memory>
#include <string>

#include "ScriptedPrompts.h"
#include "UiTest.h"
#include "app/Configuration.h"
#include "app/LanguagePack.h"
#include "app/ProgramDirectory.h"
#include "support/TempDir.h"
#include "ui/CTelvaneApp.h"
#include "ui/CTelvaneDlg.h"

namespace support {

inline std::string BuildPack(const std::string& file) {
    return std::string(TELVANE_BIN_DIR) + "/lang/" + file;
}

class ProgramFixture : public UiTest {
protected:
    void SetUp() override {
        UiTest::SetUp();
        dir_ = std::make_unique<TempDir>();
        app::SetProgramDirectory(dir_->Path());
        MakeLangFolder();
    }

    void TearDown() override {
        app_.reset();
        app::FreeCurrentLanguagePack();
        app::SetProgramDirectory("");
        app::Settings().SetSettingsFile("");
        UiTest::TearDown();
    }

    std::string Dir() const { return dir_->Path() + "/"; }
    std::string LangDir() const { return Dir() + "lang/"; }

    void MakeLangFolder() { ::mkdir(LangDir().c_str(), 0755); }
    // Links a built pack into the program's lang folder under name.
    void AddPack(const std::string& builtFile, const std::string& name) {
        ASSERT_EQ(0, ::symlink(BuildPack(builtFile).c_str(), (LangDir() + name).c_str()));
    }
    void AddBothPacks() {
        AddPack("Zhvalo.so", "Zhvalo.so");
        AddPack("Envalo.so", "Envalo.so");
    }
    void WriteFile(const std::string& name, const std::string& text) {
        std::ofstream(Dir() + name, std::ios::binary) << text;
    }

    // Runs start-up on a 1024 x 768 screen; the lock's name is the test's own.
    bool Start(QSize screen = QSize(1024, 768)) {
        CTelvaneApp::Options options;
        options.lockName = LockName();
        options.screen = screen;
        app_ = std::make_unique<CTelvaneApp>(options);
        return app_->InitInstance();
    }
    void Stop() { app_.reset(); }
    std::string LockName() const { return "Telvane.exe.test." + std::to_string(::getpid()); }

    CTelvaneDlg* Window() const { return app_ ? app_->MainWindow() : nullptr; }
    std::string Stored(const char* path, const char* key) const {
        return app::Settings().GetSettingString(path, key, "<none>");
    }

    ScriptedPrompts prompts;
    std::unique_ptr<TempDir> dir_;
    std::unique_ptr<CTelvaneApp> app_;
};

}  // namespace support
