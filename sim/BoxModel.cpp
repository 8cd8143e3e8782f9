#include "BoxModel.h"

#include "HexRecord.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

namespace hx::sim {
namespace {

std::string Upper(std::string s) {
    for (char& c : s)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

} // namespace

BoxModel::BoxModel() : m_ram(FactoryImage()), m_flash(m_ram) {}

SettingsImage BoxModel::FactoryImage() {
    SettingsImage img{};
    // Bytes the tool does not interpret carry a pattern, so a test sees whether they survive.
    for (size_t i = 0; i < img.size(); ++i)
        img[i] = static_cast<uint8_t>((i * 37 + 11) & 0xFF);
    img[35] = 1; // response times 24 ms
    img[36] = 1;
    img[41] = 24;         // noise non-detection A -64 dB
    img[42] = 12;         // noise detection A -52 dB
    img[43] = 44;         // noise non-detection B -84 dB
    img[44] = 32;         // noise detection B -72 dB
    img[81] = 22;         // signal non-detection -32 dB
    img[82] = 10;         // signal detection -20 dB
    PutU16(img, 220, 60); // unmodulated-transmit release 60 s
    PutU16(img, 222, 0);  // continuous-transmit release off
    PutU16(img, 230, static_cast<uint16_t>(GetU16(img, 230) & ~0x5300)); // check boxes clear
    img[232] = static_cast<uint8_t>(img[232] & ~0x1F); // PTT normal, mic PTT, no priority
    PutU32(img, kSerialOffset, kNoSerial);
    img[1931] = 30; // microphone gain 30 dB
    img[1987] = 68;
    img[1988] = 0;
    img[1989] = 0;
    PutU16(img, kModelCodeOffset, kModelCode);
    img[2003] = 30; // audio delay A 248 ms
    img[2004] = 40; // audio delay B 328 ms
    img[2005] = 0;  // receive gains 0 dB
    img[2006] = 0;
    img[2007] = 0; // transmit gains 0 dB
    img[2008] = 0;
    img[2009] = 62; // hold times 504 ms
    img[2010] = 62;
    img[2012] = static_cast<uint8_t>((img[2012] & ~0x30) | 0x20); // noise detection B below -60
    img[2014] = 3;                                                // both channels: noise detection
    img[2015] = 3;
    return img;
}

std::string BoxModel::Reply(const std::string& text) const {
    // A box of the lower-case kind answers "ok" and "error"; its other lines are as usual.
    std::string line = text;
    if (faults.lowerCase && (text == "OK" || text == "ERROR"))
        for (char& c : line)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    std::string out;
    if (faults.comments)
        out += "# HX-5310 diagnostic\r\n";
    out += line + "\r\n";
    if (faults.doubleReplies)
        out += line + "\r\n";
    return out;
}

std::string BoxModel::Input(std::string_view bytes, uint64_t nowMs) {
    std::string out;
    for (char c : bytes) {
        if (c == '\n')
            continue;
        if (c != '\r') {
            if (m_line.size() < 4096)
                m_line += c;
            continue;
        }
        std::string line;
        line.swap(m_line);
        if (m_monitoring) {
            // In monitor mode a lone carriage return ends the stream.
            if (line.empty())
                m_monitoring = false;
            continue;
        }
        if (line.empty() || faults.silent)
            continue;
        if (!faults.lostCommand.empty() && Upper(line) == Upper(faults.lostCommand)) {
            faults.lostCommand.clear();
            continue;
        }
        if (m_receiving && line[0] == ':')
            out += HandleRecord(line, nowMs);
        else
            out += HandleCommand(line, nowMs);
    }
    return out;
}

std::string BoxModel::HandleRecord(const std::string& line, uint64_t nowMs) {
    const int index = m_recordsReceived++;
    const int r = ParseRecord(line.c_str(), HEX_STORE, m_ram);
    if (r < 0)
        m_receiveOk = false;
    if (index == faults.dsrOffAfterRecord) {
        if (faults.dsrOffMs < 0)
            m_dsrOffForGood = true;
        else
            m_dsrOffUntil = nowMs + static_cast<uint64_t>(faults.dsrOffMs);
    }
    if (r != 1)
        return {};
    m_receiving = false;
    m_readBackPending = true;
    return Reply(m_receiveOk ? "OK" : "ERROR");
}

std::string BoxModel::ImageAsRecords(bool corrupt) {
    SettingsImage sent = m_ram;
    if (corrupt)
        sent[0x100] = static_cast<uint8_t>(sent[0x100] ^ 0x01);
    std::string out;
    uint16_t address = 0;
    char buffer[kRecordBufferSize];
    for (int index = 0;; ++index) {
        const int more = BuildRecord(sent, address, buffer);
        std::string text(buffer);
        std::string record = text.substr(0, text.find('\r'));
        if (index == faults.badRecord) {
            // Wrong checksum: the last digit is off by one.
            char& last = record.back();
            last = last == '0' ? '1' : '0';
        }
        if (index != faults.missingRecord)
            out += record + "\r\n";
        if (!more)
            break;
    }
    if (!faults.missingEof)
        out += ":00000001FF\r\n";
    return out;
}

std::string BoxModel::HandleCommand(const std::string& line, uint64_t nowMs) {
    m_commands.push_back(line);
    std::string out;
    for (int i = 0; i < faults.longLine; ++i)
        out += static_cast<char>('a' + i % 26);
    out += faults.noEcho ? std::string() : line + "\r\n";
    const std::string cmd = Upper(line);
    if (cmd == "AT" || cmd == "ATS67=2") {
        out += Reply("OK");
    } else if (cmd == "ATI3") {
        char banner[80];
        if (faults.wrongBanner)
            std::snprintf(banner, sizeof banner, "ACME Radio Gateway Version %u.%u",
                          static_cast<unsigned>(versionMajor), static_cast<unsigned>(versionMinor));
        else
            std::snprintf(banner, sizeof banner, "QORVA Voice Relay Control Version %u.%02u",
                          static_cast<unsigned>(versionMajor), static_cast<unsigned>(versionMinor));
        if (!faults.noBanner)
            out += Reply(banner);
        if (faults.extraLine)
            out += Reply("Build 2026-11-30");
        out += Reply("OK");
    } else if (cmd == "ATI4") {
        out += Reply(faults.wrongModel ? "HX-5300 Voice Relay" : modelLine);
        if (faults.extraLine)
            out += Reply("Channels: 2");
        out += Reply("OK");
    } else if (cmd == "ATSRX" && faults.refuseRead) {
        out += Reply("ERROR");
    } else if (cmd == "ATSRX") {
        const bool corrupt = faults.badReadBack && m_readBackPending;
        m_readBackPending = false;
        out += ImageAsRecords(corrupt);
        out += Reply("OK");
    } else if (cmd == "ATSTX") {
        m_receiving = true;
        m_receiveOk = true;
        m_recordsReceived = 0;
        out += Reply("OK");
    } else if (cmd == "AT&W" && faults.refuseStore) {
        out += Reply("ERROR");
    } else if (cmd == "AT&W") {
        m_flash = m_ram;
        ++m_stores;
        out += Reply("OK");
    } else if (cmd == "ATR") {
        m_ram = m_flash;
        ++m_restarts;
        out += Reply("OK");
    } else if (cmd == "AT&F") {
        // Factory settings; the serial number is the box's own and survives.
        const uint32_t serial = GetU32(m_ram, kSerialOffset);
        m_ram = FactoryImage();
        PutU32(m_ram, kSerialOffset, serial);
        ++m_factoryResets;
        out += Reply("OK");
    } else if (cmd.rfind("AT!SN=", 0) == 0 && cmd.size() == 14) {
        unsigned long v = 0;
        char extra = 0;
        if (std::sscanf(cmd.c_str() + 6, "%8lX%c", &v, &extra) == 1) {
            PutU32(m_ram, kSerialOffset, static_cast<uint32_t>(v));
            out += Reply("OK");
        } else {
            out += Reply("ERROR");
        }
    } else if (cmd == "AT*M1") {
        out += Reply("OK");
        m_monitoring = true;
        frames.Start(nowMs);
    } else {
        out += Reply("ERROR");
    }
    return out;
}

bool BoxModel::Dsr(uint64_t nowMs) const {
    return !m_dsrOffForGood && nowMs >= m_dsrOffUntil;
}

std::string BoxModel::Tick(uint64_t nowMs) {
    std::string out = Noise(nowMs);
    if (!m_monitoring || faults.silent)
        return out;
    return out + frames.Produce(nowMs);
}

std::string BoxModel::Noise(uint64_t nowMs) {
    if (faults.garbagePerSecond == 0 || nowMs <= m_noiseMs) {
        m_noiseMs = std::max(m_noiseMs, nowMs);
        return {};
    }
    // At most a second's worth after a long gap.
    const uint64_t ms = std::min<uint64_t>(nowMs - m_noiseMs, 1000);
    m_noiseMs = nowMs;
    std::string out(static_cast<size_t>(ms * faults.garbagePerSecond / 1000), '\0');
    for (char& c : out) {
        m_noiseRng ^= m_noiseRng << 13;
        m_noiseRng ^= m_noiseRng >> 7;
        m_noiseRng ^= m_noiseRng << 17;
        c = static_cast<char>(m_noiseRng >> 56);
    }
    return out;
}

void BoxModel::PowerCycle() {
    m_ram = m_flash;
    m_line.clear();
    m_receiving = false;
    m_receiveOk = true;
    m_monitoring = false;
    m_readBackPending = false;
    m_dsrOffUntil = 0;
    m_dsrOffForGood = false;
}

} // namespace hx::sim
