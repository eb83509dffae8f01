#pragma once
// The drive's texts (model string, identification objects) are GBK; the tool
// works in UTF-8 throughout.
#include <cstddef>
#include <string>

// Undecodable bytes become U+FFFD; never fails.
std::string GbkToUtf8(const char* bytes, size_t length);
inline std::string GbkToUtf8(const std::string& bytes) { return GbkToUtf8(bytes.data(), bytes.size()); }
// Characters GBK cannot hold become '?'.
std::string Utf8ToGbk(const std::string& text);
