// zlib's two checksums, defined here so that the program links neither of zlib's own: for the
// raw deflate data of archives, inflate never calls them, yet links them (9 KB of code and
// tables, crc32's built for a speed the few class files compared never need). Same names,
// same results: CRC-32 as zip records it, and Adler-32.
#include <zlib.h>

namespace {

unsigned long crc_table[256];  // made at the first call: memory, no bytes in the program

void make_crc_table() {
  for (unsigned long n = 0; n < 256; ++n) {
    unsigned long c = n;
    for (int k = 0; k < 8; ++k) c = (c & 1) != 0 ? 0xEDB88320ul ^ (c >> 1) : c >> 1;
    crc_table[n] = c;
  }
}

}  // namespace

extern "C" uLong crc32(uLong crc, const Bytef* buf, uInt len) {
  if (buf == nullptr) return 0;
  if (crc_table[1] == 0) make_crc_table();
  crc = ~crc & 0xFFFFFFFFul;
  for (uInt i = 0; i < len; ++i) crc = crc_table[(crc ^ buf[i]) & 0xFF] ^ (crc >> 8);
  return ~crc & 0xFFFFFFFFul;
}

extern "C" uLong adler32(uLong adler, const Bytef* buf, uInt len) {
  if (buf == nullptr) return 1;
  unsigned long a = adler & 0xFFFF;
  unsigned long b = (adler >> 16) & 0xFFFF;
  for (uInt i = 0; i < len; ++i) {
    a = (a + buf[i]) % 65521;
    b = (b + a) % 65521;
  }
  return b << 16 | a;
}
