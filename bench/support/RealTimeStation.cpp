#include "bench/support/RealTimeStation.h"

#include "audio/MMConnector.h"
#include "audio/WaveIn.h"
#include "platform/QueuedWaveInDriver.h"
#include "platform/VirtualCapture.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>
#include <QWindow>

#include <cmath>
#include <memory>
#include <sys/resource.h>

namespace bench {

std::vector<std::uint8_t> Tone(int bytes, int peak, double hz)
{
    std::vector<std::uint8_t> pcm(std::size_t(bytes), 0);
    for (int frame = 0; frame < bytes / 4; ++frame) {
        const double t = double(frame) / kRate;
        const auto s = std::int16_t(std::lround(peak * std::sin(2 * M_PI * hz * t)));
        for (int channel = 0; channel < 2; ++channel) {
            pcm[std::size_t(4 * frame + 2 * channel)] = std::uint8_t(s & 0xFF);
            pcm[std::size_t(4 * frame + 2 * channel + 1)] = std::uint8_t((s >> 8) & 0xFF);
        }
    }
    return pcm;
}

void WaitExposed(QWidget& window)
{
    QElapsedTimer timer;
    timer.start();
    while (!(window.windowHandle() && window.windowHandle()->isExposed()) && timer.elapsed() < 3000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
}

double CpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    auto seconds = [](const timeval& t) { return double(t.tv_sec) + double(t.tv_usec) / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

double RunSeconds()
{
    return qEnvironmentVariableIsSet("SONAVIA_BENCH_SECONDS")
               ? qEnvironmentVariable("SONAVIA_BENCH_SECONDS").toDouble()
               : 10.0;
}

RealTimeRun RunStationCapture(TMMConnector* connector, double seconds)
{
    auto backend = std::make_unique<platform::VirtualCaptureBackend>();
    backend->SetPacing(platform::VirtualCaptureBackend::Pacing::Clock);
    backend->SetSignal(platform::VirtualCaptureBackend::Signal::Sine, 1000.0, 0.5);
    platform::QueuedWaveInDriver driver(std::move(backend));
    platform::SetActiveWaveInDriver(&driver);
    RealTimeRun run;
    {
        TMMWaveIn waveIn;
        waveIn.SetCallBackMode(cmThread);
        waveIn.SetBufferSize(kBufferBytes);
        waveIn.SetNumBuffers(20);
        waveIn.SetDeviceID(MapperId);
        waveIn.SetMode(mStereo);
        waveIn.SetBitLength(b16Bit);
        waveIn.SetSampleRate(kRate);
        if (connector != nullptr)
            waveIn.SetOutput(connector);
        waveIn.Start();
        const double cpuBefore = CpuSeconds();
        QElapsedTimer wall;
        wall.start();
        QTimer::singleShot(int(seconds * 1000), qApp, [] { QCoreApplication::exit(0); });
        QCoreApplication::exec();
        run.cpuSeconds = CpuSeconds() - cpuBefore;
        run.wallSeconds = double(wall.nsecsElapsed()) / 1e9;
        waveIn.Stop();
        run.bytesRecorded = waveIn.BytesRecorded();
        waveIn.Close();
    }
    platform::SetActiveWaveInDriver(nullptr);
    return run;
}

void Report(benchmark::State& state, const RealTimeRun& run)
{
    state.SetIterationTime(run.wallSeconds);
    state.counters["cpu_percent_of_one_core"] = 100.0 * run.cpuSeconds / run.wallSeconds;
    state.counters["buffers_per_s"] = double(run.bytesRecorded) / kBufferBytes / run.wallSeconds;
}

int Main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

} // namespace bench
