# The desktop entry and the metainfo as their own validators judge them.
source "$(dirname "$0")/lib.sh"
need desktop-file-validate appstreamcli

desktop="$build_dir/data/$app_id.desktop"
if ! output=$(desktop-file-validate "$desktop" 2>&1) || [[ -n "$output" ]]; then
  fail "desktop-file-validate: $output"
fi
echo "desktop-file-validate: clean"

metainfo="$build_dir/data/$app_id.metainfo.xml"
if ! output=$(appstreamcli validate --no-net "$metainfo" 2>&1); then
  fail "appstreamcli validate --no-net: $output"
fi
echo "appstreamcli validate --no-net: $output"
finish
