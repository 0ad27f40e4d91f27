# `cmake --install` into a prefix of the caller's choice (one with a space in
# it here) and, staged with DESTDIR, into /usr: every file where the desktop
# looks for it, and nothing else.
source "$(dirname "$0")/lib.sh"

prefix="$scratch/any prefix"
cmake --install "$build_dir" --prefix "$prefix" >/dev/null
actual=$(cd "$prefix" && find . -type f -printf '%P\n' | LC_ALL=C sort)
if [[ "$actual" != "$(expected_files site-functions)" ]]; then
  fail "files installed into a prefix differ from the expected ones:"
  diff <(expected_files site-functions) <(echo "$actual") >&2 || true
fi

# Under /usr, the zsh completion goes where Debian's zsh looks.
DESTDIR="$scratch/stage" cmake --install "$build_dir" --prefix /usr >/dev/null
actual=$(cd "$scratch/stage/usr" && find . -type f -printf '%P\n' | LC_ALL=C sort)
if [[ "$actual" != "$(expected_files vendor-completions)" ]]; then
  fail "files installed under /usr differ from the expected ones:"
  diff <(expected_files vendor-completions) <(echo "$actual") >&2 || true
fi

# The installed program runs from the new prefix.
printed=$("$prefix/bin/kinetta" --version)
[[ "$printed" == "kinetta $version" ]] || fail "installed kinetta --version printed '$printed'"
[[ -x "$prefix/bin/kinetta" ]] || fail "bin/kinetta is not executable"

for size in "${icon_sizes[@]}"; do
  png="$prefix/share/icons/hicolor/${size}x${size}/apps/$app_id.png"
  got=$(png_size "$png")
  [[ "$got" == "${size}x${size}" ]] || fail "the ${size}x${size} icon is $got"
done

desktop="$prefix/share/applications/$app_id.desktop"
check_desktop() {
  local group=$1 key=$2 want=$3 got
  got=$(desktop_value "$desktop" "$group" "$key")
  [[ "$got" == "$want" ]] || fail "$group $key is '$got', not '$want'"
}
check_desktop "Desktop Entry" Type Application
check_desktop "Desktop Entry" Name Kinetta
check_desktop "Desktop Entry" GenericName "Screen to GIF Recorder"
check_desktop "Desktop Entry" Exec kinetta
check_desktop "Desktop Entry" Icon "$app_id"
check_desktop "Desktop Entry" Terminal false
check_desktop "Desktop Entry" Actions "toggle-recording;"
check_desktop "Desktop Action toggle-recording" Name "Toggle Recording"
check_desktop "Desktop Action toggle-recording" Exec "kinetta --toggle"
for key in Comment Categories Keywords; do
  [[ -n "$(desktop_value "$desktop" "Desktop Entry" "$key")" ]] || fail "the desktop entry has no $key"
done

metainfo="$prefix/share/metainfo/$app_id.metainfo.xml"
for want in "<id>$app_id</id>" \
  "<launchable type=\"desktop-id\">$app_id.desktop</launchable>" \
  "<binary>kinetta</binary>" \
  "<release version=\"$version\"" \
  '<content_rating type="oars-1.1"'; do
  grep -qF -- "$want" "$metainfo" || fail "the metainfo lacks $want"
done
# Every screenshot is one of ours, published under the same name.
while read -r address; do
  [[ -f "$source_dir/docs/screenshots/${address##*/}" ]] ||
    fail "the metainfo shows $address, which docs/screenshots does not hold"
done < <(grep -o '>https://[^<]*\.png<' "$metainfo" | tr -d '<>')
grep -q '<screenshot type="default">' "$metainfo" || fail "the metainfo has no default screenshot"

# The changelog's newest entry is this version.
zcat "$prefix/share/doc/kinetta/changelog.gz" | head -n 1 | grep -qF "kinetta ($version)" ||
  fail "the changelog does not start with version $version"
finish
