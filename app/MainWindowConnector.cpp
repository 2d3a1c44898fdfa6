#include "app/MainWindow.h"

// The connector sits behind the wave input; the displays take their slots as
// they are created. Every connector property keeps its default except EnterIdle.
void TFrm_OnLine::CreateConnector()
{
    MMConnector1 = std::make_unique<TMMConnector>();
    MMConnector1->SetEnterIdle(false);
    MMConnector1->SetInput(WaveIn.get());
}
