// The program's command line, run as a user runs it: the answers that come before any
// window (help, version, a wrong argument, no display).
#include <gtest/gtest.h>

#include <QProcess>
#include <QProcessEnvironment>

#include "UiTest.h"

namespace {

struct ProgramRun {
    int exitCode = -1;
    QString out;
    QString err;
};

ProgramRun RunProgram(const QStringList& arguments, const QProcessEnvironment& environment) {
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(TELVANE_BIN_DIR "/telvane"), arguments);
    ProgramRun run;
    if (!process.waitForFinished(30000)) {
        process.kill();
        process.waitForFinished();
        return run;
    }
    run.exitCode = process.exitCode();
    run.out = QString::fromUtf8(process.readAllStandardOutput());
    run.err = QString::fromUtf8(process.readAllStandardError());
    return run;
}

QProcessEnvironment WithoutDisplay() {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
        environment.remove(QString::fromLatin1(name));
    }
    return environment;
}

TEST(ProgramTest, CommandLineAnswersBeforeAnyWindow) {
    const struct {
        QStringList arguments;
        int exitCode;
        const char* outHas;
        const char* errHas;
    } cases[] = {
        {{"--help"}, 0, "Usage: telvane [--virtual-reader[=IMAGE]]", ""},
        {{"--version"}, 0, "telvane 1.5.0109.2008", ""},
        {{"--frobnicate"}, 2, "", "unknown argument '--frobnicate'"},
        // No display: a clear word on how to run it instead of Qt's abort.
        {{"--virtual-reader"}, 1, "", "QT_QPA_PLATFORM=offscreen"},
        {{}, 1, "", "xvfb-run"},
    };
    for (const auto& c : cases) {
        const ProgramRun run = RunProgram(c.arguments, WithoutDisplay());
        EXPECT_EQ(c.exitCode, run.exitCode) << c.arguments.join(' ').toStdString();
        EXPECT_TRUE(run.out.contains(QString::fromUtf8(c.outHas))) << run.out.toStdString();
        EXPECT_TRUE(run.err.contains(QString::fromUtf8(c.errHas))) << run.err.toStdString();
    }
}

}  // namespace
