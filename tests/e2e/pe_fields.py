"""The two PE header fields that tie a program image to a signature, read
and cleared without the program's own code: the checksum and the security
directory entry (where Authenticode finds the certificate)."""

import struct


def _fields(image):
    """(checksum offset, security entry offset or None) of a PE32 or PE32+
    image; ValueError when it holds no PE header."""
    if image[:2] != b"MZ":
        raise ValueError("no MZ header")
    pe = struct.unpack_from("<I", image, 0x3C)[0]
    if image[pe:pe + 4] != b"PE\0\0":
        raise ValueError("no PE signature")
    opt = pe + 24
    magic = struct.unpack_from("<H", image, opt)[0]
    directories = {0x10B: opt + 96, 0x20B: opt + 112}.get(magic)
    if directories is None:
        raise ValueError("unknown optional header magic %#x" % magic)
    count = struct.unpack_from("<I", image, directories - 4)[0]
    return opt + 64, (directories + 4 * 8 if count > 4 else None)


def signature_fields(image):
    """(checksum, (security position, security size))."""
    checksum, security = _fields(image)
    entry = struct.unpack_from("<II", image, security) if security is not None else (0, 0)
    return struct.unpack_from("<I", image, checksum)[0], entry


def with_fields(image, checksum_value, entry):
    """The image with the checksum and the security entry set as given."""
    data = bytearray(image)
    checksum, security = _fields(data)
    struct.pack_into("<I", data, checksum, checksum_value)
    if security is not None:
        struct.pack_into("<II", data, security, *entry)
    return bytes(data)


def cleared(image):
    """The image as the uninstaller copy carries it: checksum and security
    entry 0, every other byte as it is."""
    return with_fields(image, 0, (0, 0))
