// The preset lists fill one channel's settings for a class of radio.
#include "Harness.h"

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
    EXPECT_EQ(TestState(*h.dlg).m_nAudioDelayB, 328u); // not even read
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
    EXPECT_EQ(TestState(*h.dlg).m_nMicGain, 10);
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
    EXPECT_EQ(TestState(*h.dlg).m_nHoldTimeB, 20u);
}

// Every preset column, value by value, over values that no preset has; nothing else changes.
TEST(EditorPresets, EveryColumn) {
    // Delay, hold time, rx gain, tx gain, noise on, noise off, response time, transmit
    // condition list and, for channel A, the priority list.
    const int fieldsA[] = {1003, 1009, 1013, 1017, 1030, 1032, 1038, 1025, 1071};
    const int fieldsB[] = {1005, 1011, 1015, 1019, 1034, 1036, 1052, 1026, 0};
    struct Column {
        int list, preset;
        const char* shown[9];
    };
    const Column columns[] = {
        {1072, 0, {"248", "504", "0", "-6", "-52", "-64", "24", "1", "0"}},
        {1072, 1, {"328", "504", "0", "0", "-72", "-84", "24", "1", "0"}},
        {1072, 2, {"248", "504", "0", "-6", "-52", "-64", "152", "1", "1"}},
        {1073, 0, {"248", "504", "0", "-6", "-52", "-64", "24", "1", nullptr}},
        {1073, 1, {"328", "504", "0", "0", "-72", "-84", "24", "1", nullptr}},
    };
    const std::pair<int, const char*> others[] = {
        {1003, "200"},  {1009, "800"}, {1013, "3"},    {1017, "-9"},  {1030, "-90"},
        {1032, "-100"}, {1038, "32"},  {1005, "208"},  {1011, "808"}, {1015, "4"},
        {1019, "-10"},  {1034, "-91"}, {1036, "-101"}, {1052, "40"},  {1025, "3"},
        {1026, "2"},    {1071, "2"},   {1069, "3"},    {1021, "-30"}, {1027, "-45"},
        {1023, "12"},   {1054, "120"}, {1056, "30"},   {1049, "1"},   {1058, "1"}};
    for (const Column& c : columns) {
        SCOPED_TRACE(testing::Message() << c.list << " preset " << c.preset);
        Harness h("COM1", false);
        h.win.SetModifiers(true, true); // the third channel-A preset
        h.Start();
        for (auto [id, value] : others)
            h.Show(id, value);
        auto expected = h.Editor();
        for (int i = 0; i < 9; ++i)
            if (c.shown[i])
                expected[(c.list == 1072 ? fieldsA : fieldsB)[i]] = c.shown[i];
        expected[c.list] = std::to_string(c.preset);
        ASSERT_TRUE(h.win.Choose(c.list, c.preset));
        EXPECT_EQ(h.Editor(), expected);
        EXPECT_TRUE(h.win.Messages().empty());
    }
}

} // namespace
} // namespace hx
