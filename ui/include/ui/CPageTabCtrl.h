// The main window's tab control (1712): it owns up to 16 pages, each a CPage built from a
// dialog of the language pack, shows the page of the selected tab and places every page
// in the area below the tabs.
#pragma once

#include <QIcon>
#include <QList>
#include <QString>
#include <QWidget>
#include <vector>

#include "ui/DialogBuilder.h"

class QTabBar;

// A page of the tab control: a child window built from a pack dialog.
class CPage : public QWidget {
    Q_OBJECT
public:
    explicit CPage(QWidget* parent = nullptr) : QWidget(parent) {}
    // Builds the page from dialog `dialogId` of the current pack as a child of parent;
    // false when the pack has no such dialog (the page then stays empty).
    virtual bool Create(int dialogId, QWidget* parent) = 0;

protected:
    // Becomes a child of parent with dialog dialogId's font, size and controls (factory
    // makes the page's own kinds); false when the pack has no such dialog.
    bool CreateFromDialog(int dialogId, QWidget* parent, const ui::ControlFactory& factory);
};

class CPageTabCtrl : public QWidget {
    Q_OBJECT
public:
    static constexpr int kMaxPages = 16;

    explicit CPageTabCtrl(QWidget* parent = nullptr);

    // Records a page (not yet created); false when 16 pages exist already.
    bool AddPage(const QString& title, CPage* page, int dialogId);
    // Creates every page in order as a child of this control with a tab of its title and
    // the image of its index, shows page 0, hides the others and places them.
    void CreatePages();

    // The tab images, by index.
    void SetImageList(const QList<QIcon>& images);

    int PageCount() const { return static_cast<int>(pages_.size()); }
    CPage* Page(int index) const;
    // The index of the page on show; -1 before CreatePages.
    int ShownPage() const { return shownPage_; }
    // The selected tab.
    int CurrentTab() const;
    void SetCurrentTab(int index);
    QTabBar* TabBar() const { return tabBar_; }
    void SetTabText(int index, const QString& text);
    QString TabText(int index) const;

    // The area below the tabs where the pages lie: left at tab 0's left edge, top one
    // pixel below its bottom, the client width less that left edge and 2, the client
    // height less that bottom and 3.
    QRect DisplayArea() const;

signals:
    // The selected tab changed (by the mouse or the keyboard), after the page of the new
    // tab was put on show.
    void selectionChanged(int tab);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void ShowPage(int index);
    void PlacePages();

    struct PageEntry {
        QString title;
        CPage* page = nullptr;
        int dialogId = 0;
    };
    QTabBar* tabBar_;
    std::vector<PageEntry> pages_;
    QList<QIcon> images_;
    int shownPage_ = -1;
};
