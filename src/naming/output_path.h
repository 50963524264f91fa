// Output file names and the destination folder of one walk level.
#pragma once

#include <cstdint>
#include <cstdio>

#include "common/path_buffer.h"
#include "common/run_context.h"
#include "pix/texture.h"

// The folders of one walk level. The destination grows by the PIX file's
// own subfolder (folder mode) on the file's first texture and is set back
// after every file.
struct OutputFolders {
  PathBuffer* destination = nullptr;  // the caller's buffer, edited in place
  PathBuffer saved_destination;       // the destination as the level received it
  PathBuffer output_path;             // the current texture's BMP file
};

// Starts a walk level on the caller's destination folder.
void begin_output_folders(OutputFolders* folders, PathBuffer* destination);

// Sets the destination back to what the level received, after a PIX file.
void restore_destination(OutputFolders* folders);
