#!/usr/bin/env bash
# Builds the Debian package from the build tree into a temporary folder and checks its files and
# its dependencies.
# Usage: package_check.sh CPACK BUILD_DIR
set -uo pipefail
cpack=$1 build=$2
. "$(dirname "$0")/common.sh"
need dpkg-deb dpkg-shlibdeps file

work=$(mktemp -d "${TMPDIR:-/tmp}/tess-package-XXXXXX")
trap 'rm -rf "$work"' EXIT
"$cpack" -G DEB --config "$build/CPackConfig.cmake" -B "$work" >"$work/cpack.log" 2>&1 || { cat "$work/cpack.log"; fail "cpack -G DEB"; finish; }
packages=("$work"/*.deb)
[ ${#packages[@]} -eq 1 ] && [ -f "${packages[0]}" ] || { fail "cpack made no single package: ${packages[*]}"; finish; }
package=${packages[0]}

contents=$(dpkg-deb -c "$package") || fail "dpkg-deb -c"
while read -r file; do
  grep -qE " \./usr/$file$" <<<"$contents" || fail "not in the package: /usr/$file"
done < <(installed_files)
# Nothing but the installation: no test programs, benchmark or build helpers.
grep -E "/usr/bin/." <<<"$contents" | grep -vE "/usr/bin/(tessarine|tessarine-cli)$" && fail "other programs in the package"
grep -qE "rwxr-xr-x root/root .* \./usr/bin/tessarine-cli$" <<<"$contents" || fail "tessarine-cli is not an executable owned by root"

info=$(dpkg-deb -I "$package") || fail "dpkg-deb -I"
grep -qE "^ Package: tessarine$" <<<"$info" || fail "package name: $info"
grep -qE "^ Architecture: $(dpkg --print-architecture)$" <<<"$info" || fail "architecture: $info"
depends=$(sed -n 's/^ Depends: //p' <<<"$info" | tr ',' '\n' | sed 's/^ *//; s/ .*//')
# The libraries the programs link, found by dpkg-shlibdeps, and the Qt platform plugins that Qt
# loads at run time.
for dependency in libc6 libstdc++6 libqt6core6 libqt6gui6 libqt6widgets6 libpugixml1v5 libutf8proc2 qt6-qpa-plugins; do
  grep -qxF "$dependency" <<<"$depends" || fail "does not depend on $dependency:" $depends
done
# Debug information stays out of the package.
dpkg-deb -x "$package" "$work/root"
file -b "$work/root/usr/bin/tessarine-cli" | grep -q "stripped" && ! file -b "$work/root/usr/bin/tessarine-cli" | grep -q "not stripped" ||
  fail "tessarine-cli is not stripped"
version=$("$work/root/usr/bin/tessarine-cli" --version) || fail "the packaged tessarine-cli does not run"

finish
