// One PIX file packed from its folder of numbered images: each image read
// and added as a texture over the old file's, the new file queued; and the
// 8-bit twins of a P16 file's edited textures kept in step (twins.h).
#pragma once

#include <cstddef>
#include <span>
#include <string>
#include <vector>

#include "common/path_buffer.h"
#include "pack/pack_commit.h"
#include "pack/pack_context.h"
#include "pack/texture_files.h"

// One PIX file to build, loose or in an archive, and what its build gave.
struct PixJob {
  std::string name;                // as the report names it: "GO.PIX", "bigdump.TWT/pixies.P16"
  std::string file_name;           // its own name: the loose file's, or the member's
  PathBuffer folder;               // its images' folder
  std::vector<TextureFile> files;  // its images; none: its textures are the old ones
  std::span<const uint8_t> old;    // the PIX file it replaces (empty: none)
  const char* target = "";         // the file left as it was when it cannot be built
  size_t member = 0;               // its place in an archive
  // What the build gave: the report lines and what they count; whether its
  // textures are not the old file's, and for each texture built whether it
  // is not the old one of its number; the new file, where it must outlive
  // the run's output buffer.
  std::string lines;
  PackTotals counts;
  bool changed = false;
  std::vector<bool> differing;
  std::vector<uint8_t> built;
};

// Builds the job's PIX file in run->output, from its images (without any,
// from its old textures), the 8-bit textures `twins` names (the number of
// a 16-bit texture for each texture, SIZE_MAX for none) from the images of
// `sixteen`. Textures of the old file after the last image leave it as it
// was, with a message naming them, or with -drop are left out and named in
// the report. Returns true, or false after leaving the target as it was.
bool build_pix_job(PackRun* run, PixJob* job, const PixJob* sixteen = nullptr,
                   const std::vector<size_t>* twins = nullptr);

// Copies the run's output into the job, so that it outlives the next build.
void keep_built(PackRun* run, PixJob* job);

// Keeps the 8-bit twins in `eight` (built from its images, if it has any)
// of the edited textures of `sixteen` (built, its bytes in sixteen.built)
// in step, by plan_twins's rule: with -twins `eight` is rebuilt with them
// into eight->built, and a twin whose own image was edited too keeps it,
// with a message; without, one warning names the twins left behind.
// `where` names the file or archive in the warning. False after leaving
// eight's target as it was.
bool keep_twins_in_step(PackRun* run, const PixJob& sixteen, PixJob* eight, const char* where);

// Queues the job's file: `built`, not written when its textures are the old
// file's, whatever its length words say.
void queue_job(PackRun* run, const Target& target, const std::string& name, std::span<const uint8_t> built,
               const OldFile& old, const PixJob& job);

// Packs the numbered images of `folder` into the PIX file `name` in
// `destination`: built in memory, compared with the file it replaces, and
// written into the batch when its textures differ. An X.P16 is packed with
// the X.P08 beside it (and the images of X.P08 in the folder beside, if
// any), so that their twins stay in step.
void pack_pix_file(PackRun* run, const PathBuffer& folder, const std::string& name,
                   const std::vector<TextureFile>& files, const PathBuffer& destination);

// Whether the image folder `name` of the source folder `source` is an
// X.P08 that pack_pix_file packs with the images of the X.P16 beside it.
bool packed_with_sixteen_bit_file(const PathBuffer& source, const std::string& name);
