// Monitor mode of the whole window against the box model, in virtual time: the start and
// stop, lamps, meters, read-outs, damaged input, the focus rule and a flood of frames.
#include "FrameGenerator.h"
#include "Harness.h"
#include "StatusFrame.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

namespace hx::test {
namespace {

constexpr int kLampIds[8] = {1039, 1040, 1041, 1042, 1043, 1044, 1045, 1046};
constexpr int kLockedDuringMonitor[8] = {2, 1000, 1001, 1007, 1008, 1062, 1063, 1064};

StatusFrame Frame(uint8_t lamps, uint16_t mode = 0, int16_t levelA = 0, int16_t levelB = 0,
                  int16_t sampleA = 0, int16_t sampleB = 0) {
    StatusFields f;
    f.lampBits = lamps;
    f.modeBits = mode;
    f.levelA = levelA;
    f.levelB = levelB;
    f.sampleA = sampleA;
    f.sampleB = sampleB;
    return EncodeFrame(f);
}

std::vector<uint8_t> Bytes(const StatusFrame& f) {
    return {f.begin(), f.end()};
}

class MonitorTest : public ::testing::Test {
protected:
    void SetUp() override {
        // The box sends a frame a second unless a test asks for more; the frames of most
        // tests are handed to the window directly, as reads of the port.
        h.box.frames.framesPerSecond = 1;
        ASSERT_TRUE(h.ClickAndWait(IDC_RECEIVE));
        ASSERT_EQ(h.Info(), "設定の受信に成功しました");
        ASSERT_TRUE(h.Enabled(IDC_MONITOR));
    }

    void Start() {
        ASSERT_TRUE(h.win.Click(IDC_MONITOR));
        ASSERT_TRUE(
            h.win.AdvanceUntil([&] { return TestState(*h.dlg).m_bMonitorMode != 0; }, 1000));
    }

    // One read of the port that delivered these bytes, as the read loop does it.
    void Read(const std::vector<uint8_t>& bytes) {
        auto& d = TestState(*h.dlg);
        const size_t room = sizeof d.m_rxBuf - d.m_rxLen;
        const size_t n = std::min(room, bytes.size());
        if (n == 0)
            return;
        std::memcpy(d.m_rxBuf + d.m_rxLen, bytes.data(), n);
        d.m_rxLen = static_cast<uint16_t>(d.m_rxLen + n);
        h.dlg->ProcessMonitorFrame();
    }
    void ReadFrame(const StatusFrame& f) { Read(Bytes(f)); }

    // Forget the pictures, so that the test sees which lamps the next frame sets.
    void BlankLamps() {
        for (int id : kLampIds)
            h.win.SetLamp(id, LampImage::None);
    }

    Harness h;
};

TEST_F(MonitorTest, StartLocksTheWindowAndRunsTheHandshake) {
    h.win.Click(IDC_MONITOR);
    EXPECT_EQ(TestState(*h.dlg).m_nStep, 51);
    EXPECT_EQ(TestState(*h.dlg).m_bMonitorMode, 0);
    EXPECT_EQ(h.Info(), "");
    EXPECT_FALSE(h.win.TimerRunning(TIMER_CLEAR_INFO));
    EXPECT_EQ(h.win.GetFocus(), IDC_INFO);
    for (int id : kLockedDuringMonitor)
        EXPECT_FALSE(h.Enabled(id)) << id;
    EXPECT_TRUE(h.Enabled(IDC_MONITOR));

    ASSERT_TRUE(h.win.AdvanceUntil([&] { return TestState(*h.dlg).m_bMonitorMode != 0; }, 1000));
    EXPECT_EQ(TestState(*h.dlg).m_nStep, 0);
    EXPECT_FALSE(h.win.TimerRunning(TIMER_RETRY));
    EXPECT_TRUE(h.box.Monitoring());
    const std::string& w = h.ports.written;
    const size_t at = w.rfind("AT\r");
    ASSERT_NE(at, std::string::npos);
    EXPECT_EQ(w.substr(at), "AT\rATS67=2\rAT*M1\r");
    for (int id : kLockedDuringMonitor)
        EXPECT_FALSE(h.Enabled(id)) << id;
}

TEST_F(MonitorTest, PortThatWillNotOpenLeavesEverythingAsItWas) {
    h.ports.options.openFails = true;
    h.win.Click(IDC_MONITOR);
    EXPECT_EQ(h.Info(), "ポート（COM1）のオープンに失敗しました");
    EXPECT_EQ(h.win.GetCheck(IDC_MONITOR), 1);
    EXPECT_EQ(TestState(*h.dlg).m_nStep, 0);
    for (int id : kLockedDuringMonitor)
        EXPECT_TRUE(h.Enabled(id)) << id;
    // Unchecking then is harmless and the next start works.
    h.win.Click(IDC_MONITOR);
    h.ports.options.openFails = false;
    Start();
}

TEST_F(MonitorTest, SilentBoxEndsTheStartByTimeOut) {
    h.box.faults.silent = true;
    h.win.Click(IDC_MONITOR);
    h.win.Advance(700);
    EXPECT_EQ(h.Info(), "応答がありませんでした");
    EXPECT_EQ(TestState(*h.dlg).m_nStep, 0);
    EXPECT_EQ(TestState(*h.dlg).m_bMonitorMode, 0);
    EXPECT_EQ(h.win.GetCheck(IDC_MONITOR), 1);
    EXPECT_TRUE(h.Enabled(IDC_RECEIVE));
}

TEST_F(MonitorTest, FirstFrameSetsEveryLampTheDisplayAndTheLevels) {
    Start();
    BlankLamps();
    h.win.SetText(1047, "x");
    h.win.SetText(1048, "x");
    const int redrawsA = h.win.Redraws(IDC_METER_A), redrawsB = h.win.Redraws(IDC_METER_B);
    ReadFrame(Frame(0x00, 0x0000, 5000, 6000, 100, 100));
    for (int id : kLampIds)
        EXPECT_EQ(h.win.Lamp(id), LampImage::Grey) << id;
    EXPECT_EQ(h.win.GetText(1047), "受信レベル Ａ");
    EXPECT_EQ(h.win.GetText(1048), "受信レベル Ｂ");
    EXPECT_TRUE(h.Visible(IDC_METER_B));
    EXPECT_EQ(h.win.Redraws(IDC_METER_A), redrawsA + 1);
    EXPECT_EQ(h.win.Redraws(IDC_METER_B), redrawsB + 1);
    // A level that stays the same from the first frame on is drawn.
    EXPECT_EQ(TestState(*h.dlg).m_meterA.m_nLevel, 5000);
    EXPECT_EQ(TestState(*h.dlg).m_meterB.m_nLevel, 6000);
    EXPECT_EQ(TestState(*h.dlg).m_nAvgFrames, 0u) << "the first frame is not summed";

    // The same level again does not repaint.
    ReadFrame(Frame(0x00, 0x0000, 5000, 6000));
    EXPECT_EQ(h.win.Redraws(IDC_METER_A), redrawsA + 1);
    EXPECT_EQ(TestState(*h.dlg).m_meterA.m_nLevel, 5000);
    ReadFrame(Frame(0x00, 0x0000, 5001, 6000));
    EXPECT_EQ(h.win.Redraws(IDC_METER_A), redrawsA + 2);
    EXPECT_EQ(h.win.Redraws(IDC_METER_B), redrawsB + 1);
    EXPECT_EQ(TestState(*h.dlg).m_meterA.m_nLevel, 5001);
}

TEST_F(MonitorTest, LampsFollowTheirBitsAndChangeOnlyWhenTheyDo) {
    Start();
    ReadFrame(Frame(0xFF));
    EXPECT_EQ(h.win.Lamp(1041), LampImage::Green);
    EXPECT_EQ(h.win.Lamp(1045), LampImage::Green);
    EXPECT_EQ(h.win.Lamp(1042), LampImage::Red);
    EXPECT_EQ(h.win.Lamp(1046), LampImage::Red);
    for (int id : {1039, 1040, 1043, 1044})
        EXPECT_EQ(h.win.Lamp(id), LampImage::Yellow) << id;

    BlankLamps();
    ReadFrame(Frame(0xFF & ~0x40)); // noise A goes out
    EXPECT_EQ(h.win.Lamp(1040), LampImage::Grey);
    for (int id : kLampIds)
        if (id != 1040) {
            EXPECT_EQ(h.win.Lamp(id), LampImage::None) << id << " was sent a picture again";
        }
}

TEST_F(MonitorTest, PttLampsShowTheCrossedPictures) {
    Start();
    ReadFrame(Frame(0x04, 0x0002));
    EXPECT_EQ(h.win.Lamp(1042), LampImage::RedCross);
    EXPECT_EQ(h.win.Lamp(1046), LampImage::Grey);
    // A cross bit alone changes the picture.
    ReadFrame(Frame(0x04, 0x0000));
    EXPECT_EQ(h.win.Lamp(1042), LampImage::Red);
    ReadFrame(Frame(0x00, 0x0100));
    EXPECT_EQ(h.win.Lamp(1042), LampImage::GreyCross);
    ReadFrame(Frame(0x08, 0x0304));
    EXPECT_EQ(h.win.Lamp(1046), LampImage::RedCross);
    EXPECT_EQ(h.win.Lamp(1042), LampImage::GreyCross);
    ReadFrame(Frame(0x00, 0x0200));
    EXPECT_EQ(h.win.Lamp(1046), LampImage::GreyCross);
    EXPECT_EQ(h.win.Lamp(1042), LampImage::Grey);
}

TEST_F(MonitorTest, StopPutsOutTheLitLampsAsTheLastFrameSaid) {
    Start();
    ReadFrame(Frame(0x00));
    h.win.SetLamp(1039, LampImage::Yellow); // a dark lamp keeps whatever it shows
    ReadFrame(Frame(0x04 | 0x08 | 0x01, 0x0100 | 0x0001, 3000));
    EXPECT_EQ(h.win.GetText(1047), "マイクレベル");
    TestState(*h.dlg).m_meterA.m_nLevel = 1234;
    TestState(*h.dlg).m_meterB.m_nPeak = 999;
    const size_t written = h.ports.written.size();
    const int redrawsA = h.win.Redraws(IDC_METER_A);

    h.win.Click(IDC_MONITOR);
    EXPECT_EQ(TestState(*h.dlg).m_bMonitorMode, 0);
    EXPECT_EQ(h.ports.written.substr(written), "\r");
    EXPECT_EQ(h.win.Lamp(1042), LampImage::GreyCross);
    EXPECT_EQ(h.win.Lamp(1046), LampImage::Grey);
    EXPECT_EQ(h.win.Lamp(1041), LampImage::Grey);
    EXPECT_EQ(h.win.Lamp(1039), LampImage::Yellow);
    EXPECT_EQ(h.win.GetText(1047), "受信レベル Ａ");
    EXPECT_EQ(h.win.GetText(1048), "受信レベル Ｂ");
    EXPECT_FALSE(h.Visible(IDC_METER_B)) << "meter B stays as the last frame left it";
    EXPECT_EQ(TestState(*h.dlg).m_meterA.m_nLevel, 0);
    EXPECT_EQ(TestState(*h.dlg).m_meterB.m_nPeak, 0);
    EXPECT_EQ(h.win.Redraws(IDC_METER_A), redrawsA + 1);
    for (int id : kLockedDuringMonitor)
        EXPECT_TRUE(h.Enabled(id)) << id;
    EXPECT_TRUE(TestState(*h.dlg).m_bPortOpen) << "the port stays open";
    h.win.Advance(5);
    EXPECT_FALSE(h.box.Monitoring());
}

TEST_F(MonitorTest, DisplayModeSwitchesLabelsAndMeterB) {
    Start();
    ReadFrame(Frame(0x00, 0x0000, 100, 200));
    ReadFrame(Frame(0x00, 0x0000, 8000, 9000));
    EXPECT_EQ(TestState(*h.dlg).m_meterB.m_nLevel, 9000);
    const int redrawsB = h.win.Redraws(IDC_METER_B);
    const uint32_t summed = TestState(*h.dlg).m_nAvgFrames;

    ReadFrame(Frame(0x00, 0x0001, 7000, 9500));
    EXPECT_EQ(h.win.GetText(1047), "マイクレベル");
    EXPECT_EQ(h.win.GetText(1048), "");
    EXPECT_FALSE(h.Visible(IDC_METER_B));
    // The meters start again from the frame that changes the mode.
    EXPECT_EQ(TestState(*h.dlg).m_meterA.m_nLevel, 7000);
    EXPECT_EQ(h.win.Redraws(IDC_METER_B), redrawsB + 1);
    EXPECT_EQ(TestState(*h.dlg).m_nAvgFrames, summed) << "nor is it summed";

    ReadFrame(Frame(0x00, 0x0001, 7100));
    EXPECT_EQ(TestState(*h.dlg).m_meterA.m_nLevel, 7100);
    ReadFrame(Frame(0x00, 0x0000, 7100));
    EXPECT_EQ(h.win.GetText(1047), "受信レベル Ａ");
    EXPECT_EQ(h.win.GetText(1048), "受信レベル Ｂ");
    EXPECT_TRUE(h.Visible(IDC_METER_B));
}

TEST_F(MonitorTest, AveragedReadOutsEverySixtyFourFrames) {
    struct Case {
        int16_t sample;
        const char* text;
    } cases[] = {{3276, "-20dB"}, {3277, "-19dB"}, {16384, " -6dB"}, {0, ""}};
    Start();
    ReadFrame(Frame(0x00, 0, 0, 0, 30000, 30000)); // the first frame is not summed
    for (const Case& c : cases) {
        h.win.SetText(IDC_AVG_A, "?");
        for (int i = 0; i < 63; ++i)
            ReadFrame(Frame(0x00, 0, 0, 0, c.sample, static_cast<int16_t>(-c.sample)));
        EXPECT_EQ(h.win.GetText(IDC_AVG_A), "?") << "written only once every 64 frames";
        ReadFrame(Frame(0x00, 0, 0, 0, c.sample, static_cast<int16_t>(-c.sample)));
        EXPECT_EQ(h.win.GetText(IDC_AVG_A), c.text) << c.sample;
        EXPECT_EQ(h.win.GetText(IDC_AVG_B), "") << "a mean at or below zero shows nothing";
    }
}

TEST_F(MonitorTest, PeakFallsSixtyThreeFramesAfterItsLastRise) {
    Start();
    ReadFrame(Frame(0x00));
    ReadFrame(Frame(0x00, 0, 20000));
    EXPECT_EQ(TestState(*h.dlg).m_meterA.m_nPeak, 20000);
    EXPECT_EQ(TestState(*h.dlg).m_meterA.m_nHold, 63);
    for (int i = 0; i < 62; ++i)
        ReadFrame(Frame(0x00, 0, 1000));
    EXPECT_EQ(TestState(*h.dlg).m_meterA.m_nPeak, 20000);
    EXPECT_EQ(TestState(*h.dlg).m_meterA.m_nHold, 1);
    const int redraws = h.win.Redraws(IDC_METER_A);
    ReadFrame(Frame(0x00, 0, 1000));
    EXPECT_EQ(h.win.Redraws(IDC_METER_A), redraws + 1) << "repainted though the level stayed";
    EXPECT_EQ(TestState(*h.dlg).m_meterA.m_nPeak, 1000)
        << "the repaint raised the peak to the level";
    EXPECT_EQ(TestState(*h.dlg).m_meterA.m_nHold, 63);
    EXPECT_EQ(TestState(*h.dlg).m_meterB.m_nHold, 0);
}

TEST_F(MonitorTest, MeterPixelsKeepTheMarkerWhileTheLevelFalls) {
    Start();
    ReadFrame(Frame(0x00));
    ReadFrame(Frame(0x00, 0, 16384));
    const MemoryCanvas* c = h.win.Canvas(IDC_METER_A);
    ASSERT_NE(c, nullptr);
    const int L = 3, W = c->Width() - 6;
    const int mark = L + W * LevelToUnits(16384) / 300 - 1;
    EXPECT_EQ(c->Pixel(mark, 5), kMeterPeak);
    ReadFrame(Frame(0x00, 0, 300));
    EXPECT_EQ(c->Pixel(mark, 5), kMeterPeak);
    EXPECT_EQ(c->Pixel(mark - 5, 5), kMeterBackground);
    EXPECT_EQ(c->Pixel(L, 5), kMeterBar);
}

TEST_F(MonitorTest, GarbageAndDamagedFramesAreSkipped) {
    Start();
    ReadFrame(Frame(0x00));
    Read(std::vector<uint8_t>{0x41, 0x42});
    EXPECT_EQ(TestState(*h.dlg).m_rxLen, 0);
    std::vector<uint8_t> bytes = {0x41, 0x42};
    const StatusFrame busy = Frame(0x01);
    bytes.insert(bytes.end(), busy.begin(), busy.end());
    Read(bytes);
    EXPECT_EQ(h.win.Lamp(1041), LampImage::Green);

    StatusFrame wrongEnd = Frame(0x00);
    wrongEnd[13] = 0x04;
    ReadFrame(wrongEnd);
    EXPECT_EQ(h.win.Lamp(1041), LampImage::Green) << "not applied";
    EXPECT_EQ(TestState(*h.dlg).m_rxLen, 0);

    StatusFrame badSum = Frame(0x00);
    badSum[4] ^= 0x20;
    ReadFrame(badSum);
    EXPECT_EQ(h.win.Lamp(1041), LampImage::Green);
    ReadFrame(Frame(0x00));
    EXPECT_EQ(h.win.Lamp(1041), LampImage::Grey);

    // A read of nothing but false starts, and the frame after them in the same read.
    std::vector<uint8_t> junk(4000, 0x02);
    junk.insert(junk.end(), busy.begin(), busy.end());
    Read(junk);
    EXPECT_EQ(h.win.Lamp(1041), LampImage::Green);
    EXPECT_EQ(TestState(*h.dlg).m_rxLen, 0);
}

TEST_F(MonitorTest, EveryFrameOfOneReadCountsAsIfItHadComeAlone) {
    Start();
    ReadFrame(Frame(0x00)); // the first frame is not summed
    // One read: a rise of meter A, then 63 frames at a lower level, all with sampleA 3276.
    std::vector<uint8_t> bytes = Bytes(Frame(0x01, 0, 20000, 0, 3276));
    for (int i = 0; i < 63; ++i) {
        const StatusFrame f = Frame(0x03, 0, 1000, 0, 3276);
        bytes.insert(bytes.end(), f.begin(), f.end());
    }
    Read(bytes);
    EXPECT_EQ(TestState(*h.dlg).m_rxLen, 0);
    EXPECT_EQ(h.win.Lamp(1041), LampImage::Green);
    EXPECT_EQ(h.win.Lamp(1045), LampImage::Green);
    EXPECT_EQ(h.win.GetText(IDC_AVG_A), "-20dB") << "64 frames summed";
    // The peak of the rise ran out 63 frames later, and the repaint raised it to the level.
    EXPECT_EQ(TestState(*h.dlg).m_meterA.m_nPeak, 1000);
    EXPECT_EQ(TestState(*h.dlg).m_meterA.m_nHold, 63);
}

// How old the state shown is, in ms, when the box stamps its frames with the virtual time.
uint64_t ShownAge(const Harness& h) {
    const StatusFields shown = DecodeFrame(TestState(*h.dlg).m_prevFrame);
    return h.win.Now() - sim::FrameGenerator::StampOf(shown);
}

TEST_F(MonitorTest, FramesFromTheBoxReachTheLampsAndMeters) {
    h.box.frames.framesPerSecond = 50;
    h.box.frames.stamp = true;
    h.box.frames.faults.badChecksumEvery = 7;
    h.box.frames.faults.garbageEvery = 5;
    Start();
    for (int s = 0; s < 20; ++s) {
        h.win.Advance(1000);
        ASSERT_TRUE(TestState(*h.dlg).m_bMonitorMode);
        // Damaged frames and false starts in the garbage cost a few frames, never more.
        EXPECT_LT(ShownAge(h), 200u) << "second " << s;
    }
    EXPECT_GE(h.box.frames.FramesSent(), 1000u);

    // Without faults the state shown keeps close to the box; when the box falls silent, the
    // last frame it sent is the state shown.
    h.box.frames.faults = sim::FrameFaults{};
    h.win.Advance(1010);
    EXPECT_LT(ShownAge(h), 50u);
    h.box.faults.silent = true;
    h.win.Advance(50);
    const StatusFields last = h.box.frames.Last();
    const StatusFields shown = DecodeFrame(TestState(*h.dlg).m_prevFrame);
    EXPECT_EQ(sim::FrameGenerator::StampOf(shown), sim::FrameGenerator::StampOf(last));
    EXPECT_EQ(h.win.Lamp(1041), (last.lampBits & 1) ? LampImage::Green : LampImage::Grey);
    if (!(last.modeBits & 1)) {
        EXPECT_EQ(TestState(*h.dlg).m_meterA.m_nLevel, last.levelA);
    }
}

TEST_F(MonitorTest, AFloodOfFramesNeverStopsTheMonitor) {
    Start();
    ReadFrame(Frame(0x00));
    // Every read brings five frames.
    uint8_t lamps = 0;
    for (int read = 0; read < 3000; ++read) {
        std::vector<uint8_t> bytes;
        for (int i = 0; i < 5; ++i) {
            lamps = static_cast<uint8_t>(lamps + 1);
            const StatusFrame f = Frame(lamps, 0, static_cast<int16_t>(lamps * 100));
            bytes.insert(bytes.end(), f.begin(), f.end());
        }
        ASSERT_LT(TestState(*h.dlg).m_rxLen + bytes.size(), sizeof TestState(*h.dlg).m_rxBuf)
            << "the buffer filled up at read " << read;
        Read(bytes);
        ASSERT_EQ(TestState(*h.dlg).m_prevFrame[kFrameLampBits], lamps) << "read " << read;
    }
    EXPECT_EQ(TestState(*h.dlg).m_prevFrame[kFrameLampBits], lamps);
    EXPECT_EQ(TestState(*h.dlg).m_meterA.m_nLevel, lamps * 100);
}

TEST_F(MonitorTest, TheLineRateFromTheBoxIsFollowed) {
    h.box.frames.framesPerSecond = 0; // back to back
    h.box.frames.stamp = true;
    // The in-process line spends a whole ms on every slice, however short; with slices of a
    // frame and a bit it would carry less than the box sends and fall behind on its own.
    h.ports.options.bytesPerMs = 64;
    Start();
    EXPECT_GT(h.ports.receivePace, 0) << "the stream is read in batches";
    const uint64_t reports = h.ports.rxReports;
    uint64_t worst = 0;
    for (int ms = 0; ms < 10'000; ms += 10) {
        h.win.Advance(10);
        if (ms > 0) // the first frame has arrived
            worst = std::max(worst, ShownAge(h));
        ASSERT_LT(TestState(*h.dlg).m_rxLen, 14) << "every whole frame was taken";
    }
    EXPECT_GT(h.box.frames.FramesSent(), 8000u);
    EXPECT_LE(h.ports.rxReports - reports, 10u * 60) << "at most one read per screen refresh";
    EXPECT_LT(worst, 50u) << "the state shown is never far behind";

    // After the stop the box's answers are read as they come again.
    h.win.Click(IDC_MONITOR);
    EXPECT_EQ(h.ports.receivePace, 0);
}

TEST_F(MonitorTest, CheckingWithShiftAndCtrlShowsTheReadOuts) {
    h.win.SetText(IDC_AVG_A, "-3dB");
    h.win.SetModifiers(true, true);
    Start();
    EXPECT_TRUE(h.Visible(IDC_AVG_A));
    EXPECT_TRUE(h.Visible(IDC_AVG_B));
    EXPECT_EQ(h.win.GetText(IDC_AVG_A), "");
    h.win.SetModifiers(false, false);
    h.win.Click(IDC_MONITOR); // unchecking leaves them
    EXPECT_TRUE(h.Visible(IDC_AVG_A));
    h.win.SetModifiers(true, false);
    h.win.Click(IDC_MONITOR);
    EXPECT_FALSE(h.Visible(IDC_AVG_A));
    EXPECT_FALSE(h.Visible(IDC_AVG_B));
}

TEST_F(MonitorTest, LeavingTheInformationFieldStopsAndASendBringsItBack) {
    Start();
    ReadFrame(Frame(0x01));
    h.win.MoveFocus(IDC_MONITOR); // to the check box itself: nothing happens
    EXPECT_TRUE(TestState(*h.dlg).m_bMonitorMode);
    h.win.MoveFocus(IDC_INFO);

    h.win.MoveFocus(IDC_DELAY_A);
    EXPECT_EQ(TestState(*h.dlg).m_bMonitorMode, 0);
    EXPECT_EQ(h.win.GetCheck(IDC_MONITOR), 0);
    EXPECT_EQ(TestState(*h.dlg).m_bResumeMonitor, 1);
    EXPECT_EQ(h.win.Lamp(1041), LampImage::Grey);
    for (int id : kLockedDuringMonitor)
        EXPECT_TRUE(h.Enabled(id)) << id;
    h.win.Advance(5);
    EXPECT_FALSE(h.box.Monitoring());

    ASSERT_TRUE(h.ClickAndWait(IDC_SEND));
    EXPECT_EQ(h.win.GetCheck(IDC_MONITOR), 1);
    EXPECT_EQ(TestState(*h.dlg).m_bResumeMonitor, 0);
    ASSERT_TRUE(h.win.AdvanceUntil([&] { return TestState(*h.dlg).m_bMonitorMode != 0; }, 1000));
    EXPECT_TRUE(h.box.Monitoring());
    // The send's outcome stays readable beside the monitor for as long as a success text
    // stays, then goes.
    h.win.Advance(300);
    EXPECT_EQ(h.Info(), "設定の送信、確認と保存に成功しました");
    h.win.Advance(5000);
    EXPECT_EQ(h.Info(), "");
    EXPECT_TRUE(TestState(*h.dlg).m_bMonitorMode);
}

TEST_F(MonitorTest, FocusLeavingTheApplicationAlsoStops) {
    Start();
    h.win.MoveFocus(0);
    EXPECT_EQ(TestState(*h.dlg).m_bMonitorMode, 0);
    EXPECT_EQ(TestState(*h.dlg).m_bResumeMonitor, 1);
}

TEST_F(MonitorTest, FocusRuleWaitsForTheHandshake) {
    h.win.Click(IDC_MONITOR);
    h.win.MoveFocus(IDC_DELAY_A);
    EXPECT_EQ(h.win.GetCheck(IDC_MONITOR), 1);
    EXPECT_EQ(TestState(*h.dlg).m_bResumeMonitor, 0);
    ASSERT_TRUE(h.win.AdvanceUntil([&] { return TestState(*h.dlg).m_bMonitorMode != 0; }, 1000));
}

TEST_F(MonitorTest, ACheckBoxClickForgetsTheResume) {
    Start();
    h.win.MoveFocus(IDC_DELAY_A);
    ASSERT_EQ(TestState(*h.dlg).m_bResumeMonitor, 1);
    h.win.Click(IDC_MONITOR);
    EXPECT_EQ(TestState(*h.dlg).m_bResumeMonitor, 0);
    EXPECT_EQ(h.win.GetCheck(IDC_MONITOR), 1);
}

TEST_F(MonitorTest, UncheckingDuringTheHandshakeEndsIt) {
    h.box.frames.framesPerSecond = 100;
    h.win.Click(IDC_MONITOR);
    // "AT*M1" is on its way: the box will switch its frames on and answer "OK".
    ASSERT_TRUE(h.win.AdvanceUntil([&] { return TestState(*h.dlg).m_nStep == 53; }, 1000));
    h.win.Click(IDC_MONITOR);
    EXPECT_EQ(TestState(*h.dlg).m_nStep, 0);
    EXPECT_FALSE(h.win.TimerRunning(TIMER_RETRY));
    for (int id : kLockedDuringMonitor)
        EXPECT_TRUE(h.Enabled(id)) << id;
    h.win.Advance(2000);
    EXPECT_EQ(TestState(*h.dlg).m_bMonitorMode, 0) << "a late OK must not switch monitoring on";
    EXPECT_FALSE(h.box.Monitoring()) << "the lone carriage return followed AT*M1";
    EXPECT_EQ(h.Info(), "");
    // The window is fully usable: a receive works.
    ASSERT_TRUE(h.ClickAndWait(IDC_RECEIVE));
    EXPECT_EQ(h.Info(), "設定の受信に成功しました");
}

TEST_F(MonitorTest, OtherOperationsWorkAfterTheMonitorStops) {
    h.box.frames.framesPerSecond = 100;
    Start();
    h.win.Advance(500);
    h.win.Click(IDC_MONITOR);
    ASSERT_TRUE(h.ClickAndWait(IDC_RECEIVE));
    EXPECT_EQ(h.Info(), "設定の受信に成功しました");
}

TEST_F(MonitorTest, HoweverTheWindowEndsTheBoxIsToldToStopFirst) {
    // The close button is locked while the monitor runs; Escape, the window manager's close
    // and the program's end still end the window.
    for (bool duringHandshake : {false, true}) {
        SCOPED_TRACE(duringHandshake);
        Harness other;
        other.box.frames.framesPerSecond = 100;
        ASSERT_TRUE(other.ClickAndWait(IDC_RECEIVE));
        ASSERT_TRUE(other.win.Click(IDC_MONITOR));
        if (duringHandshake)
            other.win.AdvanceUntil(
                [&] { return TestState(*other.dlg).m_nStep == STEP_MONITOR_FIRST + 2; }, 1000);
        else
            other.win.AdvanceUntil([&] { return other.box.frames.FramesSent() > 3; }, 1000);
        other.win.PressEscape();
        const std::string& w = other.ports.written;
        ASSERT_FALSE(w.empty());
        EXPECT_EQ(w.back(), '\r');
        EXPECT_EQ(w.substr(w.size() - 7), "AT*M1\r\r")
            << "the last command, then the lone carriage return";
        EXPECT_FALSE(other.ports.anyOpen);
        other.win.Advance(100);
        EXPECT_FALSE(other.box.Monitoring()) << "the box was left streaming";
    }
}

TEST_F(MonitorTest, PortOpenFailuresNameTheReason) {
    struct Case {
        PortOpenError error;
        const char* part;
    };
    for (const Case& c :
         {Case{PortOpenError::Permission, "dialout"}, Case{PortOpenError::Busy, "使用中"},
          Case{PortOpenError::NotFound, "見つかりません"}}) {
        h.ports.options.openFails = true;
        h.ports.options.openError = c.error;
        h.win.Click(IDC_MONITOR);
        EXPECT_EQ(h.dlg->LastOutcome().kind, OutcomeKind::PortNotOpened);
        EXPECT_EQ(h.Info().rfind("ポート（COM1）のオープンに失敗しました", 0), 0u) << h.Info();
        EXPECT_NE(h.Info().find(c.part), std::string::npos) << h.Info();
        h.win.Click(IDC_MONITOR);
    }
}

} // namespace
} // namespace hx::test

namespace hx::test {
namespace {

// A stopped monitor's meters show no level: no column inside the frame keeps the bar's green
// or the marker's amber.
TEST_F(MonitorTest, AStoppedMonitorsMetersShowNoLevel) {
    h.win.SetCanvasSize(IDC_METER_A, 306, 20);
    Start();
    ReadFrame(Frame(0x00));
    ReadFrame(Frame(0x00, 0x0000, 20000, 0));
    ReadFrame(Frame(0x00, 0x0000, 3000, 0)); // below its peak: the marker stays
    ASSERT_TRUE(h.win.Click(IDC_MONITOR));
    const MemoryCanvas* c = h.win.Canvas(IDC_METER_A);
    ASSERT_NE(c, nullptr);
    for (int x = 1; x < c->Width() - 1; ++x)
        for (int y = 1; y < c->Height() - 1; ++y) {
            const Rgb p = c->Pixel(x, y);
            ASSERT_TRUE(p.r == 240 && p.g == 240 && p.b == 240) << x << "," << y;
        }
}

} // namespace
} // namespace hx::test
