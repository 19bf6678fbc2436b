#pragma once

#include <string>
#include <string_view>

// SHA-256 of `bytes` as 64 lower-case hexadecimal digits.
std::string sha256Hex(std::string_view bytes);
