// A field the window refused stops what would carry it away: a send, a factory reset, a file
// save. Each refusal is one message for the click that caused it.
#include "Harness.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>

namespace hx {
namespace {

using test::Harness;

int Shown(const Harness& h, const std::string& text) {
    int n = 0;
    for (const auto& m : h.win.Messages())
        n += !m.question && m.text == text ? 1 : 0;
    return n;
}

class RefusedFields : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(h.ClickAndWait(IDC_RECEIVE));
        ASSERT_EQ(h.Info(), "設定の受信に成功しました");
        h.win.SetYesNoDefault(true); // a read over edits goes on when asked
    }
    // Clicks, lets what it started end, and checks that nothing went to the box.
    void ClickAndExpectNothingSent(int id, const char* what) {
        const std::string written = h.ports.written;
        const SettingsImage box = h.box.Ram();
        ASSERT_TRUE(h.win.Click(id)) << what;
        ASSERT_TRUE(h.RunUntilIdle()) << what;
        EXPECT_EQ(h.ports.written, written) << what;
        EXPECT_TRUE(h.box.Ram() == box) << what;
        EXPECT_FALSE(h.ports.anyOpen) << what;
        EXPECT_EQ(h.dlg->LastOutcome().kind, OutcomeKind::FieldRefused) << what;
        EXPECT_FALSE(h.dlg->LastOutcome().boxChanged) << what;
    }

    Harness h;
};

TEST_F(RefusedFields, AnOutOfRangeGainIsNeitherSentNorReportedAsStored) {
    ASSERT_TRUE(h.win.Type(1017, "-100"));
    ClickAndExpectNothingSent(IDC_SEND, "send");
    EXPECT_EQ(Shown(h, "-63 から 0 までの整数を入力してください。"), 1);
    EXPECT_EQ(h.win.Messages().size(), 1u);
    EXPECT_EQ(h.win.GetFocus(), 1017);
    EXPECT_EQ(h.win.GetText(1017), "-100") << "the typed text stays to be mended";
    EXPECT_NE(h.Info(), "設定の送信、確認と保存に成功しました");
    EXPECT_TRUE(h.Enabled(IDC_SEND)) << "mended, it can be sent";

    ASSERT_TRUE(h.win.Type(1017, "-10"));
    ASSERT_TRUE(h.ClickAndWait(IDC_SEND));
    EXPECT_EQ(h.Info(), "設定の送信、確認と保存に成功しました");
}

TEST_F(RefusedFields, AHoldTimeOffTheStepIsNotRoundedIntoTheBox) {
    ASSERT_TRUE(h.win.Choose(1025, 0)); // 信号検知: the hold time counts
    ASSERT_TRUE(h.win.Type(1009, "20"));
    const uint8_t before = h.box.Ram()[2009];
    ClickAndExpectNothingSent(IDC_SEND, "send");
    EXPECT_EQ(Shown(h, "8 単位で入力してください。"), 1);
    EXPECT_EQ(h.box.Ram()[2009], before);
    EXPECT_EQ(h.win.GetText(1009), "20");
}

TEST_F(RefusedFields, AFactoryResetStopsAtARefusedField) {
    ASSERT_TRUE(h.win.Type(1023, "99")); // microphone gain: -67 to 55
    ClickAndExpectNothingSent(IDC_FACTORY, "factory reset");
    EXPECT_EQ(h.box.FactoryResets(), 0);
    EXPECT_EQ(h.win.Messages().size(), 1u);
}

TEST_F(RefusedFields, ARefusedFieldStopsTheSaveBeforeAFileIsAskedFor) {
    const std::string dir = test::NewTempFolder("hx-refused-save");
    ASSERT_NE(dir, "");
    const std::string path = dir + "/refused.txt";
    h.win.QueueFileAnswer(path);
    ASSERT_TRUE(h.win.Choose(1025, 0)); // 信号検知: the hold time counts
    ASSERT_TRUE(h.win.Type(1009, "20"));
    ASSERT_TRUE(h.win.Click(IDC_SAVE));
    EXPECT_EQ(Shown(h, "8 単位で入力してください。"), 1);
    EXPECT_TRUE(h.win.FileDialogs().empty());
    EXPECT_FALSE(std::ifstream(path).good()) << "no file written";
    EXPECT_EQ(h.dlg->LastOutcome().kind, OutcomeKind::FieldRefused);
    std::remove(dir.c_str());
}

TEST_F(RefusedFields, PresetsAndCouplingRulesStillGoOn) {
    ASSERT_TRUE(h.win.Type(1003, "20"));
    h.win.MoveFocus(1005);
    EXPECT_EQ(Shown(h, "8 単位で入力してください。"), 1);
    EXPECT_EQ(h.win.GetText(1003), "24"); // raised to the response time
    EXPECT_EQ(h.win.GetText(1005), "872");
}

// One click, one message: the checks that run again while the members go back into the
// fields (on the write, at the end of the operation) add none.
TEST_F(RefusedFields, EachRefusalIsOneMessagePerClick) {
    ASSERT_TRUE(h.Visible(IDC_NEW_SERIAL)) << "the box has no serial number";
    const std::string hex = "0～FFFFFFFE までの16進数を入力してください。";
    ASSERT_TRUE(h.win.Type(IDC_NEW_SERIAL, "ABCZ"));
    ASSERT_TRUE(h.win.Click(IDC_FACTORY));
    ASSERT_TRUE(h.RunUntilIdle());
    EXPECT_EQ(Shown(h, hex), 1) << "出荷時に戻す";
    EXPECT_EQ(h.box.FactoryResets(), 0);

    ASSERT_TRUE(h.win.Click(IDC_RECEIVE));
    ASSERT_TRUE(h.RunUntilIdle());
    EXPECT_EQ(Shown(h, hex), 2) << "設定受信";

    h.win.ClearMessages();
    ASSERT_TRUE(h.win.Type(IDC_NEW_SERIAL, "00000001"));
    ASSERT_TRUE(h.win.Choose(1025, 0));
    ASSERT_TRUE(h.win.Type(1009, "20"));
    ASSERT_TRUE(h.win.Click(IDC_SEND));
    ASSERT_TRUE(h.RunUntilIdle());
    EXPECT_EQ(Shown(h, "8 単位で入力してください。"), 1) << "設定送信";
    ASSERT_TRUE(h.win.Click(IDC_RECEIVE));
    ASSERT_TRUE(h.RunUntilIdle());
    EXPECT_EQ(Shown(h, "8 単位で入力してください。"), 2) << "設定受信 after it";
}

} // namespace
} // namespace hx
