#include "platform/NotifyIcons.h"

#include <gtest/gtest.h>

// Icons are kept by id: one add per id, and only known ids can change or go.
TEST(QtNotifyIcons, OperationsAnswerWhetherTheIdWasThere)
{
    platform::QtNotifyIcons icons;
    platform::NotifyIconData one{1, QIcon(), QStringLiteral("um"), {}};
    platform::NotifyIconData two{2, QIcon(), QStringLiteral("dois"), {}};
    EXPECT_FALSE(icons.Modify(one));
    EXPECT_TRUE(icons.Add(one));
    EXPECT_FALSE(icons.Add(one));
    EXPECT_TRUE(icons.Add(two));
    EXPECT_TRUE(icons.Modify(one));
    EXPECT_TRUE(icons.Delete(one));
    EXPECT_FALSE(icons.Delete(one));
    EXPECT_FALSE(icons.Modify(one));
    EXPECT_TRUE(icons.Modify(two));
}
