#include "common/cp1252.h"

#include <cstring>

namespace {

// Bytes 0x80 to 0x9F; from 0xA0 on a byte is the character of its value.
constexpr char16_t kHighControls[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

// Writes the character as UTF-8 at `out`; returns its length.
size_t put_utf8(char32_t c, char* out) {
  if (c < 0x80) {
    out[0] = static_cast<char>(c);
    return 1;
  }
  if (c < 0x800) {
    out[0] = static_cast<char>(0xC0 | c >> 6);
    out[1] = static_cast<char>(0x80 | (c & 0x3F));
    return 2;
  }
  // Every character of the code page lies below U+10000.
  out[0] = static_cast<char>(0xE0 | c >> 12);
  out[1] = static_cast<char>(0x80 | (c >> 6 & 0x3F));
  out[2] = static_cast<char>(0x80 | (c & 0x3F));
  return 3;
}

// The byte of a character, or -1 when the code page has none.
int byte_of(char32_t c) {
  if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return static_cast<int>(c);
  for (int i = 0; i < 32; ++i)
    if (kHighControls[i] == c) return 0x80 + i;
  return -1;
}

// Decodes the character at `*at`, moving past it; -1 for bytes that are no
// UTF-8 (overlong forms and surrogates included).
int32_t next_character(std::string_view text, size_t* at) {
  const auto lead = static_cast<uint8_t>(text[*at]);
  ++*at;
  if (lead < 0x80) return lead;
  int extra = lead >= 0xF0 && lead <= 0xF4 ? 3 : lead >= 0xE0 ? (lead <= 0xEF ? 2 : -1) : lead >= 0xC2 ? 1 : -1;
  if (extra < 0 || text.size() - *at < static_cast<size_t>(extra)) return -1;
  int32_t c = lead & (0x3F >> extra);
  for (int i = 0; i < extra; ++i) {
    const auto next = static_cast<uint8_t>(text[*at + i]);
    if ((next & 0xC0) != 0x80) return -1;
    c = c << 6 | (next & 0x3F);
  }
  *at += static_cast<size_t>(extra);
  constexpr int32_t kSmallest[] = {0, 0x80, 0x800, 0x10000};
  if (c < kSmallest[extra] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return -1;
  return c;
}

}  // namespace

char32_t cp1252_character(uint8_t byte) {
  return byte >= 0x80 && byte < 0xA0 ? kHighControls[byte - 0x80] : byte;
}

void append_cp1252_as_utf8(std::string_view bytes, std::string* utf8) {
  char character[3];
  for (char b : bytes) utf8->append(character, put_utf8(cp1252_character(static_cast<uint8_t>(b)), character));
}

size_t copy_as_utf8(std::string_view bytes, bool keep_utf8, char* utf8) {
  char* end = utf8;
  for (size_t at = 0; at < bytes.size();) {
    const size_t start = at;
    if (keep_utf8 && next_character(bytes, &at) >= 0) {
      std::memcpy(end, bytes.data() + start, at - start);
      end += at - start;
      continue;
    }
    at = start + 1;
    end += put_utf8(cp1252_character(static_cast<uint8_t>(bytes[start])), end);
  }
  return static_cast<size_t>(end - utf8);
}

bool append_utf8_as_cp1252(std::string_view utf8, std::string* bytes) {
  const size_t kept = bytes->size();
  for (size_t at = 0; at < utf8.size();) {
    const int32_t c = next_character(utf8, &at);
    const int byte = c < 0 ? -1 : byte_of(static_cast<char32_t>(c));
    if (byte < 0) {
      bytes->resize(kept);
      return false;
    }
    bytes->push_back(static_cast<char>(byte));
  }
  return true;
}
