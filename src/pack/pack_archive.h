// TWT archives packed back: the image folders of their PIX members rebuilt
// as loose PIX files are, the archive's other members kept, and its table
// and padding made anew.
#pragma once

#include <string>
#include <vector>

#include "common/path_buffer.h"
#include "pack/pack_context.h"
#include "platform/platform.h"

// Whether the folder `name` may be what velmire makes of a TWT archive:
// the name says so, or the destination holds a file of that name (velmire
// also takes a file whose first word is its size for an archive).
bool is_archive_folder(const std::string& name, const PathBuffer& destination);

// Packs the image folders below `folder`, the folder velmire makes of the
// TWT archive `name` (its listing `entries`), into that archive in
// `destination`. Returns false, having done nothing, when no folder below
// holds images: then it is no archive's folder.
bool pack_archive(PackRun* run, const PathBuffer& folder, const std::vector<FolderEntry>& entries,
                  const std::string& name, const PathBuffer& destination);
