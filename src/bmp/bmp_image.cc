#include "bmp/bmp_image.h"

int write_texture_bmp(const Texture&, const TextureLabel&, const char*, const RunContext&) {
  return 0;
}
