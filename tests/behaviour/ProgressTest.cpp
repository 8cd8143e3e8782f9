// While an image crosses the line, the information field tells how far it has come; the
// outcome replaces the progress.
#include "Harness.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace hx::test {
namespace {

// The texts the information field shows while the operation started by clicking id runs,
// each once, in order.
std::vector<std::string> ShownWhile(Harness& h, int id) {
    std::vector<std::string> shown;
    EXPECT_TRUE(h.win.Click(id));
    EXPECT_TRUE(h.win.AdvanceUntil(
        [&] {
            const std::string text = h.Info();
            if (shown.empty() || shown.back() != text)
                shown.push_back(text);
            return TestState(*h.dlg).m_nStep == 0;
        },
        20000));
    return shown;
}

// The percentages of the texts that begin with prefix, in order.
std::vector<int> Percents(const std::vector<std::string>& shown, const std::string& prefix) {
    std::vector<int> percents;
    for (const auto& text : shown)
        if (text.rfind(prefix, 0) == 0 && text.size() > prefix.size() + 1 && text.back() == '%')
            percents.push_back(std::stoi(text.substr(prefix.size() + 1)));
    return percents;
}

void ExpectAdvancing(const std::vector<int>& percents) {
    ASSERT_GE(percents.size(), 10u); // at least every 10 %
    for (size_t i = 1; i < percents.size(); ++i)
        EXPECT_GT(percents[i], percents[i - 1]);
    EXPECT_LE(percents.front(), 10);
    EXPECT_GE(percents.back(), 90);
    EXPECT_LE(percents.back(), 99);
}

TEST(Progress, AReceiveAndASendShowHowFarTheImageHasCome) {
    Harness h;
    const auto read = ShownWhile(h, IDC_RECEIVE);
    EXPECT_EQ(read.front(), ""); // cleared at the start
    EXPECT_NE(std::find(read.begin(), read.end(), "本装置に接続しています…"), read.end());
    ExpectAdvancing(Percents(read, "設定を受信しています…"));
    EXPECT_EQ(read.back(), "設定の受信に成功しました");

    const auto sent = ShownWhile(h, IDC_SEND);
    ExpectAdvancing(Percents(sent, "設定を送信しています…"));
    // The read-back's progress follows the text that says the box took the image.
    ExpectAdvancing(Percents(sent, "設定の送信に成功しました　設定を確認しています…"));
    EXPECT_EQ(sent.back(), "設定の送信、確認と保存に成功しました");
}

TEST(Progress, AFailureReplacesTheProgressAndStays) {
    Harness h;
    ASSERT_TRUE(h.ClickAndWait(IDC_RECEIVE));
    h.box.faults.silent = true;
    const auto shown = ShownWhile(h, IDC_RESTART);
    EXPECT_EQ(shown.back(), "応答がありませんでした");
    h.win.Advance(10000);
    EXPECT_EQ(h.Info(), "応答がありませんでした");
}

} // namespace
} // namespace hx::test
