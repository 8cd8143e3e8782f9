// The window never loses a technician's edits without asking: a read over them, a close, a
// failed send; and a send's progress tells what has left the port.
#include "Harness.h"

#include <gtest/gtest.h>

namespace hx {
namespace {

using test::Harness;

const char kReadQuestion[] =
    "送信も保存もしていない変更があります。装置から受信すると、この変更は失われます。\n"
    "受信しますか？";

class KeepsWork : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(h.ClickAndWait(IDC_RECEIVE));
        ASSERT_EQ(h.Info(), "設定の受信に成功しました");
    }
    int Questions() const {
        int n = 0;
        for (const auto& m : h.win.Messages())
            n += m.question ? 1 : 0;
        return n;
    }

    Harness h;
};

TEST_F(KeepsWork, EnterOverEditsAsksAndKeepsThemByDefault) {
    const size_t written = h.ports.written.size();
    ASSERT_TRUE(h.win.PressEnter()) << "freshly read, Enter reads as before";
    ASSERT_TRUE(h.RunUntilIdle());
    EXPECT_EQ(Questions(), 0);
    EXPECT_GT(h.ports.written.size(), written);

    ASSERT_TRUE(h.win.Type(1003, "456"));
    const std::string before = h.ports.written;
    ASSERT_TRUE(h.win.PressEnter());
    ASSERT_TRUE(h.RunUntilIdle());
    ASSERT_EQ(Questions(), 1);
    EXPECT_EQ(h.win.Messages().back().text, kReadQuestion);
    EXPECT_EQ(h.win.Messages().back().icon, MsgIcon::Warning);
    EXPECT_EQ(h.ports.written, before) << "the default keeps the edits: nothing is read";
    EXPECT_EQ(h.win.GetText(1003), "456");

    // A list choice and a check box are edits too; saying yes reads over them.
    ASSERT_TRUE(h.win.Type(1003, "248"));
    ASSERT_TRUE(h.win.Click(1070));
    h.win.QueueYesNoAnswer(true);
    ASSERT_TRUE(h.ClickAndWait(IDC_RECEIVE));
    EXPECT_EQ(Questions(), 2);
    EXPECT_EQ(h.Info(), "設定の受信に成功しました");
    EXPECT_EQ(h.win.GetCheck(1070), 0);
}

TEST_F(KeepsWork, SentOrSavedEditsAreKept) {
    ASSERT_TRUE(h.win.Type(1003, "456"));
    h.win.MoveFocus(1005);
    ASSERT_TRUE(h.ClickAndWait(IDC_SEND));
    ASSERT_EQ(h.Info(), "設定の送信、確認と保存に成功しました");
    ASSERT_TRUE(h.ClickAndWait(IDC_RECEIVE));
    EXPECT_EQ(Questions(), 0);
    EXPECT_EQ(h.win.GetText(1003), "456");
}

TEST_F(KeepsWork, ACloseWithNothingToLoseAsksNothing) {
    h.win.PressEscape();
    EXPECT_TRUE(h.win.Ended()) << "nothing to lose: no question";
    EXPECT_EQ(h.win.Result(), 2);
    EXPECT_EQ(Questions(), 0);
}

TEST_F(KeepsWork, EditsSurviveARefusedClose) {
    ASSERT_TRUE(h.win.Type(1054, "120"));
    h.win.PressEscape();
    EXPECT_FALSE(h.win.Ended());
    ASSERT_TRUE(h.win.Click(IDCANCEL));
    EXPECT_FALSE(h.win.Ended());
    EXPECT_EQ(Questions(), 2);
    EXPECT_EQ(
        h.win.Messages().back().text,
        "送信も保存もしていない変更があります。閉じると、この変更は失われます。\n閉じますか？");
    EXPECT_EQ(h.win.GetText(1054), "120");
    h.win.QueueYesNoAnswer(true);
    ASSERT_TRUE(h.win.Click(IDCANCEL));
    EXPECT_TRUE(h.win.Ended());
}

TEST_F(KeepsWork, ACloseDuringASendAsksAndThenEndsItCleanly) {
    ASSERT_TRUE(h.win.Click(IDC_SEND));
    ASSERT_TRUE(h.win.AdvanceUntil([&] { return TestState(*h.dlg).m_nStep == 13; }, 1000));
    h.win.Advance(50);
    h.win.PressEscape();
    EXPECT_FALSE(h.win.Ended());
    ASSERT_EQ(Questions(), 1);
    EXPECT_EQ(h.win.Messages().back().text,
              "装置との通信中です。閉じると、通信を中止します。\n閉じますか？");
    EXPECT_TRUE(h.dlg->OperationRunning()) << "asked, the send goes on";

    h.win.QueueYesNoAnswer(true);
    h.win.PressEscape();
    ASSERT_TRUE(h.win.Ended());
    EXPECT_FALSE(h.dlg->OperationRunning());
    EXPECT_FALSE(h.ports.anyOpen);
    const std::string written = h.ports.written;
    h.win.Advance(6000);
    EXPECT_EQ(h.ports.written, written) << "nothing more is written";
}

// The share counts the records that have left the port, never one handed to it and still on
// its way.
TEST_F(KeepsWork, TheSendsShareCountsWhatHasLeftThePort) {
    const std::string prefix = "設定を送信しています… ";
    ASSERT_TRUE(h.win.Click(IDC_SEND));
    int shown = 0, checks = 0;
    ASSERT_TRUE(h.win.AdvanceUntil(
        [&] {
            const std::string text = h.Info();
            if (text.rfind(prefix, 0) == 0) {
                shown = std::stoi(text.substr(prefix.size()));
                // 64 records of 32 bytes make the image.
                EXPECT_LE(shown, h.box.RecordsReceived() * 100 / 64) << "at " << h.win.Now();
                ++checks;
            }
            return TestState(*h.dlg).m_nStep == 0;
        },
        20000));
    EXPECT_GT(checks, 100);
    EXPECT_GE(shown, 90);
    EXPECT_EQ(h.Info(), "設定の送信、確認と保存に成功しました");
}

} // namespace
} // namespace hx
