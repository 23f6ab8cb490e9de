// ASPI for Win32 on Windows 9x: starting and releasing it, the scan for the reader's
// unit, and the request runner's completion, retry and unit-attention rules.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

#include "emulator/SimulatedWindowsHost.h"
#include "quillon/Diagnostics.h"
#include "quillon/Quillon.h"
#include "support/ScriptedReader.h"

namespace {

namespace win = quillon::win;
using emulator::AspiCompletion;
using emulator::AspiFault;
using emulator::SimulatedWindowsHost;
using emulator::WindowsVersion;

class Aspi : public testing::Test {
protected:
    void SetUp() override {
        host.SetVersion(WindowsVersion::Windows98());
        QuillonSetWindowsHost(&host);
        QuillonClearDiagnostics();
    }
    void TearDown() override {
        TermASPI();
        EXPECT_EQ(host.OutstandingAspiBuffers(), 0);
        EXPECT_EQ(host.OutstandingVirtualAllocs(), 0);
        EXPECT_EQ(host.AspiLoads(), host.AspiFrees()) << "WNASPI32 references left";
        EXPECT_EQ(host.OpenEvents(), 0);
        EXPECT_EQ(host.TranslateAddressCalls(), 0);
        EXPECT_TRUE(host.Violations().empty()) << host.Violations().front();
        QuillonSetWindowsHost(nullptr);
    }
    std::string LastMessage() const {
        return host.MessageBoxes().empty() ? "" : host.MessageBoxes().back().text;
    }
    // The reader as the program reaches it: found, opened, ready for card commands.
    void OpenReader() {
        host.AddWin9xReader(card);
        char* path = reader.FindDeviceEntry();
        ASSERT_NE(path, nullptr);
        ASSERT_EQ(reader.OpenRX520X(path), reinterpret_cast<void*>(1));
        std::free(path);
        card.AnswerToReset("3B 00");
    }

    SimulatedWindowsHost host;
    support::ScriptedReader card;
    CQuillon reader;
};

TEST_F(Aspi, StartUpFailures) {
    struct Case {
        const char* why;
        void (*arrange)(SimulatedWindowsHost&);
        const char* message;
    } cases[] = {
        {"WNASPI32 missing", [](SimulatedWindowsHost& h) { h.AspiLoadFails(1157); },
         "This program requires ASPI for Win32 (i.e. WNASPI32.DLL) to run properly."},
        {"WNASPI32 unloadable", [](SimulatedWindowsHost& h) { h.AspiLoadFails(126); },
         "Unable to initialize ASPI for Win32 (7e/1)."},
        {"no SendASPI32Command",
         [](SimulatedWindowsHost& h) {
             h.InstallAspi();
             h.RemoveAspiEntryPoint("SendASPI32Command");
         },
         "This program requires ASPI for Win32 (i.e. WNASPI32.DLL) to run properly."},
        {"support information not completed",
         [](SimulatedWindowsHost& h) {
             h.InstallAspi();
             h.SetAspiSupportStatus(0x04);
         },
         "Unable to initialize ASPI for Win32 (0/4)."},
        {"no transfer buffer at all",
         [](SimulatedWindowsHost& h) {
             h.InstallAspi();
             h.GrantAspiBufferSizes({});
             h.FailVirtualAlloc(1);
         },
         "Unable to initialize ASPI for Win32 (0/e9)."},
    };
    for (const Case& c : cases) {
        SimulatedWindowsHost machine;
        machine.SetVersion(WindowsVersion::Windows98());
        QuillonSetWindowsHost(&machine);
        c.arrange(machine);
        EXPECT_EQ(InitASPI(), 0) << c.why;
        ASSERT_EQ(machine.MessageBoxes().size(), 1u) << c.why;
        EXPECT_EQ(machine.MessageBoxes()[0].text, c.message) << c.why;
        EXPECT_EQ(machine.MessageBoxes()[0].caption, "Dav Irer I/R");
        EXPECT_EQ(machine.MessageBoxes()[0].owner, nullptr);
        EXPECT_EQ(machine.MessageBoxes()[0].type, win::MB_ICONERROR);
        TermASPI();
        EXPECT_EQ(machine.AspiLoads(), machine.AspiFrees()) << c.why;
    }
    QuillonSetWindowsHost(&host);
}

TEST_F(Aspi, StartUpPreparesTheManager) {
    host.InstallAspi().AddAspiAdapter();
    EXPECT_EQ(InitASPI(), 1);
    EXPECT_TRUE(host.MessageBoxes().empty());
    // The open-file error box is off during the load and restored after it.
    ASSERT_EQ(host.LibraryLoads().size(), 1u);
    EXPECT_EQ(host.LibraryLoads()[0].errorMode, win::SEM_NOOPENFILEERRORBOX);
    ASSERT_EQ(host.ErrorModes().size(), 2u);
    EXPECT_EQ(host.ErrorModes()[0], win::SEM_NOOPENFILEERRORBOX);
    // Time-outs for every adapter, target and unit.
    ASSERT_EQ(host.TimeoutRequests().size(), 1u);
    const auto& timeouts = host.TimeoutRequests()[0];
    EXPECT_EQ(timeouts.adapter, 0xFF);
    EXPECT_EQ(timeouts.target, 0xFF);
    EXPECT_EQ(timeouts.lun, 0xFF);
    EXPECT_EQ(timeouts.flags, win::SRB_DIR_OUT);
    EXPECT_EQ(timeouts.timeout, 30u);
    ASSERT_EQ(host.AspiBufferRequests().size(), 1u);
    EXPECT_EQ(host.AspiBufferRequests()[0].length, 524288u);
    EXPECT_EQ(TermASPI(), 1);
    EXPECT_EQ(host.AspiBufferFrees().size(), 1u);
    EXPECT_EQ(TermASPI(), 0) << "nothing left to unload";
}

TEST_F(Aspi, TransferBufferFallbacks) {
    host.InstallAspi().GrantAspiBufferSizes({131072});
    EXPECT_EQ(InitASPI(), 1);
    ASSERT_EQ(host.AspiBufferRequests().size(), 3u);
    EXPECT_EQ(host.AspiBufferRequests()[2].length, 131072u);
    TermASPI();

    SimulatedWindowsHost machine;
    machine.SetVersion(WindowsVersion::Windows98());
    machine.InstallAspi().RemoveAspiEntryPoint("GetASPI32Buffer");
    QuillonSetWindowsHost(&machine);
    EXPECT_EQ(InitASPI(), 1);
    EXPECT_EQ(machine.OutstandingVirtualAllocs(), 1) << "64 KiB of virtual memory instead";
    TermASPI();
    EXPECT_EQ(machine.OutstandingVirtualAllocs(), 0);
    QuillonSetWindowsHost(&host);
}

TEST_F(Aspi, RepeatedSearchesDoNotStackTheLibrary) {
    host.AddWin9xReader(card);
    for (int i = 0; i < 5; ++i) {
        std::free(reader.FindDeviceEntry());
    }
    EXPECT_EQ(host.AspiLoads() - host.AspiFrees(), 1);
    EXPECT_EQ(host.OutstandingAspiBuffers(), 1);
}

TEST_F(Aspi, ScanTakesTheFirstDirectAccessUnit) {
    host.InstallAspi();
    host.AddAspiAdapter().InquiryStatus(emulator::win32::SS_INVALID_HA);
    auto& adapter = host.AddAspiAdapter().MaxTargets(16);
    adapter.Target(2).DeviceType(emulator::win32::DTYPE_CDROM).Inquiry({5, "CDROM", "X", "1"});
    adapter.Target(9)
        .Inquiry({0x00, "Vendor  ", std::string("SIM Reader\0\0   ", 15), "1.0 "})
        .Attach(card);
    ASSERT_EQ(InitASPI(), 1);
    char path[] = "any";
    EXPECT_EQ(reader.OpenRX520X(path), reinterpret_cast<void*>(1 * 16 + 9));
    ASSERT_EQ(host.DebugOutput().size(), 2u);
    EXPECT_EQ(host.DebugOutput()[0], "[1:9] Vendor SIM Reader 1.0\n");
    EXPECT_EQ(host.DebugOutput()[1], "AdaptID is 1, TargetID is 9\n");
}

TEST_F(Aspi, ScanTriesEightTargetsUnlessTheAdapterSays16) {
    host.InstallAspi();
    host.AddAspiAdapter().MaxTargets(12).Target(10).Attach(card);
    ASSERT_EQ(InitASPI(), 1);
    char path[] = "any";
    EXPECT_EQ(reader.OpenRX520X(path), reinterpret_cast<void*>(-1));
}

TEST_F(Aspi, RunnerRetriesOnceExceptAfterUnitAttention) {
    OpenReader();
    struct Case {
        const char* why;
        int failures;  // consecutive failed requests from now
        AspiFault fault;
        int result;
        int requests;
    } cases[] = {
        {"one failure is repeated", 1, AspiFault::SelectionTimeout(), 1, 2},
        {"two failures give up", 2, AspiFault::SelectionTimeout(), 0, 2},
        {"unit attention is not repeated", 1, AspiFault::CheckCondition(6), 0, 1},
        {"other sense keys are repeated", 1, AspiFault::CheckCondition(2), 1, 2},
    };
    for (const Case& c : cases) {
        for (int n = 1; n <= c.failures; ++n) {
            host.FailAspiExec(n, c.fault);
        }
        const int before = host.AspiExecCount(0, 1);
        unsigned char atr[64];
        EXPECT_EQ(reader.GetATRValue(reinterpret_cast<void*>(1), atr, 0), c.result) << c.why;
        EXPECT_EQ(host.AspiExecCount(0, 1) - before, c.requests) << c.why;
    }
}

TEST_F(Aspi, CompletionByEventOrByPolling) {
    OpenReader();
    unsigned char atr[64];
    host.SetAspiCompletion(AspiCompletion::Pending);
    EXPECT_EQ(reader.GetATRValue(reinterpret_cast<void*>(1), atr, 0), 1);
    ASSERT_FALSE(host.Waits().empty());
    EXPECT_EQ(host.Waits().back().milliseconds, 15000u);
    EXPECT_TRUE(host.AspiLog().back().withEvent);

    host.SetAspiCompletion(AspiCompletion::Never);
    const std::size_t waits = host.Waits().size();
    EXPECT_EQ(reader.GetATRValue(reinterpret_cast<void*>(1), atr, 0), 0);
    EXPECT_EQ(host.Waits().size() - waits, 2u) << "timed out, then repeated once";

    host.SetAspiCompletion(AspiCompletion::Pending);
    host.CreateEventFails();
    EXPECT_EQ(reader.GetATRValue(reinterpret_cast<void*>(1), atr, 0), 1);
    EXPECT_FALSE(host.AspiLog().back().withEvent);
}

TEST_F(Aspi, WritesArePaddedAndReadsCleared) {
    OpenReader();
    card.Expect("A0 A4 00 00 02", 1, "A4").Expect("3F 00", 2, "9F 1A");
    unsigned char length;
    ASSERT_EQ(reader.SelectFile(reinterpret_cast<void*>(1), 0x3F00, length, 0), 1);
    const auto& log = host.AspiLog();
    ASSERT_GE(log.size(), 4u);
    const auto& header = log[log.size() - 4];
    EXPECT_EQ(header.flags & 0x18, win::SRB_DIR_OUT);
    EXPECT_EQ(header.bufferLength, 6u);
    EXPECT_EQ(support::HexText(header.dataOut), "A0 A4 00 00 02 00");
    EXPECT_EQ(log[log.size() - 3].flags & 0x18, win::SRB_DIR_IN);
}

TEST_F(Aspi, UnavailableOnLinux) {
    QuillonSetWindowsHost(nullptr);
    EXPECT_EQ(InitASPI(), 0);
    EXPECT_EQ(TermASPI(), 0);
    QuillonSetWindowsHost(&host);
}

}  // namespace
