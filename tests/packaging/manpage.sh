# The manual page renders without a warning from man or groff, and holds the
# sections a reader looks for.
source "$(dirname "$0")/lib.sh"
need man

page="$build_dir/data/kinetta.1"
for width in 80 100; do
  if ! MANWIDTH=$width man --warnings -l "$page" >"$scratch/page.txt" 2>"$scratch/warnings.txt"; then
    fail "man -l failed at width $width"
  fi
  if [[ -s "$scratch/warnings.txt" ]]; then
    fail "man -l at width $width warned: $(cat "$scratch/warnings.txt")"
  fi
done
for section in NAME SYNOPSIS DESCRIPTION OPTIONS COMMANDS "EXIT STATUS" ENVIRONMENT FILES; do
  grep -q "^$section\$" "$scratch/page.txt" || fail "the page has no $section section"
done
grep -qF "Kinetta $version" "$scratch/page.txt" || fail "the page does not name version $version"
finish
