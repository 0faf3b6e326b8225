#!/usr/bin/env python3
"""Makes the plug-in signature fixtures of the event-database tests at build time.

    make_fixtures.py --out DIR --standins DIR --other-cc COMPILER --other-source FILE

Writes, below DIR:
  keys/       test keys P, D and a foreign one (openssl), SignatureKeyData.h for the test programs
  signature/  one file per case of the signature table (see SignatureCheckTests.cpp)
  vectors/    RSA and SHA-256 results computed by python's pow() and hashlib
  plugins/    plug-in folders for the export job: the stand-ins signed in each form
"""
import argparse
import hashlib
import os
import random
import shutil
import struct
import subprocess
import sys

sys.dont_write_bytecode = True  # nothing written into the source tree
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import sign_plugin as sp  # noqa: E402

LEGACY_MASK = bytes([0x5A, 0xC3, 0x3C, 0xA5])


def run(*args):
    subprocess.run(args, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)


def write(path, data):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data)


def read(path):
    with open(path, "rb") as f:
        return f.read()


def make_keys(folder):
    os.makedirs(folder, exist_ok=True)
    keys = {}
    for name in ("P", "D", "F"):
        pem = os.path.join(folder, name + ".pem")
        if not os.path.exists(pem):
            run("openssl", "genrsa", "-out", pem, "2048")
        keys[name] = pem
    here = os.path.dirname(os.path.abspath(__file__))
    subprocess.run([sys.executable, os.path.join(here, "..", "..", "make_signature_keys.py"),
                    os.path.join(folder, "SignatureKeyData.h"), "--key-p", keys["P"], "--key-d", keys["D"],
                    "--mask", LEGACY_MASK.hex()], check=True)
    return keys


def osslsign(data, folder, name):
    """The file with an Authenticode certificate table appended by osslsigncode."""
    cert = os.path.join(folder, "cert.pem")
    key = os.path.join(folder, "cert.key")
    if not os.path.exists(cert):
        run("openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", key, "-out", cert,
            "-days", "3650", "-subj", "/CN=Gathrix test signer")
    unsigned = os.path.join(folder, name + ".unsigned")
    signed = os.path.join(folder, name + ".signed")
    write(unsigned, data)
    if os.path.exists(signed):
        os.remove(signed)
    run("osslsigncode", "sign", "-certs", cert, "-key", key, "-h", "sha256", "-in", unsigned, "-out", signed)
    out = read(signed)
    os.remove(unsigned)
    os.remove(signed)
    return out


def make_signature_cases(out, keys, view, other):
    folder = os.path.join(out, "signature")
    os.makedirs(folder, exist_ok=True)
    P, D, F = keys["P"], keys["D"], keys["F"]
    cases = {
        "p.dll": sp.sign_current(view, P, "P"),
        "d.dll": sp.sign_current(view, D, "D"),
        "p-text.dll": sp.sign_current(view, P, "P", encoding="T"),
        "d-text.dll": sp.sign_current(view, D, "D", encoding="T"),
        "p-leadin.dll": sp.sign_current(view, P, "P", lead_in=32, tail_count=32),
        "legacy-b.dll": sp.sign_legacy(view, D, LEGACY_MASK, "B"),
        "legacy-t.dll": sp.sign_legacy(view, D, LEGACY_MASK, "T"),
        "legacy-p-key.dll": sp.sign_legacy(view, P, LEGACY_MASK, "B"),
        "foreign.dll": sp.sign_current(view, F, "P"),
        "foreign-d.dll": sp.sign_current(view, F, "D"),
        "t256.dll": sp.sign_current(view, P, "P", encoding="T", record_length=256),
        "no-type3.dll": sp.sign_current(view, P, "P", records=[(2, "P"), (4, "P")]),
        "second-type3.dll": sp.sign_current(view, P, "P", records=[(1, "P"), (3, "P"), (3, "X")]),
        "key-x.dll": sp.sign_current(view, P, "X"),
        "no-records.dll": sp.sign_current(view, P, "P", records=[]),
        "leadin33.dll": sp.sign_current(view, P, "P", lead_in=33),
        "tail33.dll": sp.sign_current(view, P, "P", tail_count=33),
        "text-signed.txt": sp.sign_current(b"Not a DLL: a text file of 64 bytes or more, signed all the same.\r\n", P),
        "other-bitness.dll": sp.sign_current(other, P, "P"),
        "empty.bin": b"",
        "short.bin": b"MZ" + bytes(40),
        "no-marker.dll": view,
        "early-marker.bin": b"x" * 20 + sp.END + b"y" * 40,
    }
    signed = sp.sign_current(view, P, "P")
    flipped = bytearray(signed)
    flipped[0x400] ^= 0x01
    cases["flipped.dll"] = bytes(flipped)
    letter = bytearray(signed)
    letter[len(letter) - 17] = ord("X")
    cases["letter-x.dll"] = bytes(letter)
    # Anything behind the end marker but a certificate table is signed content.
    cases["appended.dll"] = signed + b"appended"
    # osslsigncode pads the file to a multiple of 8 before its table: aligned first, the padding
    # is not needed and the signed content stays as it was; unaligned, the padding changes it.
    cases["cert.dll"] = osslsign(sp.sign_current(view, P, "P", align=8), folder, "cert")
    unaligned = next(data for data in (sp.sign_current(view, P, "P", lead_in=n) for n in range(8))
                     if len(data) % 8 != 0)
    cases["cert-unaligned.dll"] = osslsign(unaligned, folder, "cert-unaligned")
    for name, data in cases.items():
        write(os.path.join(folder, name), data)


def make_inserted_table_case(out, keys, view):
    """A signed file with bytes inserted after its PE header and the certificate-table entry
    pointed at them: the signed content is the same, the sections the loader maps are not."""
    data = bytearray(sp.sign_current(view, keys["P"], "P"))
    header = struct.unpack_from("<I", data, 0x3C)[0]
    magic = struct.unpack_from("<H", data, header + 0x18)[0]
    entry = header + (0x98 if magic == 0x10B else 0xA8)
    inserted = bytes((i * 7 + 1) & 0xFF for i in range(82))
    data[0x400:0x400] = inserted
    struct.pack_into("<II", data, entry, 0x400, len(inserted))
    write(os.path.join(out, "signature", "inserted.dll"), bytes(data))


def optional_header(data):
    return struct.unpack_from("<I", data, 0x3C)[0] + 24


def make_layout_cases(out, keys, view):
    """Signed files whose signed bytes do not cover all that the loader maps: each is signed as it
    stands, so only the trailer's place tells them from a sound file."""
    P = keys["P"]
    folder = os.path.join(out, "signature")
    table, _ = sp.sections(view)
    entry, pointer, size = max((t for t in table if t[2]), key=lambda t: t[1])
    trailer = sp.trailer_length()

    # The last section's raw data runs on past the end of the file, over the trailer.
    over = bytearray(view)
    struct.pack_into("<I", over, entry + 16, (len(view) - pointer + 0x200) // 0x200 * 0x200)
    write(os.path.join(folder, "section-over-trailer.dll"), sp.sign_current(bytes(over), P))

    # The headers the loader maps (SizeOfHeaders) reach past the trailer.
    headers = bytearray(view)
    struct.pack_into("<I", headers, optional_header(view) + 60, (len(view) + 0x400) // 0x200 * 0x200)
    write(os.path.join(folder, "headers-over-trailer.dll"), sp.sign_current(bytes(headers), P))

    # The last section's raw data copied behind the trailer and the section pointed at the copy:
    # a trailer in an overlay with more (signed) data behind it.
    behind = bytearray(view)
    struct.pack_into("<I", behind, entry + 20, len(view) + trailer)
    write(os.path.join(folder, "section-behind-trailer.dll"),
          sp.sign_current(bytes(behind), P, after=view[pointer:pointer + size]))


def hostile(image):
    """The attacker's image of a stand-in: its own name, wherever it logs it, is another's."""
    return image.replace("Trovlib".encode("utf-16-le"), "Hostile".encode("utf-16-le"))


def make_rewritten_folder(out, keys, standins):
    """A plug-in folder whose signed worker library was rewritten: its trailer moved into the header
    padding, excluding itself, holding an attacker's sections where the signed section table points;
    the signed content, its length and digests stay those of the signed library."""
    target = os.path.join(out, "plugins", "rewritten")
    shutil.rmtree(target, ignore_errors=True)
    os.makedirs(target)
    P = keys["P"]
    lib = read(os.path.join(standins, "Trovlib.dll"))
    write(os.path.join(target, "Trovlib.dll"), sp.move_trailer_into_header(sp.sign_current(lib, P), hostile(lib)))
    write(os.path.join(target, "Trovview.dll"), sp.sign_current(read(os.path.join(standins, "Trovview.dll")), P))
    write(os.path.join(target, "Trovev.dll"), read(os.path.join(standins, "Trovev.dll")))


def make_moving_worker_folder(out, keys, standins):
    """A plug-in folder whose signed worker library makes its own folder current when loaded."""
    target = os.path.join(out, "plugins", "worker-moves-folder")
    shutil.rmtree(target, ignore_errors=True)
    os.makedirs(target)
    P = keys["P"]
    write(os.path.join(target, "Trovlib.dll"), sp.sign_current(read(os.path.join(standins, "TrovlibMovesFolder.dll")), P))
    write(os.path.join(target, "Trovview.dll"), sp.sign_current(read(os.path.join(standins, "Trovview.dll")), P))
    write(os.path.join(target, "Trovev.dll"), read(os.path.join(standins, "Trovev.dll")))


def make_dependent_folder(out, keys, standins):
    """A plug-in folder whose three plug-ins import a library that lies beside them."""
    target = os.path.join(out, "plugins", "with-dependency")
    shutil.rmtree(target, ignore_errors=True)
    os.makedirs(target)
    P = keys["P"]
    write(os.path.join(target, "Trovlib.dll"), sp.sign_current(read(os.path.join(standins, "TrovlibDependent.dll")), P))
    write(os.path.join(target, "Trovview.dll"), sp.sign_current(read(os.path.join(standins, "TrovviewDependent.dll")), P))
    write(os.path.join(target, "Trovev.dll"), read(os.path.join(standins, "TrovevDependent.dll")))
    write(os.path.join(target, "TrovDep.dll"), read(os.path.join(standins, "TrovDep.dll")))


def make_vectors(out, keys):
    folder = os.path.join(out, "vectors")
    os.makedirs(folder, exist_ok=True)
    # SHA-256 of data[i] = (i * 31 + 7) mod 256, for the lengths around the padding boundaries.
    with open(os.path.join(folder, "sha256.txt"), "w") as f:
        for length in (0, 1, 3, 55, 56, 63, 64, 65, 119, 120, 127, 128, 1000):
            data = bytes((i * 31 + 7) & 0xFF for i in range(length))
            f.write(f"{length} {hashlib.sha256(data).hexdigest()}\n")
    # RSA: signature, modulus (key P) and signature^65537 mod modulus, checked with pow().
    n = sp.modulus(keys["P"])
    rng = random.Random(20261210)
    blocks = [bytes([0x51]) + bytes(rng.randrange(256) for _ in range(255))]   # top byte set
    blocks.append(bytes(1) + bytes(rng.randrange(256) for _ in range(255)))    # one leading zero
    blocks.append(bytes(5) + bytes(rng.randrange(256) for _ in range(251)))    # five
    blocks.append(bytes(255) + b"\x07")                                       # the value 7
    blocks.append(bytes(256))                                                 # zero
    blocks.append(bytes([0x7F]) + bytes([0xFF]) * 255)                        # all ones below the top
    with open(os.path.join(folder, "rsa.txt"), "w") as f:
        for block in blocks:
            signature = sp.rsa_private(keys["P"], block) if any(block) else bytes(256)
            value = pow(int.from_bytes(signature, "big"), 65537, n)
            assert value == int.from_bytes(block, "big")
            f.write(f"{signature.hex()} {n.to_bytes(256, 'big').hex()} {block.hex()}\n")


def make_plugin_folders(out, keys, standins):
    folder = os.path.join(out, "plugins")
    lib = read(os.path.join(standins, "Trovlib.dll"))
    view = read(os.path.join(standins, "Trovview.dll"))
    fallback = read(os.path.join(standins, "Trovev.dll"))
    empty = read(os.path.join(standins, "Empty.dll"))
    P, D = keys["P"], keys["D"]
    layouts = {
        "signed-p": {"Trovlib.dll": sp.sign_current(lib, P, "P"), "Trovview.dll": sp.sign_current(view, P, "P")},
        "signed-d": {"Trovlib.dll": sp.sign_current(lib, D, "D", encoding="T"),
                     "Trovview.dll": sp.sign_current(view, D, "D")},
        "legacy": {"Trovlib.dll": sp.sign_legacy(lib, D, LEGACY_MASK, "T"),
                   "Trovview.dll": sp.sign_legacy(view, D, LEGACY_MASK, "B")},
        "unsigned": {"Trovlib.dll": lib, "Trovview.dll": view},
        "view-unsigned": {"Trovlib.dll": sp.sign_current(lib, P, "P"), "Trovview.dll": view},
        "no-entries": {"Trovlib.dll": sp.sign_current(empty, P, "P"), "Trovview.dll": sp.sign_current(empty, P, "P")},
        "lib-no-entries": {"Trovlib.dll": sp.sign_current(empty, P, "P"),
                           "Trovview.dll": sp.sign_current(view, P, "P")},
        "view-no-entries": {"Trovlib.dll": sp.sign_current(lib, P, "P"),
                            "Trovview.dll": sp.sign_current(empty, P, "P")},
        "fallback-only": {},
    }
    for name, files in layouts.items():
        target = os.path.join(folder, name)
        shutil.rmtree(target, ignore_errors=True)
        os.makedirs(target)
        for file_name, data in files.items():
            write(os.path.join(target, file_name), data)
        write(os.path.join(target, "Trovev.dll"), empty if name == "no-entries" else fallback)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--out", required=True)
    parser.add_argument("--standins", required=True)
    parser.add_argument("--other-cc", required=True)
    parser.add_argument("--other-source", required=True)
    args = parser.parse_args()
    keys = make_keys(os.path.join(args.out, "keys"))
    # A DLL of the other bitness (PE32 beside PE32+ or the reverse), for the PE header's two forms.
    other_dll = os.path.join(args.out, "keys", "other-bitness.dll")
    run(args.other_cc, "-shared", "-o", other_dll, args.other_source)
    view = read(os.path.join(args.standins, "Trovview.dll"))
    make_signature_cases(args.out, keys, view, read(other_dll))
    make_inserted_table_case(args.out, keys, view)
    make_layout_cases(args.out, keys, view)
    make_rewritten_folder(args.out, keys, args.standins)
    make_vectors(args.out, keys)
    make_plugin_folders(args.out, keys, args.standins)
    make_moving_worker_folder(args.out, keys, args.standins)
    make_dependent_folder(args.out, keys, args.standins)


if __name__ == "__main__":
    main()
