// The transmit condition lists enable the fields their conditions use.
#include "Harness.h"

#include <gtest/gtest.h>

#include <map>

namespace hx {
namespace {

using test::Harness;

// Fields whose state the lists decide, and what they must never touch.
const int kRuled[] = {1009, 1011, 1021, 1027, 1030, 1032, 1034, 1036, 1038, 1052, 1049, 1050};
const int kSpins[] = {1010, 1012, 1022, 1028, 1031, 1033, 1035, 1037, 1051, 1053};

std::map<int, bool> States(const Harness& h) {
    std::map<int, bool> s;
    for (int id : kRuled)
        s[id] = h.Enabled(id);
    return s;
}

TEST(EditorTxSelect, AtStartBothChannelsUseNoiseDetection) {
    Harness h;
    EXPECT_FALSE(h.Enabled(1009));
    EXPECT_FALSE(h.Enabled(1011));
    for (int id : {1030, 1032, 1034, 1036, 1038, 1052, 1049, 1050, 1021, 1027})
        EXPECT_TRUE(h.Enabled(id)) << id;
}

TEST(EditorTxSelect, EveryCombinationThroughTheWindow) {
    for (int a = 0; a < 4; ++a) {
        for (int b = 0; b < 4; ++b) {
            Harness h;
            // Disable the spin buttons to see that the rules leave them alone.
            for (int id : kSpins)
                h.win.Enable(id, false);
            ASSERT_TRUE(h.win.Choose(1025, a));
            ASSERT_TRUE(h.win.Choose(1026, b));
            SCOPED_TRACE(testing::Message() << "A " << a << " B " << b);
            EXPECT_EQ(h.Enabled(1009), a == 0);
            EXPECT_EQ(h.Enabled(1011), b == 0);
            EXPECT_EQ(h.Enabled(1030), a == 1);
            EXPECT_EQ(h.Enabled(1032), a == 1);
            EXPECT_EQ(h.Enabled(1034), b == 1);
            EXPECT_EQ(h.Enabled(1036), b == 1);
            EXPECT_EQ(h.Enabled(1038), a <= 1);
            EXPECT_EQ(h.Enabled(1052), b <= 1);
            EXPECT_EQ(h.Enabled(1049), !(a >= 2 && b >= 2));
            EXPECT_EQ(h.Enabled(1050), !(a >= 2 && b >= 2));
            EXPECT_TRUE(h.Enabled(1021)); // never disabled
            EXPECT_TRUE(h.Enabled(1027));
            for (int id : kSpins)
                EXPECT_FALSE(h.Enabled(id)) << id;
        }
    }
}

TEST(EditorTxSelect, BusyInputsOnBothSidesAndBack) {
    Harness h;
    h.win.Choose(1025, 2); // A ビジー入力（正極性）, B ノイズ検知
    for (int id : {1009, 1030, 1032, 1038})
        EXPECT_FALSE(h.Enabled(id)) << id;
    EXPECT_TRUE(h.Enabled(1049));
    EXPECT_TRUE(h.Enabled(1050));
    h.win.Choose(1026, 3); // B ビジー入力（負極性）
    EXPECT_FALSE(h.Enabled(1049));
    EXPECT_FALSE(h.Enabled(1050));
    h.win.Choose(1025, 0); // A 信号検知
    for (int id : {1049, 1050, 1009, 1038})
        EXPECT_TRUE(h.Enabled(id)) << id;
}

TEST(EditorTxSelect, SignalThresholdsAreOnlyEverEnabled) {
    Harness h;
    h.win.Enable(1021, false); // as if something else had disabled them
    h.win.Enable(1027, false);
    h.win.Choose(1025, 1);
    h.win.Choose(1026, 2);
    EXPECT_FALSE(h.Enabled(1021));
    EXPECT_FALSE(h.Enabled(1027));
    h.win.Choose(1026, 0);
    EXPECT_TRUE(h.Enabled(1021));
    EXPECT_TRUE(h.Enabled(1027));
}

TEST(EditorTxSelect, DisabledFieldsKeepTheirValuesAndAreStillRead) {
    Harness h;
    h.win.SetText(1009, "20"); // hold time A is disabled at start
    EXPECT_FALSE(h.dlg->UpdateData(true));
    EXPECT_EQ(TestState(*h.dlg).m_nHoldTimeA, 20u);
    const auto before = States(h);
    h.dlg->UpdateData(false);
    EXPECT_EQ(States(h), before);
}

} // namespace
} // namespace hx
