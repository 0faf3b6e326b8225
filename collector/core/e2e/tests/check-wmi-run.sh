#!/usr/bin/env bash
# Runs the collector on the WMI jobs and the general information from the Linux side, where the
# process environment decides Wine's time zone (TZ) and which DLLs load (WINEDLLOVERRIDES):
#  - three time zones give their offsets of the day in the general information;
#  - with Wine's WMI every job reports what it delivers;
#  - with WMI switched off (wbemprox disabled) each WMI job shows its error leaf, the general
#    information gives way to the job boundary's error leaf, and the run ends with 0.
#   check-wmi-run.sh BUILD_DIR
set -uo pipefail
build=$1
tmp=$(mktemp -d /tmp/gathrix-wmi-check.XXXXXX)
trap 'rm -rf "$tmp"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
win() { local p=$1; echo "Z:${p//\//\\}"; }

cat > "$tmp/Mode.xml" <<'EOF'
<?xml version="1.0" encoding="UTF-8"?>
<Config>
  <Mode><Name lang="en-us">WMI run</Name></Mode>
  <Level1><Name>General</Name><Level2><Name>Info</Name><Jobs><GeneralInformation/></Jobs></Level2></Level1>
  <Level1><Name>System</Name><Jobs>
    <LogicalDisks/><DiskDrives/><CdRomDrives/><Services/><InstalledDrivers/>
  </Jobs></Level1>
</Config>
EOF

# run NAME [VAR=value...]: one collector run into $tmp/NAME, its exit code checked.
run() {
  local name=$1; shift
  mkdir -p "$tmp/$name/out"
  (cd "$build/dist" && env "$@" "$build/wine-run" Gathrix.exe -s "$(win "$tmp/Mode.xml")" \
     -t "$(win "$tmp/$name/work")" -o "$(win "$tmp/$name/out")" -n "Sample User" -i 4711) \
     > "$tmp/$name/console.txt" 2>&1
  local rc=$?
  [ $rc -eq 0 ] || { cat "$tmp/$name/console.txt"; fail "$name: collector ended with $rc"; }
  for xml in "$tmp/$name/work/data/"*.xml; do
    xmllint --noout "$xml" || fail "$name: not well-formed: $xml"
  done
}
# value NAME FILE XPATH: the text an XPath selects in a result file.
value() { xmllint --xpath "string($3)" "$tmp/$1/work/data/$2"; }
count() { xmllint --xpath "count($3)" "$tmp/$1/work/data/$2"; }

# offset ZONE: the zone's offset at this moment as the collector writes it, from the same time-zone
# database Wine reads: "(UTC+05:30)" east of Greenwich, "(UTC-00:00)" for no offset.
offset() {
  local z; z=$(TZ=$1 date +%z)
  local sign=${z:0:1}
  [ "${z:1}" = 0000 ] && sign=-
  echo "(UTC$sign${z:1:2}:${z:3:2})"
}

# Time zones: Wine takes the process's TZ and the host's date, so a zone with daylight saving
# time (Sydney) is expected at the offset of the day of the run; one taken before and one after
# the run cover a change of offset during it.
for tz in Asia/Kolkata Australia/Sydney UTC; do
  before=$(offset "$tz")
  run "tz-${tz//\//-}" TZ="$tz"
  after=$(offset "$tz")
  text=$(value "tz-${tz//\//-}" General_Info.xml "/GathrixResult/ResultSet/GeneralInformation/About/Timezone")
  [[ "$text" == *" $before" || "$text" == *" $after" ]] ||
    fail "$tz: time zone text '$text', expected it to end with '$before'"
  echo "$tz: $text"
done

# Wine's WMI: every job's element, the disks captioned with their drive letters, the services
# with their path leaf first (Wine gives no PathName) and eleven leaves after it.
run wmi
system="/GathrixResult/ResultSet/Tree/TreeElement"
[ "$(count wmi System.xml "$system")" = 5 ] || fail "wmi: not five job elements"
for caption in "Logical Disks" "Disk drives" "CD-ROM drives" "Services" "installed drivers"; do
  [ "$(count wmi System.xml "$system[Value='$caption']")" = 1 ] || fail "wmi: no element '$caption'"
done
disks=$(count wmi System.xml "$system[Value='Logical Disks']/TreeElement")
[ "$disks" -ge 1 ] || fail "wmi: no logical disk"
[ "$(count wmi System.xml "$system[Value='Logical Disks']/TreeElement[substring(Value, 2)=':']")" = "$disks" ] ||
  fail "wmi: a logical disk without its drive letter"
services=$(count wmi System.xml "$system[Value='Services']/TreeElement")
[ "$services" -ge 1 ] || fail "wmi: no service"
[ "$(count wmi System.xml "$system[Value='Services']/TreeElement[count(TreeElement)=12]")" = "$services" ] ||
  fail "wmi: a service without its twelve children"
[ "$(count wmi System.xml "$system[Value='Services']/TreeElement[starts-with(TreeElement[1]/Value, 'Path: ')]")" = \
  "$services" ] || fail "wmi: a service whose first child is not its path"
os=$(value wmi General_Info.xml "/GathrixResult/ResultSet/GeneralInformation/About/OperatingSystem")
[[ "$os" == *" ("*"Build "*"; Version: "*")" ]] || fail "wmi: operating system '$os'"
echo "wmi: $disks logical disks, $services services, $os"

# WMI switched off.
run nowmi WINEDLLOVERRIDES="wbemprox=d"
[ "$(count nowmi System.xml "$system")" = 5 ] || fail "nowmi: not five job elements"
[ "$(count nowmi System.xml "$system[count(TreeElement)=1][TreeElement/@type='lvlerror'][TreeElement/Value='Error: No access to WMI']")" = 5 ] ||
  fail "nowmi: not every job holds exactly the error leaf"
[ "$(count nowmi General_Info.xml "/GathrixResult/ResultSet/GeneralInformation")" = 0 ] ||
  fail "nowmi: general information written without WMI"
[ "$(value nowmi General_Info.xml "/GathrixResult/ResultSet/TreeElement[@type='lvlerror']/Value")" = \
  "Gathrix can't connect to WMI." ] || fail "nowmi: no error leaf for the general information"
log=$tmp/nowmi/work/data/logfile.log
grep -q "\[ERROR\] *unable to connect to WMI. The service may be deactivated. Error Code -2147024891" "$log" ||
  fail "nowmi: no log line of the failed connection"
grep -q "\[ERROR\] *A job failed unexpectedly: Gathrix can't connect to WMI\." "$log" ||
  fail "nowmi: no log line of the failed general information"
echo "nowmi: every WMI job shows its error leaf"
