// TWT archives, in which Carmageddon 2 keeps its PIX files: little-endian,
// a u32 total size (the file's), a u32 member count, per member a u32
// length and a 52-byte name padded with zeros, then the members in order,
// each padded with zeros to a multiple of 4 bytes, the last one ending at
// the end of the file.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

inline constexpr uint32_t kTwtTableStart = 8;
inline constexpr uint32_t kTwtNameBytes = 52;
inline constexpr uint32_t kTwtEntryBytes = 4 + kTwtNameBytes;

// The verdict on an archive's table: sound, or how it lies.
enum class TwtVerdict : uint8_t {
  sound,
  size_differs,        // the total size is not the file's size
  count_too_large,     // the table itself does not fit in the file
  length_past_end,     // a member runs past the end of the file
  members_end_early,   // bytes after the last member's padding
};

// A checked archive, its members handed out one after the other.
struct TwtArchive {
  std::span<const uint8_t> file;
  uint32_t count = 0;
  uint32_t next = 0;           // the member next_twt_member hands out next
  uint64_t next_offset = 0;    // where its bytes start
};

struct TwtMember {
  std::string_view name;  // up to 52 bytes, to the first zero; inside the file
  std::span<const uint8_t> bytes;
  // The table entry's 52 name bytes, whatever follows the name's zero (the
  // game's tools leave other bytes there); empty for a member made anew.
  std::span<const uint8_t> name_field;
};

// The most bytes judge_twt_start looks at: the size word, the count, the
// first member's length and the start of its name.
inline constexpr size_t kTwtStartBytes = 16;

// The verdict on an archive from its first bytes (at most kTwtStartBytes:
// fewer only for a shorter file) and its size, before anything else is
// read: its first word must be its size, its table must fit in it, and its
// first member must end inside it. `sound` here says only that the rest is
// worth reading; open_twt_archive checks the whole table.
TwtVerdict judge_twt_start(std::span<const uint8_t> start, uint64_t size);

// Checks the whole table of the loaded file against its size. Returns
// TwtVerdict::sound with `archive` ready for next_twt_member, or how the table
// lies, with `*member` set to the member at fault (for length_past_end).
TwtVerdict open_twt_archive(std::span<const uint8_t> file, TwtArchive* archive, uint32_t* member);

// The next member of an archive open_twt_archive found sound. Returns false
// after the last.
bool next_twt_member(TwtArchive* archive, TwtMember* member);

// Whether a member is a PIX file (begins with its signature): only those are
// extracted and packed back; the others are kept as they are.
bool is_pix_member(const TwtMember& member);

// Whether a file's name says it is a TWT archive: it ends in ".TWT", in any
// letter case.
bool is_twt_name(std::string_view name);

// The archive's first word for a file of `size` bytes: its size,
// little-endian. A file that begins otherwise is no archive (unless its name
// says it should be).
std::array<uint8_t, 4> twt_size_word(uint32_t size);

// Appends an archive of the members to `file`, its table and padding true,
// the last member padded when `pad_last`. Each name is written as its 52
// name bytes where the member has them, else as its name (at most 52 bytes)
// and zeros.
void append_twt_archive(std::vector<uint8_t>* file, std::span<const TwtMember> members, bool pad_last);
