#include "cli/report.h"

void report_texture(const Texture&, const TextureLabel&, const OutputFolders&, const RunContext&) {}
