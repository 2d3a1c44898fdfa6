// The capture buffer path: from the device's done notice to the buffer being
// queued on the device again, through the buffer thread and the chain.
#include "audio/WaveIn.h"
#include "platform/QueuedWaveInDriver.h"
#include "platform/VirtualCapture.h"

#include <QCoreApplication>
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <mutex>
#include <unordered_map>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

// CPU time of the whole process (all threads), in microseconds.
double ProcessCpuUs()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto us = [](const timeval& t) { return t.tv_sec * 1e6 + t.tv_usec; };
    return us(usage.ru_utime) + us(usage.ru_stime);
}

// Passes every call on to the real driver and times each buffer from its done
// notice to the moment it is queued again.
class TimingDriver final : public platform::WaveInDriver {
public:
    explicit TimingDriver(platform::WaveInDriver& inner) : inner_(inner) {}

    std::uint32_t GetNumDevs() override { return inner_.GetNumDevs(); }
    platform::MMResult GetDevCaps(std::int32_t id, platform::WaveInCaps& caps) override
    {
        return inner_.GetDevCaps(id, caps);
    }
    bool GetErrorText(platform::MMResult result, std::string& text) override
    {
        return inner_.GetErrorText(result, text);
    }
    platform::MMResult Open(platform::HWaveIn* handle, std::int32_t id, const TWaveFormatEx& format,
                            platform::WaveInCallback callback, std::uint32_t flags) override
    {
        if (!callback)
            return inner_.Open(handle, id, format, callback, flags);
        return inner_.Open(
            handle, id, format,
            [this, callback](platform::HWaveIn h, std::uint32_t msg, std::uintptr_t param) {
                if (msg == platform::MM_WIM_DATA) {
                    std::lock_guard lock(mutex_);
                    noticed_[param] = Clock::now();
                }
                callback(h, msg, param);
            },
            flags);
    }
    platform::MMResult Close(platform::HWaveIn h) override { return inner_.Close(h); }
    platform::MMResult PrepareHeader(platform::HWaveIn h, TWaveHdr* header) override
    {
        return inner_.PrepareHeader(h, header);
    }
    platform::MMResult UnprepareHeader(platform::HWaveIn h, TWaveHdr* header) override
    {
        return inner_.UnprepareHeader(h, header);
    }
    platform::MMResult AddBuffer(platform::HWaveIn h, TWaveHdr* header) override
    {
        {
            std::lock_guard lock(mutex_);
            const auto found = noticed_.find(reinterpret_cast<std::uintptr_t>(header));
            if (found != noticed_.end()) {
                latenciesUs_.push_back(
                    std::chrono::duration<double, std::micro>(Clock::now() - found->second)
                        .count());
                noticed_.erase(found);
            }
        }
        return inner_.AddBuffer(h, header);
    }
    platform::MMResult Start(platform::HWaveIn h) override { return inner_.Start(h); }
    platform::MMResult Stop(platform::HWaveIn h) override { return inner_.Stop(h); }
    platform::MMResult Reset(platform::HWaveIn h) override { return inner_.Reset(h); }
    platform::MMResult GetPosition(platform::HWaveIn h, platform::MMTime& t) override
    {
        return inner_.GetPosition(h, t);
    }
    platform::MMResult GetID(platform::HWaveIn h, std::uint32_t& id) override
    {
        return inner_.GetID(h, id);
    }

    std::vector<double> Latencies()
    {
        std::lock_guard lock(mutex_);
        return latenciesUs_;
    }

private:
    platform::WaveInDriver& inner_;
    std::mutex mutex_;
    std::unordered_map<std::uintptr_t, Clock::time_point> noticed_;
    std::vector<double> latenciesUs_;
};

// One iteration is one buffer through the whole path, with the device running
// free: the time per iteration is the cost of a buffer; the counters give the
// notice-to-requeue latency.
void BM_CaptureBufferPath(benchmark::State& state)
{
    auto owned = std::make_unique<platform::VirtualCaptureBackend>();
    owned->SetPacing(platform::VirtualCaptureBackend::Pacing::FreeRunning);
    owned->SetSignal(platform::VirtualCaptureBackend::Signal::Silence);
    platform::QueuedWaveInDriver driver(std::move(owned));
    TimingDriver timing(driver);
    platform::SetActiveWaveInDriver(&timing);
    std::atomic<std::int64_t> handled{0};
    {
        TMMWaveIn in;
        in.SetCallBackMode(cmThread);
        in.SetBufferSize(static_cast<std::int32_t>(state.range(0)));
        in.SetNumBuffers(20);
        in.SetMode(mStereo);
        in.SetBitLength(b16Bit);
        in.SetSampleRate(44100);
        in.OnBufferReady = [&](TMMDSPComponent*, BufferHeader*) {
            handled.fetch_add(1, std::memory_order_release);
            handled.notify_one();
        };
        in.Start();
        const double cpuBefore = ProcessCpuUs();
        const std::int64_t handledBefore = handled.load();
        for (auto _ : state) {
            // Sleeps until the buffer thread has handled one more buffer.
            const std::int64_t seen = handled.load(std::memory_order_acquire);
            handled.wait(seen, std::memory_order_acquire);
        }
        const double cpu = ProcessCpuUs() - cpuBefore;
        const auto buffers = static_cast<double>(handled.load() - handledBefore);
        // Every thread of the path: the device filling, the notice, the buffer
        // thread and the re-queue; what a loaded machine cannot distort.
        state.counters["cpu_us_per_buffer"] = buffers > 0 ? cpu / buffers : 0.0;
        in.Stop();
        in.Close();
    }
    platform::SetActiveWaveInDriver(nullptr);
    std::vector<double> latencies = timing.Latencies();
    if (!latencies.empty()) {
        std::sort(latencies.begin(), latencies.end());
        double sum = 0;
        for (double v : latencies)
            sum += v;
        state.counters["requeue_mean_us"] = sum / static_cast<double>(latencies.size());
        state.counters["requeue_p50_us"] = latencies[latencies.size() / 2];
        state.counters["requeue_p99_us"] = latencies[latencies.size() * 99 / 100];
    }
    state.SetBytesProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_CaptureBufferPath)->Arg(4096)->Arg(512)->UseRealTime()->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv); // the wave input's window lives on this thread
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
