#include "HexRecord.h"

#include <cstring>

namespace hx {
namespace {

const char kDigits[] = "0123456789ABCDEF";

int DigitValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1; // lower case is not accepted
}

// Reads the byte written as two digits at text[pos]; -1 when they are not two digits. The
// text ends at its NUL, which is not a digit, so reading stops there.
int ByteAt(const char* text, size_t pos) {
    const int hi = DigitValue(text[pos]);
    if (hi < 0)
        return -1;
    const int lo = DigitValue(text[pos + 1]);
    if (lo < 0)
        return -1;
    return hi * 16 + lo;
}

void PutByte(char*& out, unsigned v) {
    *out++ = kDigits[(v >> 4) & 0xF];
    *out++ = kDigits[v & 0xF];
}

} // namespace

int ParseRecord(const char* text, int mode, SettingsImage& image, RecordSpan* span) {
    if (!text || text[0] != ':')
        return -1;
    const int count = ByteAt(text, 1);
    if (count < 0 || count > 32)
        return -1;
    const int addrHi = ByteAt(text, 3);
    if (addrHi < 0)
        return -1;
    const int addrLo = ByteAt(text, 5);
    if (addrLo < 0)
        return -1;
    const int type = ByteAt(text, 7);
    if (type < 0)
        return -1;
    const int address = addrHi * 256 + addrLo;
    if (address + count > static_cast<int>(kImageSize))
        return -1;
    unsigned sum = static_cast<unsigned>(count + addrHi + addrLo + type);
    if (count == 0 && type == 1) {
        const int check = ByteAt(text, 9);
        if (check < 0)
            return -1;
        return ((sum + static_cast<unsigned>(check)) & 0xFF) == 0 ? 1 : -1;
    }
    if (type != 0)
        return -1;
    uint8_t data[32];
    for (int i = 0; i < count; ++i) {
        const int b = ByteAt(text, 9 + 2 * static_cast<size_t>(i));
        if (b < 0)
            return -1;
        data[i] = static_cast<uint8_t>(b);
        sum += static_cast<unsigned>(b);
    }
    const int check = ByteAt(text, 9 + 2 * static_cast<size_t>(count));
    if (check < 0 || ((sum + static_cast<unsigned>(check)) & 0xFF) != 0)
        return -1;
    if (span)
        *span = RecordSpan{static_cast<uint16_t>(address), static_cast<uint8_t>(count)};
    if (mode == HEX_COMPARE)
        return std::memcmp(image.data() + address, data, static_cast<size_t>(count)) == 0 ? 0 : -1;
    std::memcpy(image.data() + address, data, static_cast<size_t>(count));
    return 0;
}

int BuildRecord(const SettingsImage& image, uint16_t& address, char* buffer) {
    // A caller that forgot to start again at 0 gets the first record, never bytes past the image.
    if (address > kImageSize - 32)
        address = 0;
    char* out = buffer;
    *out++ = ':';
    PutByte(out, 0x20);
    PutByte(out, address >> 8);
    PutByte(out, address & 0xFF);
    PutByte(out, 0x00);
    unsigned sum = 0x20 + (address >> 8) + (address & 0xFF);
    for (int i = 0; i < 32; ++i) {
        const uint8_t b = image[address + static_cast<size_t>(i)];
        PutByte(out, b);
        sum += b;
    }
    PutByte(out, (0x100 - (sum & 0xFF)) & 0xFF);
    *out++ = '\r';
    address = static_cast<uint16_t>(address + 32);
    if (address < kImageSize) {
        *out = '\0';
        return 1;
    }
    std::memcpy(out, ":00000001FF\r", 13);
    return 0;
}

std::string ImageToRecords(const SettingsImage& image) {
    std::string text;
    uint16_t address = 0;
    char buffer[kRecordBufferSize];
    for (;;) {
        const int more = BuildRecord(image, address, buffer);
        text += buffer;
        if (!more)
            break;
    }
    return text;
}

} // namespace hx
