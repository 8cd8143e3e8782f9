// ExchangeImage through the window: which bytes and bits of the image each control's value
// becomes, and back.
#include "Harness.h"

#include <gtest/gtest.h>

#include <map>
#include <vector>

namespace hx {
namespace {

using test::Harness;

SettingsImage Store(Harness& h) {
    EXPECT_TRUE(h.dlg->UpdateData(true));
    h.dlg->ExchangeImage(true);
    return TestState(*h.dlg).m_SettingsImage;
}

void Load(Harness& h, const SettingsImage& image) {
    TestState(*h.dlg).m_SettingsImage = image;
    h.dlg->ExchangeImage(false);
    EXPECT_TRUE(h.dlg->UpdateData(false));
}

struct Byte {
    int offset;
    uint8_t value;
};

// The window's defaults stored over an image of zero bytes; every byte not listed stays 0.
const std::vector<Byte> kDefaultBytes = {
    {35, 1},    {36, 1},    {41, 24},   {42, 12},     {43, 44},     {44, 32},
    {81, 22},   {82, 10},   {220, 60},  {1931, 30},   {1987, 68},   {2003, 30},
    {2004, 40}, {2009, 62}, {2010, 62}, {2012, 0x20}, {2014, 0x03}, {2015, 0x03}};

// One control's value and the bytes it gives where they differ from the defaults' image.
struct Row {
    int control;
    const char* value;
    std::vector<Byte> bytes;
};

const Row kRows[] = {
    {1003, "16", {{2003, 1}}},
    {1003, "880", {{2003, 109}}},
    {1005, "16", {{2004, 1}}},
    {1005, "880", {{2004, 109}}},
    {1009, "8", {{2009, 0}}},
    {1009, "2048", {{2009, 255}}},
    {1011, "8", {{2010, 0}}},
    {1011, "2048", {{2010, 255}}},
    {1013, "49", {{2005, 49}, {1989, 98}}},
    {1015, "7", {{2006, 7}, {1988, 14}}},
    {1017, "-63", {{2007, 63}}},
    {1019, "-1", {{2008, 1}}},
    {1021, "-10", {{82, 0}}},
    {1021, "-58", {{82, 48}}},
    {1027, "-11", {{81, 1}}},
    {1027, "-59", {{81, 49}}},
    {1030, "-40", {{42, 0}}},
    {1030, "-60", {{42, 20}}},
    {1030, "-61", {{42, 21}, {2012, 0x30}}},
    {1030, "-109", {{42, 69}, {2012, 0x30}}},
    {1032, "-41", {{41, 1}}},
    {1032, "-110", {{41, 70}}},
    {1034, "-40", {{44, 0}, {2012, 0x00}}},
    {1034, "-60", {{44, 20}, {2012, 0x00}}},
    {1034, "-61", {{44, 21}}},
    {1034, "-109", {{44, 69}}},
    {1036, "-41", {{43, 1}}},
    {1036, "-110", {{43, 70}}},
    {1023, "55", {{1931, 5}, {1987, 118}}},
    {1023, "-3", {{1931, 63}, {1987, 2}}},
    {1023, "-4", {{1931, 64}, {1987, 0}}},
    {1023, "-67", {{1931, 127}, {1987, 0}}},
    {1054, "65535", {{220, 0xFF}, {221, 0xFF}}},
    {1056, "300", {{222, 0x2C}, {223, 0x01}}},
    {1038, "16", {{35, 0}}},
    {1038, "880", {{35, 108}}},
    {1052, "16", {{36, 0}}},
    {1052, "880", {{36, 108}}},
    {1025, "0", {{2014, 0x01}}},
    {1025, "2", {{2014, 0x05}}},
    {1025, "3", {{2014, 0x0D}}},
    {1026, "0", {{2015, 0x01}}},
    {1026, "2", {{2015, 0x05}}},
    {1026, "3", {{2015, 0x0D}}},
    {1069, "1", {{232, 0x02}}}, // flag word 2 bits 1 and 2
    {1069, "2", {{232, 0x04}}},
    {1069, "3", {{232, 0x06}}},
    {1071, "1", {{232, 0x08}}}, // bits 3 and 4
    {1071, "2", {{232, 0x10}}},
    {1070, "1", {{232, 0x01}}}, // bit 0
    {1058, "1", {{231, 0x01}}}, // flag word 1 bit 8
    {1059, "1", {{231, 0x02}}}, // bit 9
    {1049, "1", {{231, 0x10}}}, // bit 12
    {1050, "1", {{231, 0x40}}}, // bit 14
    {1061, "25000009", {{1924, 0x09}, {1925, 0x00}, {1926, 0x00}, {1927, 0x25}}},
    {1061, "0000ABCD", {{1924, 0xCD}, {1925, 0xAB}}},
};

SettingsImage With(const std::vector<Byte>& bytes, SettingsImage image = {}) {
    for (const Byte& b : bytes)
        image[b.offset] = b.value;
    return image;
}

TEST(EditorExchangeImage, TheDefaultsImage) {
    Harness h;
    TestState(*h.dlg).m_SettingsImage.fill(0);
    const SettingsImage stored = Store(h);
    const SettingsImage expected = With(kDefaultBytes);
    for (std::size_t i = 0; i < stored.size(); ++i)
        EXPECT_EQ(stored[i], expected[i]) << "offset " << i;

    // And back: the window shows its defaults again, with the serial word 0 as a number.
    Harness back;
    const auto screen = back.Editor();
    Load(back, expected);
    auto shown = back.Editor();
    EXPECT_EQ(shown[1061], "00000000");
    shown[1061] = "";
    EXPECT_EQ(shown, screen);
}

TEST(EditorExchangeImage, EachValueToItsBytesAndBack) {
    const SettingsImage defaults = With(kDefaultBytes);
    for (const Row& r : kRows) {
        SCOPED_TRACE(testing::Message() << r.control << " = " << r.value);
        Harness h;
        TestState(*h.dlg).m_SettingsImage.fill(0);
        h.Show(r.control, r.value);
        const SettingsImage stored = Store(h);
        const SettingsImage expected = With(r.bytes, defaults);
        for (std::size_t i = 0; i < stored.size(); ++i)
            EXPECT_EQ(stored[i], expected[i]) << "offset " << i;

        Harness back;
        Load(back, defaults);
        auto screen = back.Editor();
        Load(back, expected);
        screen[r.control] = r.value;
        EXPECT_EQ(back.Editor(), screen);
    }
}

TEST(EditorExchangeImage, DerivedBytesAreNotReadBack) {
    Harness h;
    SettingsImage img = With(kDefaultBytes);
    Load(h, img);
    const auto screen = h.Editor();
    for (int offset : {1987, 1988, 1989, 2012})
        img[offset] = 0xA5;
    Load(h, img);
    EXPECT_EQ(h.Editor(), screen);
}

TEST(EditorExchangeImage, LoadRunsBothEnableRulesAndLeavesTheImage) {
    Harness h;
    const SettingsImage img = With({{2014, 0x05}, {2015, 0x0D}, {2003, 59}}, With(kDefaultBytes));
    TestState(*h.dlg).m_SettingsImage = img;
    h.dlg->ExchangeImage(false);
    EXPECT_EQ(TestState(*h.dlg).m_nAudioDelayA, 480u);
    EXPECT_EQ(h.win.GetText(1003), "248"); // the fields wait for UpdateData(false)
    // Both channels at a busy input: both enable rules ran.
    EXPECT_FALSE(h.Enabled(1049));
    EXPECT_FALSE(h.Enabled(1038));
    EXPECT_FALSE(h.Enabled(1052));
    EXPECT_TRUE(TestState(*h.dlg).m_SettingsImage == img);
}

TEST(EditorExchangeImage, FactoryImageRoundTripsThroughTheWindow) {
    Harness h;
    const SettingsImage factory = sim::BoxModel::FactoryImage();
    TestState(*h.dlg).m_SettingsImage = factory;
    h.dlg->ExchangeImage(false);
    ASSERT_TRUE(h.dlg->UpdateData(false));
    ASSERT_TRUE(h.dlg->UpdateData(true));
    h.dlg->ExchangeImage(true);
    for (std::size_t i = 0; i < factory.size(); ++i) {
        if (i == 1987 || i == 1988 || i == 1989 || i == 2012)
            continue; // derived from the others on store
        EXPECT_EQ(TestState(*h.dlg).m_SettingsImage[i], factory[i]) << "offset " << i;
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
