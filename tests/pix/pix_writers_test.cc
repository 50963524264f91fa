// The block and archive writers against bytes written out here, and their
// readers at the same edges: header blocks of both kinds (the length word
// the bytes after it), an empty name, pixel blocks with and without what
// follows them, archives with their last member padded or not, member names
// of 52 bytes (no zero after them) and of 51.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "pix/pix_blocks.h"
#include "pix/twt_archive.h"

namespace {

using namespace std::literals;
using Bytes = std::vector<uint8_t>;

Bytes operator+(Bytes a, const Bytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}
Bytes text(std::string_view s) { return Bytes(s.begin(), s.end()); }

// Fields told apart by value: type 5, rows 0x0102, width 0x0304, height
// 0x0506, origin 0x0708 0x090A; a 0x3D header's mip_offset 0x0B0C.
PixHeader header(uint8_t kind, std::string_view name) {
  return {.kind = kind, .PixType = 5, .row_bytes = 0x0102, .width = 0x0304, .height = 0x0506, .origin_x = 0x0708,
          .origin_y = 0x090A, .mip_offset = static_cast<uint16_t>(kind == 0x3D ? 0x0B0C : 0), .name = name};
}
auto fields(const PixHeader& h) {
  return std::tuple(h.kind, h.PixType, h.row_bytes, h.width, h.height, h.origin_x, h.origin_y, h.mip_offset,
                    std::string(h.name));
}
const Bytes kFields = {5, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10};

const std::string k51(51, 'n'), k52(52, 'm');
const Bytes kTwoMembers = Bytes{2, 0, 0, 0, 3, 0, 0, 0} + text("a") + Bytes(51, 0) + Bytes{2, 0, 0, 0} + text("bc") +
                          Bytes(50, 0) + Bytes{1, 2, 3, 0, 4, 5};
// A 52-byte name, then a byte that is not zero (the next length's); a
// 51-byte one and its zero.
const Bytes kEdgeNames = Bytes{125, 0, 0, 0, 2, 0, 0, 0, 1, 0, 0, 0} + text(k52) + Bytes{1, 0, 0, 0} + text(k51) +
                         Bytes{0, 7, 0, 0, 0, 8};

TEST(PixWriters, WriteTheseBytes) {
  static const uint8_t kPixels[] = {1, 2, 3, 4, 5, 6}, kA[] = {1, 2, 3}, kBc[] = {4, 5}, k7[] = {7}, k8[] = {8};
  // The name bytes an archive's table held, filler after the zero included.
  static const Bytes kFilled = text("bc") + Bytes(50, 0xCD);
  static const TwtMember kMembers[] = {{"a", kA, {}}, {"bc", kBc, {}}}, kNamed[] = {{k52, k7, {}}, {k51, k8, {}}},
                         kKept[] = {{"a", kA, {}}, {"bc", kBc, kFilled}};
  const std::pair<std::function<void(Bytes*)>, Bytes> cases[] = {
      {[](Bytes* f) { append_header_block(f, header(0x03, "ab")); }, Bytes{0, 0, 0, 3, 0, 0, 0, 14} + kFields + text("ab\0"sv)},
      {[](Bytes* f) { append_header_block(f, header(0x3D, "ab")); },
       Bytes{0, 0, 0, 0x3D, 0, 0, 0, 16} + kFields + Bytes{11, 12} + text("ab\0"sv)},
      {[](Bytes* f) { append_header_block(f, header(0x03, "")); }, Bytes{0, 0, 0, 3, 0, 0, 0, 12} + kFields + Bytes{0}},
      {[](Bytes* f) { append_pixel_block(f, 2, 3, kPixels); },
       Bytes{0, 0, 0, 0x21, 0, 0, 0, 14, 0, 0, 0, 2, 0, 0, 0, 3, 1, 2, 3, 4, 5, 6} + Bytes(8, 0)},
      {[](Bytes* f) { append_pixel_block(f, 2, 3, kPixels, {}); },
       Bytes{0, 0, 0, 0x21, 0, 0, 0, 6, 0, 0, 0, 2, 0, 0, 0, 3, 1, 2, 3, 4, 5, 6}},
      {[](Bytes* f) { append_pixel_block_start(f, 0x01020304, 0x05060708, 0x090A0B0C); },
       Bytes{0, 0, 0, 0x21, 9, 10, 11, 12, 1, 2, 3, 4, 5, 6, 7, 8}},
      {[](Bytes* f) { append_twt_archive(f, kMembers, false); }, Bytes{126, 0, 0, 0} + kTwoMembers},
      {[](Bytes* f) { append_twt_archive(f, kMembers, true); }, Bytes{128, 0, 0, 0} + kTwoMembers + Bytes{0, 0}},
      {[](Bytes* f) { append_twt_archive(f, kNamed, false); }, kEdgeNames},
      {[](Bytes* f) { append_twt_archive(f, kKept, false); },
       Bytes{126, 0, 0, 0} + Bytes(kTwoMembers.begin(), kTwoMembers.begin() + 64) + kFilled + Bytes{1, 2, 3, 0, 4, 5}},
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    Bytes file = {0xEE};  // written after what a file already holds
    cases[i].first(&file);
    EXPECT_EQ(file, Bytes{0xEE} + cases[i].second) << "case " << i;
  }
}

TEST(PixWriters, ReadTheseBytes) {
  TwtArchive archive;
  uint32_t at = 0;
  ASSERT_EQ(open_twt_archive(kEdgeNames, &archive, &at), TwtVerdict::sound);
  std::vector<std::tuple<std::string, Bytes, std::string>> members;
  for (TwtMember member; next_twt_member(&archive, &member);)
    members.emplace_back(member.name, Bytes(member.bytes.begin(), member.bytes.end()),
                         std::string(member.name_field.begin(), member.name_field.end()));
  EXPECT_EQ(members, (std::vector<std::tuple<std::string, Bytes, std::string>>{{k52, {7}, k52}, {k51, {8}, k51 + '\0'}}));

  // An archive judged by its first 16 bytes and its size: the size word,
  // a table that fits (2 entries need 120 bytes), a first member that ends
  // inside it.
  struct Judged {
    uint32_t size, word, count, length;
    TwtVerdict verdict;
  };
  const Judged judged[] = {{64, 64, 1, 0, TwtVerdict::sound},      {64, 65, 1, 0, TwtVerdict::size_differs},
                           {120, 120, 2, 0, TwtVerdict::sound},    {119, 119, 2, 0, TwtVerdict::count_too_large},
                           {70, 70, 1, 6, TwtVerdict::sound},      {70, 70, 1, 7, TwtVerdict::length_past_end}};
  for (const Judged& j : judged) {
    Bytes start;
    for (uint32_t word : {j.word, j.count, j.length, 0u})
      start.insert(start.end(), {uint8_t(word), uint8_t(word >> 8), uint8_t(word >> 16), uint8_t(word >> 24)});
    EXPECT_EQ(judge_twt_start(start, j.size), j.verdict) << j.size << " bytes, " << j.count << " members";
  }

  // Length words that lie, past the next block and short of the name
  // (Carmageddon 2's files say 14 whatever the name): the name and its zero
  // end the block, 22 and 24 bytes long.
  for (const auto& [kind, length, extent] : {std::tuple<uint8_t, uint8_t, uint64_t>{0x03, 99, 22}, {0x3D, 14, 24}}) {
    const Bytes block = Bytes{0, 0, 0, kind, 0, 0, 0, length} + kFields + (kind == 0x3D ? Bytes{11, 12} : Bytes{}) +
                        text("ab\0\0\0\0\x21"sv);
    PixHeader decoded;
    ASSERT_EQ(decode_header_block(block, 0, &decoded), kBlockDecoded);
    EXPECT_EQ(std::tuple_cat(fields(decoded), std::tuple(header_block_extent(decoded))),
              std::tuple_cat(fields(header(kind, "ab")), std::tuple(extent))) << "kind " << std::hex << int{kind};
  }
}

}  // namespace
