// A box's pass on a production line: factory settings, a number for a box without one, the
// editor's settings sent, verified and stored, all on the port the read left open.
#include "Harness.h"

#include "SerialStore.h"
#include "SettingsImage.h"

#include <gtest/gtest.h>

using namespace hx;
using test::Harness;

namespace {

size_t Count(const std::string& text, const std::string& part) {
    size_t n = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++n;
    return n;
}

// A window with the counter at 25000009 that has read a box without a serial number on a port
// it holds open, and shows an audio delay A of 600 ms.
void ReadAndEdit(Harness& h) {
    h.prefs.WriteInt("Settings", "Serial Number", 0x25000009);
    h.win.EndDialog(2);
    h.Start();
    h.dlg->HoldPort(true);
    ASSERT_TRUE(h.ClickAndWait(IDC_RECEIVE));
    h.Show(IDC_DELAY_A, "600");
}

} // namespace

TEST(Provision, NumbersTheBoxAndStoresTheEditorsSettingsInOnePortSession) {
    Harness h;
    ReadAndEdit(h);
    h.dlg->Provision();
    ASSERT_TRUE(h.RunUntilIdle());
    const Outcome& out = h.dlg->LastOutcome();
    EXPECT_EQ(out.kind, OutcomeKind::Provisioned);
    EXPECT_EQ(out.givenSerial, "25000009");
    EXPECT_EQ(h.prefs.GetInt("Settings", "Serial Number", 0), 0x25000010);
    EXPECT_EQ(h.box.FactoryResets(), 1);
    EXPECT_EQ(h.box.Stores(), 1) << "one store, after the verified image";
    EXPECT_EQ(GetU32(h.box.Flash(), kSerialOffset), 0x25000009u);
    EXPECT_EQ(h.box.Flash()[2003], 600 / 8 - 1);
    // The factory settings come before the number, the number before the image.
    const std::string& w = h.ports.written;
    EXPECT_LT(w.find("AT&F\r"), w.find("AT!SN=25000009\r"));
    EXPECT_LT(w.find("AT!SN=25000009\r"), w.find("ATSTX\r"));
    EXPECT_EQ(Count(w, "ATSRX\r"), 2u) << "the read and the verifying read-back";
    EXPECT_EQ(Count(w, "ATI3\r"), 1u);
    EXPECT_EQ(h.ports.opens, 1);
    EXPECT_EQ(h.Shown(IDC_SERIAL), "25000009");
    EXPECT_FALSE(h.Visible(IDC_NEW_SERIAL));
    h.dlg->HoldPort(false);
    EXPECT_FALSE(h.ports.anyOpen);
}

TEST(Provision, AFailureClosesTheHeldPortAndLeavesAGapNotADuplicate) {
    Harness h;
    ReadAndEdit(h);
    h.box.faults.refuseStore = true;
    h.dlg->Provision();
    ASSERT_TRUE(h.RunUntilIdle());
    const Outcome& out = h.dlg->LastOutcome();
    EXPECT_EQ(out.kind, OutcomeKind::BoxRefused);
    EXPECT_EQ(out.detail, "AT&W");
    EXPECT_TRUE(out.boxChanged);
    EXPECT_EQ(out.givenSerial, "25000009");
    EXPECT_EQ(h.prefs.GetInt("Settings", "Serial Number", 0), 0x25000010);
    EXPECT_FALSE(h.ports.anyOpen);
}

TEST(Provision, ABoxThatHasANumberKeepsItAndNothingStartsBeforeARead) {
    Harness h;
    h.dlg->Provision();
    EXPECT_EQ(h.ports.opens, 0);
    EXPECT_FALSE(h.dlg->OperationRunning());

    PutU32(h.box.Flash(), kSerialOffset, 0x11112222);
    h.box.PowerCycle();
    ReadAndEdit(h);
    h.dlg->Provision();
    ASSERT_TRUE(h.RunUntilIdle());
    EXPECT_EQ(h.dlg->LastOutcome().kind, OutcomeKind::Provisioned);
    EXPECT_EQ(h.ports.written.find("AT!SN="), std::string::npos);
    EXPECT_EQ(GetU32(h.box.Flash(), kSerialOffset), 0x11112222u);
    EXPECT_EQ(h.prefs.GetInt("Settings", "Serial Number", 0), 0x25000009);
}

TEST(Provision, ALinesStoreHearsAProvisionAndTheImageItSent) {
    struct Store : ISerialStore {
        std::string operation, sent;
        bool programmed = false;
        SerialReservation Reserve(const uint32_t*, bool, const BoxRecord& record) override {
            operation = record.operation;
            SerialReservation r;
            r.given = 0x25000009;
            r.next = 0x25000010;
            r.requestId = "request";
            return r;
        }
        bool Finish(const SerialReservation&, bool stored, const std::string& image,
                    std::string&) override {
            programmed = stored;
            sent = image;
            return true;
        }
        std::string Location() const override { return "line"; }
    } store;
    Harness h;
    h.app.SetSerialStore(&store);
    ReadAndEdit(h);
    h.dlg->Provision();
    ASSERT_TRUE(h.RunUntilIdle());
    ASSERT_EQ(h.dlg->LastOutcome().kind, OutcomeKind::Provisioned);
    EXPECT_EQ(store.operation, "provision");
    EXPECT_TRUE(store.programmed);
    const SettingsImage& held = h.box.Flash();
    EXPECT_EQ(store.sent, std::string(held.begin(), held.end()));
    EXPECT_EQ(GetU32(held, kSerialOffset), 0x25000009u);
}
