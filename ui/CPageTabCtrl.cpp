#include "ui/CPageTabCtrl.h"

#include <QPainter>
#include <QStyleOptionTabWidgetFrame>
#include <QTabBar>

#include "app/LanguagePack.h"

bool CPage::CreateFromDialog(int dialogId, QWidget* parent, const ui::ControlFactory& factory) {
    setParent(parent);
    const auto dialog = app::PackDialog(dialogId);
    if (!dialog) {
        return false;
    }
    ui::BuildDialog(this, *dialog, factory);
    return true;
}

CPageTabCtrl::CPageTabCtrl(QWidget* parent) : QWidget(parent), tabBar_(new QTabBar(this)) {
    tabBar_->setObjectName(QStringLiteral("tabs"));
    tabBar_->setDrawBase(true);
    tabBar_->setExpanding(false);
    tabBar_->setFocusPolicy(Qt::StrongFocus);
    // A tab chosen with the mouse or the keyboard puts its page on show: the selection
    // and the page never disagree.
    connect(tabBar_, &QTabBar::currentChanged, this, [this](int index) {
        if (index < 0) {
            return;
        }
        if (index != shownPage_) {
            ShowPage(index);
        }
        emit selectionChanged(index);
    });
}

bool CPageTabCtrl::AddPage(const QString& title, CPage* page, int dialogId) {
    if (PageCount() >= kMaxPages) {
        return false;
    }
    pages_.push_back({title, page, dialogId});
    return true;
}

void CPageTabCtrl::SetImageList(const QList<QIcon>& images) {
    images_ = images;
    for (int index = 0; index < tabBar_->count(); ++index) {
        tabBar_->setTabIcon(index, images_.value(index));
    }
}

void CPageTabCtrl::CreatePages() {
    const QSignalBlocker quiet(tabBar_);
    for (int index = 0; index < PageCount(); ++index) {
        PageEntry& entry = pages_[static_cast<std::size_t>(index)];
        if (entry.page != nullptr) {
            entry.page->Create(entry.dialogId, this);
            entry.page->setVisible(index == 0);
        }
        tabBar_->addTab(images_.value(index), entry.title);
    }
    tabBar_->adjustSize();
    shownPage_ = PageCount() > 0 ? 0 : -1;
    tabBar_->setCurrentIndex(shownPage_);
    PlacePages();
}

CPage* CPageTabCtrl::Page(int index) const {
    if (index < 0 || index >= PageCount()) {
        return nullptr;
    }
    return pages_[static_cast<std::size_t>(index)].page;
}

int CPageTabCtrl::CurrentTab() const {
    return tabBar_->currentIndex();
}

void CPageTabCtrl::SetCurrentTab(int index) {
    tabBar_->setCurrentIndex(index);
}

void CPageTabCtrl::SetTabText(int index, const QString& text) {
    tabBar_->setTabText(index, text);
    tabBar_->adjustSize();
    PlacePages();
}

QString CPageTabCtrl::TabText(int index) const {
    return tabBar_->tabText(index);
}

QRect CPageTabCtrl::DisplayArea() const {
    const QRect item = tabBar_->count() > 0 ? tabBar_->tabRect(0).translated(tabBar_->pos())
                                            : QRect(0, 0, 0, tabBar_->sizeHint().height());
    const int left = item.left();
    const int top = item.bottom() + 1;
    return QRect(left, top, width() - left - 2, height() - top - 3);
}

void CPageTabCtrl::ShowPage(int index) {
    if (CPage* shown = Page(shownPage_)) {
        shown->hide();
    }
    shownPage_ = index;
    if (CPage* page = Page(index)) {
        page->show();
    }
}

void CPageTabCtrl::PlacePages() {
    tabBar_->move(0, 0);
    tabBar_->resize(std::min(tabBar_->sizeHint().width(), width()), tabBar_->sizeHint().height());
    const QRect area = DisplayArea();
    for (const PageEntry& entry : pages_) {
        if (entry.page != nullptr) {
            entry.page->setGeometry(area);
        }
    }
}

void CPageTabCtrl::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    PlacePages();
}
