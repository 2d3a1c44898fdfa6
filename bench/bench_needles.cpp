// Cost of the needle meters: one needle update (measure a block, restore the
// cached scale, draw both needles, copy to the screen), and the process's CPU
// share while the two studio meters follow a tone captured in real time from the
// virtual sound card through the connector.
//
// Runs offscreen unless QT_QPA_PLATFORM says otherwise. SONAVIA_BENCH_SECONDS
// sets the length of the real-time run (default 10 s).

#include "app/StudioLevels.h"
#include "audio/MMConnector.h"
#include "bench/support/RealTimeStation.h"
#include "meters/MMMeter.h"

#include <QCoreApplication>
#include <QWidget>

namespace {

using bench::Tone;

// The two studio meters side by side in a window of their own, shown.
struct TwoMeters {
    QWidget window;
    TMMMeter* left = new TMMMeter(&window);
    TMMMeter* right = new TMMMeter(&window);
    TwoMeters()
    {
        window.resize(170, 57);
        right->move(85, 0);
        ConfigureStudioMeter(*left, chLeft);
        ConfigureStudioMeter(*right, chRight);
        window.show();
        bench::WaitExposed(window);
        left->grab(); // the first paint builds the cached scale
    }
};

// Every update moves the needle (-10 dB, then -24 dB), so each one draws. With
// range(0) = 0 every frame is also copied to the screen (the queued copy is let
// run after each update); otherwise the copies are spaced as in the program.
void BM_NeedleUpdate(benchmark::State& state)
{
    TwoMeters meters;
    const bool copyEach = state.range(0) == 0;
    if (copyEach)
        meters.left->SetScreenInterval(0);
    const auto loud = Tone(meters.left->BytesPerRefresh(), 10362);
    const auto quiet = Tone(meters.left->BytesPerRefresh(), 2000);
    meters.left->Engine().SetDecayMode(dmNone);
    bool flip = false;
    for (auto _ : state) {
        meters.left->ConsumePcm((flip ? quiet : loud).data());
        if (copyEach)
            QCoreApplication::processEvents();
        flip = !flip;
    }
    state.counters["position"] = meters.left->Engine().DisplayedPosition();
}
BENCHMARK(BM_NeedleUpdate)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

// The station's capture through the connector, whose refresh loop walks both
// meters through every buffer on the event loop (bench_level measures the same run
// without displays).
void BM_RealTimeTwoMeters(benchmark::State& state)
{
    TwoMeters meters;
    TMMConnector connector;
    connector.SetEnterIdle(false);
    connector.SetMeter1(meters.right);
    connector.SetMeter2(meters.left);
    for (auto _ : state) {
        const bench::RealTimeRun run = bench::RunStationCapture(&connector, bench::RunSeconds());
        bench::Report(state, run);
        state.counters["meter_updates_per_s"] =
            double(connector.RefreshCount(TMMDisplayKind::Meters)) / run.wallSeconds;
    }
}
BENCHMARK(BM_RealTimeTwoMeters)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

} // namespace

int main(int argc, char** argv)
{
    return bench::Main(argc, argv);
}
