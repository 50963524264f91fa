// The pixel array of a BMP file is built in one pass from the loaded bytes,
// which stay unchanged. It must equal what reversing the bytes of each pixel
// and then the rows in place, and copying out, would give, for every
// geometry: rows that end inside a pixel, pixel counts beyond the rows, rows
// beyond the pixel bytes.
#include "bmp/bmp_image.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

// The literal in-place algorithm: the byte exchange of each pixel, then the
// rows reversed through a temporary buffer, then the copy.
Bytes in_place_model(Bytes stored, size_t pixel_bytes, const PixelOrder& order) {
  for (size_t p = 0; order.stride != 0 && p < order.pixel_count; ++p)
    std::reverse(stored.begin() + p * order.stride, stored.begin() + (p + 1) * order.stride);
  if (order.reverse_rows) {
    size_t L = order.row_length, N = order.row_count;
    Bytes temporary(L * N);
    for (size_t i = 0; i < N; ++i) std::copy_n(stored.begin() + (N - 1 - i) * L, L, temporary.begin() + i * L);
    std::copy(temporary.begin(), temporary.end(), stored.begin());
  }
  return Bytes(stored.begin(), stored.begin() + pixel_bytes);
}

TEST(PixelArray, MatchesReversingInPlaceForEveryGeometry) {
  std::mt19937 random(12345);
  for (int trial = 0; trial < 20000; ++trial) {
    PixelOrder order;
    const uint32_t strides[] = {0, 3, 4};
    order.stride = strides[random() % 3];
    order.row_length = random() % 13;
    order.row_count = random() % 6;
    order.reverse_rows = random() % 4 != 0;
    order.pixel_count = random() % 12;
    size_t needed = std::max<size_t>(order.reverse_rows ? order.row_length * order.row_count : 0,
                                     order.stride * order.pixel_count);
    Bytes stored(needed + random() % 8);
    for (uint8_t& b : stored) b = static_cast<uint8_t>(random());
    size_t pixel_bytes = stored.empty() ? 0 : random() % (stored.size() + 1);

    Bytes out(pixel_bytes, 0xEE);
    const Bytes before = stored;
    copy_pixel_array(out, stored, order);
    ASSERT_EQ(stored, before);
    ASSERT_EQ(out, in_place_model(stored, pixel_bytes, order))
        << "stride " << order.stride << " row " << order.row_length << " x " << order.row_count
        << " reverse " << order.reverse_rows << " pixels " << order.pixel_count << " of "
        << stored.size() << " bytes, copying " << pixel_bytes;
  }
}

}  // namespace
