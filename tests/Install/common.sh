# Shared by the install and package checks: failing, skipping and the list of installed files.

failures=0
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}
# CTest counts exit status 77 as a skipped test.
skip() {
  echo "SKIPPED: $*"
  exit 77
}
need() {
  local tool
  for tool in "$@"; do
    command -v "$tool" >/dev/null || skip "$tool is not installed (scripts/setup installs it)"
  done
}
finish() {
  [ "$failures" -eq 0 ] || { echo "$failures check(s) failed" >&2; exit 1; }
  echo "all checks passed"
}

# Every file an installation holds, relative to its prefix.
installed_files() {
  local size
  echo bin/tessarine
  echo bin/tessarine-cli
  echo share/applications/tessarine.desktop
  echo share/mime/packages/tessarine.xml
  echo share/icons/hicolor/scalable/apps/tessarine.svg
  for size in 16 22 24 32 48 64 128 256; do echo "share/icons/hicolor/${size}x${size}/apps/tessarine.png"; done
  echo share/man/man1/tessarine.1.gz
  echo share/man/man1/tessarine-cli.1.gz
  echo share/bash-completion/completions/tessarine-cli
}
