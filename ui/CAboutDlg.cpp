#include "ui/CAboutDlg.h"

#include <QPushButton>

#include "app/Configuration.h"
#include "app/LanguagePack.h"
#include "ui/DialogBuilder.h"
#include "ui/PackUi.h"

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("aboutDialog"));
    const auto dialog = app::PackDialog(kDialogId);
    if (!dialog) {
        return;
    }
    setWindowTitle(QString::fromStdString(dialog->caption));
    setWindowIcon(ui::PackIconImage(128));
    ui::BuildDialog(this, *dialog);
    setFixedSize(size());
    std::string appName;
    app::ConfigurationProfile().ReadString("Customization", "AppName", "", appName);
    ui::SetControlText(this, 1019,
                       QString::fromStdString(appName) + u'\n' + QLatin1String(kVersionLine));
    if (auto* ok = qobject_cast<QPushButton*>(ui::FindControl(this, 1))) {
        connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    }
}
