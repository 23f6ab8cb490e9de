#include "ui/CTelvaneDlg.h"

#include <QAbstractButton>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QScreen>
#include <QStatusBar>
#include <QTabBar>
#include <QUrl>
#include <cmath>

#include "app/Configuration.h"
#include "app/LanguagePack.h"
#include "app/LanguageSelection.h"
#include "app/ProgramDirectory.h"
#include "ui/CAboutDlg.h"
#include "ui/CActionButton.h"
#include "ui/CCheckList.h"
#include "ui/CMessagePage.h"
#include "ui/CPageTabCtrl.h"
#include "ui/CPhonebookPage.h"
#include "ui/CRecordList.h"
#include "ui/CToolBarEx.h"
#include "ui/DialogBuilder.h"
#include "ui/MenuBuilder.h"
#include "ui/PackUi.h"
#include "ui/Prompts.h"

namespace {

QPointer<CTelvaneDlg>& Published() {
    static QPointer<CTelvaneDlg> window;
    return window;
}

constexpr const char* kLanguageSection = "Configuration\\Language";
constexpr const char* kLanguageNameProperty = "languageName";

// The row buttons and the icons they show.
constexpr std::array<std::pair<int, int>, 6> kRowButtonIcons{
    {{1701, 129}, {1702, 142}, {1703, 143}, {1704, 144}, {1705, 145}, {1706, 146}}};
// Toolbar entries made separators, and the texts beside the others' images.
constexpr std::array<int, 5> kToolbarSeparators{0, 3, 6, 8, 10};
constexpr std::array<std::pair<int, int>, 6> kToolbarTexts{
    {{1, 8045}, {2, 8046}, {4, 8047}, {5, 8048}, {7, 8049}, {9, 8050}}};
constexpr int kPinDropDown = 32796;
constexpr int kFileDropDown = 32798;
// A control's re-label text after a language switch is string control id + 6356.
constexpr int kRelabelOffset = 6356;

QRect Scaled(const QRect& rect, double fx, double fy) {
    return QRect(static_cast<int>(rect.x() * fx), static_cast<int>(rect.y() * fy),
                 static_cast<int>(rect.width() * fx), static_cast<int>(rect.height() * fy));
}

// The numbered controls directly inside parent.
QList<QWidget*> NumberedChildren(const QWidget* parent) {
    QList<QWidget*> controls;
    for (QWidget* child : parent->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (ui::ControlIdOf(child) != app::DialogControl::kNoId) {
            controls.append(child);
        }
    }
    return controls;
}

}  // namespace

CTelvaneDlg* MainWindow() {
    return Published().data();
}

CTelvaneDlg::CTelvaneDlg(QSize screen, QWidget* parent) : QMainWindow(parent), screen_(screen) {
    setObjectName(QStringLiteral("mainWindow"));
    setAttribute(Qt::WA_DeleteOnClose, false);
}

CTelvaneDlg::~CTelvaneDlg() {
    qApp->removeEventFilter(this);
}

bool CTelvaneDlg::OnInitDialog() {
    const auto dialog = app::PackDialog(kDialogId);
    if (!dialog) {
        return false;
    }
    setWindowTitle(QString::fromStdString(dialog->caption));
    setFont(ui::DialogFont(*dialog));
    client_ = new QWidget(this);
    client_->setObjectName(QStringLiteral("client"));
    setCentralWidget(client_);
    units_ = ui::BuildDialog(
        client_, *dialog, [this](const app::DialogControl& control, QWidget* into) -> QWidget* {
            if (control.id == kTabControlId) {
                return tabs_ = new CPageTabCtrl(into);
            }
            if (control.id >= 1701 && control.id <= 1706) {
                auto* button = new CActionButton(QString::fromStdString(control.text), into);
                const int command = control.id;
                connect(button, &QPushButton::clicked, this,
                        [this, command] { OnCommand(command); });
                return button;
            }
            if (control.id == kLogoId) {
                auto* logo = new QLabel(into);
                logo->setAlignment(Qt::AlignCenter);
                return logo;
            }
            return nullptr;
        });
    if (tabs_ == nullptr) {
        return false;
    }
    connect(tabs_, &CPageTabCtrl::selectionChanged, this, &CTelvaneDlg::OnTabSelChange);
    if (const auto menu = app::PackMenu(dialog->menu != 0 ? dialog->menu : kMenuId)) {
        ui::FillMenuBar(menuBar(), *menu, [this](int command) { OnCommand(command); });
    }
    // The window menu's About item (string 8000) has no place on Linux window managers;
    // the Help menu's About item stays.
    setWindowIcon(ui::PackIconImage(128));
    Published() = this;

    const app::RunRecordResult record =
        app::UpdateRunRecord(app::Settings(), app::ConfigurationProfile(), app::LocalTimeNow());
    languageId_ = record.languageId;
    if (record.title) {
        setWindowTitle(QString::fromStdString(*record.title));
    }

    LayOut();
    qApp->installEventFilter(this);
    return toolbar_ != nullptr && toolbar_->EntryCount() > 0;
}

void CTelvaneDlg::LayOut() {
    // Designed for 1024 x 768: the window grows or shrinks with the screen.
    const QSize screen = screen_.isEmpty() && QGuiApplication::primaryScreen()
                             ? QGuiApplication::primaryScreen()->size()
                             : screen_;
    // The design's pixels are those of its font's base units on Windows; this system's
    // font may be wider or taller, so the scale also carries the window back to the share
    // of the screen the design gives it.
    const double fontX = double(ui::DialogUnits::kDesignBaseX) / units_.baseX;
    const double fontY = double(ui::DialogUnits::kDesignBaseY) / units_.baseY;
    scaleX_ = (screen.isEmpty() ? 1.0 : screen.width() / double(kDesignedScreenWidth)) * fontX;
    scaleY_ = (screen.isEmpty() ? 1.0 : screen.height() / double(kDesignedScreenHeight)) * fontY;
    // The controls beside the tab control keep their designed size: in the design's
    // pixels, not this font's.
    for (QWidget* control : NumberedChildren(client_)) {
        if (control != tabs_) {
            control->setGeometry(Scaled(control->geometry(), fontX, fontY));
        }
    }
    const QSize designed = client_->size();
    client_->setMinimumSize(static_cast<int>(designed.width() * scaleX_),
                            static_cast<int>(designed.height() * scaleY_));

    ui::SetControlText(client_, kVersionTextId, QLatin1String(kVersionText));
    if (auto* version = qobject_cast<QLabel*>(ui::FindControl(client_, kVersionTextId))) {
        version->setWordWrap(false);
        version->resize(version->size().expandedTo(version->sizeHint()));
    }
    CreateToolBar();

    if (auto* logo = qobject_cast<QLabel*>(ui::FindControl(client_, kLogoId))) {
        const QPixmap picture(QString::fromStdString(app::ProgramDirectory() + kLogoFile));
        if (!picture.isNull()) {
            logo->setPixmap(picture.scaled(logo->contentsRect().size(), Qt::IgnoreAspectRatio,
                                           Qt::SmoothTransformation));
        }
    }
    for (const auto& [id, icon] : kRowButtonIcons) {
        if (auto* button = qobject_cast<QAbstractButton*>(ui::FindControl(client_, id))) {
            button->setIcon(ui::PackIconImage(icon));
        }
    }
    tabs_->SetImageList({ui::PackIconImage(172), ui::PackIconImage(170)});
    phonebookPage_ = new CPhonebookPage;
    messagePage_ = new CMessagePage;
    tabs_->AddPage(ui::PackTextOrEmpty(8051), phonebookPage_, CPhonebookPage::kDialogId);
    tabs_->AddPage(ui::PackTextOrEmpty(8052), messagePage_, CMessagePage::kDialogId);
    tabs_->CreatePages();

    CreateStatusBar();
    ScaleControls();
    resize(client_->minimumWidth(), menuBar()->sizeHint().height() + toolbar_->sizeHint().height() +
                                        client_->minimumHeight() +
                                        statusBar()->sizeHint().height());
    // The panes: W / 5, 2W / 5 and the rest of the window's width W.
    const int width = this->width();
    panes_[0]->setFixedWidth(width / 5);
    panes_[1]->setFixedWidth(2 * width / 5);

    BuildLanguageMenu();
    UpdateMenuState(false);
}

void CTelvaneDlg::CreateToolBar() {
    toolbar_ = new CToolBarEx(this);
    addToolBar(Qt::TopToolBarArea, toolbar_);
    if (!toolbar_->LoadToolBar(kToolbarId)) {
        return;
    }
    for (int index : kToolbarSeparators) {
        toolbar_->SetSeparator(index);
    }
    for (const auto& [index, text] : kToolbarTexts) {
        toolbar_->SetButtonText(index, ui::PackTextOrEmpty(text));
    }
    toolbar_->AddDropDown(kPinDropDown, 7000);
    toolbar_->AddDropDown(kFileDropDown, 6000);
    connect(toolbar_, &CToolBarEx::commandSent, this, &CTelvaneDlg::OnCommand);
}

void CTelvaneDlg::CreateStatusBar() {
    QStatusBar* bar = statusBar();
    bar->setObjectName(QStringLiteral("statusBar"));
    bar->setSizeGripEnabled(false);
    for (int pane = 0; pane < app::StatusLineRecord::kPaneCount; ++pane) {
        auto* label = new QLabel(ui::PackTextOrEmpty(8010 + pane), bar);
        label->setObjectName(QStringLiteral("statusPane%1").arg(pane));
        label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        bar->addWidget(label, pane == 2 ? 1 : 0);
        panes_[static_cast<std::size_t>(pane)] = label;
    }
}

void CTelvaneDlg::ScaleControls() {
    // The tab control and the pages' controls follow the screen; the row buttons keep
    // their designed size. The central area keeps everything under the toolbar.
    tabs_->setGeometry(Scaled(tabs_->geometry(), scaleX_, scaleY_));
    for (CPage* page : {static_cast<CPage*>(phonebookPage_), static_cast<CPage*>(messagePage_)}) {
        for (QWidget* control : NumberedChildren(page)) {
            control->setGeometry(Scaled(control->geometry(), scaleX_, scaleY_));
            // A list's columns keep their share of it.
            if (auto* list = qobject_cast<CReportList*>(control)) {
                for (int column = 0; column < list->columnCount(); ++column) {
                    list->setColumnWidth(column,
                                         static_cast<int>(list->columnWidth(column) * scaleX_));
                }
            }
        }
    }
}

void CTelvaneDlg::UpdateMenuState(bool connected) {
    QMenuBar* menu = menuBar();
    ui::EnableCommand(menu, 5000, !connected);
    for (int command : {5001, 5002, 5004, 5005, 5100, 5101}) {
        ui::EnableCommand(menu, command, connected);
    }
    ui::EnableCommand(menu, 5003, false);
    toolbar_->EnableCommand(5000, !connected);
    for (int command : {5001, 5002, kPinDropDown, kFileDropDown}) {
        toolbar_->EnableCommand(command, connected);
    }
    toolbar_->EnableCommand(5003, false);
}

void CTelvaneDlg::OnTabSelChange(int tab) {
    QMenuBar* menu = menuBar();
    bool loaded = false;
    CReportList* list = nullptr;
    if (tab == 0) {
        loaded = phonebookLoaded;
        list = phonebookPage_->EditingList();
    } else if (tab == 1) {
        loaded = messagesLoaded;
        list = messagePage_->List();
        ui::EnableControl(client_, 1702, false);
    } else {
        return;
    }
    for (int command : {5003, 5100, 5101}) {
        ui::EnableCommand(menu, command, loaded);
    }
    toolbar_->EnableCommand(5003, loaded);
    ui::EnableControl(client_, 1701, loaded);
    if (list != nullptr) {
        list->SetAllChecked(false);
    }
}

bool CTelvaneDlg::PumpPendingMessages() {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    return !closing_;
}

void CTelvaneDlg::OnCommand(int command) {
    const int id = command & 0xFFFF;
    if (id >= app::kDefaultLanguageCommand && id <= app::kLastLanguageCommand) {
        OnLanguageCommand(id);
        return;
    }
    switch (id) {
        case 5301: {
            CAboutDlg about(this);
            ui::Prompts().RunModal(about);
            break;
        }
        case 5006:
            close();
            break;
        case 5004:
            OnPinStatus();
            break;
        case 5005:
            OnChangePin();
            break;
        case 1701:
        case 1702:
        case 1703:
        case 1704:
        case 1705:
        case 1706:
            OnRowCommand(id);
            break;
        case 5000:
            OnConnect();
            break;
        case 5001:
            OnDisconnect();
            break;
        case 5002:
            OnReadSim();
            break;
        case 5003:
            OnWriteSim();
            break;
        case 5100:
            OnReadFile();
            break;
        case 5101:
            OnSaveFile();
            break;
        case 5300:
            ShowHelp();
            break;
        default:
            break;
    }
}

void CTelvaneDlg::OnRowCommand(int command) {
    // Insert has no meaning on the message page; the pages' row commands come with them.
    if (command == 1702 && tabs_->CurrentTab() != 0) {
        return;
    }
}

QMenu* CTelvaneDlg::LanguageSubmenu() const {
    const QList<QAction*> top = menuBar()->actions();
    if (top.size() < 3 || top[2]->menu() == nullptr) {
        return nullptr;
    }
    const QList<QAction*> settings = top[2]->menu()->actions();
    return settings.isEmpty() ? nullptr : settings.front()->menu();
}

void CTelvaneDlg::BuildLanguageMenu() {
    QMenu* submenu = LanguageSubmenu();
    if (submenu == nullptr) {
        lastLanguageCommand_ = app::kDefaultLanguageCommand;
        markedLanguageCommand_ = 0;
        return;
    }
    // Only the pack's own first item stays; the packs are listed after it afresh.
    const QList<QAction*> items = submenu->actions();
    for (qsizetype index = 1; index < items.size(); ++index) {
        submenu->removeAction(items[index]);
        items[index]->deleteLater();
    }
    const app::LanguageMenuPlan plan =
        app::PlanLanguageMenu(app::Settings().GetSettingString(kLanguageSection, "Name", ""));
    if (!plan.items.empty()) {
        submenu->addSeparator();
    }
    for (const app::LanguageMenuItem& item : plan.items) {
        QString label = QString::fromStdString(item.name);
        label.replace(u'&', QStringLiteral("&&"));  // a pack's name has no access key
        QAction* action = submenu->addAction(label);
        action->setProperty(ui::kCommandProperty, item.command);
        action->setProperty(kLanguageNameProperty, QByteArray::fromStdString(item.name));
        const int command = item.command;
        connect(action, &QAction::triggered, this, [this, command] { OnCommand(command); });
    }
    lastLanguageCommand_ = plan.lastCommand;
    MarkLanguage(plan.markedCommand);
}

void CTelvaneDlg::MarkLanguage(int command) {
    markedLanguageCommand_ = command;
    ui::CheckRadioCommand(LanguageSubmenu(), app::kDefaultLanguageCommand, lastLanguageCommand_,
                          command);
}

void CTelvaneDlg::OnLanguageCommand(int command) {
    QMenu* submenu = LanguageSubmenu();
    // The mark is kept here, not read from the items: choosing an item toggles its check
    // before the command arrives.
    const int marked = markedLanguageCommand_;
    if (command == marked || command > lastLanguageCommand_) {
        ui::CheckRadioCommand(submenu, app::kDefaultLanguageCommand, lastLanguageCommand_, marked);
        return;
    }
    MarkLanguage(command);
    std::string name;
    if (command == app::kDefaultLanguageCommand) {
        app::ConfigurationProfile().ReadString("Language", "Name", "", name);
    } else if (const QAction* item = ui::FindCommand(submenu, command)) {
        name = item->property(kLanguageNameProperty).toByteArray().toStdString();
    }
    if (!SwitchLanguage(name)) {
        // The old pack is still the source of everything: its item stays the marked one.
        MarkLanguage(marked);
        return;
    }
    RelabelAfterSwitch();
}

bool CTelvaneDlg::SwitchLanguage(std::string name) {
    if (name.empty()) {
        name = app::Settings().GetSettingString(kLanguageSection, "Name", "");
    }
    const app::PackChoice choice = app::ChoosePack(name, app::kDefaultLanguageId);
    if (!app::LoadChosenPack(choice, app::Settings())) {
        ui::ShowPackLoadError(this, choice.path);
        return false;
    }
    if (const auto menu = app::PackMenu(kMenuId)) {
        ui::FillMenuBar(menuBar(), *menu, [this](int command) { OnCommand(command); });
    } else {
        menuBar()->clear();
    }
    languageId_ = choice.id;
    BuildLanguageMenu();
    if (const auto title = ui::PackText(8021)) {
        setWindowTitle(*title);
    }
    QList<QWidget*> controls = NumberedChildren(client_);
    for (QWidget* control : NumberedChildren(phonebookPage_)) {
        const int id = ui::ControlIdOf(control);
        if (id != CPhonebookPage::kMoveButtonId && id != CPhonebookPage::kCopyButtonId) {
            controls.append(control);
        }
    }
    for (QWidget* control : controls) {
        if (const auto text = ui::PackText(ui::ControlIdOf(control) + kRelabelOffset)) {
            ui::SetWidgetText(control, *text);
        }
    }
    setWindowTitle(QString::fromStdString(app::Settings().GetSettingString("Info", "Title", "")));
    for (int pane = 0; pane < app::StatusLineRecord::kPaneCount; ++pane) {
        ShowStatusPane(pane);
    }
    return true;
}

void CTelvaneDlg::RelabelAfterSwitch() {
    for (const auto& [index, text] : kToolbarTexts) {
        toolbar_->SetButtonText(index, ui::PackTextOrEmpty(text));
    }
    tabs_->SetTabText(0, ui::PackTextOrEmpty(8051));
    tabs_->SetTabText(1, ui::PackTextOrEmpty(8052));
    for (CReportList* list : {static_cast<CReportList*>(phonebookPage_->EditingList()),
                              static_cast<CReportList*>(phonebookPage_->SimList())}) {
        for (int column = 0; list != nullptr && column < list->columnCount(); ++column) {
            list->headerItem()->setText(column, ui::PackTextOrEmpty(8013 + column));
        }
    }
    if (CReportList* list = messagePage_->List()) {
        for (int column = 0; column < list->columnCount(); ++column) {
            list->headerItem()->setText(column, ui::PackTextOrEmpty(8016 + column));
        }
    }
    update();
}

void CTelvaneDlg::ShowHelp() {
    const std::string path = app::ProgramDirectory() + app::HelpFileFor(languageId_);
    ui::Prompts().OpenUrl(QUrl::fromLocalFile(QString::fromStdString(path)));
}

void CTelvaneDlg::ShowStatusPane(int pane) {
    if (pane < 0 || pane >= app::StatusLineRecord::kPaneCount) {
        return;
    }
    panes_[static_cast<std::size_t>(pane)]->setText(
        QString::fromStdString(statusRecord_.Render(pane)));
}

QString CTelvaneDlg::StatusPaneText(int pane) const {
    if (pane < 0 || pane >= app::StatusLineRecord::kPaneCount) {
        return QString();
    }
    return panes_[static_cast<std::size_t>(pane)]->text();
}

void CTelvaneDlg::closeEvent(QCloseEvent* event) {
    closing_ = true;
    event->accept();
    emit closed();
}

bool CTelvaneDlg::eventFilter(QObject* watched, QEvent* event) {
    // Enter and Escape press no button and close nothing: they reach the control with the
    // focus (an edit, a list) but never a button's own key handling.
    if (event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const bool enterOrEscape = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter ||
                                   key->key() == Qt::Key_Escape;
        auto* widget = qobject_cast<QWidget*>(watched);
        if (enterOrEscape && widget != nullptr && widget->window() == this &&
            qobject_cast<QAbstractButton*>(widget) != nullptr) {
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}
