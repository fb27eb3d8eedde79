#!/bin/sh
# make-packages.sh BIN OUT VERSION: makes OUT/Kestrova-VERSION.zip (a folder to unpack and run as it
# is) and OUT/Kestrova-VERSION.msi (installs under Program Files\Kestrova and registers the servers)
# from the programs in BIN. wixl (Debian wixl) builds the MSI, msibuild (msitools) adjusts it.
set -eu
bin=$1 out=$2 version=$3
here=$(cd "$(dirname "$0")" && pwd)
files="Kestrova.exe ksv_res.dll Varnolt.chm OstrelServer.exe KestrovaSheet.dll"

for f in $files; do
    [ -f "$bin/$f" ] || { echo "make-packages: $bin/$f is missing" >&2; exit 1; }
done
mkdir -p "$out"
out=$(cd "$out" && pwd)

# The zip: one folder, the programs and a script that registers the two servers from where it lies.
stage="$out/zip-stage"
rm -rf "$stage"
mkdir -p "$stage/Kestrova"
for f in $files; do cp "$bin/$f" "$stage/Kestrova/"; done
# Windows reads these as text only with CR LF line ends.
sed 's/$/\r/' "$here/Register.cmd" >"$stage/Kestrova/Register.cmd"
sed 's/$/\r/' "$here/ReadMe.txt" >"$stage/Kestrova/ReadMe.txt"
rm -f "$out/Kestrova-$version.zip"
(cd "$stage" && cmake -E tar cf "$out/Kestrova-$version.zip" --format=zip Kestrova)
rm -rf "$stage"

# The MSI. wixl reads sources relative to where it runs and cannot move RemoveExistingProducts:
# it places it after InstallFiles, where an upgrade would unregister the servers the new version
# has just registered. It is moved to right after InstallValidate (old version out, then new in).
msi="$out/Kestrova-$version.msi"
rm -f "$msi"
(cd "$bin" && wixl -a x64 -D BinDir=. -D Version="$version" -o "$msi" "$here/Kestrova.wxs")
msibuild "$msi" -q "UPDATE InstallExecuteSequence SET Sequence = 1450 WHERE Action = 'RemoveExistingProducts'"
