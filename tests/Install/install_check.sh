#!/usr/bin/env bash
# Installs the build tree into a temporary prefix and checks what a user's machine gets.
# Usage: install_check.sh CMAKE BUILD_DIR SOURCE_DIR
set -uo pipefail
cmake=$1 build=$2 source=$3
. "$(dirname "$0")/common.sh"
need desktop-file-validate update-mime-database man gzip file

work=$(mktemp -d "${TMPDIR:-/tmp}/tess-install-XXXXXX")
trap 'rm -rf "$work"' EXIT
prefix=$work/prefix
export XDG_DATA_HOME=$work/data
"$cmake" --install "$build" --prefix "$prefix" >"$work/install.log" 2>&1 || { cat "$work/install.log"; fail "cmake --install"; finish; }

while read -r file; do
  [ -s "$prefix/$file" ] || fail "not installed: $file"
done < <(installed_files)
for program in tessarine tessarine-cli; do
  [ -x "$prefix/bin/$program" ] || fail "$program is not executable"
done
# Whatever docs/guide* holds is installed with the documentation.
for entry in "$source"/docs/guide*; do
  [ -e "$entry" ] || continue
  [ -e "$prefix/share/doc/tessarine/$(basename "$entry")" ] || fail "user guide not installed: $entry"
done

cli=$prefix/bin/tessarine-cli
version=$("$cli" --version) || fail "tessarine-cli --version failed"
[[ $version =~ ^tessarine-cli\ [0-9]+\.[0-9]+\.[0-9]+$ ]] || fail "tessarine-cli --version printed: $version"

for size in 16 22 24 32 48 64 128 256; do
  file -b "$prefix/share/icons/hicolor/${size}x${size}/apps/tessarine.png" | grep -q "^PNG image data, $size x $size," ||
    fail "the ${size}x$size icon is not a $size by $size picture"
done

report=$(desktop-file-validate "$prefix/share/applications/tessarine.desktop" 2>&1) || fail "desktop entry: $report"
[ -z "$report" ] || fail "desktop entry: $report"
grep -qx 'Exec=tessarine %F' "$prefix/share/applications/tessarine.desktop" || fail "the desktop entry does not pass the files opened"

report=$(XDG_DATA_DIRS="$prefix/share" update-mime-database "$prefix/share/mime" 2>&1) || fail "file types: $report"
[ -z "$report" ] || fail "file types: $report"
for type in text/x-dfm application/x-dfm; do
  [ -f "$prefix/share/mime/$type.xml" ] || fail "file type $type missing from the database"
  grep -q "MimeType=.*$type;" "$prefix/share/applications/tessarine.desktop" || fail "the desktop entry does not open $type"
done

for page in tessarine tessarine-cli; do
  report=$(MANWIDTH=80 man --warnings -l "$prefix/share/man/man1/$page.1.gz" 2>&1 >/dev/null)
  [ -z "$report" ] || fail "man page $page: $report"
done
# The manual page has an entry for every command and every option that the help of each command lists.
manual=$(MANWIDTH=250 man -l "$prefix/share/man/man1/tessarine-cli.1.gz" 2>/dev/null)
commands=$("$cli" --help | awk '/^Subcommands:/ { on = 1; next } on && NF { print $1 }')
[ -n "$commands" ] || fail "no commands read from tessarine-cli --help"
for command in $commands; do
  grep -qE "^ +$command( |$)" <<<"$manual" || fail "the manual page has no entry for the command $command"
  for option in $("$cli" "$command" --help | awk '/^  -/ { n = split($1, names, ","); for (i = 1; i <= n; i++) print names[i] }'); do
    grep -qE -- "^ +(-[a-zA-Z], )?$option([ ,]|$)" <<<"$manual" || fail "the manual page has no entry for $command $option"
  done
done

# The completion, as bash runs it on Tab: COMP_WORDS up to the word under the cursor.
complete_words() {
  PATH="$prefix/bin:$PATH" bash -c '
    . "$1"; shift
    COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1))
    _tessarine_cli
    printf "%s\n" "${COMPREPLY[@]}" | sort' complete "$prefix/share/bash-completion/completions/tessarine-cli" "$@"
}
expect_completion() {
  local expected=$1 got
  shift
  got=$(complete_words "$@" | paste -sd' ')
  [ "$got" = "$expected" ] || fail "completing '$*': got '$got', expected '$expected'"
}
expect_completion "check convert" tessarine-cli c
expect_completion "--help --version" tessarine-cli --
expect_completion "binary text" tessarine-cli convert -r --to ""
expect_completion "--files-from --flat" tessarine-cli apply x --dry-run --f
expect_completion "Binary\\ to\\ text Text\\ to\\ binary" tessarine-cli apply ""
expect_completion "Text\\ to\\ binary" tessarine-cli apply -j 2 --mask "*.lfm" -r "Text"
expect_completion "" tessarine-cli apply "Text to binary" ""
got=$(complete_words tessarine-cli apply -)
for option in --to --version; do grep -qx -- "$option" <<<"$got" && fail "apply offers $option"; done
for option in --recursive --mask --jobs --json --backup-dir --stdout; do
  grep -qx -- "$option" <<<"$got" || fail "apply does not offer $option"
done

finish
