#!/usr/bin/env bash
# make release: the client for players (preset windows-release, the
# operator's https servers), its installer, a zip of the client and the
# update server's files from tools/publish, all in build/release/ with a
# SHA256SUMS file over them.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh
version=$(python3 -c 'import sys; sys.path.insert(0, "tools/publish"); import publish; print(publish.project_version())')
build=build/windows-release
out=build/release

echo "== release build $version (windows-release)"
cmake --preset windows-release >/dev/null
cmake --build --preset windows-release -j "$(nproc)"

# A release that talks to anything but the operator's https servers is a
# mistake in the cache (a -D left over), not something to ship.
for var in VORN2_UPDATE_SERVER VORN2_PORTAL VORN2_HOME_PAGE; do
  value=$(sed -n "s/^$var:[A-Z]*=//p" "$build/CMakeCache.txt")
  case "$value" in
    https://*) ;;
    *) echo "release: $var is '$value', not an https address"; exit 1 ;;
  esac
done

rm -rf "$out"
mkdir -p "$out"
client="$build/src/app/vorn2.exe"
cp "$build/installer/vorn2-setup-$version.exe" "$out/"
python3 - "$client" "$out/vorn2-$version.zip" <<'PY'
import sys, zipfile
with zipfile.ZipFile(sys.argv[2], "w", zipfile.ZIP_DEFLATED) as z:
    z.write(sys.argv[1], "vorn2.exe")
PY
echo "== update server files"
python3 tools/publish/publish.py "$client" "$out/update-server" --expect-version "$version"
(cd "$out" && find . -type f ! -name SHA256SUMS | sed 's|^\./||' | sort | xargs sha256sum >SHA256SUMS)

echo "== build/release"
(cd "$out" && find . -type f | sed 's|^\./||' | sort | while read -r f; do printf '%10d  %s\n' "$(stat -c %s "$f")" "$f"; done)
