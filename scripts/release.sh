#!/usr/bin/env bash
# make release: the client for players (preset windows-release, the
# operator's https servers), its installer, a zip of the client and the
# update server's files from tools/publish, all in build/release/ with a
# SHA256SUMS file over them.
#
# The operator's keys, all outside the repository:
#   VORN2_UPDATE_PUBLIC_KEY   public key the updater checks version files with
#                             (cache variable; taken from here when set)
#   VORN2_UPDATE_PRIVATE_KEY  its private key: signs the version file
#   VORN2_SIGN_CERT, VORN2_SIGN_KEY [, VORN2_SIGN_CA, VORN2_SIGN_TIMESTAMP_URL]
#                             code signing certificate and key (cache variables
#                             or these environment variables); without them the
#                             programs are unsigned
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh
version=$(python3 -c 'import sys; sys.path.insert(0, "tools/publish"); import publish; print(publish.project_version())')
# Elsewhere only for the tests (a throw-away certificate must not reach the
# operator's build folder).
build=${VORN2_RELEASE_BUILD_DIR:-build/windows-release}
out=${VORN2_RELEASE_OUT_DIR:-build/release}

echo "== release build $version (windows-release)"
configure=(cmake --preset windows-release -B "$build")
[ -z "${VORN2_UPDATE_PUBLIC_KEY:-}" ] || configure+=("-DVORN2_UPDATE_PUBLIC_KEY=$VORN2_UPDATE_PUBLIC_KEY")
"${configure[@]}" >/dev/null || exit 1
[ -n "${VORN2_UPDATE_PRIVATE_KEY:-}" ] || {
  echo "release: set VORN2_UPDATE_PRIVATE_KEY to the operator's private key file (tools/publish/publish.py keygen):"
  echo "         it signs the version file; the updaters install nothing unsigned"
  exit 1
}
# The programs are linked and packed again, so each is signed in its turn
# (the updater, then the client that embeds it, then the installer).
rm -f "$build/updater/Update.exe" "$build/src/app/vorn2.exe" "$build/installer/"vorn2-setup-*.exe "$build/codesign.log"
cmake --build "$build" -j "$(nproc)"

# A release that talks to anything but the operator's https servers is a
# mistake in the cache (a -D left over), not something to ship.
for var in VORN2_UPDATE_SERVER VORN2_PORTAL VORN2_HOME_PAGE; do
  value=$(sed -n "s/^$var:[A-Z]*=//p" "$build/CMakeCache.txt")
  case "$value" in
    https://*) ;;
    *) echo "release: $var is '$value', not an https address"; exit 1 ;;
  esac
done

client="$build/src/app/vorn2.exe"
setup="$build/installer/vorn2-setup-$version.exe"
ca=$(sed -n 's/^VORN2_SIGN_CA:[A-Z]*=//p' "$build/CMakeCache.txt")
if [ -n "$(sed -n 's/^VORN2_SIGN_CERT:[A-Z]*=//p' "$build/CMakeCache.txt")" ]; then
  # The updater, the client, the uninstaller and the installer.
  signed=$(grep -c '^signed and verified: ' "$build/codesign.log" 2>/dev/null || true)
  [ "$signed" = 4 ] || { echo "release: $signed of 4 programs were signed (see $build/codesign.log)"; exit 1; }
  for f in "$client" "$setup"; do
    osslsigncode verify -in "$f" ${ca:+-CAfile "$ca"} >/dev/null || { echo "release: $f: signature does not verify"; exit 1; }
  done
  echo "== code signatures: Update.exe, vorn2.exe, the installer and its uninstaller signed and verified"
else
  echo "== code signatures: none (no VORN2_SIGN_CERT/VORN2_SIGN_KEY): players will see an unknown publisher"
fi

rm -rf "$out"
mkdir -p "$out"
cp "$setup" "$out/"
python3 - "$client" "$out/vorn2-$version.zip" <<'PY'
import sys, zipfile
with zipfile.ZipFile(sys.argv[2], "w", zipfile.ZIP_DEFLATED) as z:
    z.write(sys.argv[1], "vorn2.exe")
PY
echo "== update server files"
# The tool signs only with the pair of the key built into the client, and
# checks the client's code signature against the build's authorities.
python3 tools/publish/publish.py "$client" "$out/update-server" --expect-version "$version" \
  --key "$VORN2_UPDATE_PRIVATE_KEY" ${ca:+--ca "$ca"}
(cd "$out" && find . -type f ! -name SHA256SUMS | sed 's|^\./||' | sort | xargs sha256sum >SHA256SUMS)

echo "== build/release"
(cd "$out" && find . -type f | sed 's|^\./||' | sort | while read -r f; do printf '%10d  %s\n' "$(stat -c %s "$f")" "$f"; done)
