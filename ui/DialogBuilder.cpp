#include "ui/DialogBuilder.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QFontMetrics>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QTabWidget>
#include <QTreeWidget>

#include "ui/PackUi.h"

namespace ui {

using app::ControlKind;
using app::DialogControl;

QFont DialogFont(const app::DialogTemplate& dialog) {
    QFont font(QString::fromStdString(dialog.fontFace));
    if (dialog.fontPointSize > 0) {
        font.setPointSize(dialog.fontPointSize);
    }
    return font;
}

DialogUnits DialogUnitsOf(const QFont& font) {
    const QFontMetrics metrics(font);
    DialogUnits units;
    const int width = metrics.horizontalAdvance(
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    units.baseX = std::max(1, (width / 26 + 1) / 2);
    units.baseY = std::max(1, metrics.height());
    return units;
}

QString WithoutAccessKeys(const QString& text) {
    QString shown;
    shown.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == u'&') {
            if (i + 1 < text.size() && text[i + 1] == u'&') {
                shown += u'&';
                ++i;
            }
            continue;
        }
        shown += text[i];
    }
    return shown;
}

namespace {

QPixmap ControlImage(const DialogControl& control) {
    if (control.imageId == 0) {
        return QPixmap();
    }
    if (control.imageType == app::PackResourceType::Bitmap) {
        return QPixmap::fromImage(PackBitmapImage(control.imageId));
    }
    const QIcon icon = PackIconImage(control.imageId);
    return icon.isNull() ? QPixmap() : icon.pixmap(icon.availableSizes().value(0, QSize(32, 32)));
}

QWidget* StandardControl(const DialogControl& control, QWidget* parent) {
    const QString text = QString::fromStdString(control.text);
    switch (control.kind) {
        case ControlKind::PushButton:
        case ControlKind::DefaultPushButton: {
            auto* button = new QPushButton(text, parent);
            button->setDefault(control.kind == ControlKind::DefaultPushButton);
            const QPixmap image = ControlImage(control);
            if (!image.isNull()) {
                button->setIcon(QIcon(image));
            }
            return button;
        }
        case ControlKind::StaticText: {
            auto* label = new QLabel(parent);
            label->setText(control.Has(app::kStyleNoPrefix) ? text : WithoutAccessKeys(text));
            label->setTextFormat(Qt::PlainText);
            label->setWordWrap(true);
            Qt::Alignment alignment = Qt::AlignTop | Qt::AlignLeft;
            if (control.Has(app::kStyleCentre)) {
                alignment = Qt::AlignTop | Qt::AlignHCenter;
            } else if (control.Has(app::kStyleRight)) {
                alignment = Qt::AlignTop | Qt::AlignRight;
            }
            label->setAlignment(alignment);
            return label;
        }
        case ControlKind::Edit: {
            auto* edit = new QLineEdit(text, parent);
            if (control.Has(app::kStylePassword)) {
                edit->setEchoMode(QLineEdit::Password);
            }
            if (control.Has(app::kStyleDigitsOnly)) {
                edit->setValidator(new QRegularExpressionValidator(
                    QRegularExpression(QStringLiteral("[0-9]*")), edit));
            }
            return edit;
        }
        case ControlKind::CheckBox:
            return new QCheckBox(text, parent);
        case ControlKind::RadioButton:
            return new QRadioButton(text, parent);
        case ControlKind::GroupBox:
            return new QGroupBox(WithoutAccessKeys(text), parent);
        case ControlKind::Picture: {
            auto* picture = new QLabel(parent);
            picture->setPixmap(ControlImage(control));
            picture->setAlignment(Qt::AlignLeft | Qt::AlignTop);
            return picture;
        }
        case ControlKind::Frame: {
            auto* frame = new QFrame(parent);
            frame->setFrameStyle(QFrame::Box | QFrame::Plain);
            return frame;
        }
        case ControlKind::ComboBox: {
            auto* combo = new QComboBox(parent);
            combo->setEditable(control.Has(app::kStyleDropDown));
            return combo;
        }
        case ControlKind::ListView: {
            auto* list = new QTreeWidget(parent);
            list->setRootIsDecorated(false);
            list->setSelectionMode(control.Has(app::kStyleSingleSelection)
                                       ? QAbstractItemView::SingleSelection
                                       : QAbstractItemView::ExtendedSelection);
            return list;
        }
        case ControlKind::TabControl:
            return new QTabWidget(parent);
        case ControlKind::RichEdit: {
            auto* edit = new QPlainTextEdit(text, parent);
            edit->setLineWrapMode(QPlainTextEdit::WidgetWidth);
            return edit;
        }
    }
    return new QWidget(parent);
}

// A combo box's template height is the height of its dropped list: the box itself is as
// high as Qt draws one.
QRect PlaceOf(const DialogControl& control, const DialogUnits& units, const QWidget* widget) {
    QRect place = units.ToPixels(control.x, control.y, control.width, control.height);
    if (control.kind == ControlKind::ComboBox) {
        place.setHeight(widget->sizeHint().height());
    }
    if (control.kind == ControlKind::Picture) {
        const auto* label = qobject_cast<const QLabel*>(widget);
        const QPixmap pixmap = label ? label->pixmap() : QPixmap();
        if (!pixmap.isNull()) {
            place.setSize(pixmap.size());  // a picture takes its image's size
        }
    }
    return place;
}

}  // namespace

std::vector<QWidget*> CreateDialogControls(const app::DialogTemplate& dialog, QWidget* parent,
                                           const DialogUnits& units,
                                           const ControlFactory& factory) {
    std::vector<QWidget*> widgets;
    QWidget* previous = nullptr;
    for (const DialogControl& control : dialog.controls) {
        QWidget* widget = factory ? factory(control, parent) : nullptr;
        if (widget == nullptr) {
            widget = StandardControl(control, parent);
        }
        widget->setProperty(kControlIdProperty, control.id);
        if (control.id != DialogControl::kNoId) {
            widget->setObjectName(QStringLiteral("control%1").arg(control.id));
        }
        widget->setGeometry(PlaceOf(control, units, widget));
        widget->setEnabled(!control.Has(app::kStyleDisabled));
        if (qobject_cast<QGroupBox*>(widget) != nullptr ||
            qobject_cast<QFrame*>(widget) != nullptr) {
            widget->lower();  // a box frames the controls in it, it does not cover them
        }
        if (previous != nullptr && widget->focusPolicy() != Qt::NoFocus) {
            QWidget::setTabOrder(previous, widget);
        }
        if (widget->focusPolicy() != Qt::NoFocus) {
            previous = widget;
        }
        widgets.push_back(widget);
    }
    return widgets;
}

DialogUnits BuildDialog(QWidget* window, const app::DialogTemplate& dialog,
                        const ControlFactory& factory) {
    window->setFont(DialogFont(dialog));
    const DialogUnits units = DialogUnitsOf(window->font());
    window->resize(units.ToPixelsX(dialog.width), units.ToPixelsY(dialog.height));
    CreateDialogControls(dialog, window, units, factory);
    return units;
}

int ControlIdOf(const QWidget* control) {
    const QVariant id = control ? control->property(kControlIdProperty) : QVariant();
    return id.isValid() ? id.toInt() : DialogControl::kNoId;
}

QWidget* FindControl(const QWidget* root, int id) {
    if (root == nullptr || id == DialogControl::kNoId) {
        return nullptr;
    }
    const auto children = root->findChildren<QWidget*>();
    for (QWidget* child : children) {
        if (ControlIdOf(child) == id) {
            return child;
        }
    }
    return nullptr;
}

QString WidgetText(const QWidget* control) {
    if (const auto* button = qobject_cast<const QAbstractButton*>(control)) {
        return button->text();
    }
    if (const auto* label = qobject_cast<const QLabel*>(control)) {
        return label->text();
    }
    if (const auto* edit = qobject_cast<const QLineEdit*>(control)) {
        return edit->text();
    }
    if (const auto* combo = qobject_cast<const QComboBox*>(control)) {
        return combo->currentText();
    }
    if (const auto* group = qobject_cast<const QGroupBox*>(control)) {
        return group->title();
    }
    if (const auto* edit = qobject_cast<const QPlainTextEdit*>(control)) {
        return edit->toPlainText();
    }
    return control ? control->windowTitle() : QString();
}

void SetWidgetText(QWidget* control, const QString& text) {
    if (auto* button = qobject_cast<QAbstractButton*>(control)) {
        button->setText(text);
    } else if (auto* label = qobject_cast<QLabel*>(control)) {
        label->setText(text);
    } else if (auto* edit = qobject_cast<QLineEdit*>(control)) {
        edit->setText(text);
    } else if (auto* combo = qobject_cast<QComboBox*>(control)) {
        combo->setEditText(text);
    } else if (auto* group = qobject_cast<QGroupBox*>(control)) {
        group->setTitle(text);
    } else if (auto* plain = qobject_cast<QPlainTextEdit*>(control)) {
        plain->setPlainText(text);
    } else if (control != nullptr) {
        // A tab control's or a list's own text is not shown, as on Windows.
        control->setWindowTitle(text);
    }
}

bool SetControlText(QWidget* root, int id, const QString& text) {
    QWidget* control = FindControl(root, id);
    if (control == nullptr) {
        return false;
    }
    SetWidgetText(control, text);
    return true;
}

QString ControlText(const QWidget* root, int id) {
    return WidgetText(FindControl(root, id));
}

bool EnableControl(QWidget* root, int id, bool enable) {
    QWidget* control = FindControl(root, id);
    if (control == nullptr) {
        return false;
    }
    control->setEnabled(enable);
    return true;
}

bool ShowControl(QWidget* root, int id, bool show) {
    QWidget* control = FindControl(root, id);
    if (control == nullptr) {
        return false;
    }
    control->setVisible(show);
    return true;
}

}  // namespace ui
