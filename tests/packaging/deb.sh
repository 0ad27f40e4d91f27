# The Debian package made from this build: its control fields, the library
# dependencies dpkg-shlibdeps found, every file under /usr, a stripped
# program; and lintian's verdict where lintian is installed.
source "$(dirname "$0")/lib.sh"
need cpack dpkg-deb dpkg-shlibdeps file

cpack --config "$build_dir/CPackConfig.cmake" -B "$scratch/cpack" >"$scratch/cpack.log" 2>&1 || {
  cat "$scratch/cpack.log" >&2
  fail "cpack could not make the package"
  finish
}
package=$(find "$scratch/cpack" -maxdepth 1 -name "kinetta_${version}_*.deb")
[[ -n "$package" ]] || {
  fail "cpack made no kinetta_${version}_*.deb"
  finish
}
echo "made $(basename "$package")"

field() { dpkg-deb --field "$package" "$1"; }
[[ "$(field Package)" == kinetta ]] || fail "Package is '$(field Package)'"
[[ "$(field Version)" == "$version" ]] || fail "Version is '$(field Version)', not $version"
[[ "$(field Architecture)" == "$(dpkg --print-architecture)" ]] || fail "Architecture is '$(field Architecture)'"
depends=$(field Depends)
echo "Depends: $depends"
# Found by dpkg-shlibdeps from the program's own links, and the platform
# plugin that no link names.
for dependency in libqt6core6 libqt6gui6 libqt6widgets6 libc6 libimagequant0 libpng16-16 qt6-qpa-plugins; do
  grep -qE "(^|, )$dependency( |,|\$)" <<<"$depends" || fail "Depends lacks $dependency"
done
[[ -n "$(field Description)" ]] || fail "the package has no description"

actual=$(dpkg-deb --contents "$package" | awk '$1 !~ /^d/ { print $6 }' | sed 's|^\./usr/||' | LC_ALL=C sort)
if [[ "$actual" != "$(expected_files vendor-completions)" ]]; then
  fail "the package's files differ from the expected ones:"
  diff <(expected_files vendor-completions) <(echo "$actual") >&2 || true
fi
dpkg-deb --contents "$package" | awk '$1 !~ /^d/ && $6 !~ /^\.\/usr\// { print "outside /usr: " $6; bad = 1 } END { exit bad }' >&2 ||
  fail "the package puts files outside /usr"

dpkg-deb --extract "$package" "$scratch/unpacked"
file "$scratch/unpacked/usr/bin/kinetta" | grep -q ", stripped" || fail "usr/bin/kinetta is not stripped"

if command -v lintian >/dev/null; then
  # Errors fail the test; warnings and notes are shown.
  lintian --tag-display-limit 0 "$package" >"$scratch/lintian.txt" 2>&1 || true
  grep -v '^running with root privileges' "$scratch/lintian.txt" || true
  if grep -q '^E: ' "$scratch/lintian.txt"; then
    fail "lintian reports errors"
  else
    echo "lintian: no errors"
  fi
else
  echo "lintian is not installed: not run"
fi
finish
