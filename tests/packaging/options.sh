# What the program accepts and what the manual page and the completions tell
# stay the same: every option each command's help prints, and every
# KINETTA_ variable the sources read, is documented and completed.
source "$(dirname "$0")/lib.sh"

page="$build_dir/data/kinetta.1"
bash_completion="$source_dir/data/completions/kinetta.bash"
zsh_completion="$source_dir/data/completions/_kinetta"
# The page spells "-" as "\-" in roff.
page_text=$(sed 's/\\-/-/g' "$page")

for command in "" encode record windows; do
  help=$("$kinetta" $command --help)
  # Every command takes --help, whether or not its help says so.
  options=$({ echo --help; grep -oE -- '(^|[][ |,])--?[a-z][a-z-]*' <<<"$help" || true; } |
    grep -oE -- '--?[a-z][a-z-]*' | sort -u)
  for option in $options; do
    grep -qE -- "(^|[^a-z-])$option([^a-z-]|\$)" <<<"$page_text" ||
      fail "kinetta $command $option is not in the manual page"
    grep -qE -- "(^|[^a-z-])$option([^a-z-]|\$)" "$bash_completion" ||
      fail "kinetta $command $option is not in the bash completion"
    grep -qE -- "(^|[^a-z-])$option([^a-z=+-]|[=+]|\$)" "$zsh_completion" ||
      fail "kinetta $command $option is not in the zsh completion"
  done
  if [[ -n "$command" ]]; then
    grep -qF ".SS \"kinetta $command" "$page" || fail "the page has no section for '$command'"
    grep -qE "(^|[ '])$command( |\||'|$)" "$bash_completion" || fail "bash does not complete '$command'"
    grep -qF "'$command:" "$zsh_completion" || fail "zsh does not complete '$command'"
  fi
done

variables=$(grep -rhoE '"KINETTA_[A-Z0-9_]+"' "$source_dir/src" | tr -d '"' | sort -u)
[[ -n "$variables" ]] || fail "found no KINETTA_ variable in the sources"
for variable in $variables; do
  grep -qF ".B $variable" "$page" || fail "$variable is not in the page's ENVIRONMENT"
done
finish
