#!/usr/bin/env bash
# Prepares a Debian bookworm machine to build and test Gathrix, and fills the build tree's
# third_party/ folder. Idempotent: a second call installs nothing and rebuilds nothing.
#
#   scripts/setup.sh [BUILD_DIR] [ARCH]      (default: build i686; ARCH i686 or x86_64)
#
# The x86_64 artifacts serve the 64-bit test build (see scripts/test.sh).
#
# Third-party artifacts (TinyXML sources with Debian's patches, 7z.dll with 7-Zip's headers,
# GoogleTest) are built once per dependency key into a cache outside the clone
# (GATHRIX_DEPS_CACHE, default ~/.cache/gathrix-deps) and copied into BUILD_DIR/third_party.
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
top=$(cd "$here/.." && pwd)
build=${1:-$top/build}
arch=${2:-i686}
case "$arch" in i686|x86_64) ;; *) echo "unknown ARCH $arch" >&2; exit 2 ;; esac
cross=$arch-w64-mingw32
mkdir -p "$build"
build=$(cd "$build" && pwd)
jobs=$(nproc)

log() { printf '[setup] %s\n' "$*" >&2; }

SUDO=
if [ "$(id -u)" -ne 0 ]; then SUDO=sudo; fi

# ---------------------------------------------------------------- apt
packages=(wine wine64 wine32:i386
          gcc-mingw-w64-i686-posix g++-mingw-w64-i686-posix
          gcc-mingw-w64-x86-64-posix g++-mingw-w64-x86-64-posix
          mingw-w64-tools binutils-mingw-w64-i686 binutils-mingw-w64-x86-64
          cmake make xvfb xauth p7zip-full googletest dpkg-dev
          libxml2-utils xsltproc python3 ca-certificates chromium openssl osslsigncode libfaketime)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

need_update=0
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  log "adding the i386 architecture"
  $SUDO dpkg --add-architecture i386
  need_update=1
fi
if ! grep -rqsE '^(Types:.*deb-src|deb-src )' /etc/apt/sources.list /etc/apt/sources.list.d/; then
  log "adding a deb-src entry for Debian's main archive"
  $SUDO tee /etc/apt/sources.list.d/gathrix-deb-src.sources >/dev/null <<'EOF'
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: bookworm bookworm-updates
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
EOF
  need_update=1
fi
if [ ${#missing[@]} -gt 0 ] || [ $need_update -eq 1 ] || ! apt-cache showsrc tinyxml >/dev/null 2>&1 \
   || [ -z "$(apt-cache showsrc tinyxml 2>/dev/null)" ]; then
  log "apt-get update"
  $SUDO apt-get update -qq
fi
if [ ${#missing[@]} -gt 0 ]; then
  log "installing: ${missing[*]}"
  $SUDO env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# ---------------------------------------------------------------- 32-bit Wine through qemu-user
# The shipped programs are 32-bit. Where the kernel cannot start 32-bit Wine (IA32 emulation off),
# scripts/with-wine32.sh runs it through qemu-i386 10 or later; bookworm's own qemu-user (7.2) is
# far too slow, so it comes from bookworm-backports, through the machine's own Debian mirror.
qemu_ok() {
  local q v
  for q in /usr/bin/qemu-i386 /usr/bin/qemu-i386-static; do
    v=$("$q" --version 2>/dev/null | sed -n 's/^qemu-i386 version \([0-9]*\)\..*/\1/p' | head -n1)
    [ -n "$v" ] && [ "$v" -ge 10 ] && return 0
  done
  return 1
}
debian_mirror() {  # the URI of the machine's deb entry for its release, else Debian's own
  local codename=$1 uri
  uri=$(awk -v suite="$codename" '
          /^[[:space:]]*$/ { if (deb && hit && u != "") { print u; exit } deb = hit = 0; u = ""; next }
          /^Types:/ { deb = ($0 ~ /[[:space:]]deb([[:space:]]|$)/) }
          /^URIs:/ { u = $2 }
          /^Suites:/ { for (i = 2; i <= NF; i++) if ($i == suite) hit = 1 }
          END { if (deb && hit && u != "") print u }' /etc/apt/sources.list.d/*.sources 2>/dev/null | head -n1)
  if [ -z "$uri" ]; then
    uri=$(cat /etc/apt/sources.list /etc/apt/sources.list.d/*.list 2>/dev/null |
          awk -v suite="$codename" '$1 == "deb" { n = 2
                                                  if ($2 ~ /^\[/) { while (n < NF && $n !~ /\]$/) n++; n++ }
                                                  if ($(n + 1) == suite) { print $n; exit } }')
  fi
  echo "${uri:-http://deb.debian.org/debian}"
}
if ! /usr/lib/wine/wine --version >/dev/null 2>&1 && ! qemu_ok; then
  codename=$(. /etc/os-release && echo "${VERSION_CODENAME:-bookworm}")
  if ! grep -rqsE "^Suites:.*[[:space:]]$codename-backports([[:space:]]|$)|^deb .*[[:space:]]$codename-backports[[:space:]]" \
       /etc/apt/sources.list /etc/apt/sources.list.d/; then
    mirror=$(debian_mirror "$codename")
    log "adding $codename-backports from $mirror (for qemu-user)"
    $SUDO tee /etc/apt/sources.list.d/gathrix-backports.sources >/dev/null <<EOF
Types: deb
URIs: $mirror
Suites: $codename-backports
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
EOF
  fi
  log "apt-get update"
  $SUDO apt-get update -qq
  log "installing qemu-user from $codename-backports"
  $SUDO env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends \
    -t "$codename-backports" qemu-user >/dev/null
  qemu_ok || { log "qemu-user 10 or later is still missing: the 32-bit build cannot be tested"; exit 1; }
fi

# ---------------------------------------------------------------- dependency key
srcver() { apt-cache showsrc "$1" | awk '/^Version:/ {print $2; exit}'; }
tinyxml_ver=$(srcver tinyxml)
sevenzip_ver=$(apt-cache showsrc 7zip | awk '/^Version:/ {print $2}' | grep 'really26\.01' | head -n1)
[ -n "$sevenzip_ver" ] || sevenzip_ver=$(srcver 7zip)
gtest_ver=$(dpkg-query -W -f='${Version}' googletest)
mingw_ver=$(dpkg-query -W -f='${Version}' g++-mingw-w64-i686-posix)
key=$( { cat "$here/setup.sh" "$top/cmake/toolchain-i686.cmake" "$top/cmake/toolchain-x86_64.cmake" \
             "$top/common/TickCount64.h" "$top/common/TickCount64.cpp";
         echo "$arch $tinyxml_ver $sevenzip_ver $gtest_ver $mingw_ver"; } | sha256sum | cut -c1-16)
cache_root=${GATHRIX_DEPS_CACHE:-$HOME/.cache/gathrix-deps}
cache=$cache_root/$key

fetch_source() {  # package version destination
  local work
  work=$(mktemp -d)
  (cd "$work" && apt-get source -qq "$1=$2" >/dev/null 2>&1) || { log "apt-get source $1=$2 failed"; exit 1; }
  local dir
  dir=$(find "$work" -mindepth 1 -maxdepth 1 -type d | head -n1)
  mv "$dir" "$3"
  rm -rf "$work"
}

build_deps() {
  local stage=$1
  log "building third-party artifacts into $stage (key $key)"

  # TinyXML: Debian's source with Debian's patch series applied (apt-get source applies it).
  fetch_source tinyxml "$tinyxml_ver" "$stage/tinyxml-src"
  mkdir -p "$stage/tinyxml"
  cp "$stage/tinyxml-src"/{tinyxml.cpp,tinyxmlparser.cpp,tinyxmlerror.cpp,tinystr.cpp,tinyxml.h,tinystr.h} "$stage/tinyxml/"
  rm -rf "$stage/tinyxml-src"

  # 7-Zip: 7z.dll and the headers the archive client compiles against. The threading runtime in
  # it imports GetTickCount64, which Windows XP lacks: our own import slot goes in with it, as
  # in the programs (common/TickCount64.h).
  fetch_source 7zip "$sevenzip_ver" "$stage/7zip-src"
  $cross-g++-posix -std=c++17 -O2 -DUNICODE -D_UNICODE -DWIN32_LEAN_AND_MEAN -I"$top" \
    -c "$top/common/TickCount64.cpp" -o "$stage/TickCount64.o"
  (cd "$stage/7zip-src/CPP/7zip/Bundles/Format7zF" &&
     make -s -j"$jobs" -f makefile.gcc IS_MINGW=1 DISABLE_RAR=1 \
       CROSS_COMPILE=$cross- CC=$cross-gcc-posix CXX=$cross-g++-posix \
       LDFLAGS_STATIC_3="$stage/TickCount64.o" \
       RC=$cross-windres >"$stage/7zip-build.log" 2>&1) || { tail -30 "$stage/7zip-build.log"; exit 1; }
  rm -f "$stage/TickCount64.o"
  local dll
  dll=$(find "$stage/7zip-src/CPP/7zip/Bundles/Format7zF" -name 7z.dll | head -n1)
  [ -n "$dll" ] || { log "7z.dll was not built"; exit 1; }
  mkdir -p "$stage/7zip"
  cp "$dll" "$stage/7zip/7z.dll"
  mkdir -p "$stage/7zip/include"
  (cd "$stage/7zip-src" && find CPP C -name '*.h' | tar -cf - -T -) | tar -xf - -C "$stage/7zip/include"
  rm -rf "$stage/7zip-src"

  # GoogleTest from the sources the googletest package installs.
  cmake -S /usr/src/googletest -B "$stage/gtest-build" -G "Unix Makefiles" \
    -DCMAKE_TOOLCHAIN_FILE="$top/cmake/toolchain-$arch.cmake" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_INSTALL_PREFIX="$stage/gtest" -Dgtest_disable_pthreads=OFF \
    -DCMAKE_CXX_FLAGS="-static" >"$stage/gtest-build.log" 2>&1
  cmake --build "$stage/gtest-build" -j"$jobs" >>"$stage/gtest-build.log" 2>&1
  cmake --install "$stage/gtest-build" >>"$stage/gtest-build.log" 2>&1
  rm -rf "$stage/gtest-build"
  echo "$key" >"$stage/KEY"
}

if [ ! -f "$cache/KEY" ]; then
  mkdir -p "$cache_root"
  stage=$(mktemp -d "$cache_root/stage.XXXXXX")
  build_deps "$stage"
  rm -rf "$cache"
  mv "$stage" "$cache" 2>/dev/null || rm -rf "$stage"   # another run may have won the race
fi

# ---------------------------------------------------------------- build tree
tp=$build/third_party
if [ "$(cat "$tp/KEY" 2>/dev/null)" != "$key" ]; then
  log "copying third-party artifacts into $tp"
  rm -rf "$tp"
  mkdir -p "$tp"
  cp -a "$cache/7zip" "$cache/gtest" "$tp/"
  echo "$key" >"$tp/KEY"
fi
# TinyXML is compiled by the project itself, with the project's own patches on top of Debian's.
rm -rf "$tp/tinyxml.new"
cp -a "$cache/tinyxml" "$tp/tinyxml.new"
for p in "$top"/third_party/tinyxml/*.patch; do
  [ -e "$p" ] || continue
  patch -s -p1 -d "$tp/tinyxml.new" <"$p" || { log "patch $p failed"; exit 1; }
done
if ! diff -rq "$tp/tinyxml.new" "$tp/tinyxml" >/dev/null 2>&1; then
  rm -rf "$tp/tinyxml"
  mv "$tp/tinyxml.new" "$tp/tinyxml"
else
  rm -rf "$tp/tinyxml.new"
fi
log "ready: $tp"
