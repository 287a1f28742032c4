#!/usr/bin/env bash
# Writes a help2man include file: a COMMANDS section with the --help of every subcommand of a
# program (and of their subcommands) as the program prints it, when it has any, and a SEE ALSO
# section naming the other pages. Used by cmake/install.cmake.
# Usage: man_commands.sh PROGRAM OUT [SEE_ALSO...]
set -euo pipefail
program=$1 out=$2
shift 2
name=$(basename "$program")

# The subcommand names listed under "Subcommands:" in a help text.
subcommands() { sed -n '/^Subcommands:/,$p' | awk 'NR > 1 && /^  [a-z]/ {print $1}'; }

# Roff-safe preformatted text.
roff() { sed -e 's/\\/\\e/g' -e "s/^\\([.']\\)/\\\\\\&\\1/"; }

commands=$("$program" --help | subcommands)
{
  [ -z "$commands" ] || echo "[COMMANDS]"
  for command in $commands; do
    help=$("$program" "$command" --help)
    echo ".SS \"$name $command\""
    echo ".nf"
    roff <<<"$help"
    echo ".fi"
    for sub in $(subcommands <<<"$help"); do
      echo ".SS \"$name $command $sub\""
      echo ".nf"
      "$program" "$command" "$sub" --help | roff
      echo ".fi"
    done
  done
  if [ $# -gt 0 ]; then
    echo "[SEE ALSO]"
    printf '%s\n' "$@" | sed 's/$/,/; $ s/,$//' | tr '\n' ' '
    echo
  fi
} >"$out"
