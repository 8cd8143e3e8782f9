#pragma once
// The editor's numeric fields: which value each shows, how it is read and what it accepts; and
// the texts that tell the user what a field wants.
#include "EditorValues.h"

#include <cstdint>
#include <string>
#include <vector>

namespace hx {

enum class FieldKind { Unsigned, Signed };

struct NumericField {
    int id;
    FieldKind kind;
    int64_t lowest, highest;
    bool multipleOf8;                      // the time fields in ms
    uint32_t EditorValues::*unsignedValue; // set for FieldKind::Unsigned
    int32_t EditorValues::*signedValue;    // set for FieldKind::Signed

    int64_t Get(const EditorValues& v) const {
        return kind == FieldKind::Unsigned ? int64_t{v.*unsignedValue} : int64_t{v.*signedValue};
    }
    // value must fit the field's kind (see ParseFieldText).
    void Set(EditorValues& v, int64_t value) const {
        if (kind == FieldKind::Unsigned)
            v.*unsignedValue = static_cast<uint32_t>(value);
        else
            v.*signedValue = static_cast<int32_t>(value);
    }
};

// The nineteen numeric fields in the order they are read and written.
const std::vector<NumericField>& NumericFields();

enum class NumberText {
    Ok,         // a whole number that fits the field's kind
    NotANumber, // not a whole number of that kind (letters, a minus sign in an unsigned field)
    TooLarge,   // a whole number too large for 32 bits of that kind
};

// Reads a decimal field text: blanks around the number are allowed, then an optional sign
// ("-" only for signed fields) and at least one digit. Nothing wraps.
NumberText ParseFieldText(const std::string& text, FieldKind kind, int64_t& out);

// The value as the field shows it: plain decimal, a minus sign where negative.
std::string FieldText(int64_t value);

// Messages of the validating read.
std::string NotANumberMessage(FieldKind kind);
std::string OutOfRangeMessage(int64_t lowest, int64_t highest);
std::string MultipleOfMessage(unsigned step);
std::string HexSerialMessage();

} // namespace hx
