#include "audio/MMObject.h"
#include "audio/SoundComponent.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

std::vector<std::string>* gLog = nullptr;

void Log(const std::string& who, const std::string& what)
{
    if (gLog != nullptr)
        gLog->push_back(who + "." + what);
}

// A plain chain component offering both links, as a consumer in the middle of a chain.
class Plain : public TMMDSPComponent {
public:
    explicit Plain(std::string name) : name_(std::move(name)) {}
    ~Plain() override { DetachFromChain(); }
    bool OffersInputLink() const override { return true; }
    bool OffersOutputLink() const override { return true; }
    void InputFormatChanged(const TWaveFormatEx* f) override
    {
        ++formatNotices;
        TMMDSPComponent::InputFormatChanged(f);
    }
    void ChainOpen() override
    {
        Log(name_, "open");
        TMMDSPComponent::ChainOpen();
    }
    void ChainStart() override
    {
        Log(name_, "start");
        TMMDSPComponent::ChainStart();
    }
    void ChainStop() override
    {
        Log(name_, "stop");
        TMMDSPComponent::ChainStop();
    }
    void ChainClose() override
    {
        Log(name_, "close");
        TMMDSPComponent::ChainClose();
    }
    int formatNotices = 0;

private:
    std::string name_;
};

// A sound component that logs whether its own state had changed when it was called.
class Sound : public TMMCustomSoundComponent {
public:
    explicit Sound(std::string name, bool offersInput = false)
        : name_(std::move(name)), offersInput_(offersInput)
    {
    }
    ~Sound() override { DetachFromChain(); }
    bool OffersInputLink() const override { return offersInput_; }
    bool OffersOutputLink() const override { return true; }
    void ChainOpen() override
    {
        Log(name_, "open");
        TMMCustomSoundComponent::ChainOpen();
    }
    void ChainStart() override
    {
        Log(name_, "start");
        TMMCustomSoundComponent::ChainStart();
    }
    void ChainStop() override
    {
        Log(name_, "stop");
        TMMCustomSoundComponent::ChainStop();
    }
    void ChainClose() override
    {
        Log(name_, "close");
        TMMCustomSoundComponent::ChainClose();
    }

private:
    std::string name_;
    bool offersInput_;
};

TWaveFormatEx Pcm(int bits, int channels, std::uint32_t rate)
{
    TWaveFormatEx f{};
    BuildPcmFormat(&f, bits, channels, rate);
    return f;
}

class ChainTest : public ::testing::Test {
protected:
    void SetUp() override { gLog = &log; }
    void TearDown() override { gLog = nullptr; }
    std::vector<std::string> log;
};

TEST_F(ChainTest, LinkingAnInputThatAlreadyFeedsAnotherMovesItAndCarriesTheFormat)
{
    Plain x("x"), y("y"), z("z");
    const auto f = Pcm(16, 2, 44100);
    y.SetStreamFormat(&f);
    z.SetInput(&y);
    ASSERT_EQ(y.GetOutput(), &z);

    x.SetInput(&y);

    EXPECT_EQ(z.GetInput(), nullptr);
    EXPECT_EQ(y.GetOutput(), &x);
    EXPECT_EQ(x.GetInput(), &y);
    ASSERT_NE(x.GetStreamFormat(), nullptr);
    EXPECT_NE(x.GetStreamFormat(), y.GetStreamFormat()) << "each component owns its copy";
    EXPECT_EQ(x.GetStreamFormat()->nSamplesPerSec, 44100u);
    EXPECT_EQ(x.InputBackName(), "Output");
    EXPECT_EQ(y.OutputBackName(), "Input");
}

TEST_F(ChainTest, SetOutputIsTheMirrorAndKeepsLinksSymmetric)
{
    Plain a("a"), b("b"), c("c");
    const auto f = Pcm(8, 1, 11025);
    a.SetStreamFormat(&f);
    a.SetOutput(&b);
    EXPECT_EQ(b.GetInput(), &a);
    ASSERT_NE(b.GetStreamFormat(), nullptr);
    EXPECT_EQ(b.GetStreamFormat()->nSamplesPerSec, 11025u);

    c.SetOutput(&b); // b leaves a for c
    EXPECT_EQ(a.GetOutput(), nullptr);
    EXPECT_EQ(b.GetInput(), &c);
    EXPECT_EQ(c.GetOutput(), &b);
    EXPECT_EQ(b.GetStreamFormat(), nullptr) << "c has no format, so b's is dropped";

    a.SetOutput(&b); // and back
    EXPECT_EQ(c.GetOutput(), nullptr);
    EXPECT_EQ(b.GetInput(), &a);
}

TEST_F(ChainTest, CyclesSelfLinksAndUnofferedLinksAreIgnoredSilently)
{
    Plain a("a"), b("b"), c("c");
    a.SetOutput(&b);
    b.SetOutput(&c);

    a.SetInput(&a);
    a.SetInput(&c); // c lies downstream of a
    c.SetOutput(&a);
    EXPECT_EQ(a.GetInput(), nullptr);
    EXPECT_EQ(c.GetOutput(), nullptr);

    Sound source("s");
    c.SetOutput(&source); // a source publishes no Input
    EXPECT_EQ(c.GetOutput(), nullptr);
    EXPECT_EQ(source.GetInput(), nullptr);
    EXPECT_FALSE(a.CanConnectInput(nullptr));
    EXPECT_TRUE(a.CanConnectInput(&source));
}

TEST_F(ChainTest, RemovingTheInputDropsTheFormatDownTheChain)
{
    Plain x("x"), y("y"), z("z");
    const auto f = Pcm(16, 2, 44100);
    y.SetStreamFormat(&f);
    x.SetInput(&y);
    x.SetOutput(&z);
    ASSERT_NE(z.GetStreamFormat(), nullptr);

    x.SetInput(nullptr);
    EXPECT_EQ(y.GetOutput(), nullptr);
    EXPECT_EQ(x.GetStreamFormat(), nullptr);
    EXPECT_EQ(z.GetStreamFormat(), nullptr);
}

TEST_F(ChainTest, FormatChangesFlowDownTheWholeChain)
{
    Plain a("a"), b("b"), c("c");
    a.SetOutput(&b);
    b.SetOutput(&c);
    const auto f = Pcm(16, 1, 22050);
    a.SetStreamFormat(&f);
    ASSERT_NE(c.GetStreamFormat(), nullptr);
    EXPECT_EQ(c.GetStreamFormat()->nSamplesPerSec, 22050u);
    EXPECT_EQ(c.GetStreamFormat()->nChannels, 1);
}

TEST_F(ChainTest, EffectiveBufferSizeIsWholeFramesAndAtLeastOne)
{
    Plain p("p");
    const auto f = Pcm(16, 2, 44100);
    p.SetStreamFormat(&f);
    p.SetBufferSize(4099);
    EXPECT_EQ(p.GetBufferSize(), 4099);
    p.ChainOpen();
    EXPECT_EQ(p.GetBufferSize(), 4096);
    p.ChainClose();
    EXPECT_EQ(p.GetBufferSize(), 4099) << "the requested size shows again once closed";

    p.SetBufferSize(2);
    p.ChainOpen();
    EXPECT_EQ(p.GetBufferSize(), 4);
    p.ChainClose();

    Plain noFormat("n");
    noFormat.SetBufferSize(4099);
    noFormat.ChainOpen();
    EXPECT_EQ(noFormat.GetBufferSize(), 4099);
}

TEST_F(ChainTest, StateFlagsFollowTheLifecycle)
{
    Plain p("p");
    p.ChainStart();
    EXPECT_FALSE(p.Started()) << "start needs an open component";
    p.ChainOpen();
    p.ChainStart();
    p.ChainPause();
    EXPECT_TRUE(p.Started() && p.Paused());
    p.ChainRestart();
    EXPECT_FALSE(p.Paused());
    const auto f = Pcm(8, 1, 8000);
    p.SetStreamFormat(&f); // a format change while started stops first
    EXPECT_FALSE(p.Started());
    EXPECT_TRUE(p.Opened());
    p.ChainStart();
    p.SetBufferSize(1000); // so does a buffer size change
    EXPECT_FALSE(p.Started());
    p.ChainClose();
    EXPECT_FALSE(p.Opened());
}

TEST_F(ChainTest, SoundComponentDrivesThePlainComponentsFirst)
{
    Sound source("src");
    Plain sink("sink");
    source.SetOutput(&sink);
    const auto f = Pcm(16, 2, 44100);
    source.SetStreamFormat(&f);
    source.SetBufferSize(4096);
    sink.SetBufferSize(100);

    log.clear();
    source.ChainOpen();
    source.ChainStart();
    source.ChainStop();
    source.ChainClose();
    const std::vector<std::string> expected = {"src.open", "sink.open", "src.start", "sink.start",
                                               "src.stop", "sink.stop", "src.close", "sink.close"};
    EXPECT_EQ(log, expected);
    EXPECT_FALSE(source.DrivenByPeer());
}

TEST_F(ChainTest, SoundComponentHandsItsRequestedBufferSizeDownOnOpen)
{
    Sound source("src");
    Plain sink("sink");
    source.SetOutput(&sink);
    const auto f = Pcm(16, 2, 44100);
    source.SetStreamFormat(&f);
    source.SetBufferSize(4099);

    source.ChainOpen();
    EXPECT_TRUE(sink.Opened());
    EXPECT_EQ(sink.GetBufferSize(), 4096);
    EXPECT_EQ(source.GetBufferSize(), 4096);
    source.ChainStart();
    EXPECT_TRUE(sink.Started());
    source.ChainPause();
    EXPECT_TRUE(sink.Paused());
    source.ChainRestart();
    EXPECT_FALSE(sink.Paused());
    source.ChainClose();
    EXPECT_FALSE(sink.Opened());
}

TEST_F(ChainTest, SecondSoundComponentIsDrivenByItsPeerUpstream)
{
    Sound upstream("up");
    Plain middle("mid");
    Sound downstream("down", true);
    Plain tail("tail");
    upstream.SetOutput(&middle);
    middle.SetOutput(&downstream);
    downstream.SetOutput(&tail);

    log.clear();
    upstream.ChainOpen();
    EXPECT_FALSE(upstream.DrivenByPeer());
    EXPECT_TRUE(downstream.DrivenByPeer());
    // up opens mid, then down (which opens tail itself), then itself.
    const std::vector<std::string> opened = {"up.open", "mid.open", "down.open", "tail.open"};
    EXPECT_EQ(log, opened);

    log.clear();
    upstream.ChainStop();
    upstream.ChainClose();
    EXPECT_FALSE(tail.Opened());
    EXPECT_FALSE(middle.Opened());
    EXPECT_FALSE(upstream.Opened());
    // The peer downstream handles its own part before up's plain components.
    ASSERT_GE(log.size(), 4u);
    EXPECT_EQ(log[1], "down.stop");
}

TEST_F(ChainTest, BufferReadyRunsTheChainToItsEndWithEachEventInOrder)
{
    Plain a("a"), b("b");
    a.SetOutput(&b);
    std::vector<std::string> seen;
    a.OnBufferReady = [&](TMMDSPComponent* sender, BufferHeader* h) {
        EXPECT_EQ(sender, &a);
        seen.push_back("a:" + std::to_string(h->hdr.dwBytesRecorded));
    };
    b.OnBufferReady = [&](TMMDSPComponent*, BufferHeader* h) {
        seen.push_back("b:" + std::to_string(h->hdr.dwBytesRecorded));
    };
    BufferHeader header{};
    header.hdr.dwBytesRecorded = 64;
    a.BufferReady(&header);
    EXPECT_EQ(seen, (std::vector<std::string>{"a:64", "b:64"}));
}

TEST_F(ChainTest, PullBufferAsksTheInputAndReportsLoadedOnlyWithData)
{
    Plain source("s"), sink("k");
    sink.SetInput(&source);
    int loads = 0, loaded = 0;
    source.OnBufferLoad = [&](TMMDSPComponent*, BufferHeader* h) {
        ++loads;
        h->hdr.dwBytesRecorded = 32;
    };
    sink.OnBufferLoaded = [&](TMMDSPComponent*, BufferHeader*) { ++loaded; };
    BufferHeader header{};
    bool more = true;
    sink.PullBuffer(&header, more);
    EXPECT_EQ(loads, 1);
    EXPECT_EQ(loaded, 1);

    source.OnBufferLoad = [&](TMMDSPComponent*, BufferHeader* h) { h->hdr.dwBytesRecorded = 0; };
    sink.PullBuffer(&header, more);
    EXPECT_EQ(loaded, 1);
}

TEST_F(ChainTest, DestroyingALinkedComponentUnlinksThePartner)
{
    Plain keep("keep");
    const std::size_t before = ChainComponentCount();
    {
        auto gone = std::make_unique<Plain>("gone");
        EXPECT_EQ(ChainComponentCount(), before + 1);
        const auto f = Pcm(16, 2, 44100);
        gone->SetStreamFormat(&f);
        gone->SetOutput(&keep);
        ASSERT_NE(keep.GetStreamFormat(), nullptr);
    }
    EXPECT_EQ(keep.GetInput(), nullptr);
    EXPECT_EQ(keep.GetStreamFormat(), nullptr);
    EXPECT_EQ(ChainComponentCount(), before);
}

TEST_F(ChainTest, FormatsSetWhileLoadingReachTheOutputAfterLoading)
{
    Plain a("a"), b("b");
    a.SetOutput(&b);
    a.BeginLoading();
    const auto f = Pcm(16, 2, 48000);
    a.SetStreamFormat(&f);
    EXPECT_EQ(b.GetStreamFormat(), nullptr);
    a.EndLoading();
    ASSERT_NE(b.GetStreamFormat(), nullptr);
    EXPECT_EQ(b.GetStreamFormat()->nSamplesPerSec, 48000u);
}

TEST_F(ChainTest, BufferHeaderLeavesRoomForTheSourceLink)
{
    EXPECT_EQ(offsetof(BufferHeader, lpSource), sizeof(TWaveHdr) + 8);
    EXPECT_EQ(kBufferHeaderBytes % alignof(void*), 0u) << "samples start aligned";
    BufferHeader original{}, derived{};
    EXPECT_EQ(DataHeader(&derived), &derived);
    derived.lpSource = &original;
    EXPECT_EQ(DataHeader(&derived), &original);
}

TEST(MMObjectTest, GroupedUpdatesRaiseEachNoticeOnce)
{
    TMMObject object;
    int changing = 0, changed = 0;
    object.OnChanging = [&](TMMObject*) { ++changing; };
    object.OnChange = [&](TMMObject*) { ++changed; };
    object.BeginUpdate();
    object.BeginUpdate();
    object.EndUpdate();
    EXPECT_EQ(changed, 0);
    object.EndUpdate();
    EXPECT_EQ(changing, 1);
    EXPECT_EQ(changed, 1);
    object.EndUpdate(); // unbalanced: nothing
    EXPECT_EQ(changed, 1);
}

} // namespace
