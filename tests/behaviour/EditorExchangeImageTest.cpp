// ExchangeImage through the window: the lists, check boxes and enable rules it reaches.
#include "settings/ImageLayout.h"
#include "tests/support/Harness.h"

#include <gtest/gtest.h>

namespace hx {
namespace {

using test::Harness;
using namespace layout;

TEST(EditorExchangeImage, LoadSetsListsCheckBoxesAndEnableRules) {
    Harness h;
    SettingsImage img = sim::BoxModel::FactoryImage();
    img[kTxConditionA] = 0x05;
    img[kTxConditionB] = 0x0D;
    PutU16(img, kFlagWord1, kBassCutA | kNoTxOnTone);
    PutU16(img, kFlagWord2, kPttInverted | kMicTxBit1 | kPriorityBit0);
    PutU32(img, kSerialOffset, 0x0000ABCD);
    img[kAudioDelayA] = 59; // 480 ms
    h.dlg->m_SettingsImage = img;
    h.dlg->ExchangeImage(false);

    EXPECT_EQ(h.win.ListSelection(1025), 2);
    EXPECT_EQ(h.win.ListSelection(1026), 3);
    EXPECT_EQ(h.win.ListSelection(1069), 2);
    EXPECT_EQ(h.win.ListSelection(1071), 1);
    EXPECT_EQ(h.win.GetCheck(1058), 1);
    EXPECT_EQ(h.win.GetCheck(1059), 0);
    EXPECT_EQ(h.win.GetCheck(1049), 1);
    EXPECT_EQ(h.win.GetCheck(1050), 0);
    EXPECT_EQ(h.win.GetCheck(1070), 1);
    EXPECT_EQ(h.dlg->m_strSerial, "0000ABCD");
    EXPECT_EQ(h.dlg->m_nAudioDelayA, 480u);
    EXPECT_EQ(h.win.GetText(1003), "248"); // the fields wait for UpdateData(false)
    // Both channels at a busy input: both enable rules ran.
    EXPECT_FALSE(h.Enabled(1049));
    EXPECT_FALSE(h.Enabled(1038));
    EXPECT_FALSE(h.Enabled(1052));
    EXPECT_TRUE(h.dlg->m_SettingsImage == img); // loading does not touch the image
}

TEST(EditorExchangeImage, StoreTakesWhatTheWindowShows) {
    Harness h;
    h.dlg->m_SettingsImage = sim::BoxModel::FactoryImage();
    h.win.Choose(1025, 0);
    h.win.Choose(1026, 3);
    h.win.Choose(1069, 1);
    h.win.Choose(1071, 2);
    h.win.Click(1059);
    h.win.Click(1050);
    h.win.SetText(1061, "25000009");
    h.win.SetText(1013, "12");
    ASSERT_TRUE(h.dlg->UpdateData(true));
    h.dlg->ExchangeImage(true);

    const SettingsImage& img = h.dlg->m_SettingsImage;
    EXPECT_EQ(h.dlg->m_nTxSelectA, 0);
    EXPECT_EQ(h.dlg->m_nPriority, 2);
    EXPECT_EQ(img[kTxConditionA], 0x01);
    EXPECT_EQ(img[kTxConditionB], 0x0D);
    EXPECT_EQ(GetU16(img, kFlagWord1) & (kBassCutA | kBassCutB | kNoTxOnTone | kNoTxOnNoise),
              kBassCutB | kNoTxOnNoise);
    EXPECT_EQ(GetU16(img, kFlagWord2) & 0x1F, kMicTxBit0 | kPriorityBit1);
    EXPECT_EQ(GetU32(img, kSerialOffset), 0x25000009u);
    EXPECT_EQ(img[kRxGainA], 12);
    EXPECT_EQ(img[kRxGainDoubledA], 24);
    EXPECT_EQ(GetU16(img, kModelCodeOffset), kModelCode);
}

TEST(EditorExchangeImage, FactoryImageRoundTripsThroughTheWindow) {
    Harness h;
    const SettingsImage factory = sim::BoxModel::FactoryImage();
    h.dlg->m_SettingsImage = factory;
    h.dlg->ExchangeImage(false);
    ASSERT_TRUE(h.dlg->UpdateData(false));
    ASSERT_TRUE(h.dlg->UpdateData(true));
    h.dlg->ExchangeImage(true);
    for (std::size_t i = 0; i < factory.size(); ++i) {
        if (i == kMicGainSecond || i == kRxGainDoubledA || i == kRxGainDoubledB || i == kRangeFlags)
            continue; // derived from the others on store
        EXPECT_EQ(h.dlg->m_SettingsImage[i], factory[i]) << "offset " << i;
    }
}

} // namespace
} // namespace hx

TEST(EditorExchangeImagePriority, BothBitsSetInTheBoxStayUnlessAPriorityIsChosen) {
    hx::test::Harness h;
    h.box.Ram()[232] = static_cast<uint8_t>(h.box.Ram()[232] | 0x18); // priority bits 3 and 4
    ASSERT_TRUE(h.ClickAndWait(1001));
    EXPECT_EQ(h.win.ListSelection(1071), -1) << "no item of the list is that value";
    ASSERT_TRUE(h.ClickAndWait(1007));
    EXPECT_EQ(h.box.Flash()[232] & 0x18, 0x18);

    ASSERT_TRUE(h.win.Choose(1071, 1)); // Ａ
    ASSERT_TRUE(h.ClickAndWait(1007));
    EXPECT_EQ(h.box.Flash()[232] & 0x18, 0x08);
}
