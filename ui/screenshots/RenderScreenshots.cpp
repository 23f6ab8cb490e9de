// Renders windows of the program to PNG files, headless, for the pictures in
// docs/screenshots/:
//   telvane_screenshots progress-50 FILE.png        the progress window of a transfer at 50 %
//   telvane_screenshots main-window LANGUAGE FILE.png
//                                                   the main window on a 1024 x 768 screen
//                                                   in the pack named LANGUAGE
//   telvane_screenshots about LANGUAGE FILE.png     the About box
// The windows run from a scratch program directory beside the program's own packs.
// The window manager's title bar is drawn above the window, so that the caption shows.
#include <QApplication>
#include <QFont>
#include <QImage>
#include <QPainter>
#include <QPixmap>
#include <cstdio>
#include <cstring>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <string>

#include "app/ProgramDirectory.h"
#include "ui/CAboutDlg.h"
#include "ui/CProgressDlg.h"
#include "ui/CTelvaneApp.h"
#include "ui/CTelvaneDlg.h"

namespace {

// The window's picture with a plain title bar holding its caption above it.
QImage WithTitleBar(QWidget& window) {
    const QImage client = window.grab().toImage();
    const int barHeight = 28;
    QImage framed(client.width() + 2, client.height() + barHeight + 1, QImage::Format_RGB32);
    framed.fill(QColor(0x5a, 0x5a, 0x5a));
    QPainter painter(&framed);
    painter.fillRect(1, 1, client.width(), barHeight - 1, QColor(0x3c, 0x4a, 0x5c));
    QFont font = window.font();
    font.setBold(true);
    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.drawText(QRect(10, 1, client.width() - 20, barHeight - 1),
                     Qt::AlignVCenter | Qt::AlignLeft, window.windowTitle());
    painter.drawImage(1, barHeight, client);
    return framed;
}

int RenderProgress(const char* file) {
    QWidget owner;
    owner.resize(800, 600);
    owner.show();
    // The Chinese pack's texts 8068 and 8069, as a transfer shows them.
    CProgressDlg progress(&owner, QString::fromUtf8("当前进度"), true);
    progress.BeginModal();
    const int records = 250;
    progress.SetBounds(0, records, 1);
    progress.ShowText(QString::fromUtf8("这里是当前进展情况窗口...\n\n请稍候， 操作即将完成 ."));
    for (int record = 0; record < records / 2; ++record) {
        progress.Advance();
    }
    QApplication::processEvents();
    const bool saved = WithTitleBar(progress).save(QString::fromLocal8Bit(file), "PNG");
    progress.EndModal();
    if (!saved) {
        std::fprintf(stderr, "cannot write %s\n", file);
        return 1;
    }
    return 0;
}

// A scratch program directory: the packs and help files of the program's own, and a
// telvane.cfg that starts in language.
bool MakeProgramDirectory(const QTemporaryDir& scratch, const char* language) {
    const QString own = QString::fromStdString(app::ProgramDirectory());
    const QString dir = scratch.path() + "/";
    QFile cfg(dir + "telvane.cfg");
    if (!QFile::link(own + "lang", dir + "lang") || !cfg.open(QIODevice::WriteOnly)) {
        return false;
    }
    QFile::link(own + "Help", dir + "Help");
    QFile::link(own + "logo.bmp", dir + "logo.bmp");
    cfg.write(QByteArray("[Language]\nName=") + language +
              "\n[Customization]\nAppName=Telvane\nCompanyName=Telvane\n");
    cfg.close();
    app::SetProgramDirectory(dir.toStdString());
    return true;
}

int Save(const QImage& image, const char* file) {
    if (!image.save(QString::fromLocal8Bit(file), "PNG")) {
        std::fprintf(stderr, "cannot write %s\n", file);
        return 1;
    }
    return 0;
}

int RenderMainWindow(const char* language, const char* file, bool about) {
    QTemporaryDir scratch;
    if (!scratch.isValid() || !MakeProgramDirectory(scratch, language)) {
        std::fprintf(stderr, "cannot make a scratch program directory\n");
        return 1;
    }
    CTelvaneApp::Options options;
    options.lockName = "Telvane.exe.screenshots";
    options.screen = QSize(1024, 768);
    CTelvaneApp telvane(options);
    if (!telvane.InitInstance()) {
        std::fprintf(stderr, "the main window did not start\n");
        return 1;
    }
    QApplication::processEvents();
    int result = 0;
    if (about) {
        CAboutDlg box(telvane.MainWindow());
        box.show();
        QApplication::processEvents();
        result = Save(WithTitleBar(box), file);
    } else {
        result = Save(WithTitleBar(*telvane.MainWindow()), file);
    }
    telvane.ExitInstance();
    return result;
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc == 3 && std::strcmp(argv[1], "progress-50") == 0) {
        return RenderProgress(argv[2]);
    }
    if (argc == 4 && std::strcmp(argv[1], "main-window") == 0) {
        return RenderMainWindow(argv[2], argv[3], false);
    }
    if (argc == 4 && std::strcmp(argv[1], "about") == 0) {
        return RenderMainWindow(argv[2], argv[3], true);
    }
    std::fprintf(stderr,
                 "usage: %s progress-50 FILE.png | main-window LANGUAGE FILE.png | "
                 "about LANGUAGE FILE.png\n",
                 argv[0]);
    return 2;
}
