#pragma once
// Intel HEX records of the settings image: the parser and the emitter as pure functions.
#include "SettingsImage.h"

#include <cstdint>
#include <string>

namespace hx {

enum HexMode { HEX_STORE = 0, HEX_COMPARE = 1 };

// Size of a buffer that holds the longest text BuildRecord writes: the last data record with
// its carriage return, the end-of-file record with its carriage return, and the NUL.
constexpr int kRecordBufferSize = 89;

// The image bytes a data record covers.
struct RecordSpan {
    uint16_t address = 0;
    uint8_t count = 0;
};

// Parses one NUL-terminated record. Store mode copies a data record into the image; compare
// mode checks it against the image. Returns 0 for a good data record, 1 for a good end-of-file
// record, -1 for anything else; a faulty record never changes the image. For a good data record
// the bytes it covers go to span, when given.
int ParseRecord(const char* text, int mode, SettingsImage& image, RecordSpan* span = nullptr);

// Writes the data record of the 32 bytes at address, followed by a carriage return, into buffer
// (at least kRecordBufferSize bytes) and advances address by 32. Returns 1 while records remain;
// returns 0 when the text also holds the end-of-file record after the last data record.
int BuildRecord(const SettingsImage& image, uint16_t& address, char* buffer);

// The whole image as the box sends it: 64 data records and the end-of-file record, each ended
// by a carriage return (4876 characters).
std::string ImageToRecords(const SettingsImage& image);

} // namespace hx
