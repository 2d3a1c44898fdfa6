#include "audio/MMObject.h"

void TMMObject::BeginUpdate()
{
    if (FUpdateCount == 0)
        Changed(true);
    ++FUpdateCount;
}

void TMMObject::EndUpdate()
{
    if (FUpdateCount == 0)
        return;
    --FUpdateCount;
    if (FUpdateCount == 0)
        Changed(false);
}

void TMMObject::Changed(bool changing)
{
    if (changing)
        DoChanging();
    else
        DoChange();
}

void TMMObject::DoChanging()
{
    if (FUpdateCount == 0 && OnChanging)
        OnChanging(this);
}

void TMMObject::DoChange()
{
    if (FUpdateCount == 0 && OnChange)
        OnChange(this);
}
