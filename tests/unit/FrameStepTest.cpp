// The status frame: checks, the frame step over the receive buffer, lamp pictures, read-outs.
#include "StatusFrame.h"

#include <gtest/gtest.h>

#include <cstring>
#include <stdexcept>
#include <vector>

namespace hx {
namespace {

StatusFrame Frame(uint8_t lamps, uint16_t mode = 0, int16_t levelA = 0, int16_t levelB = 0) {
    StatusFields f;
    f.lampBits = lamps;
    f.modeBits = mode;
    f.levelA = levelA;
    f.levelB = levelB;
    return EncodeFrame(f);
}

class Buffer {
public:
    void Add(const StatusFrame& f) { Add(std::vector<uint8_t>(f.begin(), f.end())); }
    void Add(const std::vector<uint8_t>& bytes) {
        std::memcpy(buf + len, bytes.data(), bytes.size());
        len = static_cast<uint16_t>(len + bytes.size());
    }
    FrameStepResult Step() { return TakeFrame(buf, len); }
    uint8_t buf[4096] = {};
    uint16_t len = 0;
};

TEST(StatusFrame, EncodeAndDecodeAgree) {
    StatusFields f;
    f.lampBits = 0xA5;
    f.modeBits = 0x0306;
    f.levelA = 32767;
    f.levelB = -2;
    f.sampleA = -32768;
    f.sampleB = 1234;
    const StatusFrame frame = EncodeFrame(f);
    EXPECT_EQ(frame[0], 0x02);
    EXPECT_EQ(frame[13], 0x03);
    EXPECT_EQ(frame[2], 0x06); // little-endian
    EXPECT_EQ(frame[3], 0x03);
    EXPECT_EQ(frame[6], 0xFE);
    EXPECT_EQ(frame[7], 0xFF);
    EXPECT_EQ(FrameSum(frame.data()), 0);
    EXPECT_TRUE(IsValidFrame(frame.data()));
    const StatusFields d = DecodeFrame(frame.data());
    EXPECT_EQ(d.lampBits, 0xA5);
    EXPECT_EQ(d.modeBits, 0x0306);
    EXPECT_EQ(d.levelA, 32767);
    EXPECT_EQ(d.levelB, -2);
    EXPECT_EQ(d.sampleA, -32768);
    EXPECT_EQ(d.sampleB, 1234);
}

TEST(StatusFrame, DamageIsDetected) {
    StatusFrame f = Frame(0x11, 0, 500, 600);
    f[5] ^= 0x01;
    EXPECT_FALSE(IsValidFrame(f.data()));
    f = Frame(0x11);
    f[13] = 0x04;
    EXPECT_FALSE(IsValidFrame(f.data()));
}

TEST(TakeFrame, WaitsForAWholeFrame) {
    Buffer b;
    const StatusFrame f = Frame(0x01);
    b.Add(std::vector<uint8_t>(f.begin(), f.begin() + 13));
    EXPECT_EQ(b.Step().kind, FrameStepKind::None);
    EXPECT_EQ(b.len, 13);
    b.Add(std::vector<uint8_t>{f[13]});
    const FrameStepResult r = b.Step();
    EXPECT_EQ(r.kind, FrameStepKind::Valid);
    EXPECT_EQ(r.frame, f);
    EXPECT_EQ(b.len, 0);
}

TEST(TakeFrame, DamagedFrameCostsFourteenBytesAndFalseStartsResynchronise) {
    Buffer b;
    StatusFrame bad = Frame(0x01, 0, 0x0202, 0x0202); // start bytes inside the frame
    bad[12] ^= 0x10;
    b.Add(bad);
    b.Add(Frame(0x20, 0, 0x0202));
    EXPECT_EQ(b.Step().kind, FrameStepKind::Damaged);
    EXPECT_EQ(b.len, 14);
    EXPECT_EQ(b.Step().kind, FrameStepKind::Valid);

    // A damaged frame whose first byte is cut off: the step locks onto a 0x02 inside it,
    // each false start fails and costs 14 bytes, until the real frame is at the front.
    Buffer c;
    const StatusFrame inner = Frame(0x02, 0x0202, 0x0202, 0x0202);
    c.Add(std::vector<uint8_t>(inner.begin() + 1, inner.end()));
    const StatusFrame good = Frame(0x40, 0, 0x0202);
    c.Add(good);
    int damaged = 0;
    FrameStepResult r;
    while ((r = c.Step()).kind == FrameStepKind::Damaged)
        ++damaged;
    EXPECT_GE(damaged, 1);
    // The good frame was either found or eaten by a false start; nothing else is accepted.
    if (r.kind == FrameStepKind::Valid) {
        EXPECT_EQ(r.frame, good);
    }
}

const LampDef& LampById(int id) {
    for (const LampDef& l : Lamps())
        if (l.id == id)
            return l;
    throw std::out_of_range("lamp");
}

TEST(Lamps, ChangeMeansTheirBitOrForPttACrossBit) {
    const LampDef& ptt = LampById(1042);
    const LampDef& busy = LampById(1041);
    EXPECT_FALSE(LampChanged(busy, 0x01, 0, 0x01, 0xFFFF));
    EXPECT_TRUE(LampChanged(busy, 0x01, 0, 0x00, 0));
    EXPECT_FALSE(LampChanged(busy, 0x01, 0, 0xFF, 0)); // other bits
    EXPECT_TRUE(LampChanged(ptt, 0, 0, 0, 0x0100));
    EXPECT_TRUE(LampChanged(ptt, 0x04, 0, 0x04, 0x0002));
    EXPECT_FALSE(LampChanged(ptt, 0x04, 0, 0x04, 0x0204)); // channel B's cross bits
}

TEST(AverageText, DecibelsOfTheMean) {
    EXPECT_EQ(AverageText(3276 * 64), "-20dB");
    EXPECT_EQ(AverageText(3277 * 64), "-19dB") << "truncated toward zero";
    EXPECT_EQ(AverageText(16384 * 64), " -6dB");
    EXPECT_EQ(AverageText(32767 * 64), "  0dB");
    EXPECT_EQ(AverageText(1), "-126dB");
    EXPECT_EQ(AverageText(0), "");
    EXPECT_EQ(AverageText(-64), "");
    EXPECT_EQ(AverageText(-32768 * 64), "");
}

} // namespace
} // namespace hx
