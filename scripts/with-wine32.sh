#!/usr/bin/env bash
# Runs a command with 32-bit Wine available:
#   scripts/with-wine32.sh COMMAND [ARG ...]
#   scripts/with-wine32.sh --check        (prints how 32-bit Wine starts here; fails where it cannot)
#
# Where Debian's 32-bit Wine loader starts (a kernel with IA32 emulation), the command runs as it
# is. Where it does not, the command runs in a private user and mount namespace with a binfmt_misc
# of its own (kernel 6.7 and later), in which every 32-bit x86 program starts through qemu-user's
# qemu-i386 (10 or later; scripts/setup.sh installs it). Nothing is registered machine-wide; the
# rule ends with the namespace's last process. Inside, the command runs as root of its namespace
# (the caller's own user id outside); GATHRIX_WINE32 says how 32-bit programs start (native or qemu).
set -euo pipefail

loader=/usr/lib/wine/wine
# The oldest qemu-user measured to run 32-bit Wine at a usable speed: 7.2 takes about 50 s per
# process start and did not deliver the collector's archive.
qemu_min_major=10

die() { echo "with-wine32: $*" >&2; exit 1; }

loader_starts() { "$loader" --version >/dev/null 2>&1; }

find_qemu() {
  local candidate version
  for candidate in ${GATHRIX_QEMU_I386:-} /usr/bin/qemu-i386 /usr/bin/qemu-i386-static; do
    [ -x "$candidate" ] || continue
    version=$("$candidate" --version 2>/dev/null | sed -n 's/^qemu-i386 version \([0-9]*\)\..*/\1/p' | head -n1)
    if [ -n "$version" ] && [ "$version" -ge "$qemu_min_major" ]; then
      echo "$candidate"
      return 0
    fi
  done
  return 1
}

# Inside the new namespace: mount its own binfmt_misc, register qemu-i386 for i386 ELF programs
# (magic and mask of an i386 executable or shared object; P keeps argv[0], O hands qemu the open
# file, C takes the credentials from the program, F opens qemu now, so that it is found from any
# mount namespace), then run the command.
inside() {
  local qemu=$1; shift
  local dir=${TMPDIR:-/tmp}/gathrix-binfmt
  mkdir -p "$dir"
  mount -t binfmt_misc binfmt_misc "$dir" || die "cannot mount binfmt_misc in a user namespace (kernel 6.7 or later needed)"
  local magic='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
  local mask='\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'
  printf '%s' ":gathrix-qemu-i386:M::$magic:$mask:$qemu:POCF" >"$dir/register" ||
    die "cannot register $qemu in the namespace's binfmt_misc"
  loader_starts || die "32-bit Wine does not start through $qemu"
  export GATHRIX_WINE32=qemu
  if [ "${1:-}" = --check ]; then echo "qemu ($qemu)"; exit 0; fi
  exec "$@"
}

if [ "${1:-}" = --inside-namespace ]; then
  shift
  inside "$@"
fi

[ $# -gt 0 ] || die "usage: with-wine32.sh COMMAND [ARG ...] | --check"
[ -e "$loader" ] || die "32-bit Wine is not installed ($loader; run scripts/setup.sh)"

if loader_starts; then
  if [ -z "${GATHRIX_WINE32:-}" ]; then export GATHRIX_WINE32=native; fi
  if [ "$1" = --check ]; then echo "$GATHRIX_WINE32"; exit 0; fi
  exec "$@"
fi

qemu=$(find_qemu) || die "32-bit Wine cannot start on this kernel (IA32 emulation is off) and no qemu-i386 \
$qemu_min_major or later was found (scripts/setup.sh installs qemu-user from bookworm-backports)"
exec unshare --user --map-root-user --mount --propagation private \
  "$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)/$(basename "${BASH_SOURCE[0]}")" --inside-namespace "$qemu" "$@"
