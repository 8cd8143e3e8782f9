// The coupling rules run when the user leaves a field.
#include "Harness.h"

#include <gtest/gtest.h>

namespace hx {
namespace {

using test::Harness;

class EditorCouplingRules : public ::testing::Test {
protected:
    // Types into a field and leaves it for the outside of the window.
    void Enter(int id, const std::string& text) {
        ASSERT_TRUE(h.win.Type(id, text));
        h.win.MoveFocus(0);
    }
    std::string Text(int id) const { return h.win.GetText(id); }
    const std::vector<MemoryWindow::Message>& Messages() const { return h.win.Messages(); }

    Harness h;
};

TEST_F(EditorCouplingRules, DelayBelowTheResponseTimeIsRaisedWithOneMessage) {
    ASSERT_TRUE(h.win.Type(1003, "20"));
    h.win.MoveFocus(1005); // into another field with a rule of its own
    EXPECT_EQ(Text(1003), "24");
    EXPECT_EQ(Text(1005), "872");
    ASSERT_EQ(Messages().size(), 1u);
    EXPECT_EQ(Messages()[0].text, "8 単位で入力してください。");
    EXPECT_EQ(h.win.GetFocus(), 1003); // back on the refused field
}

TEST_F(EditorCouplingRules, DelaysKeepTheirTotal) {
    h.win.SetText(1003, "440");
    h.win.SetText(1005, "440");
    h.dlg->UpdateData(true);
    Enter(1003, "480");
    EXPECT_EQ(Text(1003), "480");
    EXPECT_EQ(Text(1005), "416");
    Enter(1005, "600");
    EXPECT_EQ(Text(1003), "296");
    EXPECT_EQ(Text(1005), "600");
    EXPECT_TRUE(Messages().empty());
}

TEST_F(EditorCouplingRules, LeavingAnUnchangedFieldChangesNothing) {
    h.win.SetText(1009, "999"); // not read by anything until a rule runs
    for (int id : {1003, 1005, 1013, 1015, 1021, 1027, 1030, 1032, 1034, 1036, 1038, 1052}) {
        const std::string before = Text(id);
        Enter(id, before);
        EXPECT_EQ(Text(id), before) << id;
    }
    EXPECT_EQ(Text(1003), "248");
    EXPECT_EQ(Text(1005), "328");
}

TEST_F(EditorCouplingRules, ResponseTimeMovesTheDelay) {
    Enter(1038, "152");
    EXPECT_EQ(Text(1003), "376");
    EXPECT_EQ(Text(1005), "328"); // 376 + 328 stays within the total
    EXPECT_TRUE(Messages().empty());
}

TEST_F(EditorCouplingRules, ResponseTimeOfBEndsWithTheDelayRuleOfA) {
    h.win.SetText(1003, "600");
    h.win.SetText(1005, "280");
    h.dlg->UpdateData(true);
    Enter(1052, "104"); // B's delay moves to 360; then A keeps 600 and B gets the rest
    EXPECT_EQ(Text(1003), "600");
    EXPECT_EQ(Text(1005), "296");
}

TEST_F(EditorCouplingRules, ARefusedResponseTimeGivesOneMessage) {
    Enter(1038, "20"); // read, written and read again by the rule: one message all the same
    ASSERT_EQ(Messages().size(), 1u);
    EXPECT_EQ(Messages()[0].text, "8 単位で入力してください。");
    EXPECT_EQ(TestState(*h.dlg).m_nResponseTimeA, 20);
    EXPECT_EQ(Text(1003), "244");
}

TEST_F(EditorCouplingRules, SignalThresholds) {
    h.win.SetText(1027, "-20");
    Enter(1021, "-20");
    EXPECT_EQ(Text(1027), "-32");
    EXPECT_EQ(Text(1021), "-20");

    Harness other;
    other.win.SetText(1021, "-20");
    ASSERT_TRUE(other.win.Type(1027, "-20"));
    other.win.MoveFocus(0);
    EXPECT_EQ(other.win.GetText(1021), "-10");
    EXPECT_EQ(other.win.GetText(1027), "-20");
}

TEST_F(EditorCouplingRules, NoiseThresholdsAndReceiveGain) {
    h.win.SetText(1030, "-109");
    Enter(1013, "49");
    EXPECT_EQ(Text(1030), "-60");
    EXPECT_EQ(Text(1032), "-72");

    h.win.SetText(1034, "-109");
    Enter(1015, "0");
    EXPECT_EQ(Text(1034), "-109");
    EXPECT_EQ(Text(1036), "-110");

    Enter(1030, "-50"); // -72 is below it and the gain 49 fits: nothing to do
    EXPECT_EQ(Text(1032), "-72");
    EXPECT_EQ(Text(1013), "49");
    Enter(1030, "-70"); // the gain must come down to 39 and -82 follows
    EXPECT_EQ(Text(1013), "39");
    EXPECT_EQ(Text(1032), "-82");
    Enter(1036, "-60"); // above B's detection threshold -109
    EXPECT_EQ(Text(1034), "-48");
    EXPECT_TRUE(Messages().empty());
}

TEST_F(EditorCouplingRules, RefusedReadLeavesLaterFieldsUnreadAndWritesThemBack) {
    h.win.SetText(1009, "999"); // after 1003: not read when 1003 is refused
    h.win.SetText(1056, "77");
    Enter(1003, "20");
    EXPECT_EQ(TestState(*h.dlg).m_nHoldTimeA, 504u);
    EXPECT_EQ(Text(1009), "504");
    EXPECT_EQ(Text(1056), "0");
}

} // namespace
} // namespace hx
