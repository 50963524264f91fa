// File-name extensions whose letters take the case of the name they go on.
// Only A-Z and a-z count as letters; every other byte keeps its value.
#pragma once

#include <span>
#include <string_view>

// Replaces the text after the name's last full stop by `extension`. When the
// old text is as long as the new, each new letter takes the case of the
// letter it replaces; otherwise the last letter before the full stop decides
// the case of the whole extension (the first character of the name is never
// looked at). A name without a full stop is left as it is.
// `name` is a buffer holding a zero-terminated, non-empty name; returns
// false, changing nothing, when the result would not fit in it.
bool replace_extension(std::span<char> name, std::string_view extension);

// Whether the name ends in ".bmp" or ".png", in any letter case: an image
// velmire writes, and one browsers show as an image.
bool has_image_extension(std::string_view name);

// Appends a full stop and `extension`, in the case of the name's last
// letter (in its own case when the name has no letter). Returns false,
// changing nothing, when the result would not fit.
bool add_extension(std::span<char> name, std::string_view extension);
