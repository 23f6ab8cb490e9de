// The main window: dialog 1700 of the language pack with menu 500, toolbar 137, the six
// row buttons 1701-1706, the tab control 1712 with the phonebook and message pages, the
// logo picture 1045, the version text 1019 and a status bar of three panes. It routes
// every command, enables menu items and buttons by the connection state, switches the
// pages and the language, and keeps the status-line record.
#pragma once

#include <QMainWindow>
#include <QSize>
#include <array>
#include <cstdint>
#include <string>

#include "app/StatusLineRecord.h"
#include "ui/DialogBuilder.h"

class QLabel;
class CActionButton;
class CMessagePage;
class CPageTabCtrl;
class CPhonebookPage;
class CToolBarEx;

class CTelvaneDlg : public QMainWindow {
    Q_OBJECT
public:
    static constexpr int kDialogId = 1700;
    static constexpr int kMenuId = 500;
    static constexpr int kToolbarId = 137;
    static constexpr int kTabControlId = 1712;
    static constexpr int kLogoId = 1045;
    static constexpr int kVersionTextId = 1019;
    static constexpr const char* kVersionText = "Ver 1.5.080108";
    static constexpr const char* kLogoFile = "logo.bmp";
    // The screen the window was designed for.
    static constexpr int kDesignedScreenWidth = 1024;
    static constexpr int kDesignedScreenHeight = 768;

    // screen: the screen size the layout scales to; an empty size takes the primary
    // screen's.
    explicit CTelvaneDlg(QSize screen = QSize(), QWidget* parent = nullptr);
    ~CTelvaneDlg() override;

    // The window's initialisation: built from dialog 1700, the run record written, laid
    // out, the Language submenu built, the menus set for no reader. Returns false when the
    // pack lacks the window or its toolbar (the window then must not be run).
    bool OnInitDialog();

    // The command hook: the dispatch table, then the message map's commands.
    void OnCommand(int command);

    // Menu items and toolbar buttons for a connected or disconnected reader.
    void UpdateMenuState(bool connected);
    // The tab selection change: menus and row buttons by the loaded flags of the new tab.
    void OnTabSelChange(int tab);
    // Lets the window stay responsive inside long operations: processes pending events;
    // false when the window is closing and the operation should stop.
    bool PumpPendingMessages();

    // Language packs.
    void BuildLanguageMenu();
    void OnLanguageCommand(int command);
    // Replaces the current pack by the pack named name (empty: the stored name), falling
    // back on English; re-labels the window. When the new pack does not load the current
    // one stays, nothing is re-labelled, and the start-up error text is shown; returns
    // false then.
    bool SwitchLanguage(std::string name);
    void ShowHelp();
    int LastLanguageCommand() const { return lastLanguageCommand_; }
    // The language command marked in the menu; 0 when none is.
    int MarkedLanguageCommand() const { return markedLanguageCommand_; }

    // The status bar: pane texts and the record they are replayed from.
    app::StatusLineRecord& StatusRecord() { return statusRecord_; }
    // Shows pane's text from the status-line record in the current language.
    void ShowStatusPane(int pane);
    QString StatusPaneText(int pane) const;
    QLabel* StatusPane(int pane) const { return panes_[static_cast<std::size_t>(pane)]; }

    std::uint16_t LanguageId() const { return languageId_; }
    // The layout's scale: the screen against 1024 x 768, times the design's base units
    // against this font's.
    double ScaleX() const { return scaleX_; }
    double ScaleY() const { return scaleY_; }

    CToolBarEx* ToolBar() const { return toolbar_; }
    CPageTabCtrl* TabControl() const { return tabs_; }
    CPhonebookPage* PhonebookPage() const { return phonebookPage_; }
    CMessagePage* MessagePage() const { return messagePage_; }
    QWidget* Client() const { return client_; }

    // Card session flags (set by the card session and the transfers).
    bool readerPresent = false;
    bool pinCheckPending = true;
    bool phonebookLoaded = false;
    bool messagesLoaded = false;
    bool isWin9x = false;

signals:
    // The window closed: the program's working life is over.
    void closed();

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void LayOut();
    void CreateToolBar();
    void CreateStatusBar();
    void ScaleControls();
    void RelabelAfterSwitch();
    QMenu* LanguageSubmenu() const;
    void MarkLanguage(int command);

    // The message map's handlers; the card session, transfers, PIN and files fill them.
    void OnConnect() {}
    void OnDisconnect() {}
    void OnReadSim() {}
    void OnWriteSim() {}
    void OnReadFile() {}
    void OnSaveFile() {}
    void OnPinStatus() {}
    void OnChangePin() {}
    void OnRowCommand(int command);

    QSize screen_;
    ui::DialogUnits units_;  // of dialog 1700's font
    double scaleX_ = 1.0;
    double scaleY_ = 1.0;
    QWidget* client_ = nullptr;
    CToolBarEx* toolbar_ = nullptr;
    CPageTabCtrl* tabs_ = nullptr;
    CPhonebookPage* phonebookPage_ = nullptr;
    CMessagePage* messagePage_ = nullptr;
    std::array<QLabel*, 3> panes_{};
    app::StatusLineRecord statusRecord_;
    std::uint16_t languageId_ = 1033;
    int lastLanguageCommand_ = 5200;
    int markedLanguageCommand_ = 0;
    bool closing_ = false;
};

// The main window, published while it initialises so that the pages can reach it; null
// when there is none.
CTelvaneDlg* MainWindow();
