// What an image becomes in the PIX file it is packed into, beyond its
// pixels: the type of a texture the file did not have, and the alpha of a
// texture whose image has none.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "common/decoded_image.h"
#include "pack/old_pix.h"
#include "pack/texture_build.h"
#include "pix/pixel_types.h"

// The type and header kind of a texture added to a PIX file whose textures
// are `file`. In a file of BRender 1.2's (0x3D header blocks or its newer
// pixel types, as Carmageddon 2's are), the header kind most of its
// textures have and one of its types: the type with alpha its textures have
// most when the image has a pixel that is not opaque, else the type
// without alpha they have most (the one they have most where all have
// alpha). Ties go to the type met first; a Splat Pack texture counts as
// 8-bit. So a file of one type gives that type. In any other file (the
// first game's, or none) the image decides: pix_type 0.
AddedType added_texture_type(std::span<const OldTexture> file, const DecodedImage& image);

// Whether some pixel of the image is less than opaque. The fourth bytes of
// a 32-bit BMP without an alpha mask count as alpha when they are not all
// 0 (PIL and many paint programs store alpha there, as BI_RGB).
bool has_see_through_pixel(const DecodedImage& image);

// The image as a texture of `type` takes it, in `taken`. For a type with
// alpha:
// - the fourth bytes of a 32-bit BMP without an alpha mask are its alpha,
//   unless they are all 0;
// - an image without alpha at all (24-bit, RGB, indexed without
//   transparency, 32-bit whose fourth bytes are all 0) of the size of
//   `old`, the texture of that type it replaces, takes the old alpha pixel
//   by pixel: `taken` is R G B A rows in `rows`, and *alpha_kept is set;
// - such an image of another size is refused, `problem` naming the texture
//   and what to re-save it as;
// - an added texture (no `old`) is opaque where the image has no alpha.
// Types without alpha take the image as it is.
bool take_alpha(const DecodedImage& image, const PixelType& type, const OldTexture* old, std::string_view name,
                std::vector<uint8_t>* rows, DecodedImage* taken, bool* alpha_kept, std::string* problem);
