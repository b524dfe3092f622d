# bash completion for tessarine-cli

# The options of one command, read from its --help: "NAME" for a flag, "NAME=" for an option that
# takes a value.
_tessarine_cli_options() {
  "$1" "$2" --help 2>/dev/null | awk '
    /^  -/ {
      takes = ($0 ~ /^  -[^ ]+ [^ ]/) ? "=" : ""
      n = split($1, names, ",")
      for (i = 1; i <= n; i++) print names[i] takes
    }'
}

_tessarine_cli() {
  local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD - 1]}
  local program=${COMP_WORDS[0]} command="" positional=0 i word
  local -a options=() valued=()

  for ((i = 1; i < COMP_CWORD; i++)); do
    word=${COMP_WORDS[i]}
    if [[ -z $command ]]; then
      [[ $word == -* ]] || command=$word
      continue
    fi
    [[ ${#options[@]} -gt 0 ]] || mapfile -t options < <(_tessarine_cli_options "$program" "$command")
    if [[ $word == -* ]]; then
      # An option that takes a value takes the next word with it.
      [[ $word != *=* && " ${options[*]} " == *" $word= "* ]] && ((i++))
    else
      ((positional++))
    fi
  done

  COMPREPLY=()
  if [[ -z $command ]]; then
    if [[ $cur == -* ]]; then
      mapfile -t COMPREPLY < <(compgen -W "--help --version" -- "$cur")
    else
      mapfile -t COMPREPLY < <(compgen -W "detect convert apply check transforms" -- "$cur")
    fi
    return
  fi

  case $prev in
    --to) mapfile -t COMPREPLY < <(compgen -W "text binary" -- "$cur"); return ;;
    --eol) mapfile -t COMPREPLY < <(compgen -W "crlf lf" -- "$cur"); return ;;
    --backup-dir | --output-dir)
      compopt -o filenames 2>/dev/null
      mapfile -t COMPREPLY < <(compgen -d -- "$cur")
      return
      ;;
    -j | --jobs | --mask) return ;;
  esac

  if [[ $cur == -* ]]; then
    [[ ${#options[@]} -gt 0 ]] || mapfile -t options < <(_tessarine_cli_options "$program" "$command")
    mapfile -t COMPREPLY < <(compgen -W "${options[*]//=/}" -- "$cur")
    return
  fi

  if [[ $command == apply && $positional -eq 0 ]]; then
    # The transformation: a caption from the Transforms folder, quoted as one word; a file
    # otherwise (the empty reply falls back to file names).
    local typed=${cur#[\"\']} caption
    while IFS=$'\t' read -r _ caption _; do
      [[ -n $caption && $caption == "$typed"* ]] && COMPREPLY+=("$(printf '%q' "$caption")")
    done < <("$program" transforms 2>/dev/null)
  fi
}

complete -o default -F _tessarine_cli tessarine-cli
