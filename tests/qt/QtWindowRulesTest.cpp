// The Qt window's pure rules: dialog units, up-down stepping, file dialog filters.
#include "QtWindowRules.h"

#include <gtest/gtest.h>

namespace hx {
namespace {

TEST(DialogUnits, ConvertLikeWindows) {
    // MS UI Gothic 9 pt on Windows: base units 6 x 12.
    const DialogBaseUnits ms{6, 12};
    const Rect r = DialogUnitsToPixels(54, 297, 282, 15, ms);
    EXPECT_EQ(r.left, 81);
    EXPECT_EQ(r.top, 446); // 297 * 12 / 8 = 445.5, rounded half up
    EXPECT_EQ(r.Width(), 423);
    EXPECT_EQ(r.Height(), 22); // (312 * 12 / 8 = 468) - 446
    // Neighbours meet: a field of 40 and the up-down after it share the edge.
    const DialogBaseUnits noto{7, 17};
    EXPECT_EQ(DialogUnitsToPixels(81, 0, 40, 12, noto).right,
              DialogUnitsToPixels(121, 0, 10, 12, noto).left);
    EXPECT_EQ(MulDivRound(-3, 7, 2), -11); // half away from zero, as MulDiv
    EXPECT_EQ(MulDivRound(5, 1, 0), 0);
    // A 9-point font: 12 pixels at 96 dpi, 15 at 120, 18 at 144.
    EXPECT_EQ(BaseUnitsForEm(12).x, 6);
    EXPECT_EQ(BaseUnitsForEm(12).y, 12);
    EXPECT_EQ(BaseUnitsForEm(15).x, 8);
    EXPECT_EQ(BaseUnitsForEm(18).x, 9);
    EXPECT_EQ(BaseUnitsForEm(0).y, 1);
}

TEST(UpDown, ParsesTheNumberStandingInTheField) {
    EXPECT_EQ(ParseUpDownText("504"), 504);
    EXPECT_EQ(ParseUpDownText(" -63 "), -63);
    EXPECT_EQ(ParseUpDownText("+8"), 8);
    EXPECT_EQ(ParseUpDownText("1,000"), 1000);
    EXPECT_EQ(ParseUpDownText("-2147483648"), -2147483647 - 1);
    EXPECT_FALSE(ParseUpDownText(""));
    EXPECT_FALSE(ParseUpDownText("-"));
    EXPECT_FALSE(ParseUpDownText("12a"));
    EXPECT_FALSE(ParseUpDownText(",5"));
    EXPECT_FALSE(ParseUpDownText("2147483648"));
    EXPECT_FALSE(ParseUpDownText("99999999999999999999"));
}

TEST(UpDown, StepsFromTheStandingNumberWithinTheRange) {
    // Audio delay: 16..880 by 8, from whatever stands in the field.
    EXPECT_EQ(UpDownStep("248", 16, 16, 880, +8), 256);
    EXPECT_EQ(UpDownStep("250", 16, 16, 880, -8), 242);
    EXPECT_EQ(UpDownStep("880", 16, 16, 880, +8), 880);
    // Hold time: typed 8..2048, but the arrows keep to 40..2040.
    EXPECT_EQ(UpDownStep("504", 40, 40, 2040, +40), 544);
    EXPECT_EQ(UpDownStep("2048", 40, 40, 2040, +40), 2040);
    EXPECT_EQ(UpDownStep("2048", 40, 40, 2040, -40), 2008);
    EXPECT_EQ(UpDownStep("8", 40, 40, 2040, -40), 40);
    // Negative ranges, and no number in the field: from the last position.
    EXPECT_EQ(UpDownStep("-63", 0, -63, 0, -1), -63);
    EXPECT_EQ(UpDownStep("-20", 0, -58, -10, +1), -19);
    EXPECT_EQ(UpDownStep("", -30, -58, -10, +1), -29);
    EXPECT_EQ(UpDownStep("abc", 100, 0, 65535, +10), 110);
    // No overflow at the ends of the number range.
    EXPECT_EQ(UpDownStep("2147483647", 0, 0, 65535, +10), 65535);
    // A range given upside down still bounds the value.
    EXPECT_EQ(UpDownStep("5", 0, 10, 0, +20), 10);
}

TEST(UpDown, OnlyStepOneControlsSpeedUpWhileHeld) {
    EXPECT_EQ(UpDownIncrement(40, 0), 40);
    EXPECT_EQ(UpDownIncrement(40, 9000), 40);
    EXPECT_EQ(UpDownIncrement(8, 3000), 8);
    EXPECT_EQ(UpDownIncrement(1, 0), 1);
    EXPECT_EQ(UpDownIncrement(1, 1999), 1);
    EXPECT_EQ(UpDownIncrement(1, 2000), 5);
    EXPECT_EQ(UpDownIncrement(1, 5000), 20);
}

TEST(FileFilter, ConvertsTheWindowsFilterString) {
    const auto entries = ParseFileFilter("Config Files (*.txt)|*.txt|All Files (*.*)|*.*||");
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].name, "Config Files (*.txt)");
    EXPECT_EQ(entries[0].patterns, std::vector<std::string>{"*.txt"});
    EXPECT_EQ(QtFilterText(entries[0]), "Config Files (*.txt)");
    // "*.*" means every file, also names without a dot.
    EXPECT_EQ(QtFilterText(entries[1]), "All Files (*)");

    const auto several = ParseFileFilter("設定ファイル|*.txt; *.hex|");
    ASSERT_EQ(several.size(), 1u);
    EXPECT_EQ(QtFilterText(several[0]), "設定ファイル (*.txt *.hex)");

    EXPECT_TRUE(ParseFileFilter("").empty());
    EXPECT_TRUE(ParseFileFilter("Name without pattern").empty());
    const auto empty = ParseFileFilter("Anything||");
    ASSERT_EQ(empty.size(), 1u);
    EXPECT_EQ(QtFilterText(empty[0]), "Anything (*)");
}

TEST(FileFilter, AddsTheDefaultExtensionOnlyToNamesWithoutOne) {
    EXPECT_EQ(WithDefaultExtension("/home/u/settings", "txt"), "/home/u/settings.txt");
    EXPECT_EQ(WithDefaultExtension("/home/u/settings.hex", "txt"), "/home/u/settings.hex");
    EXPECT_EQ(WithDefaultExtension("/home/u/archive.", "txt"), "/home/u/archive.");
    EXPECT_EQ(WithDefaultExtension("/home/u.v/settings", "txt"), "/home/u.v/settings.txt");
    EXPECT_EQ(WithDefaultExtension("/home/u/settings", ""), "/home/u/settings");
    EXPECT_EQ(WithDefaultExtension("/home/u/", "txt"), "/home/u/");
}

TEST(InfoText, LongPathsLoseTheirMiddleFoldersUntilTheTextFits) {
    // One unit per byte, "…" included as its three bytes.
    const auto bytes = [](const std::string& t) { return static_cast<int>(t.size()); };
    const std::string text = "port (/home/u/work/ttyUSB0) failed";
    EXPECT_EQ(ShortenPathsToFit(text, bytes, 34), text);
    EXPECT_EQ(ShortenPathsToFit(text, bytes, 33), "port (/home/u/…/ttyUSB0) failed");
    EXPECT_EQ(ShortenPathsToFit(text, bytes, 31), "port (/home/…/ttyUSB0) failed");
    EXPECT_EQ(ShortenPathsToFit(text, bytes, 30), "port (/…/ttyUSB0) failed");
    // Nothing shortens further: the last name and the rest of the text stay.
    EXPECT_EQ(ShortenPathsToFit(text, bytes, 5), "port (/…/ttyUSB0) failed");
    // Paths without a folder in their middle, and slashes inside words, stay as they are.
    EXPECT_EQ(ShortenPathsToFit("ポート（/dev/ttyUSB0）", bytes, 3), "ポート（/dev/ttyUSB0）");
    EXPECT_EQ(ShortenPathsToFit("a/b/c/d e", bytes, 3), "a/b/c/d e");
    EXPECT_EQ(ShortenPathsToFit("（/a/b/c）", bytes, 10), "（/…/c）");
}

} // namespace
} // namespace hx
