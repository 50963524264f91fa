#include "pix/twt_archive.h"

#include <algorithm>
#include <cstring>

#include "common/ascii.h"
#include "pix/pix_blocks.h"

namespace {

uint32_t load_le32(const uint8_t* bytes) {
  return bytes[0] | bytes[1] << 8 | bytes[2] << 16 | uint32_t{bytes[3]} << 24;
}

uint64_t padded(uint64_t end) { return (end + 3) / 4 * 4; }

uint32_t member_length(std::span<const uint8_t> file, uint32_t index) {
  return load_le32(file.data() + kTwtTableStart + uint64_t{index} * kTwtEntryBytes);
}

}  // namespace

TwtVerdict judge_twt_start(std::span<const uint8_t> start, uint64_t size) {
  if (start.size() < 4 || load_le32(start.data()) != size) return TwtVerdict::size_differs;
  if (size < kTwtTableStart || start.size() < kTwtTableStart) return TwtVerdict::count_too_large;
  const uint32_t count = load_le32(start.data() + 4);
  if (count > (size - kTwtTableStart) / kTwtEntryBytes) return TwtVerdict::count_too_large;
  // The first member starts right after the table, a multiple of 4 bytes.
  const uint64_t first = kTwtTableStart + uint64_t{count} * kTwtEntryBytes;
  if (count > 0 && start.size() >= kTwtTableStart + 4 && load_le32(start.data() + kTwtTableStart) > size - first)
    return TwtVerdict::length_past_end;
  return TwtVerdict::sound;
}

TwtVerdict open_twt_archive(std::span<const uint8_t> file, TwtArchive* archive, uint32_t* member) {
  const uint64_t size = file.size();
  *member = 0;
  if (TwtVerdict verdict = judge_twt_start(file.first(std::min<size_t>(size, kTwtStartBytes)), size);
      verdict != TwtVerdict::sound)
    return verdict;
  const uint32_t count = load_le32(file.data() + 4);

  // Each member starts at the padded end of the one before; the last one's
  // padding may be left out.
  uint64_t offset = kTwtTableStart + uint64_t{count} * kTwtEntryBytes;
  uint64_t end = offset;
  for (uint32_t i = 0; i < count; ++i) {
    offset = padded(end);
    const uint32_t length = member_length(file, i);
    if (offset > size || length > size - offset) {
      *member = i;
      return TwtVerdict::length_past_end;
    }
    end = offset + length;
  }
  if (end != size && padded(end) != size) return TwtVerdict::members_end_early;
  *archive = TwtArchive{file, count, 0, kTwtTableStart + uint64_t{count} * kTwtEntryBytes};
  return TwtVerdict::sound;
}

bool next_twt_member(TwtArchive* archive, TwtMember* member) {
  if (archive->next == archive->count) return false;
  const uint8_t* entry = archive->file.data() + kTwtTableStart + uint64_t{archive->next} * kTwtEntryBytes;
  const char* name = reinterpret_cast<const char*>(entry + 4);
  const void* zero = std::memchr(name, 0, kTwtNameBytes);
  member->name = std::string_view(name, zero != nullptr ? static_cast<const char*>(zero) - name : kTwtNameBytes);
  const uint32_t length = member_length(archive->file, archive->next);
  member->bytes = archive->file.subspan(archive->next_offset, length);
  member->name_field = archive->file.subspan(entry + 4 - archive->file.data(), kTwtNameBytes);
  archive->next_offset = padded(archive->next_offset + length);
  ++archive->next;
  return true;
}

bool is_pix_member(const TwtMember& member) {
  return has_pix_signature(member.bytes);
}

bool is_twt_name(std::string_view name) {
  return ends_with_any_case(name, ".TWT");
}

std::array<uint8_t, 4> twt_size_word(uint32_t size) {
  return {static_cast<uint8_t>(size), static_cast<uint8_t>(size >> 8), static_cast<uint8_t>(size >> 16),
          static_cast<uint8_t>(size >> 24)};
}

static void append_le32(std::vector<uint8_t>* bytes, uint32_t value) {
  for (int shift = 0; shift < 32; shift += 8) bytes->push_back(static_cast<uint8_t>(value >> shift));
}

void append_twt_archive(std::vector<uint8_t>* file, std::span<const TwtMember> members, bool pad_last) {
  const size_t start = file->size();
  append_le32(file, 0);  // the total size, known at the end
  append_le32(file, static_cast<uint32_t>(members.size()));
  for (const TwtMember& member : members) {
    append_le32(file, static_cast<uint32_t>(member.bytes.size()));
    const bool field = member.name_field.size() == kTwtNameBytes;
    for (size_t i = 0; i < kTwtNameBytes; ++i)
      file->push_back(field                     ? member.name_field[i]
                      : i < member.name.size() ? static_cast<uint8_t>(member.name[i])
                                                : 0);
  }
  for (size_t i = 0; i < members.size(); ++i) {
    for (uint8_t byte : members[i].bytes) file->push_back(byte);
    if (i + 1 < members.size() || pad_last) file->resize(start + padded(file->size() - start), 0);
  }
  const auto size = static_cast<uint32_t>(file->size() - start);
  for (int i = 0; i < 4; ++i) (*file)[start + i] = static_cast<uint8_t>(size >> (8 * i));
}
