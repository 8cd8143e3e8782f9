// Each reply is credited to the command it answers: a late answer to an earlier copy of a
// command never passes for the answer to the next one, and an ERROR ends the operation.
#include "Harness.h"

#include <gtest/gtest.h>

using namespace hx;
using test::Harness;

namespace {

void Receive(Harness& h) {
    ASSERT_TRUE(h.ClickAndWait(IDC_RECEIVE));
    ASSERT_EQ(h.dlg->LastOutcome().kind, OutcomeKind::Received);
}

} // namespace

TEST(Replies, AStoreTheBoxRefusedOrNeverHeardIsNeverReportedAsStored) {
    // At 9 bytes a millisecond the read-back image ends after the 500 ms period, so "ATSRX"
    // goes out again, and the OK that ends the second image arrives after "AT&W" was sent.
    for (bool echo : {true, false}) {
        for (unsigned bytesPerMs : {12u, 9u}) {
            SCOPED_TRACE(std::string(echo ? "echo, " : "no echo, ") + std::to_string(bytesPerMs));
            Harness h;
            h.box.faults.noEcho = !echo;
            Receive(h);
            h.ports.options.bytesPerMs = bytesPerMs;
            h.box.faults.refuseStore = true;
            ASSERT_TRUE(h.ClickAndWait(IDC_SEND));
            EXPECT_EQ(h.box.Stores(), 0);
            EXPECT_EQ(h.dlg->LastOutcome().kind, OutcomeKind::BoxRefused);
            EXPECT_EQ(h.dlg->LastOutcome().detail, "AT&W");
            EXPECT_TRUE(h.dlg->LastOutcome().boxChanged);
            EXPECT_EQ(h.Info(), "装置が「AT&W」を受け付けませんでした");
            h.win.Advance(3000); // what is still on the line reaches a closed port
            EXPECT_EQ(h.Info(), "装置が「AT&W」を受け付けませんでした");

            // "AT&W" lost on the line: the send ends in a store only once the box stored.
            h.box.faults.refuseStore = false;
            h.box.faults.lostCommand = "AT&W";
            ASSERT_TRUE(h.ClickAndWait(IDC_SEND));
            EXPECT_EQ(h.dlg->LastOutcome().kind == OutcomeKind::Sent, h.box.Stores() == 1);
        }
    }
}

TEST(Replies, ABoxLeftStreamingStatusFramesIsReachedByTheNextOperation) {
    Harness h;
    h.box.Input("AT*M1\r", 0); // a program before this one ended during the monitor
    ASSERT_TRUE(h.box.Monitoring());
    Receive(h);
    EXPECT_FALSE(h.box.Monitoring());
}

TEST(Replies, ASlowReadBackStillEndsInTheStore) {
    Harness h;
    Receive(h);
    h.ports.options.bytesPerMs = 9; // the image needs more than the 500 ms period
    ASSERT_TRUE(h.ClickAndWait(IDC_SEND));
    EXPECT_EQ(h.dlg->LastOutcome().kind, OutcomeKind::Sent);
    EXPECT_EQ(h.box.Flash(), TestState(*h.dlg).m_SettingsImage);
}

TEST(Replies, DoubledAnswersAreCreditedOnce) {
    // The second answer to each command is passed over: "AT" answered twice no longer makes
    // its second OK the answer to "ATI3" (a read that failed with the model text).
    Harness h;
    h.box.faults.doubleReplies = true;
    Receive(h);
    ASSERT_TRUE(h.ClickAndWait(IDC_RESTART));
    EXPECT_EQ(h.dlg->LastOutcome().kind, OutcomeKind::Restarted);
    EXPECT_EQ(h.box.Restarts(), 1);
}

TEST(Replies, AnErrorEndsTheOperationAtOnceForEveryKindOfBox) {
    struct Kind {
        const char* name;
        void (*arrange)(sim::BoxFaults&);
    };
    const Kind kinds[] = {
        {"echoing", [](sim::BoxFaults&) {}},
        {"without echo", [](sim::BoxFaults& f) { f.noEcho = true; }},
        {"lower case", [](sim::BoxFaults& f) { f.lowerCase = true; }},
        {"with # lines", [](sim::BoxFaults& f) { f.comments = true; }},
    };
    for (const Kind& k : kinds) {
        SCOPED_TRACE(k.name);
        Harness h;
        k.arrange(h.box.faults);
        Receive(h);
        h.box.faults.refuseStore = true;
        ASSERT_TRUE(h.win.Click(IDC_SEND));
        const uint64_t start = h.win.Now();
        ASSERT_TRUE(h.RunUntilIdle());
        EXPECT_LT(h.win.Now() - start, 1500u) << "waited for retries after ERROR";
        EXPECT_EQ(h.dlg->LastOutcome().kind, OutcomeKind::BoxRefused);
        EXPECT_EQ(h.box.Stores(), 0);
        EXPECT_TRUE(h.Enabled(IDC_SEND));
    }
}
