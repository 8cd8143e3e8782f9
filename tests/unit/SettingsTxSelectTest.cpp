#include "settings/TxSelect.h"

#include <gtest/gtest.h>

namespace hx {
namespace {

TEST(SettingsTxSelect, EveryCombinationOfTheTwoLists) {
    for (int own = -1; own <= 3; ++own) {
        for (int other = -1; other <= 3; ++other) {
            const TxSelectEnables e = TxSelectRule(own, other);
            const bool signal = own <= 0, noise = own == 1, busy = own >= 2;
            SCOPED_TRACE(testing::Message() << "own " << own << " other " << other);
            EXPECT_EQ(e.holdTime, signal);
            EXPECT_EQ(e.enableSignal, signal);
            EXPECT_EQ(e.noiseThresholds, noise);
            EXPECT_EQ(e.responseTime, !busy);
            EXPECT_EQ(e.commonChecks, !(busy && other >= 2));
        }
    }
}

} // namespace
} // namespace hx
