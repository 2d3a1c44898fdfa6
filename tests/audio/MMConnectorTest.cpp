#include "audio/MMConnector.h"

#include "ConnectorDisplays.h"
#include "audio/TickService.h"
#include "platform/ExceptionRouting.h"

#include <QCoreApplication>
#include <QThread>
#include <functional>
#include <gtest/gtest.h>

#include <memory>
#include <thread>

using namespace connector_test;

namespace {

TWaveFormatEx Pcm(int bits, int channels, std::uint32_t rate)
{
    TWaveFormatEx format{};
    BuildPcmFormat(&format, bits, channels, rate);
    return format;
}

std::vector<std::int32_t> Steps(std::int32_t step, int count)
{
    std::vector<std::int32_t> offsets;
    for (int i = 0; i < count; ++i)
        offsets.push_back(i * step);
    return offsets;
}

// A connector on the main window's stream: 4096-byte buffers of 44.1 kHz 16-bit
// stereo, on a clock the test moves by hand, with the timer service ticked by hand.
class ConnectorTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        TickServiceSetManual(true);
        connector = std::make_unique<TMMConnector>();
        connector->SetClock([this] { return now; });
    }

    void TearDown() override
    {
        connector.reset();
        QCoreApplication::processEvents(); // lets queued events find nobody
        TickServiceSetManual(false);
    }

    // Refreshes only when asked: no loop, no activation needed.
    void StartManual(std::int32_t bufferSize = 4096, TWaveFormatEx format = Pcm(16, 2, 44100))
    {
        connector->SetRealTime(false);
        connector->SetAutoTrigger(false);
        Start(bufferSize, format);
    }

    void Start(std::int32_t bufferSize = 4096, TWaveFormatEx format = Pcm(16, 2, 44100))
    {
        connector->SetStreamFormat(&format);
        connector->SetBufferSize(bufferSize);
        connector->ChainOpen();
        connector->ChainStart();
    }

    void Passes(int count)
    {
        for (int i = 0; i < count; ++i)
            connector->RefreshPass();
    }

    std::uint64_t now = 5'000'000;
    std::unique_ptr<TMMConnector> connector;
};

TEST_F(ConnectorTest, WalksEachKindInItsOwnStepsAndNeverDeliversAPartialStep)
{
    RecordingDisplay level1(396), level2(396), meter(80), spectrum(256);
    connector->SetLevel1(&level1);
    connector->SetLevel2(&level2);
    connector->SetMeter1(&meter);
    connector->SetSpectrum(1, &spectrum);
    connector->SetSynchronize(false);
    StartManual();
    IndexedBuffer buffer(4096);
    connector->BufferReady(buffer.Header());
    Passes(60);

    // 4096 bytes: ten bar steps, 51 needle steps, sixteen spectrum steps.
    EXPECT_EQ(level1.Offsets(), Steps(396, 10));
    EXPECT_EQ(level2.Offsets(), Steps(396, 10));
    EXPECT_EQ(meter.Offsets(), Steps(80, 51));
    EXPECT_EQ(spectrum.Offsets(), Steps(256, 16));
    EXPECT_EQ(connector->RefreshCount(TMMDisplayKind::Levels), 10);
    EXPECT_EQ(connector->RefreshCount(TMMDisplayKind::Meters), 51);

    connector->BufferReady(buffer.Header()); // a new buffer starts every kind over
    Passes(1);
    EXPECT_EQ(level1.Offsets().back(), 0);
    EXPECT_EQ(meter.Offsets().back(), 0);
}

TEST_F(ConnectorTest, KindStepIsTheLargerBlockOfThePair)
{
    RecordingDisplay small(80), large(396);
    connector->SetLevel1(&small);
    connector->SetLevel2(&large);
    connector->SetSynchronize(false);
    StartManual();
    IndexedBuffer buffer(4096);
    connector->BufferReady(buffer.Header());
    Passes(20);
    EXPECT_EQ(small.Offsets(), Steps(396, 10));
}

TEST_F(ConnectorTest, StepsAreDeliveredNoEarlierThanTheirTimeInTheBuffer)
{
    RecordingDisplay level(396), meter(80);
    connector->SetLevel1(&level);
    connector->SetMeter1(&meter);
    StartManual();
    IndexedBuffer buffer(4096);
    connector->BufferReady(buffer.Header()); // stamped at 'now'
    Passes(3);
    EXPECT_EQ(level.Offsets(), Steps(396, 1)); // only the step at time 0 is due
    EXPECT_EQ(meter.Offsets(), Steps(80, 1));

    now += 453; // 80 bytes of 176400 per second are 453.5 us: rounded to 454
    Passes(1);
    EXPECT_EQ(meter.Offsets().size(), 1u);
    now += 1;
    Passes(2);
    EXPECT_EQ(meter.Offsets(), Steps(80, 2));

    now += 2245 - 454 - 1; // 396 bytes: 2244.9 us
    Passes(1);
    EXPECT_EQ(level.Offsets().size(), 1u);
    now += 1;
    Passes(1);
    EXPECT_EQ(level.Offsets(), Steps(396, 2));

    // Late passes still take one step per kind each: a slow loop falls behind.
    now += 100'000;
    Passes(1);
    EXPECT_EQ(level.Offsets(), Steps(396, 3));
}

TEST_F(ConnectorTest, ShortBuffersDeliverOnlyWholeStepsAndLongOnesAreCut)
{
    RecordingDisplay level(396), meter(80);
    connector->SetLevel1(&level);
    connector->SetMeter1(&meter);
    connector->SetSynchronize(false);
    StartManual();
    IndexedBuffer buffer(6000);
    BufferHeader* header = buffer.Header();
    header->hdr.dwBytesRecorded = 300;
    connector->BufferReady(header);
    Passes(10);
    EXPECT_TRUE(level.Offsets().empty());
    EXPECT_EQ(meter.Offsets(), Steps(80, 3));

    connector->BufferReady(buffer.Header()); // 6000 bytes into a 4096-byte copy
    EXPECT_EQ(connector->ValidBytes(), 4096);
}

TEST_F(ConnectorTest, WithoutDisplaysItStillCopiesAndReportsEveryPass)
{
    int triggers = 0;
    connector->OnTrigger = [&](TMMComponent* sender) {
        EXPECT_EQ(sender, connector.get());
        ++triggers;
    };
    StartManual();
    IndexedBuffer buffer(4096);
    connector->BufferReady(buffer.Header());
    EXPECT_EQ(connector->ValidBytes(), 4096);
    Passes(3);
    EXPECT_EQ(triggers, 3);
}

TEST_F(ConnectorTest, ASlotRefusesTheDisplayItsPartnerHolds)
{
    RecordingDisplay a(396), b(396);
    connector->SetLevel2(&a);
    connector->SetLevel1(&a);
    EXPECT_EQ(connector->Level1(), nullptr);
    connector->SetMeter1(&b);
    connector->SetMeter2(&b);
    EXPECT_EQ(connector->Meter2(), nullptr);
    RecordingSpectrogram s1(100);
    connector->SetSpectrogram1(&s1);
    connector->SetSpectrogram2(&s1);
    EXPECT_EQ(connector->Spectrogram2(), nullptr);

    // Spectrum slots only refuse what they already hold.
    connector->SetSpectrum(1, &a);
    connector->SetSpectrum(2, &a);
    EXPECT_EQ(connector->Spectrum(2), &a);
}

TEST_F(ConnectorTest, AttachingSendsTheFormatToEveryDisplay)
{
    RecordingDisplay level(396), meter(80);
    connector->SetLevel1(&level);
    EXPECT_EQ(level.formats, 0); // no format yet: nothing to send
    const TWaveFormatEx format = Pcm(16, 2, 44100);
    connector->SetStreamFormat(&format);
    EXPECT_EQ(level.formats, 1);
    connector->SetMeter1(&meter);
    EXPECT_EQ(level.formats, 2);
    EXPECT_EQ(meter.formats, 1);
    const TWaveFormatEx received = meter.lastFormat; // packed: compare copies of the fields
    EXPECT_EQ(std::uint32_t{received.nSamplesPerSec}, 44100u);
    EXPECT_EQ(std::uint16_t{received.nChannels}, 2);
    connector->SetBufferSize(4096);
    connector->ChainOpen();
    connector->ChainStart();
    EXPECT_EQ(meter.formats, 2); // and again at every start

    RecordingDisplay picky(10);
    picky.refuseFormat = true;
    EXPECT_THROW(connector->SetLight1(&picky), ETestDisplayError);
}

TEST_F(ConnectorTest, ADestroyedDisplayLeavesItsSlots)
{
    auto spectrum = std::make_unique<RecordingDisplay>(256);
    connector->SetSpectrum(1, spectrum.get());
    connector->SetSpectrum(3, spectrum.get());
    connector->SetSynchronize(false);
    StartManual();
    spectrum.reset();
    EXPECT_EQ(connector->Spectrum(1), nullptr);
    EXPECT_EQ(connector->Spectrum(3), nullptr);
    IndexedBuffer buffer(4096);
    connector->BufferReady(buffer.Header());
    Passes(2); // would reach the freed display if the slot had kept it
    EXPECT_EQ(connector->RefreshCount(TMMDisplayKind::Spectrums), 0);
}

// A display whose every block runs an action, as an event handler would.
class Acting : public RecordingDisplay {
public:
    using RecordingDisplay::RecordingDisplay;
    void ConsumePcm(const std::uint8_t* data) override
    {
        RecordingDisplay::ConsumePcm(data);
        action();
    }
    std::function<void()> action = [] {};
};

// Made at once, each of these would wait for the lock the pass holds.
TEST_F(ConnectorTest, ADisplayMayChangeSlotsAndDestroyDisplaysDuringAPass)
{
    Acting level(396);
    auto spectrum = std::make_unique<RecordingDisplay>(256);
    RecordingDisplay replacement(256);
    connector->SetLevel1(&level);
    connector->SetSpectrum(1, spectrum.get());
    level.action = [&] {
        connector->SetLevel1(nullptr);
        connector->SetSpectrum(2, &replacement);
        spectrum.reset(); // visited later in the same pass
    };
    connector->SetSynchronize(false);
    StartManual();
    IndexedBuffer buffer(4096);
    connector->BufferReady(buffer.Header());
    Passes(1);
    EXPECT_EQ(connector->Level1(), nullptr);
    EXPECT_EQ(connector->Spectrum(1), nullptr);
    EXPECT_EQ(connector->Spectrum(2), &replacement) << "made when the pass ended";
    Passes(1);
    EXPECT_EQ(level.firstSamples.size(), 1u) << "fed once, then out of its slot";
}

TEST_F(ConnectorTest, ReplacingADisplayLetsGoOfTheOldOne)
{
    RecordingDisplay replacement(396);
    {
        RecordingDisplay first(396);
        connector->SetLevel1(&first);
        connector->SetLevel1(&replacement);
    } // the old display dies unwatched; the slot keeps the replacement
    EXPECT_EQ(connector->Level1(), &replacement);
}

TEST_F(ConnectorTest, StopClearsTheDisplaysOnlyWithRefreshOnStop)
{
    RecordingDisplay level(396), meter(80);
    connector->SetLevel1(&level);
    connector->SetMeter2(&meter);
    StartManual();
    connector->ChainStop();
    EXPECT_EQ(level.clears, 1);
    EXPECT_EQ(meter.clears, 1);
    EXPECT_FALSE(connector->Running());
    EXPECT_EQ(connector->CopyBufferSize(), 0);

    connector->SetRefreshOnStop(false);
    connector->ChainStart();
    connector->ChainStop();
    EXPECT_EQ(level.clears, 1);
}

TEST_F(ConnectorTest, ABufferAfterStopIsIgnored)
{
    RecordingDisplay level(396);
    connector->SetLevel1(&level);
    connector->SetSynchronize(false);
    StartManual();
    connector->ChainStop();
    IndexedBuffer buffer(4096);
    connector->BufferReady(buffer.Header());
    Passes(2);
    EXPECT_EQ(connector->ValidBytes(), 0);
    EXPECT_TRUE(level.Offsets().empty());
}

TEST_F(ConnectorTest, BuffersRacingStartAndStopNeverTouchAFreedCopy)
{
    RecordingDisplay level(396);
    connector->SetLevel1(&level);
    connector->SetSynchronize(false);
    connector->SetClock({}); // the real clock: the feeder runs on its own thread
    StartManual();
    std::atomic<bool> feeding{true};
    std::thread feeder([&] {
        IndexedBuffer buffer(4096);
        while (feeding)
            connector->BufferReady(buffer.Header());
    });
    for (int round = 0; round < 200; ++round) {
        connector->ChainStop();
        connector->ChainStart();
        Passes(3);
    }
    feeding = false;
    feeder.join();
    EXPECT_TRUE(connector->Running());
    for (std::int32_t offset : level.Offsets()) { // only whole steps of whole buffers
        EXPECT_EQ(offset % 396, 0);
        EXPECT_LE(offset + 396, 4096);
    }
}

TEST_F(ConnectorTest, DisablingClearsTheDisplaysAndIgnoresBuffers)
{
    RecordingDisplay level(396);
    connector->SetLevel1(&level);
    connector->SetSynchronize(false);
    StartManual();
    connector->SetEnabled(false);
    EXPECT_EQ(level.clears, 1);
    IndexedBuffer buffer(4096);
    connector->BufferReady(buffer.Header());
    EXPECT_EQ(connector->ValidBytes(), 0);
    connector->SetEnabled(true);
    connector->BufferReady(buffer.Header());
    Passes(1);
    EXPECT_EQ(level.Offsets(), Steps(396, 1));
}

TEST_F(ConnectorTest, PropertiesKeepTheirRules)
{
    connector->SetSpeed(0);
    EXPECT_EQ(connector->Speed(), 1);
    connector->SetSpeed(10000);
    EXPECT_EQ(connector->Speed(), 5000);
    TMMConnector other;
    other.SetSpeed(100);
    connector->SetSpeed(40);
    EXPECT_EQ(TMMConnector::LargestSpeed(), 100);

    connector->SetEnterIdle(true);
    EXPECT_TRUE(other.EnterIdle()); // one switch for the process
    other.SetEnterIdle(false);
    EXPECT_FALSE(connector->EnterIdle());

    const TWaveFormatEx format = Pcm(16, 2, 44100);
    connector->SetStreamFormat(&format);
    connector->ChainOpen();
    try {
        connector->SetRealTime(false);
        ADD_FAILURE() << "RealTime changed while open";
    } catch (const EMMConnectorError& error) {
        EXPECT_STREQ(error.what(), "Change to property while device was open");
    }
    EXPECT_TRUE(connector->RealTime());
    connector->ChainClose();
    EXPECT_NO_THROW(connector->SetRealTime(false));
}

TEST_F(ConnectorTest, ANonPcmInputLeavesTheConnectorIdle)
{
    TWaveFormatEx compressed = Pcm(16, 2, 44100);
    compressed.wFormatTag = 2;
    RecordingDisplay level(396);
    connector->SetLevel1(&level);
    StartManual(4096, compressed);
    EXPECT_FALSE(connector->Running());
    EXPECT_EQ(level.formats, 0);
}

// ------------------------------------------------------------ oscilloscopes

TEST_F(ConnectorTest, ScrollingAcceleratedOscopeAdvancesAQuarterOfItsLength)
{
    RecordingOscope oscope(400);
    oscope.scroll = true;
    oscope.accelerate = true;
    oscope.fftLength = 64; // 16 frames of 4 bytes
    connector->SetOscope1(&oscope);
    connector->SetSynchronize(false);
    StartManual();
    IndexedBuffer buffer(4096);
    connector->BufferReady(buffer.Header());
    Passes(100);
    // Each block is 400 bytes; the last one starts at 3648 and ends at 4048.
    EXPECT_EQ(oscope.Offsets(), Steps(64, 58));
}

TEST_F(ConnectorTest, OscopeStartsAtTheTriggerFlank)
{
    RecordingOscope oscope(400);
    connector->SetOscope2(&oscope); // the only oscope is the reference
    connector->SetSynchronize(false);
    connector->SetTriggerMode(tmUpFlank);
    connector->SetTriggerLevel(50);
    StartManual();
    IndexedBuffer buffer(4096);
    // Silence with the left channel rising past half scale at frames 10 and 300.
    std::fill(buffer.Data().begin(), buffer.Data().end(), 0);
    const std::int16_t loud = 20000;
    for (int frame : {10, 300})
        std::memcpy(&buffer.Data()[frame * 4], &loud, 2);
    connector->BufferReady(buffer.Header());
    Passes(1);
    ASSERT_EQ(oscope.lastBlock.size(), 400u);
    std::int16_t first;
    std::memcpy(&first, oscope.lastBlock.data(), 2);
    EXPECT_EQ(first, loud); // the block begins at frame 10
    Passes(1);              // position 40 + 400: the next flank is at frame 300
    std::memcpy(&first, oscope.lastBlock.data(), 2);
    EXPECT_EQ(first, loud);
    EXPECT_EQ(connector->RefreshCount(TMMDisplayKind::Oscopes), 2);
}

TEST_F(ConnectorTest, AcceleratedSpectrogramTakesQuarterStepsButNeverReadsPastTheData)
{
    RecordingSpectrogram spectrogram(1024);
    spectrogram.accelerate = true;
    connector->SetSpectrogram1(&spectrogram);
    connector->SetSynchronize(false);
    StartManual();
    IndexedBuffer buffer(4096);
    connector->BufferReady(buffer.Header());
    Passes(40);
    EXPECT_EQ(spectrogram.Offsets(), Steps(256, 13)); // the last read ends at 3072 + 1024
}

// ------------------------------------------------------------ pause

TEST_F(ConnectorTest, PauseReplaysSilenceOncePerBufferPeriodUntilRestart)
{
    // 2048 bytes of 8 kHz 8-bit mono last 256 ms: the replay comes every 11th tick.
    RecordingDisplay level(200);
    connector->SetLevel1(&level);
    connector->SetAutoTrigger(false);
    connector->SetSynchronize(false);
    Start(2048, Pcm(8, 1, 8000));
    QCoreApplication::processEvents(); // activation
    ASSERT_TRUE(connector->Active());
    IndexedBuffer loud(2048);
    std::fill(loud.Data().begin(), loud.Data().end(), 255);
    connector->BufferReady(loud.Header());
    connector->ChainPause();
    Passes(20);
    EXPECT_TRUE(level.Offsets().empty()); // pause drops what was pending

    connector->BufferReady(loud.Header()); // ignored while paused
    for (int tick = 0; tick < 10; ++tick)
        TickServiceTickNow();
    Passes(20);
    EXPECT_TRUE(level.Offsets().empty());
    TickServiceTickNow();
    Passes(20);
    ASSERT_EQ(level.lastBlock.size(), 200u);
    EXPECT_EQ(level.firstSamples.size(), 10u); // the whole silent copy once more
    EXPECT_EQ(level.lastBlock, std::vector<std::uint8_t>(200, 128));

    connector->ChainRestart();
    for (int tick = 0; tick < 11; ++tick)
        TickServiceTickNow();
    Passes(20);
    EXPECT_EQ(level.firstSamples.size(), 10u);
    connector->BufferReady(loud.Header());
    Passes(1);
    EXPECT_EQ(level.lastBlock, std::vector<std::uint8_t>(200, 255));
}

TEST_F(ConnectorTest, PausedSixteenBitStreamShowsZerosEveryTick)
{
    RecordingDisplay meter(80);
    connector->SetMeter1(&meter);
    connector->SetAutoTrigger(false);
    connector->SetSynchronize(false);
    Start();
    QCoreApplication::processEvents();
    IndexedBuffer buffer(4096);
    connector->BufferReady(buffer.Header());
    connector->ChainPause();
    TickServiceTickNow(); // 4096 bytes are 23 ms: every 25 ms tick
    Passes(1);
    TickServiceTickNow();
    Passes(1);
    EXPECT_EQ(meter.firstSamples, (std::vector<std::int16_t>{0, 0}));
    connector->ChainStop();
    TickServiceTickNow(); // the pause timer went with the stop
    Passes(1);
    EXPECT_EQ(meter.firstSamples.size(), 2u);
}

// ------------------------------------------------------------ refresh loop

TEST_F(ConnectorTest, TheLoopRefreshesOnTheUiThreadUntilStop)
{
    RecordingDisplay level(396);
    connector->SetLevel1(&level);
    connector->SetSynchronize(false);
    int passes = 0;
    connector->OnTrigger = [&](TMMComponent*) {
        EXPECT_EQ(QThread::currentThread(), QCoreApplication::instance()->thread());
        ++passes;
    };
    Start();
    EXPECT_FALSE(connector->Active());
    QCoreApplication::processEvents(); // activation, then the first turn is queued
    EXPECT_TRUE(connector->Active());
    EXPECT_EQ(TMMConnector::ActiveCount(), 1);
    IndexedBuffer buffer(4096);
    connector->BufferReady(buffer.Header());
    for (int turn = 0; turn < 12; ++turn)
        QCoreApplication::processEvents();
    EXPECT_GE(passes, 11);
    EXPECT_EQ(level.Offsets(), Steps(396, 10));

    connector->ChainStop();
    EXPECT_EQ(TMMConnector::ActiveCount(), 0);
    QCoreApplication::processEvents(); // the last turn sees no active connector
    const int afterStop = passes;
    for (int turn = 0; turn < 5; ++turn)
        QCoreApplication::processEvents();
    EXPECT_EQ(passes, afterStop);
}

TEST_F(ConnectorTest, ReEnablingWhileRunningNeitherDoublesTheCountNorTheLoop)
{
    int passes = 0;
    connector->OnTrigger = [&](TMMComponent*) { ++passes; };
    Start();
    QCoreApplication::processEvents();
    connector->SetEnabled(false);
    connector->SetEnabled(true);
    connector->SetAutoTrigger(false);
    connector->SetAutoTrigger(true);
    for (int i = 0; i < 3; ++i)
        QCoreApplication::processEvents();
    EXPECT_EQ(TMMConnector::ActiveCount(), 1);
    passes = 0;
    for (int i = 0; i < 10; ++i)
        QCoreApplication::processEvents();
    EXPECT_EQ(passes, 10); // one pass per turn: a single chain of turns
    connector->ChainStop();
    EXPECT_EQ(TMMConnector::ActiveCount(), 0);
}

TEST_F(ConnectorTest, TriggerFromAnotherThreadRefreshesOnTheUiThreadOnce)
{
    RecordingDisplay level(396);
    connector->SetLevel1(&level);
    connector->SetAutoTrigger(false);
    connector->SetSynchronize(false);
    std::vector<QThread*> threads;
    connector->OnTrigger = [&](TMMComponent*) { threads.push_back(QThread::currentThread()); };
    Start();
    connector->Trigger(); // not yet active
    EXPECT_TRUE(threads.empty());
    QCoreApplication::processEvents();
    IndexedBuffer buffer(4096);
    connector->BufferReady(buffer.Header());

    std::thread other([&] {
        connector->Trigger();
        connector->Trigger(); // a request is already in flight
    });
    other.join();
    EXPECT_TRUE(threads.empty());
    QCoreApplication::processEvents();
    ASSERT_EQ(threads.size(), 1u);
    EXPECT_EQ(threads[0], QCoreApplication::instance()->thread());
    EXPECT_EQ(level.Offsets(), Steps(396, 1));

    connector->Trigger(); // on the UI thread: at once
    EXPECT_EQ(level.Offsets(), Steps(396, 2));
}

TEST_F(ConnectorTest, AnErrorInATurnEndsTheLoopAndTheNextActivationStartsIt)
{
    std::vector<std::string> reported;
    platform::SetAppExceptionHandler(
        [&](const std::exception& error) { reported.push_back(error.what()); });
    bool failing = true;
    int passes = 0;
    connector->OnTrigger = [&](TMMComponent*) {
        ++passes;
        if (failing)
            throw EMMConnectorError("display failed");
    };
    Start();
    QCoreApplication::processEvents(); // activation
    QCoreApplication::processEvents(); // the turn that fails
    ASSERT_EQ(reported, std::vector<std::string>{"display failed"});
    for (int turn = 0; turn < 3; ++turn)
        QCoreApplication::processEvents();
    EXPECT_EQ(passes, 1); // no turn follows the failed one

    failing = false;
    connector->SetEnabled(false);
    connector->SetEnabled(true);
    for (int turn = 0; turn < 4; ++turn)
        QCoreApplication::processEvents();
    EXPECT_GT(passes, 2);
    platform::SetAppExceptionHandler(nullptr);
}

TEST_F(ConnectorTest, BuffersArePassedOnAndALinkedSourceIsReadWhenSynchronized)
{
    RecordingDisplay level(396);
    connector->SetLevel1(&level);
    int seen = 0;
    connector->OnBufferReady = [&](TMMDSPComponent*, BufferHeader*) { ++seen; };
    StartManual();
    IndexedBuffer transformed(4096);
    std::fill(transformed.Data().begin(), transformed.Data().end(), 0x11);
    IndexedBuffer source(4096);
    BufferHeader* header = transformed.Header();
    header->lpSource = source.Header();
    connector->BufferReady(header);
    EXPECT_EQ(seen, 1);
    Passes(1);
    EXPECT_EQ(level.Offsets(), Steps(396, 1)); // the source's indexed samples

    connector->SetSynchronize(false); // then the buffer's own bytes are taken
    connector->BufferReady(header);
    Passes(1);
    EXPECT_EQ(level.firstSamples.back(), 0x1111);
}

TEST_F(ConnectorTest, PulledBuffersAreCopiedToo)
{
    RecordingDisplay level(396);
    connector->SetLevel1(&level);
    connector->SetSynchronize(false);
    StartManual();
    IndexedBuffer buffer(4096);
    bool more = true;
    connector->PullBuffer(buffer.Header(), more);
    EXPECT_EQ(connector->ValidBytes(), 4096);
    Passes(2);
    EXPECT_EQ(level.Offsets(), Steps(396, 2));
}

TEST_F(ConnectorTest, ResetSilencesTheCopy)
{
    RecordingDisplay meter(80);
    connector->SetMeter1(&meter);
    connector->SetSynchronize(false);
    StartManual();
    IndexedBuffer buffer(4096);
    connector->BufferReady(buffer.Header());
    Passes(1);
    connector->ChainReset();
    Passes(1);
    EXPECT_EQ(meter.lastBlock, std::vector<std::uint8_t>(80, 0));
}

TEST_F(ConnectorTest, TheLastConnectorMayBeDestroyedWhileATurnLetsEventsRun)
{
    Start();
    QCoreApplication::processEvents(); // activation; a turn is queued
    QMetaObject::invokeMethod(
        QCoreApplication::instance(), [this] { connector.reset(); }, Qt::QueuedConnection);
    for (int turn = 0; turn < 3; ++turn)
        QCoreApplication::processEvents(); // the turn's own yield runs the deletion
    EXPECT_EQ(connector, nullptr);
    EXPECT_EQ(TMMConnector::ConnectorCount(), 0);
    EXPECT_EQ(TMMConnector::ActiveCount(), 0);
    connector = std::make_unique<TMMConnector>();
}

TEST_F(ConnectorTest, EventsQueuedForADestroyedConnectorFindNobody)
{
    Start();
    connector->SetEnabled(false);
    connector->SetEnabled(true); // an activation is queued
    connector.reset();
    QCoreApplication::processEvents();
    EXPECT_EQ(TMMConnector::ActiveCount(), 0);
    connector = std::make_unique<TMMConnector>();
}

} // namespace

namespace {

// The road of a captured buffer with every thread at work: a feeding thread
// delivers buffers, the timer service ticks for real, and the user-interface
// thread runs the refresh loop and pauses and restarts the input meanwhile.
TEST(ConnectorThreads, FeedingThreadTimerAndRefreshLoopShareTheCopySafely)
{
    RecordingDisplay level(396), meter(80);
    TMMConnector connector;
    connector.SetLevel1(&level);
    connector.SetMeter1(&meter);
    TWaveFormatEx format{};
    BuildPcmFormat(&format, 16, 2, 44100);
    connector.SetStreamFormat(&format);
    connector.SetBufferSize(4096);
    connector.ChainOpen();
    connector.ChainStart();

    std::atomic<bool> feeding{true};
    std::thread feeder([&] {
        IndexedBuffer buffer(4096);
        while (feeding) {
            connector.BufferReady(buffer.Header());
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
    });
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(300);
    int round = 0;
    while (std::chrono::steady_clock::now() < end) {
        QCoreApplication::processEvents();
        if (++round % 40 == 0)
            connector.ChainPause();
        else if (round % 40 == 20)
            connector.ChainRestart();
    }
    feeding = false;
    feeder.join();
    connector.ChainStop();
    QCoreApplication::processEvents();

    EXPECT_FALSE(level.Offsets().empty());
    EXPECT_GT(meter.Offsets().size(), level.Offsets().size()); // smaller steps, more of them
    for (std::int32_t offset : level.Offsets())
        EXPECT_LE(offset + 396, 4096);
    EXPECT_EQ(level.clears, 1);
}

} // namespace
