#include "StationFixture.h"
#include "meters/MMOscope.h"

#include <QCoreApplication>
#include <QFrame>
#include <QLayout>

namespace {

class OscilloscopePanelTest : public apptest::StationTest {};

TEST_F(OscilloscopePanelTest, FillsItsPanelAndFollowsTheConnectorsOscilloscopeSlot)
{
    apptest::ProbeWindow window(Services());
    window.TimerInicio.stop();
    TMMOscope* scope = window.MMOscope2;
    ASSERT_NE(scope, nullptr);
    EXPECT_EQ(scope->parentWidget(), window.POsciloscopio);
    EXPECT_EQ(scope->geometry(), QRect(0, 0, 170, 56));
    EXPECT_EQ(scope->Kind(), okConLines);
    EXPECT_EQ(scope->ForegroundColor(), clLime);
    EXPECT_EQ(window.MMConnector1->Oscope1(), scope);
    // The station's format came down from the connector: one 16-bit stereo
    // frame per column of the 168 x 54 plot.
    EXPECT_EQ(scope->BitLength(), b16Bit);
    EXPECT_EQ(scope->Mode(), mStereo);
    EXPECT_EQ(scope->SampleRate(), 44100);
    EXPECT_EQ(scope->BytesPerRefresh(), 4 * 168);

    window.POsciloscopio->resize(200, 80);
    window.POsciloscopio->layout()->activate();
    EXPECT_EQ(scope->size(), QSize(200, 80)) << "client-aligned";
}

} // namespace
