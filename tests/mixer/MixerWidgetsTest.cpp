#include "MixerFixture.h"
#include "mixer/MMDeviceComboBox.h"
#include "mixer/MMMixerCheckBox.h"
#include "mixer/MMMixerWheel.h"

#include <QTest>
#include <cmath>
#include <tuple>

using namespace mixertest;
using platform::VirtualMixerService;

namespace {

// The recording controls of line in, bound as the settings window binds them: a
// knob on its recording volume and the hidden box that selects it as source.
struct MixerWidgets : RecordingLineTest {
    MixerWidgets()
    {
        knob.SetControl(&volume);
        selector.SetControl(&mux);
        selector.SetItemLine(&lineIn);
    }

    // A volume control of the given steps and range, on a card of its own.
    TMMVolumeControl& VolumeOf(std::uint32_t steps, std::int32_t maximum)
    {
        VirtualMixerService::Card card = testsupport::StudioMixerCard("Placa de Teste");
        auto& control = card.destinations[kRecording].sources[1].controls[0];
        control.steps = steps;
        control.maximum = maximum;
        mixer->SetDeviceId(mixers.service.AddCard(card));
        return volume;
    }

    // The point at this angle and distance from the knob's centre.
    QPoint AtAngle(double degrees, double distance) const
    {
        const double a = degrees * M_PI / 180.0;
        return QPoint(int(std::lround(knob.width() / 2.0 + std::cos(a) * distance)),
                      int(std::lround(knob.height() / 2.0 - std::sin(a) * distance)));
    }

    TMMMixerWheel knob;
    TMMMixerCheckBox selector;
};

} // namespace

TEST_F(MixerWidgets, AVolumeWithoutStepsGivesAKnobOf33Positions)
{
    VolumeOf(0, 65535);
    EXPECT_EQ(knob.Minimum(), 0);
    EXPECT_EQ(knob.Maximum(), 32);
}

TEST_F(MixerWidgets, TenStepsGiveElevenPositionsAndTheMiddleWritesHalfTheRange)
{
    VolumeOf(10, 65535);
    EXPECT_EQ(knob.Maximum(), 10);
    knob.SetValue(5);
    EXPECT_EQ(Stored(volume), (std::vector<std::int32_t>{32768, 32768}));
}

TEST_F(MixerWidgets, TheKnobShowsTheMixersValueRoundedToItsPositions)
{
    VolumeOf(10, 65535);
    const std::tuple<std::int32_t, int> cases[] = {
        {0, 0}, {3276, 0}, {3277, 1}, {32768, 5}, {65535, 10}};
    for (const auto& [stored, position] : cases) {
        mixers.service.ChangeFromOutside(mixer->GetDeviceId(), volume.ControlId(),
                                         {stored, stored});
        DeliverNotices();
        EXPECT_EQ(knob.Value(), position) << "value " << stored;
    }
}

TEST_F(MixerWidgets, ReadingTheMixerNeverWritesItBack)
{
    const int before = mixers.service.Writes();
    mixers.service.ChangeFromOutside(card, volume.ControlId(), {40000, 40000});
    DeliverNotices();
    EXPECT_EQ(mixers.service.Writes(), before);
    EXPECT_NE(knob.Value(), 0);
}

TEST_F(MixerWidgets, AChangeMadeOutsideMovesTheKnobAndTheSelectorAtOnce)
{
    mixers.service.ChangeFromOutside(card, mux.ControlId(), {0, 0, 1}); // microphone
    DeliverNotices();
    ASSERT_FALSE(selector.isChecked());
    ASSERT_EQ(knob.Value(), 0);

    mixers.service.ChangeFromOutside(card, volume.ControlId(), {65535, 65535});
    mixers.service.ChangeFromOutside(card, mux.ControlId(), {1, 0, 0}); // line in
    DeliverNotices();
    EXPECT_EQ(knob.Value(), knob.Maximum());
    EXPECT_TRUE(selector.isChecked());
}

TEST_F(MixerWidgets, TheSelectorIsCaptionedWithItsLineAndTickingItMakesItTheOnlySource)
{
    mux.SetBoolean(chBoth, 2, true);
    DeliverNotices();
    EXPECT_EQ(selector.text(), "Entrada de Linha");
    EXPECT_EQ(selector.Item(), 0);
    selector.setChecked(true);
    EXPECT_EQ(Stored(mux), (std::vector<std::int32_t>{1, 0, 0}));
}

TEST_F(MixerWidgets, TheSelectorCannotUntickTheOnlySource)
{
    selector.setChecked(true);
    selector.click();
    EXPECT_TRUE(selector.isChecked());
    EXPECT_EQ(Stored(mux), (std::vector<std::int32_t>{1, 0, 0}));
}

TEST_F(MixerWidgets, ASelectorForALineTheMultiplexerLacksIsDisabled)
{
    lineIn.SetComponentType(ctSrcAux);
    EXPECT_EQ(selector.Item(), -1);
    EXPECT_FALSE(selector.isEnabled());
    EXPECT_FALSE(knob.isEnabled());
}

TEST_F(MixerWidgets, ASwitchBoxIsCaptionedWithTheControlsShortOrFullName)
{
    TMMAudioLine playbackLine;
    playbackLine.SetMixer(mixer.get());
    playbackLine.SetComponentType(ctSrcLine);
    TMMMixerControl mute;
    mute.SetAudioLine(&playbackLine);
    mute.SetControlType(ctMute);
    TMMMixerCheckBox box;
    box.SetControl(&mute);
    EXPECT_EQ(box.text(), "Mudo");
    box.SetShort(false);
    EXPECT_EQ(box.text(), "Mudo da linha");
    box.click();
    EXPECT_EQ(Stored(mute), (std::vector<std::int32_t>{1}));
}

TEST_F(MixerWidgets, AKnobOnADisabledControlGoesBackToTheMixersValue)
{
    volume.SetValue(chBoth, 0, 65535);
    mixers.service.SetControlFlags(card, volume.ControlId(), platform::CONTROLF_DISABLED);
    volume.SetAudioLine(nullptr); // re-resolved with its new flags
    volume.SetAudioLine(&lineIn);
    knob.SetValue(3);
    EXPECT_EQ(knob.Value(), knob.Maximum());
    EXPECT_EQ(Stored(volume), (std::vector<std::int32_t>{65535, 65535}));
}

TEST_F(MixerWidgets, WithoutAControlTheKnobIsDisabledAtZero)
{
    knob.SetControl(nullptr);
    EXPECT_FALSE(knob.isEnabled());
    knob.SetValue(4);
    EXPECT_EQ(knob.Value(), 0);
}

TEST_F(MixerWidgets, KeysStepTheKnob)
{
    VolumeOf(10, 65535);
    const std::tuple<Qt::Key, int> cases[] = {
        {Qt::Key_PageUp, 7}, {Qt::Key_PageDown, 3}, {Qt::Key_End, 0},  {Qt::Key_Home, 10},
        {Qt::Key_Up, 6},     {Qt::Key_Right, 6},    {Qt::Key_Left, 4}, {Qt::Key_Down, 4}};
    for (const auto& [key, expected] : cases) {
        knob.SetValue(5);
        QTest::keyClick(&knob, key);
        EXPECT_EQ(knob.Value(), expected) << "key " << key;
    }
}

TEST_F(MixerWidgets, ClickingIntoTheDeadZoneSnapsToTheNearerEnd)
{
    VolumeOf(10, 65535);
    knob.show();
    knob.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&knob));
    const std::tuple<double, int> cases[] = {{226.0, 0}, {314.0, 10}, {90.0, 5}, {224.0, 0}};
    for (const auto& [angle, expected] : cases) {
        knob.SetValue(3);
        QTest::mouseClick(&knob, Qt::LeftButton, {}, AtAngle(angle, 30));
        EXPECT_EQ(knob.Value(), expected) << "angle " << angle;
    }
    EXPECT_TRUE(knob.hasFocus());
}

TEST_F(MixerWidgets, DragModeCoversTheRangeInScrollSizePixels)
{
    VolumeOf(10, 65535);
    knob.SetUpDown(true);
    knob.SetValue(2);
    knob.show();
    QTest::mousePress(&knob, Qt::LeftButton, {}, QPoint(50, 90));
    QMouseEvent move(QEvent::MouseMove, QPointF(50, 10), knob.mapToGlobal(QPointF(50, 10)),
                     Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&knob, &move);
    EXPECT_EQ(knob.Value(), 7); // 80 of 160 pixels: half the range
    QTest::mouseRelease(&knob, Qt::LeftButton, {}, QPoint(50, 10));
    EXPECT_EQ(knob.Value(), 7);
}

TEST_F(MixerWidgets, TheHandleSitsAtItsRadiusOnTheValuesAngle)
{
    knob.resize(52, 52);
    knob.SetRadius(11);
    const std::tuple<int, TPoint> cases[] = {{0, {18, 34}}, {16, {26, 15}}, {32, {34, 34}}};
    for (const auto& [value, centre] : cases) {
        knob.SetValue(value);
        EXPECT_EQ(knob.HandleCentre(), centre) << "value " << value;
    }
}

TEST_F(MixerWidgets, AutomaticRadiusLeavesRoomForBevelMarginAndScale)
{
    knob.SetAutoSize(false);
    knob.resize(100, 80);
    // 40 - margin 4 - bevel 1 - frame space 4 - (scale 7 + margin 3)
    EXPECT_EQ(knob.HandleRadius(), 21);
    knob.Scale().SetVisible(false);
    EXPECT_EQ(knob.HandleRadius(), 31);
}

TEST_F(MixerWidgets, TheScaleIsDrawnAroundTheFaceFromStartToEnd)
{
    knob.SetAutoSize(false);
    knob.resize(100, 100);
    knob.Scale().SetColor(clWhite);
    knob.SetColor(clBlack);
    const QImage picture = knob.grab().toImage();
    auto whiteAt = [&](double degrees) {
        const double a = degrees * M_PI / 180.0;
        // The scale's outer ring: from the bevel and frame space inward.
        for (double r = 37; r <= 45; r += 0.5) {
            const QPoint p(int(50 + std::cos(a) * r), int(50 - std::sin(a) * r));
            if (picture.pixelColor(p) == QColor(Qt::white))
                return true;
        }
        return false;
    };
    EXPECT_TRUE(whiteAt(225));
    EXPECT_TRUE(whiteAt(90));
    EXPECT_TRUE(whiteAt(315));
    EXPECT_FALSE(whiteAt(270)) << "no ticks in the dead zone";
}

TEST_F(MixerWidgets, AutoSizeFollowsTheFacePicture)
{
    QImage face(36, 36, QImage::Format_ARGB32_Premultiplied);
    face.fill(Qt::gray);
    knob.SetFrameSpace(0);
    knob.SetBackBmp(face);
    EXPECT_EQ(knob.size(), QSize(52, 52)); // 36 + 2 x (bevel 1 + scale 7)
}

TEST_F(MixerWidgets, TheDeviceListNamesTheMixersAndChoosingOneRetargetsTheDevice)
{
    mixers.service.AddCard(testsupport::StudioMixerCard("Segunda Placa"));
    TMMDeviceComboBox list;
    int changes = 0;
    list.OnChange = [&] { ++changes; };
    list.SetDevice(mixer.get());
    ASSERT_EQ(list.count(), 2);
    EXPECT_EQ(list.itemText(1), "Segunda Placa");
    EXPECT_EQ(list.currentIndex(), 0);
    EXPECT_TRUE(list.isEnabled());

    list.setCurrentIndex(1);
    emit list.activated(1);
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(mixer->GetDeviceId(), 1);
    EXPECT_EQ(list.count(), 2);
    EXPECT_EQ(recording.LineId(), mixers.service.LineIdOf(1, kRecording));
}

TEST_F(MixerWidgets, ADeviceListWithoutADeviceIsEmptyAndDisabled)
{
    TMMDeviceComboBox list;
    list.SetDevice(mixer.get());
    list.SetDevice(nullptr);
    EXPECT_EQ(list.count(), 0);
    EXPECT_FALSE(list.isEnabled());
}

TEST_F(MixerWidgets, AnOwnerDrawnHandleIsDrawnByTheEventAtTheHandleCentre)
{
    knob.SetAutoSize(false);
    knob.resize(60, 60);
    knob.SetHandleStyle(hsOwnerDraw);
    std::vector<TPoint> drawnAt;
    knob.OnDrawHandle = [&](TMMCustomWheel*, QPainter&, bool, TPoint position, TRect) {
        drawnAt.push_back(position);
    };
    knob.SetValue(knob.Maximum());
    knob.grab();
    ASSERT_EQ(drawnAt.size(), 1u);
    EXPECT_EQ(drawnAt[0], knob.HandleCentre());
}

TEST_F(MixerWidgets, AnUnfocusedHandleIsDrawnInTheHandleColour)
{
    knob.SetAutoSize(false);
    knob.resize(60, 60);
    knob.SetColor(clBlack);
    knob.SetHandleSize(6);
    const std::tuple<TColor, QColor> cases[] = {{clMaroon, QColor(128, 0, 0)},
                                                {clLime, QColor(0, 255, 0)}};
    for (const auto& [colour, expected] : cases) {
        knob.SetHandleColor(colour);
        const QImage picture = knob.grab().toImage();
        const TPoint centre = knob.HandleCentre();
        EXPECT_EQ(picture.pixelColor(centre.X, centre.Y), expected);
    }
}
