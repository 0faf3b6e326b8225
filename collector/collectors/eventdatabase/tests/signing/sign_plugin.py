#!/usr/bin/env python3
"""Signs files in the plug-in signature forms the collector checks, with keys of our own.

Current form: a trailer appended to the file, between the begin and the end marker, binary ('B')
or text ('T'), whose signature record holds the RSA-2048 signature of a block with the tag
"QXSIGN", the signed length, the MD5 and the SHA-256 of the signed content (the file without the
PE checksum, the certificate-table directory entry, the certificate table and the trailer).
Legacy form: the signature of a block with the masked file length and the MD5 of everything before
it, then the letter 'B' (256 bytes) or 'T' (512 hexadecimal characters).

The RSA private-key operation is openssl's raw one (pkeyutl -decrypt, no padding): pkeyutl -sign
refuses a 256-byte block.
"""
import hashlib
import os
import struct
import subprocess
import tempfile

BEGIN = b"QXCS4F3A4200C37O"
END = b"62F3AB0132FQXCSE"
TAG = b"QXSIGN"


def rsa_private(key_pem, block):
    """block^d mod n through openssl (no padding)."""
    assert len(block) == 256
    with tempfile.TemporaryDirectory() as folder:
        source = os.path.join(folder, "in")
        with open(source, "wb") as f:
            f.write(block)
        out = subprocess.run(["openssl", "pkeyutl", "-decrypt", "-inkey", key_pem, "-in", source,
                              "-pkeyopt", "rsa_padding_mode:none"], check=True, capture_output=True).stdout
    assert len(out) == 256, len(out)
    return out


def modulus(key_pem):
    out = subprocess.run(["openssl", "rsa", "-in", key_pem, "-noout", "-modulus"], check=True,
                         capture_output=True, text=True).stdout.strip()
    return int(out.split("=", 1)[1], 16)


def pe_ranges(data):
    """The PE checksum, the certificate-table directory entry and the certificate table."""
    if len(data) < 64 or data[:2] != b"MZ":
        return []
    header = struct.unpack_from("<I", data, 0x3C)[0]
    magic = struct.unpack_from("<H", data, header + 0x18)[0]
    entry = header + (0x98 if magic == 0x10B else 0xA8)
    ranges = [(header + 0x58, header + 0x58 + 3), (entry, entry + 7)]
    offset, size = struct.unpack_from("<II", data, entry)
    if offset != 0 and size != 0:
        ranges.append((offset, offset + size - 1))
    return ranges


def signed_content(data, ranges):
    out = bytearray()
    position = 0
    for first, last in sorted(ranges):
        out += data[position:first]
        position = last + 1
    out += data[position:]
    return bytes(out)


def signature_block(content, extra=b""):
    block = bytearray(256)
    block[0:6] = TAG
    block[6:14] = struct.pack("<Q", len(content))
    block[14:30] = b"GathrixTestField"
    block[30:46] = hashlib.md5(content).digest()
    block[46:78] = hashlib.sha256(content).digest()
    block[78:78 + len(extra)] = extra
    return bytes(block)


def hex8(value):
    return b"%08X" % value


def hex2(value):
    return b"%02X" % value


def build_trailer(encoding, records, signature, lead_in, tail_count=0, record_length=None):
    """The trailer from the begin marker to the end marker; `records` are (type, key letter)."""
    count = len(records)
    if encoding == "B":
        header = 39
        record_size = 20
        data_offset = header + count * record_size
        body_length = data_offset + 256 + 10 + 1
        excluded = lead_in + body_length + 16
        out = bytearray()
        out += BEGIN + b"\x00" + struct.pack("<I", lead_in) + b"\x00" + struct.pack("<I", excluded)
        out += bytes([count]) + bytes(12)
        for record_type, key in records:
            length = 256 if record_length is None else record_length
            out += bytes([record_type, 0]) + struct.pack("<I", data_offset) + b"\x00"
            out += struct.pack("<I", length) + key.encode() + bytes(8)
        out += signature
        out += struct.pack("<I", body_length) + b"\x00" + struct.pack("<I", tail_count) + b"\x00"
        out += b"B"
    else:
        header = 62
        record_size = 39
        data_offset = header + count * record_size
        body_length = data_offset + 512 + 20 + 1
        excluded = lead_in + body_length + 16
        out = bytearray()
        out += BEGIN + b"00" + hex8(lead_in) + b"00" + hex8(excluded) + hex2(count) + b"0" * 24
        for record_type, key in records:
            length = 512 if record_length is None else record_length
            out += hex2(record_type) + b"00" + hex8(data_offset) + b"00" + hex8(length) + key.encode() + b"0" * 16
        out += signature.hex().upper().encode()
        out += hex8(body_length) + b"00" + hex8(tail_count) + b"00" + b"T"
    assert len(out) == body_length
    return bytes(out) + END


def sign_current(data, key_pem, key_letter="P", encoding="B", lead_in=0, align=1, records=None,
                 tail_count=0, record_length=None, after=b""):
    """The file with a current-form trailer. With align > 1 the lead-in grows so that the signed
    file's length is a multiple of it (a certificate table appended later then needs no padding).
    Bytes `after` follow the trailer and are signed with the rest."""
    records = [(3, key_letter)] if records is None else records
    content = signed_content(data + after, pe_ranges(data))
    signature = rsa_private(key_pem, signature_block(content))
    dummy = build_trailer(encoding, records, bytes(256), 0)
    if align > 1:
        lead_in += (-(len(data) + lead_in + len(dummy))) % align
    trailer = build_trailer(encoding, records, signature, lead_in, tail_count, record_length)
    return data + b"\x00" * lead_in + trailer + after


def trailer_length(encoding="B", records=1):
    """The length of a trailer from its begin marker to the end of its end marker."""
    return len(build_trailer(encoding, [(3, "P")] * records, bytes(256), 0))


def sections(data):
    """(offset of the section header, PointerToRawData, SizeOfRawData) of each section, and the
    end of the section table."""
    header = struct.unpack_from("<I", data, 0x3C)[0]
    count, optional_size = struct.unpack_from("<H", data, header + 6)[0], struct.unpack_from("<H", data, header + 20)[0]
    table = header + 24 + optional_size
    out = []
    for i in range(count):
        at = table + 40 * i
        size, pointer = struct.unpack_from("<II", data, at + 16)
        out.append((at, pointer, size))
    return out, table + 40 * count


def move_trailer_into_header(signed, image, at=0x380):
    """A signed binary-trailer DLL rewritten so that its signature still holds while the loader
    maps other bytes: the trailer is taken off the end and put into the header padding at `at` (or
    right behind the section table, where that ends later), with the original signature; its free bytes hold `image`'s section raw data at the offsets the
    signed section table names (so `image` has the same layout as the signed DLL), the
    certificate-table entry is 0, and the trailer excludes exactly itself."""
    end = signed.rindex(END)
    body_length = struct.unpack_from("<I", signed, end - 11)[0]
    begin = end - body_length
    lead_in = struct.unpack_from("<I", signed, begin + 17)[0]
    assert signed[begin:begin + 16] == BEGIN and signed[end - 1:end] == b"B"
    data_offset = struct.unpack_from("<I", signed, begin + 39 + 2)[0]
    signature = signed[begin + data_offset:begin + data_offset + 256]
    original = bytearray(signed[:begin - lead_in])
    table, table_end = sections(original)
    raw = [(pointer, size) for _, pointer, size in table if size]
    first = min(pointer for pointer, _ in raw)
    last = max(pointer + size for pointer, size in raw)
    header_length = 39 + 20
    at = max(at, (table_end + 15) // 16 * 16)
    assert table_end <= at and at + header_length <= first, (hex(table_end), hex(first))
    data_offset = last - at
    body_length = data_offset + 256 + 11
    excluded = body_length + 16
    trailer = bytearray(body_length)
    trailer[0:39] = BEGIN + b"\x00" + struct.pack("<I", 0) + b"\x00" + struct.pack("<I", excluded) + bytes([1]) + bytes(12)
    trailer[39:59] = bytes([3, 0]) + struct.pack("<I", data_offset) + b"\x00" + struct.pack("<I", 256) + b"P" + bytes(8)
    trailer[first - at:last - at] = image[first:last]
    trailer[data_offset:data_offset + 256] = signature
    trailer[body_length - 11:] = struct.pack("<I", body_length) + b"\x00" + struct.pack("<I", 0) + b"\x00" + b"B"
    header = struct.unpack_from("<I", original, 0x3C)[0]
    magic = struct.unpack_from("<H", original, header + 0x18)[0]
    struct.pack_into("<II", original, header + (0x98 if magic == 0x10B else 0xA8), 0, 0)
    return bytes(original[:at] + trailer + END + original[at:])


def sign_legacy(data, key_pem, mask, encoding="B"):
    total = len(data) + (257 if encoding == "B" else 513)
    block = bytearray(os.urandom(256))
    block[0] = 0x01  # non-zero and below the modulus
    length = struct.pack("<I", total)
    block[20:24] = bytes(length[i] ^ mask[i] for i in range(4))
    block[32:48] = hashlib.md5(data).digest()
    signature = rsa_private(key_pem, bytes(block))
    if encoding == "B":
        return data + signature + b"B"
    return data + signature.hex().upper().encode() + b"T"
