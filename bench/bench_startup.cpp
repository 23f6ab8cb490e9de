// Start-up to the main window on show, on Qt's offscreen platform, with 49 language packs
// in the program's "lang" folder (target under 400 ms): the folder search for the
// configured pack, loading it, the run record, building and laying out the main window
// from the pack's templates, and the Language menu, which looks at every pack.
// BM_ColdStart is the first start of the process, timed from main() (the Qt application,
// its platform plugin and fonts included); BM_StartupToMainWindow the starts after it.
#include <benchmark/benchmark.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QApplication>
#include <QTemporaryDir>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <memory>
#include <string>

#include "app/LanguagePack.h"
#include "app/ProgramDirectory.h"
#include "ui/CTelvaneApp.h"
#include "ui/CTelvaneDlg.h"

namespace {

constexpr int kPacks = 49;

using Clock = std::chrono::steady_clock;
Clock::time_point mainEntered;
double coldStartSeconds = -1;

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

// The scratch program directory, made once for the process.
const QTemporaryDir& ProgramDirectory() {
    static QTemporaryDir scratch;
    static const bool made =
        scratch.isValid() && MakeProgramDirectory(scratch.path().toStdString(), TELVANE_PACK_DIR);
    static bool pointed = false;
    if (made && !pointed) {
        app::SetProgramDirectory(scratch.path().toStdString());
        pointed = true;
    }
    return scratch;
}

// One start to the window shown and its first paint; null when it did not start.
std::unique_ptr<CTelvaneApp> StartOnce() {
    CTelvaneApp::Options options;
    options.lockName = "Telvane.exe.bench";
    options.screen = QSize(1024, 768);
    auto telvane = std::make_unique<CTelvaneApp>(options);
    if (!telvane->InitInstance()) {
        return nullptr;
    }
    QCoreApplication::processEvents();  // the window's first paint
    benchmark::DoNotOptimize(telvane->MainWindow()->isVisible());
    return telvane;
}

void BM_ColdStart(benchmark::State& state) {
    for (auto _ : state) {
        state.SetIterationTime(coldStartSeconds);
    }
    if (coldStartSeconds < 0) {
        state.SkipWithError("the first start failed");
    }
    state.counters["packs"] = kPacks;
    state.SetLabel("target < 400 ms");
}
BENCHMARK(BM_ColdStart)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

void BM_StartupToMainWindow(benchmark::State& state) {
    for (auto _ : state) {
        std::unique_ptr<CTelvaneApp> telvane = StartOnce();
        if (!telvane) {
            state.SkipWithError("start-up failed");
            break;
        }
        state.PauseTiming();  // the exit is not part of the start
        telvane.reset();
        QCoreApplication::processEvents();
        state.ResumeTiming();
    }
    state.counters["packs"] = kPacks;
    state.SetLabel("target < 400 ms");
}
BENCHMARK(BM_StartupToMainWindow)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    mainEntered = Clock::now();
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    ProgramDirectory();
    std::unique_ptr<CTelvaneApp> first = StartOnce();
    if (first) {
        coldStartSeconds = std::chrono::duration<double>(Clock::now() - mainEntered).count();
    }
    first.reset();
    QCoreApplication::processEvents();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
