// Writes the seed corpus of the fuzz targets: good conversations with the box and the faults
// it is known for, settings files good and bad, records good and bad, status frames.
//   fuzz_seeds <folder>   writes <folder>/<target>/<seed>
#include "BoxModel.h"
#include "FuzzRig.h"
#include "HexRecord.h"
#include "StatusFrame.h"

#include <cstdio>
#include <string>
#include <sys/stat.h>

using namespace hx;
using namespace hx::fuzz;

namespace {

std::string g_root;

void Write(const std::string& target, const std::string& name, const std::string& bytes) {
    const std::string folder = g_root + "/" + target;
    ::mkdir(g_root.c_str(), 0755);
    ::mkdir(folder.c_str(), 0755);
    const std::string path = folder + "/" + name;
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f || std::fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size()) {
        std::fprintf(stderr, "fuzz_seeds: cannot write %s\n", path.c_str());
        std::exit(1);
    }
    std::fclose(f);
}

// An input of the read-loop and monitor targets, action by action.
class Script {
public:
    explicit Script(std::string header = {}) : m_text(std::move(header)) {}
    Script& Box(const std::string& bytes) {
        for (size_t at = 0; at < bytes.size(); at += 256) {
            const std::string piece = bytes.substr(at, 256);
            m_text += static_cast<char>(kActBytes);
            m_text += static_cast<char>(piece.size() == 256 ? 0 : piece.size());
            m_text += piece;
        }
        return *this;
    }
    Script& Wait(unsigned ms) {
        m_text += static_cast<char>(kActAdvance);
        m_text += static_cast<char>(ms & 0xFF);
        m_text += static_cast<char>((ms >> 8) & 0xFF);
        return *this;
    }
    Script& Dsr(bool on) {
        m_text += static_cast<char>(kActDsr);
        m_text += static_cast<char>(on ? 1 : 0);
        return *this;
    }
    Script& TxEmpty() {
        m_text += static_cast<char>(kActTxEmpty);
        return *this;
    }
    Script& User(uint8_t what) {
        m_text += static_cast<char>(kActUser);
        m_text += static_cast<char>(what);
        return *this;
    }
    Script& MaxRead(uint8_t n) {
        m_text += static_cast<char>(kActMaxRead);
        m_text += static_cast<char>(n);
        return *this;
    }
    const std::string& Text() const { return m_text; }

private:
    std::string m_text;
};

std::string Header(uint8_t operation, uint8_t offset, uint8_t flags) {
    return std::string{static_cast<char>(operation), static_cast<char>(offset),
                       static_cast<char>(flags)};
}

std::string Reply(const std::string& echo, const std::string& lines) {
    return echo + "\r\n" + lines;
}

// The records as the box sends them: each ended by CR LF.
std::string BoxRecords(const SettingsImage& image) {
    std::string out;
    for (char c : ImageToRecords(image)) {
        out += c;
        if (c == '\r')
            out += '\n';
    }
    return out;
}

SettingsImage ReceivedImage(bool noSerial) {
    SettingsImage img = sim::BoxModel::FactoryImage();
    if (!noSerial)
        PutU32(img, kSerialOffset, 0x25000009u);
    return img;
}

// The image a send writes, as the window makes it from the editor.
SettingsImage SentImage() {
    Rig rig;
    rig.AsAfterReceive(false);
    rig.dlg->ExchangeImage(true);
    return rig.dlg->Image();
}

const char kBanner[] = "QORVA Voice Relay Control Version 1.20\r\n";
const char kModel[] = "HX-5310 Voice Relay\r\n";

Script ReceiveUpToRecords(Script s) {
    s.Box(Reply("AT", "OK\r\n"))
        .Wait(2)
        .Box(Reply("ATI3", std::string(kBanner) + "OK\r\n"))
        .Wait(2)
        .Box(Reply("ATI4", std::string(kModel) + "OK\r\n"))
        .Wait(2);
    return s;
}

void ReadLoopSeeds() {
    const std::string t = "read_loop";
    const SettingsImage rx = ReceivedImage(false);
    const std::string records = BoxRecords(rx);

    Write(t, "receive_good",
          ReceiveUpToRecords(Script(Header(0, 0, 0))).Box("ATSRX\r\n" + records + "OK\r\n").Text());
    Write(t, "receive_byte_by_byte",
          ReceiveUpToRecords(Script(Header(0, 0, 0)).MaxRead(1))
              .Box("ATSRX\r\n" + records + "OK\r\n")
              .Text());
    {
        // Record 12 left out, a record with a wrong checksum, no end-of-file record.
        std::string missing = records, bad = records, noEof = records;
        const size_t at = 12 * 77;
        missing.erase(at, 77);
        bad[at + 73] = bad[at + 73] == '0' ? '1' : '0';
        noEof.erase(noEof.size() - 13);
        Write(t, "receive_missing_record",
              ReceiveUpToRecords(Script(Header(0, 3, 0))).Box(missing + "OK\r\n").Text());
        Write(t, "receive_bad_record",
              ReceiveUpToRecords(Script(Header(0, 3, 0))).Box(bad + "OK\r\n").Text());
        Write(t, "receive_no_eof",
              ReceiveUpToRecords(Script(Header(0, 3, 0))).Box(noEof + "OK\r\n").Text());
    }
    Write(t, "receive_wrong_banner",
          Script(Header(0, 0, 0))
              .Box("AT\r\nOK\r\nATI3\r\nACME Radio Gateway Version 1.20\r\nOK\r\n")
              .Text());
    Write(t, "receive_wrong_model",
          Script(Header(0, 2, 0)).Box("ATI4\r\nHX-5300 Voice Relay\r\nOK\r\n").Text());
    Write(t, "receive_extra_line",
          Script(Header(0, 1, 0))
              .Box("ATI3\r\n" + std::string(kBanner) + "Build 1\r\nOK\r\n")
              .Text());
    Write(t, "receive_lower_case",
          Script(Header(0, 0, 0)).Box("at\r\nok\r\n").Wait(2).Box("ok\r\n").Text());
    Write(t, "receive_comments",
          Script(Header(0, 0, 0)).Box("# diagnostic\r\nAT\r\n\r\n\n#x\rOK\r\n").Text());
    Write(t, "receive_double_replies",
          Script(Header(0, 0, 0))
              .Box("AT\r\nAT\r\nOK\r\nOK\r\n")
              .Box("ATI3\r\nATI3\r\n" + std::string(kBanner) + kBanner + "OK\r\nOK\r\n")
              .Text());
    Write(t, "receive_long_line",
          Script(Header(0, 0, 0)).Box(std::string(10000, 'x')).Wait(700).Text());
    {
        std::string garbage;
        uint32_t x = 12345;
        for (int i = 0; i < 3000; ++i) {
            x = x * 1103515245u + 12345u;
            garbage += static_cast<char>(x >> 24);
        }
        Write(t, "receive_garbage", Script(Header(0, 0, 0)).Box(garbage).Wait(700).Text());
        Write(t, "receive_garbage_in_records",
              ReceiveUpToRecords(Script(Header(0, 0, 0)))
                  .Box("ATSRX\r\n" + records.substr(0, 2000) + garbage.substr(0, 300))
                  .Wait(1200)
                  .Text());
    }
    Write(t, "receive_silent", Script(Header(0, 0, 0)).Wait(700).Text());
    Write(t, "receive_then_close", Script(Header(0, 0, 0)).Box("AT\r\nOK\r\n").User(10).Text());

    // Send: AT, ATSTX, the stream (the port's own transmit-empty events carry it), the box's
    // OK, the read-back and the store.
    const std::string sent = BoxRecords(SentImage());
    Write(t, "send_good",
          Script(Header(1, 0, 0))
              .Box(Reply("AT", "OK\r\n"))
              .Wait(2)
              .Box(Reply("ATSTX", "OK\r\n"))
              .Wait(200)
              .Box("OK\r\n")
              .Wait(2)
              .Box("ATSRX\r\n" + sent + "OK\r\n")
              .Wait(2)
              .Box(Reply("AT&W", "OK\r\n"))
              .Text());
    Write(t, "send_dsr_off_for_good",
          Script(Header(1, 0, 0))
              .Box(Reply("AT", "OK\r\n"))
              .Box(Reply("ATSTX", "OK\r\n"))
              .Wait(3)
              .Dsr(false)
              .Wait(6000)
              .Text());
    Write(t, "send_dsr_off_a_while",
          Script(Header(1, 2, 10))
              .Dsr(false)
              .Wait(10)
              .TxEmpty()
              .Dsr(true)
              .Wait(200)
              .Box("OK\r\n")
              .Text());
    Write(t, "send_ok_too_early", Script(Header(1, 2, 0)).Box("OK\r\n").Text());
    {
        std::string differs = sent;
        differs[9] = differs[9] == '0' ? '1' : '0';
        Write(t, "send_read_back_differs",
              Script(Header(1, 3, 0)).Box("ATSRX\r\n" + differs + "OK\r\n").Text());
        Write(t, "send_read_back_good",
              Script(Header(1, 3, 0)).Box("ATSRX\r\n" + sent + "OK\r\n").Box("OK\r\n").Text());
    }
    Write(t, "restart_good",
          Script(Header(2, 0, 0)).Box(Reply("AT", "OK\r\n")).Box(Reply("ATR", "OK\r\n")).Text());
    Write(t, "restart_double_replies",
          Script(Header(2, 0, 0)).Box("AT\r\nAT\r\nOK\r\nOK\r\n").Wait(300).Text());

    const std::string factory = BoxRecords(ReceivedImage(true));
    Write(t, "factory_no_serial",
          Script(Header(3, 0, 1))
              .Box(Reply("AT", "OK\r\n"))
              .Box(Reply("AT&F", "OK\r\n"))
              .Box(Reply("AT!SN=00000001", "OK\r\n"))
              .Box(Reply("AT&W", "OK\r\n"))
              .Box("ATSRX\r\n" + factory + "OK\r\n")
              .Text());
    Write(t, "factory_with_serial",
          Script(Header(3, 0, 0))
              .Box(Reply("AT", "OK\r\n"))
              .Box(Reply("AT&F", "OK\r\n"))
              .Box(Reply("AT&W", "OK\r\n"))
              .Box("ATSRX\r\n" + records + "OK\r\n")
              .Text());

    std::string frames;
    for (int i = 0; i < 8; ++i) {
        StatusFields f;
        f.lampBits = static_cast<uint8_t>(1u << i);
        f.levelA = static_cast<int16_t>(1000 * i);
        const StatusFrame fr = EncodeFrame(f);
        frames.append(fr.begin(), fr.end());
    }
    Write(t, "monitor_good",
          Script(Header(4, 0, 0))
              .Box("AT\r\nOK\r\n")
              .Box("ATS67=2\r\nOK\r\n")
              .Box("AT*M1\r\nOK\r\n" + frames)
              .User(7)
              .Text());
    Write(t, "monitor_running", Script(Header(4, 3, 0)).Box(frames).User(6).Text());
}

void HexRecordSeeds() {
    const std::string t = "hex_record";
    SettingsImage zero{};
    SettingsImage ff;
    ff.fill(0xFF);
    const std::string all = ImageToRecords(zero);
    const std::string first = all.substr(0, 75);
    auto seed = [&](const std::string& name, uint8_t flags, const std::string& text) {
        Write(t, name, std::string(1, static_cast<char>(flags)) + text);
    };
    seed("data_store", 0, first);
    seed("data_compare", 1, first);
    seed("data_pattern_compare", 3, first);
    seed("eof", 0, ":00000001FF");
    seed("eof_bad_checksum", 0, ":00000001FE");
    seed("eof_any_address", 0, ":0007F00108");
    seed("last_ff", 0, ImageToRecords(ff).substr(63 * 76, 75));
    seed("lower_case", 0, ":2007e000" + std::string(64, 'f') + "19");
    seed("eight_at_7f8", 0, ":0807F80000000000000000000001");
    seed("eight_at_7f9", 0, ":0807F90000000000000000000000");
    seed("count_21", 0, ":210000000" + std::string(66, '0') + "DF");
    seed("type_04", 0, ":020000040000FA");
    seed("short", 0, ":20000000");
    seed("trailing", 0, first + "XYZ\r\n");
    seed("empty_data", 0, ":0000000000");
    seed("round_trip", 4, "\x01\x02\x03\xFE\xFF");
}

std::string FileOf(const SettingsImage& image, const char* lineEnd = "\r\n") {
    std::string out;
    for (char c : ImageToRecords(image)) {
        if (c == '\r')
            out += lineEnd;
        else
            out += c;
    }
    return out;
}

void SettingsLoadSeeds() {
    const std::string t = "settings_load";
    const SettingsImage img = ReceivedImage(false);
    const std::string good = FileOf(img);
    Write(t, "good", good);
    Write(t, "lf_only", FileOf(img, "\n"));
    std::string lower = good;
    for (char& c : lower)
        if (c >= 'A' && c <= 'F')
            c = static_cast<char>(c - 'A' + 'a');
    Write(t, "lower_case", lower);
    Write(t, "eof_only", ":00000001FF\r\n");
    Write(t, "partial", good.substr(0, 10 * 77) + ":00000001FF\r\n");
    Write(t, "no_eof", good.substr(0, 64 * 77));
    Write(t, "cut_in_a_record", good.substr(0, 20 * 77 + 40));
    Write(t, "junk_after_eof", good + "garbage\r\n");
    Write(t, "empty", "");
    Write(t, "one_byte", ":");
    SettingsImage other = img;
    PutU16(other, kModelCodeOffset, 0xF709);
    Write(t, "other_model", FileOf(other));
    SettingsImage noSerial = img;
    PutU32(noSerial, kSerialOffset, 0x12345678u);
    Write(t, "other_serial", FileOf(noSerial));
}

std::string Frame(uint8_t lamps, uint16_t mode, int16_t levelA, int16_t levelB, int16_t sampleA) {
    StatusFields f;
    f.lampBits = lamps;
    f.modeBits = mode;
    f.levelA = levelA;
    f.levelB = levelB;
    f.sampleA = sampleA;
    f.sampleB = static_cast<int16_t>(-sampleA);
    const StatusFrame fr = EncodeFrame(f);
    return std::string(fr.begin(), fr.end());
}

void MonitorFrameSeeds() {
    const std::string t = "monitor_frame";
    std::string stream;
    for (int i = 0; i < 70; ++i)
        stream +=
            Frame(static_cast<uint8_t>(i * 37), static_cast<uint16_t>(i % 7 == 0 ? 1 : 0x0306),
                  static_cast<int16_t>(i * 400), static_cast<int16_t>(32767 - i * 400), 3276);
    Write(t, "stream", Script(std::string(1, '\0')).Box(stream).Text());
    {
        Script s(std::string(1, '\x01'));
        for (size_t at = 0; at < stream.size(); at += 14)
            s.Box(stream.substr(at, 14)).Wait(20);
        Write(t, "stream_service_mode", s.Text());
    }
    std::string damaged = "\x41\x42" + Frame(0x04, 0x0002, 100, 200, 0);
    std::string badSum = Frame(0xFF, 0, 1, 2, 3);
    badSum[12] = static_cast<char>(badSum[12] + 1);
    std::string badEnd = Frame(0x0F, 0, 1, 2, 3);
    badEnd[13] = 0x04;
    damaged += badSum + badEnd + Frame(0xF0, 0x0300, -32768, 32767, -32768);
    Write(t, "damaged", Script(std::string(1, '\x02')).Box(damaged).Text());
    Write(t, "two_per_read",
          Script(std::string(1, '\0'))
              .Box(Frame(1, 0, 5, 5, 5) + Frame(2, 0, 6, 6, 6))
              .Box("\x02")
              .Text());
    std::string flood;
    while (flood.size() < 9000)
        flood +=
            Frame(static_cast<uint8_t>(flood.size()), 0, static_cast<int16_t>(flood.size()), 0, 0);
    Write(t, "flood", Script(std::string(1, '\0')).Box(flood).Text());
    Write(t, "stop_and_start",
          Script(std::string(1, '\0'))
              .Box(Frame(0x0C, 0x0300, 9, 9, 9))
              .User(6)
              .User(6)
              .Box("AT\r\nOK\r\nOK\r\nOK\r\n" + Frame(0x03, 0, 1, 1, 1))
              .Text());
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: fuzz_seeds <corpus folder>\n");
        return 2;
    }
    g_root = argv[1];
    ReadLoopSeeds();
    HexRecordSeeds();
    SettingsLoadSeeds();
    MonitorFrameSeeds();
    return 0;
}
