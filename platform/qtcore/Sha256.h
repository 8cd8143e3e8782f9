#pragma once
// The SHA-256 that the production records keep of the settings sent to a box.
#include <string>

namespace hx {

// The SHA-256 of bytes, as 64 lower-case hexadecimal digits.
std::string Sha256Hex(const std::string& bytes);

} // namespace hx
