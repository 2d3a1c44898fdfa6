#include "app/MainWindow.h"

#include "meters/MMLevel.h"

// The connector sits behind the wave input; the displays take their slots as
// they are created. Every connector property keeps its default except EnterIdle.
void TFrm_OnLine::CreateConnector()
{
    MMConnector1 = std::make_unique<TMMConnector>();
    MMConnector1->SetEnterIdle(false);
    MMConnector1->SetInput(WaveIn.get());
    MMConnector1->SetLevel1(MMLevel1);
    MMConnector1->SetLevel2(MMLevel2);
}
