#pragma once

#include "app/MainWindow.h"
#include "platform/Cp1252.h"
#include "platform/MessageBoxes.h"
#include "platform/QueuedWaveInDriver.h"
#include "platform/SimulatedWebBrowser.h"
#include "platform/SystemInfo.h"
#include "platform/VirtualCapture.h"
#include "support/RecordingMessageBoxes.h"
#include "support/RecordingNotifyIcons.h"
#include "support/TempFolder.h"

#include <QDateTime>
#include <cstdlib>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

namespace apptest {

// A main window whose broadcast steps only record that they ran.
class ProbeWindow : public TFrm_OnLine {
public:
    using TFrm_OnLine::TFrm_OnLine;
    std::vector<std::string> calls;

protected:
    void BuildSessionFile() override { calls.push_back("BuildSessionFile"); }
    void StartEncoder() override { calls.push_back("StartEncoder"); }
};

// A station folder of its own, a fixed clock, recorded message boxes and tray
// icons, a simulated browser, the program's title and a virtual capture card, for one test.
class StationTest : public ::testing::Test {
protected:
    StationTest()
    {
        platform::SetApplicationTitle(QStringLiteral("Zorvane Sonavia"));
        system.folder = folder.path();
        system.programFilesDir = (folder / "usr").string();
        auto owned = std::make_unique<platform::VirtualCaptureBackend>();
        capture = owned.get();
        captureDriver = std::make_unique<platform::QueuedWaveInDriver>(std::move(owned));
        platform::SetActiveWaveInDriver(captureDriver.get());
    }

    ~StationTest() override { platform::SetActiveWaveInDriver(nullptr); }

    app::StationServices Services()
    {
        return app::StationServices{system, [this] { return now; }, nullptr, &trayIcons, &browsers};
    }

    void WriteProvider(const std::string& servidor)
    {
        testsupport::WriteBytes(folder / "provedor.ini",
                                "[Provedor]\r\nServidor=" + servidor +
                                    "\r\nSite=www.exemplo.test\r\nFone=(11) 1234-5678\r\n"
                                    "EMail=suporte@exemplo.test\r\nEndereco=Rua A, 1\r\n"
                                    "CepCidade=01000-000 - S\xE3o Paulo - SP\r\n");
    }

    // The session template that ships with the program, in the station folder.
    void CopyShippedTemplate()
    {
        const char* source = std::getenv("SONAVIA_SOURCE_DIR");
        std::filesystem::copy_file(std::filesystem::path(source ? source : ".") / "deploy" /
                                       "padrao.xml",
                                   folder / "padrao.xml");
    }

    void InstallEncoderProgram()
    {
        std::filesystem::create_directories(folder / "usr" / "bin");
        testsupport::WriteBytes(folder / "usr" / "bin" / "ffmpeg", "");
    }

    std::string Log() const { return testsupport::ReadBytes(folder / "OnLine.log"); }
    std::string LogUtf8() const { return platform::Cp1252ToUtf8(Log()); }

    testsupport::TempFolder folder;
    platform::FixedSystemInfo system;
    testsupport::RecordingMessageBoxes boxes;
    testsupport::RecordingNotifyIcons trayIcons;
    platform::SimulatedWebBrowserFactory browsers;
    platform::VirtualCaptureBackend* capture = nullptr;
    std::unique_ptr<platform::QueuedWaveInDriver> captureDriver;
    QDateTime now{QDate(2026, 12, 7), QTime(21, 5, 9)};
};

} // namespace apptest
