// hx5310ctl's parts that need neither window nor port: the record's line and the differences
// that verify reports.
#include "Record.h"
#include "SettingsDiff.h"
#include "Sha256.h"

#include <gtest/gtest.h>

#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>

namespace {

using hx::cli::Difference;
using hx::cli::RecordEntry;

TEST(CliRecordTest, ALineIsOneJsonObjectWhateverItsTextsHold) {
    RecordEntry e;
    e.operation = "provision";
    e.serial = "25000009";
    e.detail = "line one\nline \"two\"\r\t\\ 製造番号";
    e.outcome = "no_answer";
    e.status = 1;
    const std::string line = hx::cli::RecordLine(e);
    ASSERT_FALSE(line.empty());
    EXPECT_EQ(line.back(), '\n');
    EXPECT_EQ(std::count(line.begin(), line.end(), '\n'), 1);
    QJsonParseError error{};
    const QJsonObject o = QJsonDocument::fromJson(QByteArray::fromStdString(line), &error).object();
    ASSERT_EQ(error.error, QJsonParseError::NoError) << line;
    EXPECT_EQ(o["detail"].toString().toStdString(), e.detail);
    EXPECT_EQ(o["serial"].toString(), "25000009");
    EXPECT_EQ(o["status"].toInt(-1), 1);
    EXPECT_FALSE(o["box_changed"].toBool(true));
    EXPECT_FALSE(o.contains("sha256")); // not known: left out
}

TEST(CliRecordTest, TheRecordLivesBesideTheCounterAndImagesAreHashedWithSha256) {
    EXPECT_EQ(hx::cli::DefaultRecordPath("/home/line/.config/QORVA/HX-5310-Config.conf"),
              "/home/line/.config/QORVA/HX-5310-Record.jsonl");
    EXPECT_EQ(hx::cli::DefaultRecordPath("prefs.ini"), "./HX-5310-Record.jsonl");
    EXPECT_EQ(hx::Sha256Hex("abc"),
              "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
}

TEST(CliVerifyTest, SettingsAreNamedOtherBytesGoByAddressAndTheSerialNumberIsAside) {
    hx::SettingsImage box{}, file{};
    hx::cli::SettingValues boxValues{{"audio-delay-a", "600"}, {"serial", "12345678"}},
        fileValues{{"audio-delay-a", "248"}, {"serial", "0000ABCD"}};
    file[1924] = 0x12; // the serial number's word
    file[1927] = 0x34;
    file[2003] = 0x1E; // audio delay A: named by its setting, not by its address
    file[0x100] = 0x5A;
    file[230] = 0x01; // flag word 1: no bit of its low byte is the tool's
    file[231] = 0x01; // bit 8: bass cut A
    const std::vector<Difference> d = hx::cli::DiffSettings(boxValues, fileValues, box, file);
    ASSERT_EQ(d.size(), 3u);
    EXPECT_EQ(d[0].setting, "audio-delay-a");
    EXPECT_EQ(d[0].box, "600");
    EXPECT_EQ(d[0].file, "248");
    EXPECT_EQ(d[1].address, 230);
    EXPECT_EQ(d[2].address, 0x100);
    EXPECT_EQ(d[2].box, "00");
    EXPECT_EQ(d[2].file, "5A");
    EXPECT_TRUE(hx::cli::DiffSettings(boxValues, boxValues, box, box).empty());
}

} // namespace
