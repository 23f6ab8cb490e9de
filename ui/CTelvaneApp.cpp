#include "ui/CTelvaneApp.h"

#include <QEventLoop>

#include "app/Configuration.h"
#include "app/LanguagePack.h"
#include "app/LanguageSelection.h"
#include "ui/CTelvaneDlg.h"
#include "ui/PackUi.h"
#include "ui/Prompts.h"

namespace {

// The caption of the boxes the application itself shows: the program's name.
constexpr const char* kApplicationCaption = "Telvane";

}  // namespace

CTelvaneApp::CTelvaneApp(Options options)
    : options_(std::move(options)), lock_(options_.lockName) {}

CTelvaneApp::~CTelvaneApp() {
    ExitInstance();
}

bool CTelvaneApp::LoadStartupPack(const std::string& name, std::uint16_t id) {
    const app::PackChoice choice = app::ChoosePack(name, id);
    if (app::LoadChosenPack(choice, app::Settings())) {
        return true;
    }
    ui::ShowPackLoadError(nullptr, choice.path);
    return false;
}

bool CTelvaneApp::InitInstance() {
    app::OpenSettings();
    const app::ConfiguredLanguage language =
        app::ReadConfiguredLanguage(app::Settings(), app::ConfigurationProfile());
    if (!LoadStartupPack(language.name, language.id)) {
        return false;
    }
    // The lock comes after the pack, so that a second copy speaks the configured language.
    if (!lock_.Acquire()) {
        ui::Prompts().MessageBox(nullptr, ui::PackTextOrEmpty(8001),
                                 QLatin1String(kApplicationCaption),
                                 ui::kOk | ui::kIconInformation);
        return false;
    }
    window_ = std::make_unique<CTelvaneDlg>(options_.screen);
    if (!window_->OnInitDialog()) {
        window_.reset();
        return false;
    }
    window_->show();
    return true;
}

void CTelvaneApp::Run() {
    if (!window_ || !window_->isVisible()) {
        return;
    }
    QEventLoop loop;
    QObject::connect(window_.get(), &CTelvaneDlg::closed, &loop, &QEventLoop::quit);
    loop.exec();
}

void CTelvaneApp::ExitInstance() {
    window_.reset();
    lock_.Release();
    app::FreeCurrentLanguagePack();
}
