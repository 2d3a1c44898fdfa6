#include "audio/MMDisplay.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

class NullDisplay final : public TMMDisplay {
public:
    void SetStreamFormat(const TWaveFormatEx*) override {}
    std::int32_t BytesPerRefresh() const override { return 0; }
    void ConsumePcm(const std::uint8_t*) override {}
    void ClearDisplay() override {}
};

struct Watcher final : TMMDisplayWatcher {
    void DisplayDestroyed(TMMDisplay* display) override { gone.push_back(display); }
    std::vector<TMMDisplay*> gone;
};

TEST(MMDisplay, DestructionTellsEveryRegistrationOnce)
{
    Watcher first;
    Watcher second;
    auto* display = new NullDisplay;
    display->AddWatcher(&first);
    display->AddWatcher(&first); // held in two slots
    display->AddWatcher(&second);
    display->RemoveWatcher(&second);
    delete display;
    EXPECT_EQ(first.gone, (std::vector<TMMDisplay*>{display, display}));
    EXPECT_TRUE(second.gone.empty());
}

} // namespace
