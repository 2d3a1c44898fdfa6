// Cost of the bar level meters: one bar update (measure a block, draw the frame,
// copy it to the screen), and the process's CPU share while two bars follow a
// tone captured in real time from the virtual sound card through the connector.
//
// Runs offscreen unless QT_QPA_PLATFORM says otherwise. SONAVIA_BENCH_SECONDS
// sets the length of the real-time run (default 10 s).

#include "app/StudioLevels.h"
#include "audio/MMConnector.h"
#include "audio/WaveIn.h"
#include "meters/MMLevel.h"
#include "platform/QueuedWaveInDriver.h"
#include "platform/VirtualCapture.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <QWindow>
#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>
#include <sys/resource.h>
#include <vector>

namespace {

constexpr int kRate = 44100;
constexpr int kBufferBytes = 4096;

// Interleaved 16-bit stereo: a 1 kHz tone at the given peak on both channels.
std::vector<std::uint8_t> Tone(int bytes, int peak)
{
    std::vector<std::uint8_t> pcm(std::size_t(bytes), 0);
    for (int frame = 0; frame < bytes / 4; ++frame) {
        const double t = double(frame) / kRate;
        const auto s = std::int16_t(std::lround(peak * std::sin(2 * M_PI * 1000 * t)));
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

// Two studio bars in a window of their own, shown.
struct TwoBars {
    QWidget window;
    TMMLevel* left = new TMMLevel(&window);
    TMMLevel* right = new TMMLevel(&window);
    TwoBars()
    {
        window.resize(170, 56);
        left->move(12, 8);
        right->move(12, 30);
        ConfigureStudioBar(*left, chLeft);
        ConfigureStudioBar(*right, chRight);
        window.show();
        WaitExposed(window);
    }
};

double CpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// Every update changes the lit count (56 spots, then 30), so each one draws; with
// range(0) = 0 every one is also copied to the screen, otherwise the copies are
// spaced as in the program.
void BM_BarUpdate(benchmark::State& state)
{
    TwoBars bars;
    if (state.range(0) == 0)
        bars.left->SetScreenInterval(0);
    const auto loud = Tone(bars.left->BytesPerRefresh(), 10362);
    const auto quiet = Tone(bars.left->BytesPerRefresh(), 2000);
    bars.left->Engine().SetDecayMode(dmNone);
    bool flip = false;
    for (auto _ : state) {
        bars.left->ConsumePcm((flip ? quiet : loud).data());
        flip = !flip;
    }
    state.counters["spots"] = bars.left->Engine().DisplayedPosition();
}
BENCHMARK(BM_BarUpdate)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

// A steady tone: the level equals the held peak, which counts as a new peak, so
// every block is drawn again.
void BM_BarUpdateSteadyTone(benchmark::State& state)
{
    TwoBars bars;
    bars.left->SetScreenInterval(0);
    const auto tone = Tone(bars.left->BytesPerRefresh(), 10362);
    bars.left->Engine().SetDecayMode(dmNone);
    bars.left->ConsumePcm(tone.data());
    for (auto _ : state)
        bars.left->ConsumePcm(tone.data());
}
BENCHMARK(BM_BarUpdateSteadyTone)->Unit(benchmark::kMicrosecond);

// The station's capture (virtual card paced by the clock, 44.1 kHz 16-bit stereo,
// 4096-byte buffers, a 1 kHz tone at half scale) through the connector, whose
// refresh loop walks both bars through every buffer on the event loop.
void RunRealTime(benchmark::State& state, bool withBars)
{
    const double seconds = qEnvironmentVariableIsSet("SONAVIA_BENCH_SECONDS")
                               ? qEnvironmentVariable("SONAVIA_BENCH_SECONDS").toDouble()
                               : 10.0;
    auto backend = std::make_unique<platform::VirtualCaptureBackend>();
    backend->SetPacing(platform::VirtualCaptureBackend::Pacing::Clock);
    backend->SetSignal(platform::VirtualCaptureBackend::Signal::Sine, 1000.0, 0.5);
    platform::QueuedWaveInDriver driver(std::move(backend));
    platform::SetActiveWaveInDriver(&driver);
    {
        TwoBars bars;
        TMMConnector connector;
        TMMWaveIn waveIn;
        connector.SetEnterIdle(false);
        if (withBars) {
            connector.SetLevel1(bars.left);
            connector.SetLevel2(bars.right);
        }
        waveIn.SetCallBackMode(cmThread);
        waveIn.SetBufferSize(kBufferBytes);
        waveIn.SetNumBuffers(20);
        waveIn.SetDeviceID(MapperId);
        waveIn.SetMode(mStereo);
        waveIn.SetBitLength(b16Bit);
        waveIn.SetSampleRate(kRate);
        waveIn.SetOutput(&connector);
        for (auto _ : state) {
            waveIn.Start();
            const double cpuBefore = CpuSeconds();
            QElapsedTimer wall;
            wall.start();
            QTimer::singleShot(int(seconds * 1000), qApp, [] { QCoreApplication::exit(0); });
            QCoreApplication::exec();
            const double cpu = CpuSeconds() - cpuBefore;
            const double elapsed = double(wall.nsecsElapsed()) / 1e9;
            waveIn.Stop();
            state.SetIterationTime(elapsed);
            state.counters["cpu_percent_of_one_core"] = 100.0 * cpu / elapsed;
            state.counters["buffers_per_s"] =
                double(waveIn.BytesRecorded()) / kBufferBytes / elapsed;
            state.counters["bar_updates_per_s"] =
                double(connector.RefreshCount(TMMDisplayKind::Levels)) / elapsed;
        }
        waveIn.Close();
    }
    platform::SetActiveWaveInDriver(nullptr);
}

void BM_RealTimeTwoBars(benchmark::State& state)
{
    RunRealTime(state, true);
}
BENCHMARK(BM_RealTimeTwoBars)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

// The same run with no display attached: what capture and the connector cost alone.
void BM_RealTimeNoDisplays(benchmark::State& state)
{
    RunRealTime(state, false);
}
BENCHMARK(BM_RealTimeNoDisplays)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
