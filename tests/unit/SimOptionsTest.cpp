// hx5310-sim's command line: every option reaches the box model, and what it cannot use is
// refused with a reason.
#ifndef _WIN32
#include "SimOptions.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using hx::sim::SimOptions;

bool Parse(std::vector<std::string> args, SimOptions& o, std::string* error = nullptr) {
    std::string e;
    const bool ok = hx::sim::ParseSimOptions(args, o, e);
    if (error)
        *error = e;
    return ok;
}

TEST(SimOptionsTest, EveryFaultAndSettingReachesTheBox) {
    SimOptions o;
    ASSERT_TRUE(Parse({"--silent",
                       "--lower-case",
                       "--wrong-banner",
                       "--wrong-model",
                       "--extra-line",
                       "--bad-record",
                       "0",
                       "--missing-record=63",
                       "--missing-eof",
                       "--bad-read-back",
                       "--comments",
                       "--no-echo",
                       "--double-replies",
                       "--frame-rate",
                       "0",
                       "--serial",
                       "25000009",
                       "--firmware=2.5",
                       "--pace",
                       "--name",
                       "box-2"},
                      o));
    hx::sim::BoxModel box;
    hx::sim::ApplySimOptions(o, box);
    const hx::sim::BoxFaults& f = box.faults;
    EXPECT_TRUE(f.silent && f.lowerCase && f.wrongBanner && f.wrongModel && f.extraLine &&
                f.missingEof && f.badReadBack && f.comments && f.noEcho && f.doubleReplies);
    EXPECT_EQ(f.badRecord, 0);
    EXPECT_EQ(f.missingRecord, 63);
    EXPECT_EQ(box.frames.framesPerSecond, 0u);
    EXPECT_EQ(hx::GetU32(box.Ram(), hx::kSerialOffset), 0x25000009u);
    EXPECT_EQ(hx::GetU32(box.Flash(), hx::kSerialOffset), 0x25000009u); // survives a restart
    EXPECT_EQ(box.versionMajor, 2);
    EXPECT_EQ(box.versionMinor, 5);
    EXPECT_TRUE(o.pace);
    EXPECT_EQ(o.name, "box-2");
}

TEST(SimOptionsTest, RefusesWhatItCannotUseAndSaysWhy) {
    const std::vector<std::vector<std::string>> bad = {
        {"--bogus"},
        {"--bad-record", "64"},
        {"--bad-record", "-1"},
        {"--missing-record"},
        {"--serial", "123456789"},
        {"--serial", "12G4"},
        {"--firmware", "2"},
        {"--firmware", "256.0"},
        {"--firmware", "1.x"},
        {"--frame-rate", ""},
        {"--name", "../x"},
        {"--name", ".hidden"},
        {"--silent=1"},
        {"silent"},
    };
    for (const auto& args : bad) {
        SimOptions o;
        std::string error;
        EXPECT_FALSE(Parse(args, o, &error)) << args[0];
        EXPECT_NE(error.find(args[0].substr(0, args[0].find('='))), std::string::npos) << error;
    }
}

} // namespace

#endif // _WIN32
