"""PIX files and TWT archives for the browser test, written here from the
format itself (big-endian blocks after a 16-byte signature; a little-endian
table before an archive's members), sharing nothing with the program.
"""
import struct

SIGNATURE = struct.pack(">4I", 0x12, 8, 2, 2)
END_CHUNK = struct.pack(">2I", 0, 0)

# Pixel type -> bytes per pixel.
BYTES_PER_PIXEL = {3: 1, 5: 2, 18: 2, 6: 3, 7: 4}


def texture(name, width, height, pix_type=3, newer=False, pixels=None):
    """A header block (kind 0x03, or 0x3D with its mip offset 0) and a pixel
    block followed by the end chunk its length word covers."""
    size = BYTES_PER_PIXEL[pix_type]
    if pixels is None:
        pixels = bytes((16 + x * 7 + y * 3) % 256 for y in range(height) for x in range(width * size))
    fixed = struct.pack(">BHHHHH", pix_type, width * size, width, height, width // 2, height // 2)
    if newer:
        fixed += struct.pack(">H", 0)
    header = fixed + name + b"\0"
    block = struct.pack(">II", 0x3D if newer else 0x03, len(header)) + header
    block += struct.pack(">IIII", 0x21, len(pixels) + len(END_CHUNK), width * height, size)
    return block + pixels + END_CHUNK


def pix_file(textures):
    return SIGNATURE + b"".join(textures)


def twt_archive(members):
    """members: [(name of at most 52 bytes, bytes)], each but the last padded
    to 4 bytes."""
    table = struct.pack("<I", len(members))
    body = b""
    for index, (name, data) in enumerate(members):
        table += struct.pack("<I", len(data)) + name.ljust(52, b"\0")
        body += data
        if index + 1 < len(members):
            body += b"\0" * (-len(body) % 4)
    return struct.pack("<I", 4 + len(table) + len(body)) + table + body
