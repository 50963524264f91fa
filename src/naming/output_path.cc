#include "naming/output_path.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "common/ascii.h"
#include "common/name_text.h"
#include "naming/extension.h"
#include "platform/platform.h"

namespace {

// Room for a name of 259 characters plus the longest extension an edit can
// add (a full stop and three letters) and the terminator.
constexpr size_t kNameBufferSize = kPathBufferSize + 4;

constexpr std::string_view kNamelessName = "no_name";

// Whether a byte of a texture name must not reach the file name. '/' and
// '\' never may, on any platform: a name is a file name, never a path.
// Windows also refuses ", *, <, >, ?, | and control characters in file
// names, and takes "name:more" as a stream "more" hidden in a file "name".
bool is_replaced_in_file_names(char c) {
  if (c == '/' || c == '\\') return true;
#ifdef _WIN32
  if (static_cast<unsigned char>(c) < 0x20) return true;
  for (char refused : {':', '"', '*', '<', '>', '?', '|'})
    if (c == refused) return true;
#endif
  return false;
}

}  // namespace

void nameless_stem(int32_t count, char* stem, size_t size) {
  if (count == 1)
    std::snprintf(stem, size, "%s", kNamelessName.data());
  else
    std::snprintf(stem, size, "%s_%.*d", kNamelessName.data(), 2, count);
}

bool is_nameless_stem(std::string_view stem) {
  if (stem == kNamelessName) return true;
  if (stem.size() < kNamelessName.size() + 3 || stem.substr(0, kNamelessName.size()) != kNamelessName ||
      stem[kNamelessName.size()] != '_')
    return false;
  for (char c : stem.substr(kNamelessName.size() + 1))
    if (c < '0' || c > '9') return false;
  return true;
}

bool copy_texture_name(std::string_view name, char* copy) {
  // Each byte is one character of the name's text, so one unit of a path.
  if (name.size() > kMaxPathLength) return false;
  std::string text;
  append_name_text(name, &text);
  for (size_t i = 0; i < text.size(); ++i) copy[i] = is_replaced_in_file_names(text[i]) ? '_' : text[i];
  copy[text.size()] = '\0';
  return true;
}

namespace {

// The file name of a texture without a name: no_name for the first of its
// PIX file, then no_name_02, no_name_03, ... Modes 1 and 2 end the later ones
// in the upper-case extension (.BMP); mode 3 lets add_extension choose (the
// last letter is the lower-case e, so .bmp).
bool nameless_file_name(int32_t count, uint8_t extension_mode, std::string_view extension, char* name) {
  std::span<char> buffer(name, kNameBufferSize);
  nameless_stem(count, name, kNameBufferSize);
  if (extension_mode == kExtOriginal) return true;
  if (count == 1 || extension_mode == kExtAddBmp) return add_extension(buffer, extension);
  std::snprintf(name + std::strlen(name), kNameBufferSize - std::strlen(name), ".%.*s",
                static_cast<int>(extension.size()), extension.data());
  return true;
}

// The file name of a named texture, its extension edited by the mode.
bool named_file_name(const char* texture_name, uint8_t extension_mode, std::string_view extension, char* name) {
  std::span<char> buffer(name, kNameBufferSize);
  std::strcpy(name, texture_name);
  switch (extension_mode) {
    case kExtOriginal:
      return true;
    case kExtBmp:
      return replace_extension(buffer, extension);
    case kExtBmp2:
      return std::strchr(name, '.') != nullptr ? replace_extension(buffer, extension)
                                               : add_extension(buffer, extension);
    default:
      return add_extension(buffer, extension);
  }
}

// Windows opens a device instead of a file for the names CON, PRN, AUX,
// NUL, COM1 to COM9 and LPT1 to LPT9, in any letter case and with any
// extension, and drops a final dot or space from a name. Such a file name
// (the last part of the path, from `start` on) gets a '_' in front, and a
// final '.' or ' ' becomes '_'. Elsewhere names stay as they are. Returns
// false when the '_' does not fit.
bool guard_windows_file_name([[maybe_unused]] PathBuffer* path, [[maybe_unused]] size_t start) {
#ifdef _WIN32
  char& last = path->text[path->length - 1];
  if (path->length > start && (last == '.' || last == ' ')) last = '_';
  std::string_view name(path->text + start, path->length - start);
  std::string_view stem = name.substr(0, name.find('.'));
  char upper[5] = {};
  for (size_t i = 0; i < stem.size() && i < 4; ++i)
    upper[i] = ascii_upper(stem[i]);
  const std::string_view word(upper, stem.size() <= 4 ? stem.size() : 0);
  const bool numbered = word.size() == 4 && (word.substr(0, 3) == "COM" || word.substr(0, 3) == "LPT") &&
                        word[3] >= '1' && word[3] <= '9';
  if (!numbered && word != "CON" && word != "PRN" && word != "AUX" && word != "NUL") return true;
  // A '_' at the end makes room, if the longer path fits; the name moves
  // over it.
  if (!path_append(path, "_")) return false;
  std::memmove(path->text + start + 1, path->text + start, path->length - 1 - start);
  path->text[start] = '_';
#endif
  return true;
}

}  // namespace

bool copy_member_name(std::string_view name, PathBuffer* copy) {
  char safe[kPathBufferSize];
  if (!copy_texture_name(name, safe)) return false;
  std::string_view text = safe;
  // A folder called "", "." or ".." would be its parent or the one above.
  if (text.empty() || text == ".") text = "_";
  if (text == "..") text = "__";
  return path_assign(copy, text) && guard_windows_file_name(copy, 0);
}

bool take_member_folder(MemberFolders* folders, std::string_view folder_name, std::string_view member_name,
                        std::string_view* earlier) {
  std::string folded(folder_name);
  for (char& c : folded) c = ascii_upper(c);
  for (const auto& [taken, owner] : folders->taken) {
    if (taken != folded) continue;
    *earlier = owner;
    return false;
  }
  folders->taken.emplace_back(std::move(folded), member_name);
  return true;
}

namespace {

int refuse_too_long(const TextureLabel& label, FILE* err) {
  print_texture_error(err, label, "the output path is too long\n");
  return 1;
}

}  // namespace

void begin_output_folders(OutputFolders* folders, PathBuffer* destination, OutputTree* tree) {
  folders->tree = tree;
  folders->destination = destination;
  folders->saved_destination = *destination;
  folders->output_path = PathBuffer{};
}

void restore_destination(OutputFolders* folders) {
  *folders->destination = folders->saved_destination;
}

int compose_output_path(OutputFolders* folders, const TextureLabel& label, int32_t* nameless_count,
                        const RunOptions& options, std::string_view extension, FILE* err) {
  const bool first_texture = label.number == 1;
  const char separator[] = {kPathSeparator, '\0'};
  PathBuffer* destination = folders->destination;
  PathBuffer* output = &folders->output_path;

  if (first_texture) *destination = folders->saved_destination;
  if (options.organizational_mode == kFolderMode) {
    if (first_texture && !path_append(destination, label.entry_name, separator))
      return refuse_too_long(label, err);
    *output = *destination;
  } else {
    *output = *destination;
    if (options.pixpack_name == 1 && !path_append(output, label.entry_name, " - "))
      return refuse_too_long(label, err);
  }

  if (options.enumerate == 1) {
    char number[16];
    std::snprintf(number, sizeof number, "%.*d. ", 4, label.number);
    if (!path_append(output, number)) return refuse_too_long(label, err);
  }

  char texture_name[kPathBufferSize];
  if (!copy_texture_name(label.name, texture_name)) return refuse_too_long(label, err);
  char file_name[kNameBufferSize];
  bool named = texture_name[0] != '\0';
  if (!named) ++*nameless_count;
  bool composed = named ? named_file_name(texture_name, options.extension_mode, extension, file_name)
                        : nameless_file_name(*nameless_count, options.extension_mode, extension, file_name);
  if (!composed || !path_append(output, file_name) || !guard_windows_file_name(output, destination->length))
    return refuse_too_long(label, err);

  // Made without following a link below the destination: what stands in
  // the way shows as the failure to write the file.
  if (first_texture) enter_output_folder(folders->tree, path_view(*destination), true);
  return 0;
}
