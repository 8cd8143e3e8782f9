// The virtual box's status frames: timing, content that behaves like a relay, faults.
#include "FrameGenerator.h"
#include "StatusFrame.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace hx::sim {
namespace {

struct Parsed {
    std::vector<StatusFields> valid;
    int damaged = 0;
};

// Reads a byte stream the way the monitor does: after each read, every whole frame in turn.
Parsed Parse(const std::string& bytes) {
    Parsed p;
    uint8_t buf[64];
    uint16_t len = 0;
    for (size_t at = 0; at < bytes.size(); at += 14) {
        const size_t n = std::min<size_t>(14, bytes.size() - at);
        std::memcpy(buf + len, bytes.data() + at, n);
        len = static_cast<uint16_t>(len + n);
        for (;;) {
            const FrameStepResult r = TakeFrame(buf, len);
            if (r.kind == FrameStepKind::None)
                break;
            if (r.kind == FrameStepKind::Valid)
                p.valid.push_back(DecodeFrame(r.frame.data()));
            else
                ++p.damaged;
        }
    }
    return p;
}

bool Same(const StatusFields& a, const StatusFields& b) {
    return a.lampBits == b.lampBits && a.modeBits == b.modeBits && a.levelA == b.levelA &&
           a.levelB == b.levelB && a.sampleA == b.sampleA && a.sampleB == b.sampleB;
}

std::string Stream(FrameGenerator& g, uint64_t ms, uint64_t stepMs = 7) {
    std::string out;
    g.Start(1000);
    for (uint64_t t = 1000; t < 1000 + ms; t += stepMs)
        out += g.Produce(t);
    return out + g.Produce(1000 + ms);
}

TEST(FrameGenerator, SameSeedSameBytesAndChunkingDoesNotMatter) {
    FrameGenerator a, b, c;
    c.seed = 2;
    const std::string x = Stream(a, 20000, 7);
    const std::string y = Stream(b, 20000, 1000);
    EXPECT_EQ(x.size(), 1000u * 14);
    EXPECT_TRUE(x == y);
    EXPECT_FALSE(x == Stream(c, 20000, 7));
}

TEST(FrameGenerator, RateIsFramesPerSecond) {
    FrameGenerator g;
    g.framesPerSecond = 50;
    g.Start(0);
    EXPECT_EQ(g.Produce(0).size(), 0u);
    EXPECT_EQ(g.Produce(19).size(), 0u);
    EXPECT_EQ(g.Produce(20).size(), 14u);
    EXPECT_EQ(g.Produce(1000).size(), 49u * 14);
    EXPECT_EQ(g.FramesSent(), 50u);
}

TEST(FrameGenerator, FastestRateFillsTheLineWithoutExceedingIt) {
    for (unsigned fps : {0u, 822u, 5000u}) {
        FrameGenerator g;
        g.framesPerSecond = fps;
        g.Start(0);
        std::string out;
        for (uint64_t t = 1; t <= 10000; ++t)
            out += g.Produce(t);
        EXPECT_LE(out.size(), 10u * FrameGenerator::kLineBytesPerSecond) << fps;
        EXPECT_GE(out.size(), 10u * FrameGenerator::kLineBytesPerSecond - 14) << fps;
        EXPECT_EQ(Parse(out).valid.size(), out.size() / 14) << fps;
    }
}

TEST(FrameGenerator, GarbageAtTheLineRateTakesTheLinesTimeNotMore) {
    FrameGenerator g;
    g.framesPerSecond = 0;
    g.faults.garbageEvery = 10;
    g.faults.garbageBytes = 20;
    g.Start(0);
    std::string out;
    for (uint64_t t = 1; t <= 10000; ++t)
        out += g.Produce(t);
    EXPECT_LE(out.size(), 10u * FrameGenerator::kLineBytesPerSecond);
    EXPECT_GE(out.size(), 10u * FrameGenerator::kLineBytesPerSecond - 14 - 20);
    EXPECT_LT(g.FramesSent(), 10u * FrameGenerator::kLineBytesPerSecond / 14 * 15 / 16);
}

TEST(FrameGenerator, AfterALongGapOnlyTheNewestSecondGoesOut) {
    FrameGenerator g;
    g.framesPerSecond = 100;
    g.Start(0);
    const std::string out = g.Produce(3'600'000);
    EXPECT_EQ(out.size(), 100u * 14);
    EXPECT_EQ(g.FramesDue(), 360'000u);
    EXPECT_EQ(g.Produce(3'600'010).size(), 14u);
}

TEST(FrameGenerator, BehavesLikeARelay) {
    FrameGenerator g;
    g.framesPerSecond = 50;
    const Parsed p = Parse(Stream(g, 600'000));
    ASSERT_EQ(p.damaged, 0);
    ASSERT_EQ(p.valid.size(), 30'000u);

    int busyA = 0, busyB = 0, riseA = 0, riseB = 0, mic = 0, micSwitches = 0, crossed = 0;
    double busyLevel = 0, idleLevel = 0;
    int busyN = 0, idleN = 0;
    StatusFields prev;
    for (const StatusFields& f : p.valid) {
        const bool a = f.lampBits & 0x01, b = f.lampBits & 0x02;
        busyA += a;
        busyB += b;
        riseA += a && !(prev.lampBits & 0x01);
        riseB += b && !(prev.lampBits & 0x02);
        // The other radio is keyed while a channel receives; one direction at a time.
        if (b) {
            EXPECT_TRUE(f.lampBits & 0x04);
        }
        if (a) {
            EXPECT_TRUE(f.lampBits & 0x08);
        }
        EXPECT_FALSE(a && b);
        // Tone only with a signal; ignored mode bits stay clear.
        if (f.lampBits & 0x10) {
            EXPECT_TRUE(a);
        }
        if (f.lampBits & 0x20) {
            EXPECT_TRUE(b);
        }
        EXPECT_EQ(f.modeBits & ~0x0307, 0);
        crossed += (f.modeBits & 0x0006) != 0;
        mic += f.modeBits & 1;
        micSwitches += (f.modeBits ^ prev.modeBits) & 1;
        if (!(f.modeBits & 1)) {
            EXPECT_GE(f.levelA, 0);
            EXPECT_GE(f.levelB, 0);
            (a ? busyLevel : idleLevel) += f.levelA;
            (a ? busyN : idleN) += 1;
        }
        prev = f;
    }
    EXPECT_GT(riseA, 20);
    EXPECT_GT(riseB, 20);
    EXPECT_GT(busyA, 3000);
    EXPECT_GT(busyB, 3000);
    EXPECT_GT(micSwitches, 4) << "the display mode changes now and then";
    EXPECT_LT(mic, 3000) << "mostly receive mode";
    EXPECT_GT(crossed, 0) << "long transmissions show a crossed PTT lamp";
    ASSERT_GT(busyN, 0);
    ASSERT_GT(idleN, 0);
    EXPECT_GT(busyLevel / busyN, 10 * idleLevel / idleN);
}

TEST(FrameGenerator, LevelsMoveBetweenFramesWhileASignalIsOn) {
    FrameGenerator g;
    g.framesPerSecond = 100;
    const Parsed p = Parse(Stream(g, 60'000));
    int changes = 0;
    for (size_t i = 1; i < p.valid.size(); ++i)
        changes += p.valid[i].levelA != p.valid[i - 1].levelA;
    EXPECT_GT(changes, static_cast<int>(p.valid.size()) / 2);
}

TEST(FrameGenerator, DamagedFramesAndGarbageAsAskedFor) {
    FrameGenerator g;
    g.framesPerSecond = 100;
    g.faults.badChecksumEvery = 10;
    g.faults.badEndEvery = 25;
    const Parsed p = Parse(Stream(g, 10'000));
    const int frames = static_cast<int>(g.FramesSent());
    ASSERT_EQ(frames, 1000);
    const int bad = frames / 10 + frames / 25 - frames / 50;
    EXPECT_EQ(p.damaged, bad);
    EXPECT_EQ(static_cast<int>(p.valid.size()), frames - bad);

    FrameGenerator noisy, clean;
    noisy.framesPerSecond = clean.framesPerSecond = 100;
    noisy.faults.garbageEvery = 3;
    noisy.faults.garbageBytes = 7;
    const std::string bytes = Stream(noisy, 10'000);
    EXPECT_EQ(bytes.size(), 1000u * 14 + 333u * 7);
    const Parsed q = Parse(bytes);
    const Parsed all = Parse(Stream(clean, 10'000));
    // False starts in the garbage cost frames, but no garbage is ever taken for a frame: what
    // gets through is a part of the clean stream, in order.
    EXPECT_GT(q.damaged, 0);
    EXPECT_GT(q.valid.size(), 400u);
    size_t at = 0;
    for (const StatusFields& f : q.valid) {
        while (at < all.valid.size() && !Same(all.valid[at], f))
            ++at;
        ASSERT_LT(at, all.valid.size());
        ++at;
    }
}

TEST(FrameGenerator, StampCarriesTheFrameTime) {
    FrameGenerator g;
    g.framesPerSecond = 100;
    g.stamp = true;
    g.stampOffsetMs = 0x12340000;
    g.Start(5000);
    const Parsed p = Parse(g.Produce(5000 + 70'000));
    ASSERT_FALSE(p.valid.empty());
    EXPECT_EQ(FrameGenerator::StampOf(p.valid.back()), 0x12340000u + 75'000u);
    EXPECT_EQ(FrameGenerator::StampOf(g.Last()), 0x12340000u + 75'000u);
}

} // namespace
} // namespace hx::sim
