#!/usr/bin/env bash
# Prints the build flavour the tests run against.
#
# The shipped programs are 32-bit, but 32-bit Wine needs a kernel with IA32 emulation, which the
# machines this project is built on have switched off; there the 64-bit build of the same sources
# is tested. The 64-bit build is the default everywhere, so that a run means the same on every
# machine; GATHRIX_TEST_FLAVOUR=i686 tests the 32-bit build itself where its loader can start.
case "${GATHRIX_TEST_FLAVOUR:-x86_64}" in
  i686)
    if /usr/lib/wine/wine --version >/dev/null 2>&1; then echo i686; exit 0; fi
    echo "32-bit Wine cannot start on this kernel (IA32 emulation is off)" >&2
    exit 1 ;;
  x86_64) echo x86_64 ;;
  *) echo "GATHRIX_TEST_FLAVOUR must be i686 or x86_64" >&2; exit 1 ;;
esac
