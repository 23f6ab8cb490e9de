// The current language pack's resources in Qt's forms.
#pragma once

#include <QIcon>
#include <QImage>
#include <QPixmap>
#include <QString>
#include <optional>
#include <string>
#include <vector>

#include "app/LanguagePackText.h"

namespace ui {

// String id of the current pack; nothing when the pack lacks it.
std::optional<QString> PackText(int id);
// String id, or an empty text when the pack lacks it.
QString PackTextOrEmpty(int id);
// String id with its conversions filled in; empty when it is missing or does not fit.
QString FormatPackText(int id, const std::vector<app::PackTextArgument>& arguments);

// The box of a pack that cannot be loaded: "Can not load PATH. Please reinstall your
// software", with the exclamation icon, over owner (null: no owner).
void ShowPackLoadError(QWidget* owner, const std::string& path);

// Bitmap id of the current pack; a null image when it is missing or does not decode.
QImage PackBitmapImage(int id);
// Icon id of the current pack; a null icon when it is missing or does not decode.
QIcon PackIconImage(int id);

// The pixmap of bitmap with every pixel of maskColour made transparent.
QPixmap MaskedPixmap(const QImage& bitmap, const QColor& maskColour);

}  // namespace ui
