// The progress window of the card transfers: a captioned window above its owner with an
// explanatory text, a CShadeProgressCtrl and a Cancel button, the percentage in its
// caption. While it is modal its owner is disabled.
//
// A transfer constructs it, calls BeginModal and SetBounds(0, records, 1), shows its text,
// and for each record calls Advance, lets Qt process pending events
// (QCoreApplication::processEvents) and stops when IsCancelled() says so; EndModal (or the
// destructor) ends it. No nested event loop runs: the window stays responsive through the
// transfer's own event processing. Destroy it before its owner.
#pragma once

#include <QPointer>
#include <QString>
#include <QWidget>

class QLabel;
class QPushButton;
class CShadeProgressCtrl;

class CProgressDlg : public QWidget {
    Q_OBJECT
public:
    // The command the Cancel button sends; it sets the cancelled flag.
    static constexpr int kCancelCommand = 10;
    // Control ids of the window's children (also their "controlId" property).
    static constexpr int kTextId = 11;
    static constexpr int kBarId = 12;
    // The window's width before the margins, and the margin on every side.
    static constexpr int kTextWidth = 390;
    static constexpr int kMargin = 10;

    // Creates, lays out, centres over the owner and shows the window (without activating
    // it); the caption is title. owner null takes the active window. smooth selects the
    // bar's smooth style. The Cancel button says "Cancel" until SetCancelText.
    CProgressDlg(QWidget* owner, const QString& title, bool smooth);
    ~CProgressDlg() override;

    // Disables the topmost enabled window among this window's parents (its owner, in
    // practice) and enables this one. Returns false when it was modal already.
    bool BeginModal();
    // When modal: re-enables the window BeginModal disabled. Then hides the window for
    // good: later updates do nothing. Runs at destruction too.
    void EndModal();

    // Range and step of the window and the bar; the position becomes lower.
    void SetBounds(int lower, int upper, int step);
    // Shows text (cut to 511 characters) as the explanatory text, as it is.
    void ShowText(const QString& text);
    // Stores the position and moves the bar there. The caption becomes "title [N%]" when
    // the whole percentage N = (pos - lower) * 100 / (upper - lower) (0 for an empty range)
    // differs from the one shown last; it starts at 0, so the caption shows the title alone
    // until the percentage first leaves 0.
    void SetPosition(int pos);
    // SetPosition(position + step).
    void Advance();

    // The window's command handler: kCancelCommand sets the cancelled flag. Every command
    // is then passed on to the owner through commandSent.
    void OnCommand(int id);
    bool IsCancelled() const { return cancelled_; }

    void SetCancelText(const QString& text);

    bool IsModal() const { return modal_; }
    bool IsCreated() const { return created_; }
    int Position() const { return position_; }
    int Lower() const { return lower_; }
    int Upper() const { return upper_; }
    int Step() const { return step_; }
    QString Title() const { return title_; }
    QWidget* DisabledOwner() const { return ownerToEnable_; }

    QLabel* TextControl() const { return text_; }
    CShadeProgressCtrl* Bar() const { return bar_; }
    QPushButton* CancelButton() const { return cancel_; }

signals:
    // A command the window received (kCancelCommand from the Cancel button), after the
    // window's own handling.
    void commandSent(int id);

protected:
    // The window manager's close button (where it offers one) cancels; the window stays
    // until the transfer ends it.
    void closeEvent(QCloseEvent* event) override;
    // A thin line around the bar, in the margin, so that its empty part shows where the
    // bar ends.
    void paintEvent(QPaintEvent* event) override;

private:
    void LayOut();

    QPointer<QWidget> ownerToEnable_;
    bool cancelled_ = false;
    bool modal_ = false;
    bool created_ = false;
    int position_ = 0;
    int lastPercent_ = 0;
    int step_ = 1;
    int upper_ = 100;
    int lower_ = 0;
    int textLines_ = 4;
    QLabel* text_ = nullptr;
    CShadeProgressCtrl* bar_ = nullptr;
    QPushButton* cancel_ = nullptr;
    QString title_;
};
