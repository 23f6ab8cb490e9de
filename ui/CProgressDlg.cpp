#include "ui/CProgressDlg.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFontMetrics>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <algorithm>

#include "ui/CShadeProgressCtrl.h"

namespace {

// The font the layout is measured with: the desktop's message-box font.
QFont MessageFont() {
    return QApplication::font("QMessageBox");
}

// The text whose height sets the bar's.
constexpr const char* kBarHeightText = " Cancel ";

}  // namespace

CProgressDlg::CProgressDlg(QWidget* owner, const QString& title, bool smooth)
    : QWidget(owner != nullptr ? owner : QApplication::activeWindow(),
              Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      title_(title) {
    setObjectName("progressDlg");
    setAttribute(Qt::WA_ShowWithoutActivating);
    setCursor(Qt::BusyCursor);
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Button);
    setWindowTitle(title);

    text_ = new QLabel(this);
    text_->setObjectName("progressText");
    text_->setProperty("controlId", kTextId);
    text_->setTextFormat(Qt::PlainText);
    text_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    text_->setWordWrap(false);
    text_->setFont(MessageFont());

    bar_ = new CShadeProgressCtrl(this);
    bar_->setObjectName("progressBar");
    bar_->setProperty("controlId", kBarId);
    bar_->SetSmooth(smooth);
    bar_->SetStartColour(QColor(0, 0, 255));
    bar_->SetEndColour(QColor(255, 0, 0));
    bar_->SetTextColour(QColor(0, 255, 0));
    bar_->SetShowPercent(true);

    cancel_ = new QPushButton(QStringLiteral("Cancel"), this);
    cancel_->setObjectName("progressCancel");
    cancel_->setProperty("controlId", kCancelCommand);
    cancel_->setAutoDefault(false);
    connect(cancel_, &QPushButton::clicked, this, [this] { OnCommand(kCancelCommand); });

    LayOut();

    // Centred over the owner (or the screen), shown without taking the focus.
    const QWidget* over = parentWidget() != nullptr ? parentWidget()->window() : nullptr;
    QPoint centre;
    if (over != nullptr && over->isVisible()) {
        centre = over->frameGeometry().center();
    } else if (const QScreen* screen = this->screen()) {
        centre = screen->availableGeometry().center();
    }
    move(centre - QPoint(width() / 2, height() / 2));
    show();

    created_ = text_ != nullptr && bar_ != nullptr;
}

CProgressDlg::~CProgressDlg() {
    EndModal();
}

void CProgressDlg::LayOut() {
    const QFontMetrics metrics(MessageFont());
    // The text block: textLines_ lines of the message font.
    QString lines(u'M');
    for (int i = 1; i < textLines_; ++i) {
        lines += QStringLiteral("\nM");
    }
    const int textHeight =
        metrics.boundingRect(QRect(0, 0, kTextWidth, 0), Qt::AlignLeft | Qt::AlignTop, lines)
            .height();
    const QRect text(kMargin, kMargin, kTextWidth, textHeight);
    text_->setGeometry(text);

    // The bar: below the text, as wide, as tall as " Cancel " in the message font plus 6.
    const int barHeight =
        metrics.boundingRect(QRect(), Qt::TextSingleLine, QString::fromLatin1(kBarHeightText))
            .height() +
        6;
    const QRect bar(kMargin, text.bottom() + 1 + kMargin, kTextWidth, barHeight);
    bar_->setGeometry(bar);

    // The Cancel button: below the bar at its right end.
    const QSize hint = cancel_->sizeHint();
    const int buttonWidth = std::max(hint.width(), 80);
    const QRect button(bar.right() + 1 - buttonWidth, bar.bottom() + 1 + kMargin, buttonWidth,
                       hint.height());
    cancel_->setGeometry(button);

    setFixedSize(kTextWidth + 2 * kMargin, button.bottom() + 1 + kMargin);
}

bool CProgressDlg::BeginModal() {
    // After EndModal the window is gone for good.
    if (modal_ || !created_) {
        return false;
    }
    // The topmost of this window and its owners that is enabled, following the owners
    // only as far as they are enabled: a window that someone else disabled stays theirs.
    QWidget* top = this;
    for (QWidget* up = parentWidget(); up != nullptr && up->isEnabled(); up = up->parentWidget()) {
        top = up;
    }
    top->setEnabled(false);
    ownerToEnable_ = top;
    setEnabled(true);
    modal_ = true;
    return true;
}

void CProgressDlg::EndModal() {
    if (modal_) {
        modal_ = false;
        if (ownerToEnable_ != nullptr) {
            ownerToEnable_->setEnabled(true);
        }
        ownerToEnable_ = nullptr;
    }
    created_ = false;
    hide();
}

void CProgressDlg::SetBounds(int lower, int upper, int step) {
    if (!created_) {
        return;
    }
    lower_ = lower;
    upper_ = upper;
    step_ = step;
    position_ = lower;
    bar_->SetRange(lower, upper);
    bar_->SetStep(step);
}

void CProgressDlg::ShowText(const QString& text) {
    if (!created_) {
        return;
    }
    text_->setText(text.left(511));
}

void CProgressDlg::SetPosition(int pos) {
    if (!created_) {
        return;
    }
    position_ = pos;
    const int percent = upper_ > lower_
                            ? static_cast<int>((static_cast<long long>(pos) - lower_) * 100 /
                                               (static_cast<long long>(upper_) - lower_))
                            : 0;
    if (percent != lastPercent_) {
        setWindowTitle(title_ + QStringLiteral(" [") + QString::number(percent) +
                       QStringLiteral("%]"));
        lastPercent_ = percent;
    }
    bar_->SetPos(pos);
}

void CProgressDlg::Advance() {
    if (!created_) {
        return;
    }
    SetPosition(position_ + step_);
}

void CProgressDlg::OnCommand(int id) {
    if (id == kCancelCommand) {
        cancelled_ = true;
    }
    emit commandSent(id);
}

void CProgressDlg::SetCancelText(const QString& text) {
    cancel_->setText(text);
    LayOut();
}

void CProgressDlg::closeEvent(QCloseEvent* event) {
    event->ignore();
    OnCommand(kCancelCommand);
}

void CProgressDlg::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setPen(palette().color(QPalette::Mid));
    painter.drawRect(bar_->geometry().adjusted(-1, -1, 0, 0));
}
