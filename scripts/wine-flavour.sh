#!/usr/bin/env bash
# Prints the build flavour whose programs this machine can run under Wine: i686 when the 32-bit
# Wine loader starts (the shipped programs are 32-bit), x86_64 when the kernel has no 32-bit
# support (IA32 emulation disabled), so only 64-bit Windows programs can run.
if /usr/lib/wine/wine --version >/dev/null 2>&1; then echo i686; else echo x86_64; fi
