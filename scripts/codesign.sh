#!/usr/bin/env bash
# codesign.sh CERT KEY CA TIMESTAMP_URL LOG FILE
# Signs FILE in place with the operator's code signing certificate (Debian's
# osslsigncode: Authenticode, SHA-256 digest, an RFC 3161 time stamp when
# TIMESTAMP_URL is not "-"), then checks the signature: against CA, or the
# system's certificate authorities when CA is "-". Appends
# "signed and verified: FILE" to LOG. The build runs it on
# Update.exe before the client embeds it, on vorn2.exe before the installer
# packs it, and from makensis on the installer and the uninstaller.
set -euo pipefail
[ $# -eq 6 ] || { echo "usage: codesign.sh CERT KEY CA TIMESTAMP_URL LOG FILE" >&2; exit 2; }
cert=$1 key=$2 ca=${3#-} timestamp=${4#-} log=$5 file=$6

command -v osslsigncode >/dev/null || { echo "codesign: osslsigncode missing (scripts/setup.sh installs it)" >&2; exit 1; }
tmp="$file.signing"
rm -f "$tmp"
trap 'rm -f "$tmp"' EXIT
args=(sign -certs "$cert" -key "$key" -h sha256 -n "Vornhold 2" -i "https://www.vornhold2.com/")
[ -z "$timestamp" ] || args+=(-ts "$timestamp")
osslsigncode "${args[@]}" -in "$file" -out "$tmp" >/dev/null || { echo "codesign: signing $file failed" >&2; exit 1; }
verify=(verify -in "$tmp")
[ -z "$ca" ] || verify+=(-CAfile "$ca")
if ! out=$(osslsigncode "${verify[@]}" 2>&1); then
  echo "$out" >&2
  echo "codesign: the signature of $file does not verify" >&2
  exit 1
fi
mv -f "$tmp" "$file"
trap - EXIT
echo "signed and verified: $(basename "$file")" >>"$log"
echo "codesign: signed and verified $(basename "$file")"
