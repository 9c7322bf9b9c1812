#!/usr/bin/env bash
# Checks the Windows zip: it holds both programs, the README (with its
# pictures) and the licence,
# and the programs import no DLL that Windows itself does not ship (a missing
# libstdc++ or libgcc DLL would stop them on a machine without MinGW).
# Usage: packaging/check_windows_zip.sh farrowgate-<version>-win64.zip
set -euo pipefail
zip=$1
objdump=${OBJDUMP:-x86_64-w64-mingw32-objdump}
system_dlls='^(kernel32|user32|gdi32|advapi32|shell32|winmm|msvcrt|ucrtbase|ntdll|api-ms-win-.*)\.dll$'

unzip -l "$zip"
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
unzip -q "$zip" -d "$dir"
status=0
for name in farrowgate.exe farrowgate-headless.exe README.md LICENSE start_view.png; do
  if [ -z "$(find "$dir" -name "$name")" ]; then
    echo "missing from the zip: $name"
    status=1
  fi
done
while IFS= read -r exe; do
  imports=$("$objdump" -p "$exe" | sed -n 's/^[[:space:]]*DLL Name: //p')
  echo "$(basename "$exe") imports: $(echo $imports)"
  for dll in $imports; do
    if ! echo "$dll" | tr 'A-Z' 'a-z' | grep -Eq "$system_dlls"; then
      echo "$(basename "$exe") needs $dll, which Windows does not ship"
      status=1
    fi
  done
done < <(find "$dir" -name '*.exe')
exit $status
