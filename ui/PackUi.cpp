#include "ui/PackUi.h"

#include <QBitmap>

#include "app/LanguagePack.h"
#include "app/LanguageSelection.h"
#include "ui/Prompts.h"

namespace ui {

std::optional<QString> PackText(int id) {
    if (auto text = app::PackString(id)) {
        return QString::fromStdString(*text);
    }
    return std::nullopt;
}

QString PackTextOrEmpty(int id) {
    return PackText(id).value_or(QString());
}

QString FormatPackText(int id, const std::vector<app::PackTextArgument>& arguments) {
    if (auto text = app::FormatPackString(id, arguments)) {
        return QString::fromStdString(*text);
    }
    return QString();
}

void ShowPackLoadError(QWidget* owner, const std::string& path) {
    Prompts().MessageBox(owner, QString::fromStdString(app::PackLoadErrorText(path)),
                         QLatin1String(app::kPackErrorCaption), kOk | kIconExclamation);
}

QImage PackBitmapImage(int id) {
    const auto bytes = app::PackBitmap(id);
    if (!bytes) {
        return QImage();
    }
    return QImage::fromData(bytes->data(), static_cast<int>(bytes->size()), "BMP");
}

QIcon PackIconImage(int id) {
    const auto bytes = app::PackIcon(id);
    if (!bytes) {
        return QIcon();
    }
    const QImage image = QImage::fromData(bytes->data(), static_cast<int>(bytes->size()), "PNG");
    return image.isNull() ? QIcon() : QIcon(QPixmap::fromImage(image));
}

QPixmap MaskedPixmap(const QImage& bitmap, const QColor& maskColour) {
    QPixmap pixmap = QPixmap::fromImage(bitmap);
    if (!pixmap.isNull()) {
        pixmap.setMask(pixmap.createMaskFromColor(maskColour, Qt::MaskInColor));
    }
    return pixmap;
}

}  // namespace ui
