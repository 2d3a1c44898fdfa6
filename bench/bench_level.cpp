// Cost of the bar level meters: one bar update (measure a block, draw the frame,
// copy it to the screen), and the process's CPU share while two bars follow a
// tone captured in real time from the virtual sound card through the connector.
//
// Runs offscreen unless QT_QPA_PLATFORM says otherwise. SONAVIA_BENCH_SECONDS
// sets the length of the real-time run (default 10 s).

#include "app/StudioLevels.h"
#include "audio/MMConnector.h"
#include "bench/support/RealTimeStation.h"
#include "meters/MMLevel.h"

#include <QWidget>

namespace {

using bench::Tone;

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
        bench::WaitExposed(window);
    }
};

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

// The station's capture through the connector, whose refresh loop walks both bars
// through every buffer on the event loop.
void RunRealTime(benchmark::State& state, bool withBars)
{
    TwoBars bars;
    TMMConnector connector;
    connector.SetEnterIdle(false);
    if (withBars) {
        connector.SetLevel1(bars.left);
        connector.SetLevel2(bars.right);
    }
    for (auto _ : state) {
        const bench::RealTimeRun run = bench::RunStationCapture(&connector, bench::RunSeconds());
        bench::Report(state, run);
        state.counters["bar_updates_per_s"] =
            double(connector.RefreshCount(TMMDisplayKind::Levels)) / run.wallSeconds;
    }
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
    return bench::Main(argc, argv);
}
