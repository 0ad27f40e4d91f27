# The completions at work: bash completes commands, options and option values
# as a user would see them after Tab; zsh reads its script without a fault.
source "$(dirname "$0")/lib.sh"
need bash zsh
bash_completion_lib=/usr/share/bash-completion/bash_completion
[[ -f $bash_completion_lib ]] || {
  echo "FAIL: bash-completion is not installed (scripts/bootstrap.sh --with-tests installs it)" >&2
  exit 1
}

# What Tab offers after LINE (the word under the cursor is its last one).
complete_line() {
  bash --norc --noprofile -c '
    source "$1"
    source "$2"
    read -r -a COMP_WORDS <<<"$3"
    [[ "$3" == *" " ]] && COMP_WORDS+=("")
    COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
    COMP_LINE=$3
    COMP_POINT=${#COMP_LINE}
    _kinetta kinetta "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}"
    ((${#COMPREPLY[@]} == 0)) || printf "%s\n" "${COMPREPLY[@]}" | LC_ALL=C sort | tr "\n" " "
  ' completion "$bash_completion_lib" "$source_dir/data/completions/kinetta.bash" "$1"
}
expect_completion() {
  local line=$1 want=$2 got
  got=$(complete_line "$line")
  [[ "$got" == "$want" ]] || fail "after '$line' Tab offers '$got', not '$want'"
}

expect_completion "kinetta " "encode record windows "
expect_completion "kinetta re" "record "
expect_completion "kinetta --t" "--toggle "
expect_completion "kinetta record --mo" "--mode "
expect_completion "kinetta record --mode " "area screen window "
expect_completion "kinetta record --no-" "--no-countdown --no-cursor "
expect_completion "kinetta record --fps " ""
expect_completion "kinetta encode --b" "--boomerang "
expect_completion "kinetta windows --" "--help "
# Options belong to their command: encode has no --mode.
expect_completion "kinetta encode --mo" ""
# After a command, words are no longer commands.
expect_completion "kinetta record re" ""

# Files: encode's inputs are PNG files (and folders), its output a GIF.
mkdir -p "$scratch/files/frames"
touch "$scratch/files/a.png" "$scratch/files/b.gif" "$scratch/files/c.txt"
cd "$scratch/files"
expect_completion "kinetta encode " "a.png frames "
expect_completion "kinetta encode -o " "b.gif frames "

# zsh: the script parses and, loaded as a completion function, defines _kinetta.
zsh -n "$source_dir/data/completions/_kinetta" || fail "zsh cannot parse _kinetta"
zsh -f -c "fpath=('$source_dir/data/completions' \$fpath); autoload -Uz compinit && compinit -u -d '$scratch/zcompdump' && autoload -Uz _kinetta && whence -w _kinetta && [[ \${_comps[kinetta]} == _kinetta ]]" >/dev/null ||
  fail "zsh does not take _kinetta as kinetta's completion"
finish
