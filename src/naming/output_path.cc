#include "naming/output_path.h"

void begin_output_folders(OutputFolders* folders, PathBuffer* destination) {
  folders->destination = destination;
  folders->saved_destination = *destination;
  folders->output_path = PathBuffer{};
}

void restore_destination(OutputFolders* folders) {
  *folders->destination = folders->saved_destination;
}
