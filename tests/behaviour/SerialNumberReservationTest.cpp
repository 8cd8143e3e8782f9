// The serial-number counter of a station: a number is reserved before a box hears of it, is
// never given twice, and a counter that cannot serve stops the reset before the box changes.
#include "Harness.h"

#include "SettingsImage.h"

#include <gtest/gtest.h>

using namespace hx;
using test::Harness;

namespace {

// A window started with the counter at value, that has read a box without a serial number.
void StartWithCounter(Harness& h, int value) {
    h.prefs.WriteInt("Settings", "Serial Number", value);
    h.win.EndDialog(2);
    h.Start();
    ASSERT_TRUE(h.ClickAndWait(IDC_RECEIVE));
    ASSERT_TRUE(h.Visible(IDC_NEW_SERIAL));
}

int Counter(Harness& h) {
    return h.prefs.GetInt("Settings", "Serial Number", -1);
}

// Nothing reached the box: no factory settings, no number, nothing stored.
void ExpectBoxUntouched(Harness& h, const std::string& writtenBefore) {
    EXPECT_EQ(h.ports.written, writtenBefore);
    EXPECT_EQ(h.box.FactoryResets(), 0);
    EXPECT_EQ(GetU32(h.box.Flash(), kSerialOffset), 0xFFFFFFFFu);
    EXPECT_FALSE(h.dlg->LastOutcome().boxChanged);
}

} // namespace

TEST(SerialNumberReservation, TheNumberIsStoredBeforeTheBoxIsToldIt) {
    Harness h;
    StartWithCounter(h, 0x25000009);
    ASSERT_TRUE(h.win.Click(IDC_FACTORY));
    ASSERT_TRUE(h.win.AdvanceUntil(
        [&] { return h.ports.written.find("AT!SN=") != std::string::npos; }, 5000));
    EXPECT_EQ(Counter(h), 0x25000010) << "the box would hear a number the counter still offers";
    ASSERT_TRUE(h.RunUntilIdle());
    EXPECT_EQ(h.dlg->LastOutcome().kind, OutcomeKind::FactoryReset);
    EXPECT_EQ(h.dlg->LastOutcome().givenSerial, "25000009");
    EXPECT_EQ(GetU32(h.box.Flash(), kSerialOffset), 0x25000009u);
}

TEST(SerialNumberReservation, ANumberGivenByAnotherProgramIsNotGivenAgain) {
    Harness h;
    StartWithCounter(h, 0x100);
    // While the window is open, another program of the station gives 00000100 and stores 101.
    h.prefs.WriteInt("Settings", "Serial Number", 0x101);
    ASSERT_TRUE(h.ClickAndWait(IDC_FACTORY));
    EXPECT_EQ(h.dlg->LastOutcome().kind, OutcomeKind::FactoryReset);
    EXPECT_NE(h.ports.written.find("AT!SN=00000101\r"), std::string::npos);
    EXPECT_EQ(Counter(h), 0x102);
}

TEST(SerialNumberReservation, ATypedNumberIsGivenAndTheCounterGoesOnAfterIt) {
    Harness h;
    StartWithCounter(h, 0x100);
    h.win.Type(IDC_NEW_SERIAL, "25000019");
    ASSERT_TRUE(h.ClickAndWait(IDC_FACTORY));
    EXPECT_NE(h.ports.written.find("AT!SN=25000019\r"), std::string::npos);
    EXPECT_EQ(Counter(h), 0x25000020);
}

TEST(SerialNumberReservation, AResetThatFailsAfterTheNumberLeavesAGapNotADuplicate) {
    Harness h;
    StartWithCounter(h, 0x00000001);
    ASSERT_TRUE(h.win.Click(IDC_FACTORY));
    ASSERT_TRUE(h.win.AdvanceUntil(
        [&] { return h.ports.written.find("AT!SN=") != std::string::npos; }, 5000));
    h.box.faults.silent = true; // the cable is pulled once the box has its number
    ASSERT_TRUE(h.RunUntilIdle());
    const Outcome& out = h.dlg->LastOutcome();
    EXPECT_EQ(out.kind, OutcomeKind::NoAnswer);
    EXPECT_TRUE(out.boxChanged);
    EXPECT_EQ(out.givenSerial, "00000001");

    // The next box gets the next number.
    h.box.faults.silent = false;
    h.box.Ram() = sim::BoxModel::FactoryImage();
    ASSERT_TRUE(h.ClickAndWait(IDC_RECEIVE));
    h.ports.written.clear();
    ASSERT_TRUE(h.ClickAndWait(IDC_FACTORY));
    EXPECT_NE(h.ports.written.find("AT!SN=00000002\r"), std::string::npos);
}

TEST(SerialNumberReservation, ACounterThatCannotServeStopsBeforeTheBoxChanges) {
    struct Case {
        const char* name;
        void (*arrange)(Harness&);
        const char* shown; // a part of the information text
    };
    const Case cases[] = {
        {"no number after 0000001F",
         [](Harness& h) { h.prefs.WriteInt("Settings", "Serial Number", 0x1F); }, "0000001F"},
        {"no number after FFFFFFFE", [](Harness& h) { h.win.SetText(IDC_NEW_SERIAL, "FFFFFFFE"); },
         "FFFFFFFE"},
        {"no number after 99999999, which would count on from 00000000",
         [](Harness& h) { h.win.SetText(IDC_NEW_SERIAL, "99999999"); }, "99999999"},
        {"the store has vanished", [](Harness& h) { h.prefs.gone = true; }, "カウンター"},
        {"the store is not written", [](Harness& h) { h.prefs.failWrites = true; },
         "保存できません"},
        {"another program holds the lock", [](Harness& h) { h.prefs.lockHeldElsewhere = true; },
         "カウンター"},
        {"a damaged entry",
         [](Harness& h) { h.prefs.PutRaw("Settings", "Serial Number", "25000010x"); }, "25000010x"},
        {"an empty entry", [](Harness& h) { h.prefs.PutRaw("Settings", "Serial Number", ""); },
         "Serial Number"},
        {"an entry beyond 32 bits",
         [](Harness& h) { h.prefs.PutRaw("Settings", "Serial Number", "4294967296"); },
         "4294967296"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Harness h;
        StartWithCounter(h, 0x100);
        c.arrange(h);
        const std::string written = h.ports.written;
        const int writes = h.prefs.Writes();
        ASSERT_TRUE(h.ClickAndWait(IDC_FACTORY));
        EXPECT_EQ(h.dlg->LastOutcome().kind, OutcomeKind::CounterUnavailable);
        EXPECT_NE(h.Info().find(c.shown), std::string::npos) << h.Info();
        ExpectBoxUntouched(h, written);
        if (!h.prefs.failWrites) {
            EXPECT_EQ(h.prefs.Writes(), writes);
        }
        EXPECT_FALSE(h.ports.anyOpen);
        EXPECT_EQ(h.prefs.LocksHeld(), 0);
        // The message stays, and no field holds the user's edits back.
        h.win.Advance(6000);
        EXPECT_NE(h.Info().find(c.shown), std::string::npos);
        h.win.SetText(1003, "600");
        EXPECT_TRUE(h.dlg->UpdateData(true));
        EXPECT_EQ(TestState(*h.dlg).m_nAudioDelayA, 600u);
    }
}

TEST(SerialNumberReservation, ATypedNumberRepairsADamagedCounter) {
    Harness h;
    StartWithCounter(h, 0x100);
    h.prefs.PutRaw("Settings", "Serial Number", "25000010x");
    ASSERT_TRUE(h.ClickAndWait(IDC_FACTORY));
    ASSERT_EQ(h.dlg->LastOutcome().kind, OutcomeKind::CounterUnavailable);
    EXPECT_EQ(h.win.GetText(IDC_NEW_SERIAL), "") << "the field offered a number nobody holds";
    h.win.Type(IDC_NEW_SERIAL, "25000100");
    ASSERT_TRUE(h.ClickAndWait(IDC_FACTORY));
    EXPECT_EQ(h.dlg->LastOutcome().kind, OutcomeKind::FactoryReset);
    EXPECT_EQ(GetU32(h.box.Flash(), kSerialOffset), 0x25000100u);
    EXPECT_EQ(Counter(h), 0x25000101);
}

TEST(SerialNumberReservation, ARefusalBeforeTheStartStaysUntilTheNextOperation) {
    Harness h;
    ASSERT_TRUE(h.ClickAndWait(IDC_RECEIVE)); // a success: its text is cleared after 5000 ms
    h.box.Ram() = sim::BoxModel::FactoryImage();
    ASSERT_TRUE(h.ClickAndWait(IDC_RECEIVE));
    h.win.Advance(4000);
    h.win.SetText(IDC_NEW_SERIAL, "12G4");
    h.win.ClearMessages();
    h.win.Click(IDC_FACTORY);
    const std::string refused = h.Info();
    EXPECT_NE(refused.find("12G4"), std::string::npos);
    h.win.Advance(10000);
    EXPECT_EQ(h.Info(), refused);

    h.ports.options.openFails = true;
    h.win.SetText(IDC_NEW_SERIAL, "00000001");
    h.win.Click(IDC_RESTART);
    EXPECT_EQ(h.dlg->LastOutcome().kind, OutcomeKind::PortNotOpened);
    const std::string notOpened = h.Info();
    h.win.Advance(10000);
    EXPECT_EQ(h.Info(), notOpened);
}

TEST(SerialNumberReservation, ANumberTypedIntoTheBoxsOwnFieldAndSentIsNeverGivenAgain) {
    Harness h;
    StartWithCounter(h, 0x100);
    h.win.Type(IDC_SERIAL, "00000100");
    ASSERT_TRUE(h.ClickAndWait(IDC_SEND));
    ASSERT_EQ(h.dlg->LastOutcome().kind, OutcomeKind::Sent);
    EXPECT_EQ(GetU32(h.box.Flash(), kSerialOffset), 0x100u);
    EXPECT_EQ(Counter(h), 0x101);

    // The next box without a number gets the one after it.
    h.box.Ram() = sim::BoxModel::FactoryImage();
    ASSERT_TRUE(h.ClickAndWait(IDC_RECEIVE));
    h.ports.written.clear();
    ASSERT_TRUE(h.ClickAndWait(IDC_FACTORY));
    EXPECT_NE(h.ports.written.find("AT!SN=00000101\r"), std::string::npos) << h.ports.written;
}

TEST(SerialNumberReservation, ANumberBelowTheCountersIsGivenOnlyWhenTheUserSaysYes) {
    Harness h;
    StartWithCounter(h, 0x25000010);
    h.win.ClearMessages();
    h.win.Type(IDC_NEW_SERIAL, "01234567");
    const std::string written = h.ports.written;
    ASSERT_TRUE(h.ClickAndWait(IDC_FACTORY)); // the question's default: No
    ASSERT_EQ(h.win.Messages().size(), 1u);
    EXPECT_TRUE(h.win.Messages()[0].question);
    EXPECT_NE(h.win.Messages()[0].text.find("25000010"), std::string::npos);
    EXPECT_EQ(h.dlg->LastOutcome().kind, OutcomeKind::SerialBelowCounter);
    ExpectBoxUntouched(h, written);
    EXPECT_EQ(Counter(h), 0x25000010);

    h.win.QueueYesNoAnswer(true);
    ASSERT_TRUE(h.ClickAndWait(IDC_FACTORY));
    EXPECT_EQ(h.dlg->LastOutcome().kind, OutcomeKind::FactoryReset);
    EXPECT_EQ(GetU32(h.box.Flash(), kSerialOffset), 0x01234567u);
    EXPECT_EQ(Counter(h), 0x01234568);
}

namespace {

// A line's store as the window sees it: what it was asked, and a problem it may answer with.
struct RecordingStore : ISerialStore {
    CounterProblem problem = CounterProblem::None;
    std::vector<std::string> calls;
    SerialReservation Reserve(const uint32_t*, bool, const BoxRecord& record) override {
        calls.push_back("reserve " + record.port + " " + record.firmware);
        SerialReservation r;
        r.problem = problem;
        r.given = 0x25000009;
        r.next = 0x25000010;
        r.requestId = "request";
        return r;
    }
    bool Finish(const SerialReservation& r, bool programmed, const std::string& sent,
                std::string&) override {
        calls.push_back(r.requestId + (programmed ? " programmed" : " failed") +
                        (sent.empty() ? "" : " with settings"));
        return true;
    }
    std::string Location() const override { return "line"; }
};

} // namespace

TEST(SerialNumberReservation, ALinesStoreHearsOnceWhetherTheBoxStoredItsNumber) {
    for (const char* end : {"stored", "pulled after the number", "closed", "unreachable"}) {
        SCOPED_TRACE(end);
        Harness h;
        RecordingStore store;
        h.app.SetSerialStore(&store);
        StartWithCounter(h, 1);
        const std::string before = h.ports.written;
        store.problem =
            std::string(end) == "unreachable" ? CounterProblem::Unreachable : CounterProblem::None;
        ASSERT_TRUE(h.win.Click(IDC_FACTORY));
        if (std::string(end) != "stored" && std::string(end) != "unreachable") {
            ASSERT_TRUE(h.win.AdvanceUntil(
                [&] { return h.ports.written.find("AT!SN=") != std::string::npos; }, 5000));
            EXPECT_EQ(store.calls.size(), 1u) << "the store heard the end too early";
            if (std::string(end) == "closed")
                h.win.EndDialog(2);
            else
                h.box.faults.silent = true;
        }
        ASSERT_TRUE(h.RunUntilIdle());
        ASSERT_FALSE(store.calls.empty());
        EXPECT_EQ(store.calls[0], "reserve " + h.dlg->PortName() + " " +
                                      std::to_string(h.dlg->VersionMajor()) + "." +
                                      (h.dlg->VersionMinor() < 10 ? "0" : "") +
                                      std::to_string(h.dlg->VersionMinor()));
        if (std::string(end) == "unreachable") {
            EXPECT_EQ(store.calls.size(), 1u);
            ExpectBoxUntouched(h, before);
            EXPECT_EQ(h.dlg->LastOutcome().kind, OutcomeKind::CounterUnavailable);
            continue;
        }
        ASSERT_EQ(store.calls.size(), 2u);
        EXPECT_EQ(store.calls[1],
                  std::string(end) == "stored" ? "request programmed" : "request failed");
    }
}
