// The fixture of the GUI tests: after each test no top-level window may be left (a
// fixture's own windows are deleted in its TearDown before this check).
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QHeaderView>
#include <QPoint>
#include <QStringList>
#include <QTest>
#include <QWidget>

#include <QColor>
#include <QString>
#include <ostream>

// Readable values in failure messages.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}
inline void PrintTo(const QColor& colour, std::ostream* out) {
    *out << colour.name(QColor::HexArgb).toStdString();
}

namespace support {

class UiTest : public ::testing::Test {
protected:
    void TearDown() override {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QStringList left;
        for (const QWidget* widget : QApplication::topLevelWidgets()) {
            left << QString::fromLatin1(widget->metaObject()->className()) + " " +
                        widget->objectName();
        }
        EXPECT_TRUE(left.isEmpty()) << "top-level windows left: " << left.join(", ").toStdString();
    }
};

// A left click in the middle of header item `item`, as a user gives it.
inline void ClickHeaderItem(QHeaderView* header, int item) {
    const QPoint at(header->sectionViewportPosition(item) + header->sectionSize(item) / 2,
                    header->height() / 2);
    QTest::mouseClick(header->viewport(), Qt::LeftButton, Qt::NoModifier, at);
}

}  // namespace support
