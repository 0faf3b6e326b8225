#!/usr/bin/env bash
# Prints the build flavours the tests run against, one a line, the shipped 32-bit build first.
#
# By default both: the shipped 32-bit build (i686, build/), run through scripts/with-wine32.sh,
# which starts 32-bit Wine natively or, where the kernel has IA32 emulation switched off, through
# qemu-user in a namespace of its own; and the 64-bit build of the same sources (x86_64,
# build/x64), for Procscout64 and the 64-bit side of the WOW64 cases.
# GATHRIX_TEST_FLAVOUR=i686 or GATHRIX_TEST_FLAVOUR=x86_64 runs one of them only.
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
case "${GATHRIX_TEST_FLAVOUR:-both}" in
  both|i686)
    if ! how=$("$here/with-wine32.sh" --check); then
      echo "the shipped 32-bit build cannot be tested here (GATHRIX_TEST_FLAVOUR=x86_64 tests the 64-bit build only)" >&2
      exit 1
    fi
    echo "32-bit Wine starts here: $how" >&2
    echo i686
    [ "${GATHRIX_TEST_FLAVOUR:-both}" = both ] && echo x86_64
    exit 0 ;;
  x86_64) echo x86_64 ;;
  *) echo "GATHRIX_TEST_FLAVOUR must be i686 or x86_64 (unset: both)" >&2; exit 1 ;;
esac
