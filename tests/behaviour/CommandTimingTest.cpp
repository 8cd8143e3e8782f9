// How often and for how long each command of each operation is tried, as the user of the window
// sees it on the line and in the information field, in the window's virtual time.
#include "Harness.h"

#include <gtest/gtest.h>

#include <vector>

namespace hx {
namespace {

using test::Harness;

struct Tries {
    std::vector<uint64_t> sends; // when the command went out
    uint64_t timeOut = 0;        // when "応答がありませんでした" appeared
    std::string infoWhileWaiting;
    std::string shownWhileWaiting;
};

// Clicks control and lets the box answer until command goes out; from then on the box is
// silent. Notes every time the command is written and when the window gives up.
Tries SilenceAt(Harness& h, int control, const std::string& command) {
    Tries t;
    std::size_t seen = h.ports.written.size();
    EXPECT_TRUE(h.win.Click(control)) << control;
    h.win.AdvanceUntil(
        [&] {
            const std::string& w = h.ports.written;
            for (auto at = w.find(command, seen); at != std::string::npos;
                 at = w.find(command, at + 1)) {
                if (t.sends.empty()) {
                    // The window's own text; the field shows it, followed by the progress.
                    t.infoWhileWaiting = TestState(*h.dlg).m_strInfo;
                    t.shownWhileWaiting = h.Info();
                }
                t.sends.push_back(h.win.Now());
                h.box.faults.silent = true; // the bytes reach the box 1 ms or more later
            }
            seen = w.size();
            if (h.Info() == "応答がありませんでした" && !t.timeOut)
                t.timeOut = h.win.Now();
            return t.timeOut != 0;
        },
        20000);
    return t;
}

TEST(CommandTiming, EveryCommandIsTriedAtItsPeriodThenTheOperationGivesUp) {
    const char* kSent = "設定の送信に成功しました";
    struct Row {
        int control;
        const char* command;
        uint64_t period;
        std::size_t sends;
        const char* info; // the information field while the command waits
    };
    const Row rows[] = {
        // Receive
        {1001, "AT\r", 200, 3, ""},
        {1001, "ATI3\r", 200, 3, ""},
        {1001, "ATI4\r", 200, 3, ""},
        {1001, "ATSRX\r", 1000, 3, ""},
        // Send: the record stream has one time-out for the whole image and is not re-sent
        {1007, "AT\r", 200, 3, ""},
        {1007, "ATSTX\r", 200, 3, ""},
        {1007, ":20000000", 5000, 1, ""},
        {1007, "ATSRX\r", 500, 3, kSent},
        {1007, "AT&W\r", 500, 3, kSent},
        // Restart
        {1008, "AT\r", 200, 3, ""},
        {1008, "ATR\r", 200, 3, ""},
        // Factory reset of a box without a serial number
        {1062, "AT\r", 200, 3, ""},
        {1062, "AT&F\r", 200, 3, ""},
        {1062, "AT!SN=25000009\r", 200, 3, ""},
        {1062, "AT&W\r", 500, 3, ""},
        {1062, "ATSRX\r", 1000, 3, ""},
        // Monitor start
        {1029, "AT\r", 200, 3, ""},
        {1029, "ATS67=2\r", 200, 3, ""},
        {1029, "AT*M1\r", 200, 3, ""},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(testing::Message() << r.control << " " << r.command);
        Harness h("COM1", false);
        h.prefs.WriteInt("Settings", "Serial Number", 0x25000009);
        h.Start();
        ASSERT_TRUE(h.ClickAndWait(1001)); // every other operation needs a read first
        ASSERT_EQ(h.Info(), "設定の受信に成功しました");

        const Tries t = SilenceAt(h, r.control, r.command);
        ASSERT_EQ(t.sends.size(), r.sends);
        for (std::size_t i = 0; i < r.sends; ++i)
            EXPECT_EQ(t.sends[i] - t.sends[0], i * r.period) << "send " << i;
        EXPECT_EQ(t.timeOut - t.sends[0], r.sends == 1 ? r.period : 3 * r.period);
        EXPECT_EQ(t.infoWhileWaiting, r.info);
        EXPECT_EQ(t.shownWhileWaiting.rfind(r.info, 0), 0u) << t.shownWhileWaiting;
    }
}

TEST(CommandTiming, TheRecordPumpRetriesEveryTwoMillisecondsWhileDsrIsOff) {
    Harness h;
    ASSERT_TRUE(h.ClickAndWait(1001));
    h.box.faults.dsrOffAfterRecord = 5;
    h.box.faults.dsrOffMs = 50;
    ASSERT_TRUE(h.win.Click(1007));
    std::vector<unsigned> periods;
    ASSERT_TRUE(h.win.AdvanceUntil(
        [&] {
            if (h.win.TimerRunning(123))
                periods.push_back(h.win.TimerPeriod(123));
            return TestState(*h.dlg).m_nStep == 0;
        },
        20000));
    EXPECT_EQ(h.Info(), "設定の送信、確認と保存に成功しました");
    EXPECT_GE(periods.size(), 40u); // sampled every millisecond while DSR was off
    for (unsigned p : periods)
        EXPECT_EQ(p, 2u);
}

} // namespace
} // namespace hx
