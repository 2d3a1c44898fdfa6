#include "audio/MMComponent.h"

void TMMComponent::BeginLoading()
{
    FLoading = true;
}

void TMMComponent::EndLoading()
{
    if (!FLoading)
        return;
    FLoading = false;
    Loaded();
}
