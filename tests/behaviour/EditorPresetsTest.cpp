// The preset lists fill one channel's settings for a class of radio.
#include "tests/support/Harness.h"

#include <gtest/gtest.h>

namespace hx {
namespace {

using test::Harness;

// Channel B's fields, set to values no preset has.
void DistinctB(Harness& h) {
    const std::pair<int, const char*> b[] = {{1005, "200"}, {1011, "800"}, {1015, "3"},
                                             {1019, "-9"},  {1034, "-90"}, {1036, "-100"},
                                             {1052, "32"}};
    for (auto [id, text] : b)
        h.win.SetText(id, text);
}

TEST(EditorPresets, DigitalRadiosOnChannelA) {
    Harness h;
    DistinctB(h);
    h.win.Choose(1026, 0);
    h.win.Choose(1025, 2); // busy input: the noise thresholds are disabled
    h.win.Choose(1071, 2);
    ASSERT_TRUE(h.win.Choose(1072, 1));
    const std::pair<int, const char*> a[] = {{1003, "328"}, {1009, "504"}, {1013, "0"}, {1017, "0"},
                                             {1030, "-72"}, {1032, "-84"}, {1038, "24"}};
    for (auto [id, text] : a)
        EXPECT_EQ(h.win.GetText(id), text) << id;
    EXPECT_EQ(h.win.ListSelection(1025), 1);
    EXPECT_EQ(h.win.ListSelection(1071), 0);
    EXPECT_TRUE(h.Enabled(1030)); // the channel's enable rule ran
    EXPECT_FALSE(h.Enabled(1009));
    // Channel B and its list are as they were.
    EXPECT_EQ(h.win.GetText(1005), "200");
    EXPECT_EQ(h.win.GetText(1034), "-90");
    EXPECT_EQ(h.win.GetText(1052), "32");
    EXPECT_EQ(h.win.ListSelection(1026), 0);
    EXPECT_TRUE(h.win.Messages().empty());
}

TEST(EditorPresets, ChoosingTheSamePresetAgainDoesNothing) {
    Harness h;
    ASSERT_TRUE(h.win.Choose(1073, 1));
    h.win.SetText(1005, "400");
    ASSERT_TRUE(h.win.Choose(1073, 1));
    EXPECT_EQ(h.win.GetText(1005), "400");
    EXPECT_EQ(h.dlg->m_nAudioDelayB, 328u); // not even read
    ASSERT_TRUE(h.win.Choose(1073, 0));
    EXPECT_EQ(h.win.GetText(1005), "248");
    EXPECT_EQ(h.win.GetText(1019), "-6");
}

TEST(EditorPresets, TypedValuesSurviveAndCommonValuesStay) {
    Harness h;
    h.win.SetText(1023, "10");
    h.win.SetText(1021, "-30");
    h.win.SetText(1054, "120");
    h.win.SetText(1019, "-5");
    h.win.Choose(1069, 3);
    h.win.Click(1049);
    ASSERT_TRUE(h.win.Choose(1072, 0));
    EXPECT_EQ(h.win.GetText(1023), "10");
    EXPECT_EQ(h.win.GetText(1021), "-30");
    EXPECT_EQ(h.win.GetText(1054), "120");
    EXPECT_EQ(h.win.GetText(1019), "-5");
    EXPECT_EQ(h.dlg->m_nMicGain, 10);
    EXPECT_EQ(h.win.ListSelection(1069), 3);
    EXPECT_EQ(h.win.GetCheck(1049), 1);
    EXPECT_EQ(h.win.GetText(1017), "-6");
}

TEST(EditorPresets, ChannelBLeavesThePriorityAlone) {
    Harness h;
    h.win.Choose(1071, 2);
    h.win.Choose(1026, 3);
    ASSERT_TRUE(h.win.Choose(1073, 1));
    EXPECT_EQ(h.win.ListSelection(1071), 2);
    EXPECT_EQ(h.win.ListSelection(1026), 1);
    EXPECT_TRUE(h.Enabled(1034));
    EXPECT_FALSE(h.Enabled(1011));
}

TEST(EditorPresets, ThirdPresetOnlyWithShiftAndCtrl) {
    Harness plain;
    EXPECT_EQ(plain.win.ListCount(1072), 2);
    EXPECT_EQ(plain.win.ListCount(1073), 2);
    EXPECT_FALSE(plain.win.Choose(1072, 2));

    Harness h("COM1", false);
    h.win.SetModifiers(true, true);
    h.Start();
    ASSERT_EQ(h.win.ListCount(1072), 3);
    EXPECT_EQ(h.win.ListCount(1073), 2);
    EXPECT_EQ(h.win.ListSelection(1072), -1);
    ASSERT_TRUE(h.win.Choose(1072, 2));
    EXPECT_EQ(h.win.GetText(1038), "152");
    EXPECT_EQ(h.win.GetText(1003), "248");
    EXPECT_EQ(h.win.GetText(1017), "-6");
    EXPECT_EQ(h.win.ListSelection(1071), 1);
    EXPECT_EQ(h.win.ListSelection(1025), 1);
}

TEST(EditorPresets, ARefusedFieldGivesOneMessageAndThePresetGoesOn) {
    Harness h;
    h.win.SetText(1011, "20"); // channel B: stays refused through the read and the write
    ASSERT_TRUE(h.win.Choose(1072, 1));
    ASSERT_EQ(h.win.Messages().size(), 1u);
    EXPECT_EQ(h.win.Messages()[0].text, "8 単位で入力してください。");
    EXPECT_EQ(h.win.GetText(1003), "328");
    EXPECT_EQ(h.dlg->m_nHoldTimeB, 20u);
}

} // namespace
} // namespace hx
