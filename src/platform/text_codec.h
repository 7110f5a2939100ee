#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace tw::platform {

/// Decodes 8-bit text of the OEM code page (936 by default, read through a GB18030
/// decoder; TARNWELL_OEM_CODEPAGE selects another, such as 437 or 850) into UTF-8. Bytes
/// that do not decode become U+FFFD. ASCII passes through untouched.
std::string DecodeOemText(std::string_view bytes);
/// Encodes UTF-8 text into CP936 bytes (for byte-length limits counted in the code page).
/// Characters without a CP936 form count as "?".
std::string EncodeCp936(std::string_view utf8);
/// Selects the OEM code page by number (tests); 0 restores the environment's choice.
void SetOemCodePage(unsigned codePage);

/// The value of one hexadecimal digit, or -1 for any other character.
int HexDigitValue(char c);

/// UTF-16 code units up to the first 0 unit (or all of them) as UTF-8; a lone surrogate
/// becomes U+FFFD.
std::string Utf16ToUtf8(std::span<const uint16_t> units);

} // namespace tw::platform
