// The About box: dialog 100 of the language pack, its first line the INI's
// "Customization" / "AppName" followed by the program's version.
#pragma once

#include <QDialog>

class CAboutDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr int kDialogId = 100;
    static constexpr const char* kVersionLine = "Version 1.5.0109.2008";

    explicit CAboutDlg(QWidget* parent = nullptr);
};
