// The record parser in both modes on arbitrary text, and the emitter's records read back.
//
// Input: one byte, then the record text (up to its first NUL, if any).
//   bit 0: 0 store mode, 1 compare mode
//   bit 1: the image starts as the factory pattern, else all zero
//   bit 2: also write the whole image made from the text's bytes as records and read them back
#include "FuzzRig.h"
#include "HexRecord.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>

using namespace hx;
using namespace hx::fuzz;

namespace {

SettingsImage Pattern() {
    SettingsImage img{};
    for (size_t i = 0; i < img.size(); ++i)
        img[i] = static_cast<uint8_t>((i * 37 + 11) & 0xFF);
    return img;
}

void RoundTrip(const uint8_t* bytes, size_t n) {
    SettingsImage original{};
    for (size_t i = 0; i < original.size(); ++i)
        original[i] = n ? bytes[i % n] : 0;
    const std::string text = ImageToRecords(original);
    Require(text.size() == 4876, "a whole image is not 4876 characters of records");
    SettingsImage stored{};
    size_t start = 0;
    int records = 0;
    for (size_t cr = text.find('\r'); cr != std::string::npos; cr = text.find('\r', start)) {
        const std::string record = text.substr(start, cr - start);
        start = cr + 1;
        const int expect = records < 64 ? 0 : 1;
        Require(ParseRecord(record.c_str(), HEX_STORE, stored) == expect,
                "an emitted record does not parse");
        Require(ParseRecord(record.c_str(), HEX_COMPARE, original) == expect,
                "an emitted record differs from its own image");
        ++records;
    }
    Require(records == 65, "an image is not 64 records and the end-of-file record");
    Require(stored == original, "records read back give another image");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0)
        return 0;
    const uint8_t flags = data[0];
    const int mode = (flags & 1) ? HEX_COMPARE : HEX_STORE;
    // The text in a buffer of its own exact size, so that a read past its NUL is caught.
    const size_t n = size - 1;
    std::unique_ptr<char[]> text(new char[n + 1]);
    std::memcpy(text.get(), data + 1, n);
    text[n] = '\0';

    SettingsImage image = (flags & 2) ? Pattern() : SettingsImage{};
    const SettingsImage before = image;
    RecordSpan span{0xFFFF, 0xFF};
    const int r = ParseRecord(text.get(), mode, image, &span);
    Require(r == -1 || r == 0 || r == 1, "the parser answers something other than -1, 0 or 1");
    if (r != 0 || mode == HEX_COMPARE) {
        Require(image == before, "the image changed without a stored data record");
    } else {
        Require(span.count <= 32 && span.address + span.count <= kImageSize,
                "a stored record reaches past the image");
        for (size_t i = 0; i < kImageSize; ++i) {
            if (i < span.address || i >= static_cast<size_t>(span.address) + span.count)
                Require(image[i] == before[i], "a record changed bytes it does not cover");
        }
        Require(ParseRecord(text.get(), HEX_COMPARE, image) == 0,
                "a stored record differs from the image it was stored into");
    }
    if (r == 0) {
        // A good data record: the colon, its count and its checksum where the format says.
        Require(text[0] == ':', "a record without its colon was taken");
        Require(std::strlen(text.get()) >= 11 + 2 * static_cast<size_t>(span.count),
                "a record shorter than its byte count was taken");
    }
    if (flags & 4)
        RoundTrip(data + 1, n);
    return 0;
}
