// The validating read of the editor fields and the write back into them.
#include "Harness.h"

#include <gtest/gtest.h>

namespace hx {
namespace {

using test::Harness;

class EditorDataExchange : public ::testing::Test {
protected:
    // Puts a text into a field without any notification (also into hidden fields).
    void Put(int id, const std::string& text) { h.win.SetText(id, text); }
    const std::vector<MemoryWindow::Message>& Messages() const { return h.win.Messages(); }
    bool Selected(int id) const { return h.win.Find(id)->textSelected; }

    Harness h;
};

TEST_F(EditorDataExchange, StartShowsTheDefaults) {
    const std::pair<int, const char*> fields[] = {
        {1003, "248"}, {1005, "328"}, {1009, "504"}, {1011, "504"}, {1013, "0"},
        {1015, "0"},   {1017, "0"},   {1019, "0"},   {1021, "-20"}, {1027, "-32"},
        {1030, "-52"}, {1032, "-64"}, {1034, "-72"}, {1036, "-84"}, {1023, "30"},
        {1054, "60"},  {1056, "0"},   {1038, "24"},  {1052, "24"}};
    for (auto [id, text] : fields)
        EXPECT_EQ(h.win.GetText(id), text) << id;
    EXPECT_TRUE(Messages().empty());
}

TEST_F(EditorDataExchange, ReadsEveryFieldOfItsKind) {
    Put(1003, "880");
    Put(1009, "8");
    Put(1013, "49");
    Put(1017, "-63");
    Put(1021, " -10 "); // blanks around the number are fine
    Put(1023, "+55");
    Put(1054, "65535");
    Put(1052, "872");
    EXPECT_TRUE(h.dlg->UpdateData(true));
    EXPECT_EQ(TestState(*h.dlg).m_nAudioDelayA, 880u);
    EXPECT_EQ(TestState(*h.dlg).m_nHoldTimeA, 8u);
    EXPECT_EQ(TestState(*h.dlg).m_nRxGainA, 49u);
    EXPECT_EQ(TestState(*h.dlg).m_nTxGainA, -63);
    EXPECT_EQ(TestState(*h.dlg).m_nSignalOnLevel, -10);
    EXPECT_EQ(TestState(*h.dlg).m_nMicGain, 55);
    EXPECT_EQ(TestState(*h.dlg).m_nUnmodulatedLimit, 65535u);
    EXPECT_EQ(TestState(*h.dlg).m_nResponseTimeB, 872);
    EXPECT_TRUE(Messages().empty());
}

TEST_F(EditorDataExchange, FirstRefusedFieldEndsTheRead) {
    Put(1009, "abc");  // read after 1003: never reached
    Put(1003, "5000"); // out of range: stored all the same
    EXPECT_FALSE(h.dlg->UpdateData(true));
    ASSERT_EQ(Messages().size(), 1u);
    EXPECT_EQ(Messages()[0].text, "16 から 880 までの整数を入力してください。");
    EXPECT_EQ(Messages()[0].icon, MsgIcon::Warning);
    EXPECT_EQ(TestState(*h.dlg).m_nAudioDelayA, 5000u);
    EXPECT_EQ(TestState(*h.dlg).m_nHoldTimeA, 504u);
    EXPECT_EQ(h.win.GetFocus(), 1003);
    EXPECT_TRUE(Selected(1003));
}

TEST_F(EditorDataExchange, MessagesForEachKindOfFault) {
    struct Case {
        int id;
        const char* text;
        const char* message;
    };
    const Case cases[] = {
        {1009, "20", "8 単位で入力してください。"},
        {1038, "20", "8 単位で入力してください。"},
        {1017, "-6x", "整数を入力してください。"},
        {1017, "", "整数を入力してください。"},
        {1054, "-5", "0 以上の整数を入力してください。"}, // no wrap into 4294967291
        {1013, "50", "0 から 49 までの整数を入力してください。"},
        {1030, "-110", "-109 から -40 までの整数を入力してください。"},
        {1056, "99999999999", "0 から 65535 までの整数を入力してください。"},
        {1023, "-2147483649", "-67 から 55 までの整数を入力してください。"},
    };
    for (const auto& c : cases) {
        Harness fresh;
        fresh.win.SetText(c.id, c.text);
        EXPECT_FALSE(fresh.dlg->UpdateData(true)) << c.id << " " << c.text;
        ASSERT_EQ(fresh.win.Messages().size(), 1u) << c.id << " " << c.text;
        EXPECT_EQ(fresh.win.Messages()[0].text, c.message) << c.id << " " << c.text;
        EXPECT_EQ(fresh.win.Messages()[0].icon, MsgIcon::Warning);
        EXPECT_EQ(fresh.win.GetFocus(), c.id);
    }
}

TEST_F(EditorDataExchange, ValuesThatCannotBeHeldStayAsTheyWere) {
    Put(1054, "-5");
    EXPECT_FALSE(h.dlg->UpdateData(true));
    EXPECT_EQ(TestState(*h.dlg).m_nUnmodulatedLimit, 60u);
    Put(1054, "4294967296");
    EXPECT_FALSE(h.dlg->UpdateData(true));
    EXPECT_EQ(TestState(*h.dlg).m_nUnmodulatedLimit, 60u);
    Put(1054, "70000"); // fits 32 bits: stored, refused by the range
    EXPECT_FALSE(h.dlg->UpdateData(true));
    EXPECT_EQ(TestState(*h.dlg).m_nUnmodulatedLimit, 70000u);
}

TEST_F(EditorDataExchange, SerialNumberFields) {
    h.dlg->ShowSerialRow(true); // a box without a serial number
    const char* good[] = {"", "0", "FFFFFFFE", "25000009", "000000001"};
    for (const char* text : good) {
        Put(1061, text);
        Put(1066, text);
        EXPECT_TRUE(h.dlg->UpdateData(true)) << text;
        EXPECT_EQ(TestState(*h.dlg).m_strSerial, text);
        EXPECT_EQ(TestState(*h.dlg).m_strNewSerial, text);
    }
    EXPECT_TRUE(Messages().empty());

    const char* bad[] = {"FFFFFFFF", "12G4", "100000000", "0X12", " 1"};
    for (const char* text : bad) {
        for (int id : {1061, 1066}) {
            Harness fresh;
            fresh.dlg->ShowSerialRow(true);
            fresh.win.SetText(id, text);
            fresh.win.SetText(1003, "5000"); // later: not read
            EXPECT_FALSE(fresh.dlg->UpdateData(true)) << text;
            ASSERT_EQ(fresh.win.Messages().size(), 1u);
            EXPECT_EQ(fresh.win.Messages()[0].text, "0～FFFFFFFE までの16進数を入力してください。");
            EXPECT_EQ(fresh.win.Messages()[0].icon, MsgIcon::Warning);
            EXPECT_EQ(fresh.win.GetFocus(), id);
            EXPECT_EQ(TestState(*fresh.dlg).m_nAudioDelayA, 248u);
        }
    }
}

TEST_F(EditorDataExchange, AHiddenNewSerialNumberHoldsNothingUp) {
    // A box that has a serial number: the row is hidden, and its text is not read.
    Put(1066, "0000000G");
    Put(1003, "600");
    EXPECT_TRUE(h.dlg->UpdateData(true));
    EXPECT_EQ(TestState(*h.dlg).m_nAudioDelayA, 600u);
    EXPECT_TRUE(Messages().empty());
}

TEST_F(EditorDataExchange, PortNameIsTheSelectedItem) {
    h.ports.SetPortNames({"COM1", "COM3"});
    h.win.DropDown(1000);
    h.win.Choose(1000, 1);
    EXPECT_TRUE(h.dlg->UpdateData(true));
    EXPECT_EQ(TestState(*h.dlg).m_strPortName, "COM3");
    h.win.ListSelect(1000, -1);
    EXPECT_TRUE(h.dlg->UpdateData(true));
    EXPECT_EQ(TestState(*h.dlg).m_strPortName, "");

    TestState(*h.dlg).m_strPortName = "COM1";
    h.dlg->UpdateData(false);
    EXPECT_EQ(h.win.ListSelection(1000), 0);
}

TEST_F(EditorDataExchange, WriteShowsEveryValueAndChecksTheSteps) {
    TestState(*h.dlg).m_nSignalOnLevel = -58;
    TestState(*h.dlg).m_nUnmodulatedLimit = 65535;
    TestState(*h.dlg).m_nHoldTimeA = 20;    // not a multiple of 8
    TestState(*h.dlg).m_nResponseTimeB = 4; // neither: only the first is reported
    TestState(*h.dlg).m_strInfo = "情報";
    TestState(*h.dlg).m_strSerial = "0000ABCD";
    EXPECT_FALSE(h.dlg->UpdateData(false));
    EXPECT_EQ(h.win.GetText(1021), "-58");
    EXPECT_EQ(h.win.GetText(1054), "65535");
    EXPECT_EQ(h.win.GetText(1009), "20");
    EXPECT_EQ(h.win.GetText(1052), "4"); // written although an earlier field failed its check
    EXPECT_EQ(h.win.GetText(1002), "情報");
    EXPECT_EQ(h.win.GetText(1061), "0000ABCD");
    ASSERT_EQ(Messages().size(), 1u);
    EXPECT_EQ(Messages()[0].text, "8 単位で入力してください。");
    EXPECT_EQ(h.win.GetFocus(), 1009);

    h.win.ClearMessages();
    TestState(*h.dlg).m_nHoldTimeA = 504;
    TestState(*h.dlg).m_nResponseTimeB = 24;
    TestState(*h.dlg).m_nRxGainA = 400; // the range is not checked in this direction
    EXPECT_TRUE(h.dlg->UpdateData(false));
    EXPECT_TRUE(Messages().empty());
}

// Every numeric field: its kind, range and step, and its up-down's range and step as the
// window sets them when it opens.
TEST(EditorFields, RangesStepsMessagesAndUpDowns) {
    struct Row {
        int field;
        bool isUnsigned;
        int lowest, highest, multiple;
        int spin, spinLowest, spinHighest, spinStep;
    };
    const Row rows[] = {
        {1003, true, 16, 880, 8, 1004, 16, 880, 8},
        {1005, true, 16, 880, 8, 1006, 16, 880, 8},
        {1009, true, 8, 2048, 8, 1010, 40, 2040, 40},
        {1011, true, 8, 2048, 8, 1012, 40, 2040, 40},
        {1013, true, 0, 49, 1, 1014, 0, 49, 1},
        {1015, true, 0, 49, 1, 1016, 0, 49, 1},
        {1017, false, -63, 0, 1, 1018, -63, 0, 1},
        {1019, false, -63, 0, 1, 1020, -63, 0, 1},
        {1021, false, -58, -10, 1, 1022, -58, -10, 1},
        {1027, false, -59, -11, 1, 1028, -59, -11, 1},
        {1030, false, -109, -40, 1, 1031, -109, -40, 1},
        {1032, false, -110, -41, 1, 1033, -110, -41, 1},
        {1034, false, -109, -40, 1, 1035, -109, -40, 1},
        {1036, false, -110, -41, 1, 1037, -110, -41, 1},
        {1023, false, -67, 55, 1, 1024, -67, 55, 1},
        {1054, true, 0, 65535, 1, 1055, 0, 65535, 10},
        {1056, true, 0, 65535, 1, 1057, 0, 65535, 10},
        {1038, false, 16, 880, 8, 1051, 16, 880, 8},
        {1052, false, 16, 880, 8, 1053, 16, 880, 8},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.field);
        Harness h; // a refused field takes the focus: each field gets a window of its own
        const MemoryWindow::Control* spin = h.win.Find(r.spin);
        ASSERT_NE(spin, nullptr);
        EXPECT_TRUE(spin->rangeSet);
        EXPECT_EQ(spin->lowest, r.spinLowest);
        EXPECT_EQ(spin->highest, r.spinHighest);
        EXPECT_EQ(spin->step, r.spinStep);

        const std::string range = std::to_string(r.lowest) + " から " + std::to_string(r.highest) +
                                  " までの整数を入力してください。";
        const std::string notUnsigned = "0 以上の整数を入力してください。";
        const std::string notSigned = "整数を入力してください。";
        const std::string eights = "8 単位で入力してください。";
        const bool minusOneFits = r.lowest <= -1 && -1 <= r.highest;
        const std::pair<int, std::string> probes[] = {
            {r.lowest, ""},
            {r.highest, ""},
            {r.lowest - 1, r.isUnsigned && r.lowest == 0 ? notUnsigned : range},
            {r.highest + 1, range},
            {r.lowest + 4, r.multiple == 8 ? eights : ""},
            {-1, r.isUnsigned ? notUnsigned : (minusOneFits ? "" : range)},
        };
        for (const auto& [number, message] : probes) {
            SCOPED_TRACE(number);
            h.win.ClearMessages();
            h.win.SetText(r.field, std::to_string(number));
            EXPECT_EQ(h.dlg->UpdateData(true), message.empty());
            if (message.empty()) {
                EXPECT_TRUE(h.win.Messages().empty());
                continue;
            }
            ASSERT_EQ(h.win.Messages().size(), 1u);
            EXPECT_EQ(h.win.Messages()[0].text, message);
            EXPECT_EQ(h.win.GetFocus(), r.field);
        }
        h.win.SetText(r.field, "x");
        h.win.ClearMessages();
        EXPECT_FALSE(h.dlg->UpdateData(true));
        ASSERT_EQ(h.win.Messages().size(), 1u);
        EXPECT_EQ(h.win.Messages()[0].text, r.isUnsigned ? notUnsigned : notSigned);
    }
}

} // namespace
} // namespace hx
