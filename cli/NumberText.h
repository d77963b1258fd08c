// Numbers as people type them and scripts print them: decimal only, so that
// "010" is ten (not eight in octal) and "0x32" is refused (not fifty), and
// never NaN or infinity. Each check below is a command-line validator: it
// returns an empty string and rewrites `text` into a form any later reading
// takes the same way, or returns the reason and leaves `text` as it was.
#pragma once

#include <cstdint>
#include <string>

namespace mirtane::cli {

// A whole number: an optional sign, then digits. Rewritten without leading
// zeros.
std::string NormaliseDecimalInteger(std::string& text);

// A finite number in decimal notation: an optional sign, digits with at most
// one decimal point, and an optional exponent ("0.05", "-.5", "2e-2").
// Rewritten without leading zeros.
std::string NormaliseDecimalReal(std::string& text);

// A size in bytes: a decimal number with an optional unit, K, M, G or T
// (powers of 1024, also written KiB ... TiB) or KB, MB, GB, TB (powers of
// 1000), upper or lower case: "1.5G", "800MB", "2147483648". Rewritten as
// the whole number of bytes. Zero and sizes over 2^62 bytes are refused.
std::string NormaliseByteSize(std::string& text);

// "1.7 GB", "640 MB", "512 kB": a byte count for messages, in units of 1000.
std::string DescribeBytes(std::int64_t bytes);

}  // namespace mirtane::cli
