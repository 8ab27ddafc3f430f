// Upper-casing that never consults a locale or code page: only the bytes
// 'a' to 'z' change.
#pragma once

inline char ascii_upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c; }
