#pragma once
// The box's side of the protocol: bytes in, bytes out, a memory image, DSR and faults.
// It knows nothing of ports or time sources; the caller passes the time in milliseconds.
#include "FrameGenerator.h"
#include "SettingsImage.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace hx::sim {

struct BoxFaults {
    bool silent = false;        // answers nothing at all
    bool lowerCase = false;     // "ok" and "error" in lower case
    bool wrongBanner = false;   // a version banner of another product
    bool wrongModel = false;    // a model line of another model
    bool extraLine = false;     // a further text line after the banner and after the model line
    bool noBanner = false;      // "ATI3" answered with "OK" alone
    bool refuseRead = false;    // "ATSRX" answered with "ERROR" instead of the records
    int badRecord = -1;         // index (0..63) of a record sent with a wrong checksum
    int missingRecord = -1;     // index (0..63) of a record left out
    bool missingEof = false;    // no end-of-file record after the records
    int dsrOffAfterRecord = -1; // DSR withdrawn after this received record (0..64) ...
    int dsrOffMs = 0;           // ... for this long; below 0: for good
    bool badReadBack = false;   // the first read-back after a write differs in one byte
    bool comments = false;      // "#" comment lines among the replies
    bool noEcho = false;        // commands are not echoed
    bool doubleReplies = false; // every reply line is sent twice
    bool refuseStore = false;   // "AT&W" is answered with ERROR and nothing is stored
    std::string lostCommand;    // the next command of this text is lost on the line (once)
    int longLine = 0;           // before every reply, a line of this many bytes without a line end
    unsigned garbagePerSecond = 0; // noise on the line: random bytes, this many a second
};

class BoxModel {
public:
    BoxModel();

    // The factory image: model code 0xF708, no serial number, the factory settings.
    static SettingsImage FactoryImage();

    // Bytes from the tool at time nowMs; returns the bytes the box sends in answer.
    std::string Input(std::string_view bytes, uint64_t nowMs);
    // The box holds DSR on (it can take the next record).
    bool Dsr(uint64_t nowMs) const;
    // Bytes the box sends on its own up to time nowMs: status frames in monitor mode.
    std::string Tick(uint64_t nowMs);
    // The box is switched off and on again (or its cable plugged back in): the stored settings
    // are loaded, DSR is on, and nothing half-received or streaming is left.
    void PowerCycle();
    // Monitor mode: status frames are streamed from "AT*M1" until a lone carriage return.
    bool Monitoring() const { return m_monitoring; }
    FrameGenerator frames; // what the status frames say, how often, and their faults

    BoxFaults faults;
    uint8_t versionMajor = 1;
    uint8_t versionMinor = 20;
    std::string modelLine = "HX-5310 Voice Relay";

    SettingsImage& Ram() { return m_ram; }     // the working settings
    SettingsImage& Flash() { return m_flash; } // what "AT&W" stored; loaded by a restart
    const std::vector<std::string>& Commands() const { return m_commands; }
    int Stores() const { return m_stores; }
    int Restarts() const { return m_restarts; }
    int FactoryResets() const { return m_factoryResets; }
    int RecordsReceived() const { return m_recordsReceived; }

private:
    std::string Reply(const std::string& text) const; // one text line with CR LF
    std::string HandleCommand(const std::string& cmd, uint64_t nowMs);
    std::string HandleRecord(const std::string& line, uint64_t nowMs);
    std::string ImageAsRecords(bool corrupt);
    std::string Noise(uint64_t nowMs); // the noise of garbagePerSecond due up to nowMs

    SettingsImage m_ram{};
    SettingsImage m_flash{};
    std::string m_line;       // text received so far without its carriage return
    bool m_receiving = false; // after "ATSTX": records are coming
    bool m_receiveOk = true;  // all records of the current write were good
    bool m_monitoring = false;
    bool m_readBackPending = false; // the next read-back is the first after a write
    uint64_t m_dsrOffUntil = 0;
    bool m_dsrOffForGood = false;
    int m_recordsReceived = 0;
    std::vector<std::string> m_commands;
    int m_stores = 0, m_restarts = 0, m_factoryResets = 0;
    uint64_t m_noiseMs = 0;                    // noise is due from this time on
    uint64_t m_noiseRng = 0x9E3779B97F4A7C15u; // its random bytes
};

} // namespace hx::sim
