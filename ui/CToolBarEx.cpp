#include "ui/CToolBarEx.h"

#include <QAction>
#include <QMenu>
#include <QMouseEvent>
#include <QStyleOptionToolButton>

#include "app/LanguagePack.h"
#include "ui/MenuBuilder.h"
#include "ui/PackUi.h"
#include "ui/Prompts.h"

CDropDownButton::CDropDownButton(QWidget* parent) : QToolButton(parent) {}

QRect CDropDownButton::ArrowRect() const {
    QStyleOptionToolButton option;
    initStyleOption(&option);
    return style()->subControlRect(QStyle::CC_ToolButton, &option, QStyle::SC_ToolButtonMenu, this);
}

void CDropDownButton::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && ArrowRect().contains(event->position().toPoint())) {
        event->accept();
        emit arrowPressed();
        return;
    }
    QToolButton::mousePressEvent(event);
}

CToolBarEx::CToolBarEx(QWidget* parent) : QToolBar(parent) {
    setObjectName(QStringLiteral("toolbar"));
    setMovable(false);
    setFloatable(false);
    setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
}

bool CToolBarEx::LoadToolBar(int id) {
    const auto toolbar = app::PackToolbar(id);
    if (!toolbar) {
        return false;
    }
    const QPixmap strip =
        ui::MaskedPixmap(ui::PackBitmapImage(id), QColor::fromRgb(kStripMaskColour));
    const QSize buttonSize(toolbar->buttonWidth, toolbar->buttonHeight);
    setIconSize(buttonSize);
    for (std::size_t index = 0; index < toolbar->commands.size(); ++index) {
        const int command = toolbar->commands[index];
        Entry entry;
        entry.command = command;
        if (command == app::ToolbarTemplate::kSeparator) {
            entry.action = addSeparator();
        } else {
            auto* button = new CDropDownButton(this);
            button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
            button->setAutoRaise(true);
            button->setProperty(ui::kCommandProperty, command);
            const QRect source(static_cast<int>(index) * buttonSize.width(), 0, buttonSize.width(),
                               buttonSize.height());
            if (!strip.isNull() && strip.rect().contains(source)) {
                button->setIcon(QIcon(strip.copy(source)));
            }
            connect(button, &QToolButton::clicked, this, [this, command] {
                // A drop-down button's face has no action.
                if (dropDowns_.count(command) == 0) {
                    emit commandSent(command);
                }
            });
            connect(button, &CDropDownButton::arrowPressed, this,
                    [this, command] { OnDropDown(command); });
            entry.button = button;
            entry.action = addWidget(button);
        }
        entries_.push_back(entry);
    }
    return true;
}

QToolButton* CToolBarEx::Button(int index) const {
    if (index < 0 || index >= EntryCount()) {
        return nullptr;
    }
    return entries_[static_cast<std::size_t>(index)].button;
}

QToolButton* CToolBarEx::ButtonOf(int command) const {
    for (const Entry& entry : entries_) {
        if (entry.button != nullptr && entry.command == command) {
            return entry.button;
        }
    }
    return nullptr;
}

bool CToolBarEx::IsSeparator(int index) const {
    return index >= 0 && index < EntryCount() && Button(index) == nullptr;
}

void CToolBarEx::SetSeparator(int index) {
    if (index < 0 || index >= EntryCount() || IsSeparator(index)) {
        return;
    }
    Entry& entry = entries_[static_cast<std::size_t>(index)];
    QAction* separator = insertSeparator(entry.action);
    removeAction(entry.action);
    entry.button->deleteLater();
    entry.action = separator;
    entry.button = nullptr;
}

void CToolBarEx::SetButtonText(int index, const QString& text) {
    if (QToolButton* button = Button(index)) {
        button->setText(text);
    }
}

QString CToolBarEx::ButtonText(int index) const {
    const QToolButton* button = Button(index);
    return button ? button->text() : QString();
}

bool CToolBarEx::EnableCommand(int command, bool enabled) {
    QToolButton* button = ButtonOf(command);
    if (button == nullptr) {
        return false;
    }
    button->setEnabled(enabled);
    return true;
}

void CToolBarEx::AddDropDown(int command, int menuId) {
    dropDowns_[command] = menuId;
    if (auto* button = qobject_cast<CDropDownButton*>(ButtonOf(command))) {
        // The menu only makes the style draw the arrow; the press is reported instead.
        button->setMenu(new QMenu(button));
        button->setPopupMode(QToolButton::MenuButtonPopup);
    }
}

void CToolBarEx::OnDropDown(int command) {
    const auto found = dropDowns_.find(command);
    QToolButton* button = ButtonOf(command);
    if (found == dropDowns_.end() || button == nullptr) {
        return;
    }
    std::unique_ptr<QMenu> menu = ui::LoadPopupMenu(found->second);
    if (!menu) {
        return;
    }
    const QPoint below = button->mapToGlobal(QPoint(0, button->height()));
    const int chosen = ui::Prompts().TrackPopupMenu(*menu, below);
    menu.reset();
    if (chosen != 0) {
        emit commandSent(chosen);
    }
}
