// Start-up to the main window on show, on Qt's offscreen platform, with 49 language packs
// in the program's "lang" folder (target under 400 ms): the folder search for the
// configured pack, loading it, the run record, building and laying out the main window
// from the pack's templates, and the Language menu, which looks at every pack.
#include <benchmark/benchmark.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QApplication>
#include <QTemporaryDir>
#include <cstdio>
#include <fstream>
#include <string>

#include "app/LanguagePack.h"
#include "app/ProgramDirectory.h"
#include "ui/CTelvaneApp.h"
#include "ui/CTelvaneDlg.h"

namespace {

constexpr int kPacks = 49;

// A program directory whose lang/ holds 47 copies of the English pack under other file
// names, then the two real packs; the configured language is the last pack listed.
bool MakeProgramDirectory(const std::string& dir, const std::string& packs) {
    const std::string lang = dir + "/lang/";
    if (mkdir(lang.c_str(), 0755) != 0) {
        return false;
    }
    for (int copy = 0; copy < kPacks - 2; ++copy) {
        char name[32];
        std::snprintf(name, sizeof name, "Copy%02d.so", copy);
        if (symlink((packs + "/Envalo.so").c_str(), (lang + name).c_str()) != 0) {
            return false;
        }
    }
    if (symlink((packs + "/Zhvalo.so").c_str(), (lang + "Zhvalo.so").c_str()) != 0 ||
        symlink((packs + "/Envalo.so").c_str(), (lang + "Envalo.so").c_str()) != 0) {
        return false;
    }
    std::ofstream(dir + "/telvane.cfg") << "[Language]\nName=Chinese Simplified\n";
    return true;
}

void BM_StartupToMainWindow(benchmark::State& state) {
    QTemporaryDir scratch;
    const std::string packs = TELVANE_PACK_DIR;
    if (!scratch.isValid() || !MakeProgramDirectory(scratch.path().toStdString(), packs)) {
        state.SkipWithError("cannot make the program directory");
        return;
    }
    app::SetProgramDirectory(scratch.path().toStdString());
    for (auto _ : state) {
        CTelvaneApp::Options options;
        options.lockName = "Telvane.exe.bench";
        options.screen = QSize(1024, 768);
        CTelvaneApp telvane(options);
        if (!telvane.InitInstance()) {
            state.SkipWithError("start-up failed");
            break;
        }
        QCoreApplication::processEvents();  // the window's first paint
        benchmark::DoNotOptimize(telvane.MainWindow()->isVisible());
        state.PauseTiming();
        telvane.ExitInstance();
        QCoreApplication::processEvents();
        state.ResumeTiming();
    }
    state.counters["packs"] = kPacks;
    state.SetLabel("target < 400 ms");
    app::SetProgramDirectory("");
}
BENCHMARK(BM_StartupToMainWindow)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
