#!/usr/bin/env bash
# Screenshots of the wizard's dialog in each language, for the README: the wizard runs under
# Wine on a virtual X display with the shipped sample mode file, the driver fills the contact
# fields and captures the dialog from the screen, and the capture is converted to PNG.
#   wizard/screenshots/make-screenshots.sh BUILD_TREE     (a built tree this machine can run,
#                                                          build/x64 where 32-bit Wine cannot start)
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
tree=$(cd "$1" && pwd)
win() { local p=$1; echo "Z:${p//\//\\}"; }
work=$(mktemp -d "$tree/wizard-shots.XXXXXX")
restore() {
  rm -rf "$work"
  "$tree/wine-run" reg delete 'HKCU\Software\Wine\X11 Driver' /v Decorated /f >/dev/null 2>&1
  "$tree/wine-run" --stop
}
trap restore EXIT

# The prefix's server must know the display the dialog appears on. Without a window manager
# nobody draws the caption unless Wine draws it itself (undecorated windows), for these shots only.
"$tree/wine-run" reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /t REG_SZ /d N /f >/dev/null
"$tree/wine-run" --stop
for language in en-us de-de; do
  folder=$work/$language
  mkdir -p "$folder/en-us"
  cp "$tree/dist/en-us/GathrixWizardRc.dll" "$folder/en-us/"
  if [ "$language" = de-de ]; then
    mkdir -p "$folder/de-de"
    cp "$tree/wizard-rc/de-de/GathrixWizardRc.dll" "$folder/de-de/"
  fi
  cp "$tree/dist/Config.xml" "$folder/"
  xvfb-run -a -s "-screen 0 1024x768x24" env GATHRIX_WINESERVER_LINGER= bash -c '
    "$0/wine-run" --prepare || exit 1
    "$0/wine-run" "$0/tests/wizard/wizard_driver.exe" shot "$1" "$2" "$3" "$4" "$5" "$6" "$7"
    rc=$?
    "$0/wine-run" --stop
    exit $rc
  ' "$tree" "$(win "$tree/dist/GathrixWizard.exe")" "$(win "$folder")" "$(win "$work/$language.bmp")" \
    "Jane Doe" "Example Ltd" "jane.doe@example.com" "4711"
  python3 "$here/bmp2png.py" "$work/$language.bmp" "$here/wizard-$language.png"
  echo "wrote $here/wizard-$language.png"
done
