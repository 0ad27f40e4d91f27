#!/usr/bin/env bash
# Encodes every clip of bench/corpus with `kinetta encode` and with the
# yardsticks (ffmpeg two-pass palette, that output through gifsicle -O3,
# gifski), one after the other in the same run, and reports size, SSIM, PSNR
# and wall time with the ratios and the bar. The table is also written to
# bench/out/gif-results.md, with size against SSIM swept for ours (--quality),
# gifski (--quality) and gifsicle (--lossy), a plot of the sweeps per clip
# (bench/out/<clip>/size-ssim.png), our size at each of their points' SSIM, and
# --max-size 2M checked against the sweep. Usage:
#   KINETTA=path/to/kinetta bench/gif/run.sh [clip...]
# KINETTA defaults to build/src/kinetta; record the corpus first with
# bench/gif/make-corpus.sh.
set -euo pipefail
# shellcheck source-path=SCRIPTDIR source=lib.sh
source "$(dirname "$0")/lib.sh"

wanted=()
for arg in "$@"; do
    case $arg in
        -h | --help) sed -n '2,10p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
        *) wanted+=("$arg") ;;
    esac
done
if ((${#wanted[@]} == 0)); then
    for clip in "${clips[@]}"; do
        [[ -d $corpus_dir/$clip ]] && wanted+=("$clip")
    done
fi
((${#wanted[@]})) || die "no clips in $corpus_dir; run bench/gif/make-corpus.sh first"

ensure_packages ffmpeg gifsicle python3-matplotlib
command -v npm >/dev/null || ensure_packages npm

kinetta=${KINETTA:-$bench_root/build/src/kinetta}
kinetta_state=ok
if [[ ! -x $kinetta ]]; then
    kinetta_state="not built"
elif ! "$kinetta" --help 2>/dev/null | grep -q '^ *encode '; then
    kinetta_state="not built"
fi
[[ $kinetta_state == ok ]] || log "kinetta encode unavailable at $kinetta: its column says 'not built'"

mkdir -p "$out_dir"
gifski=$out_dir/node_modules/gifski/bin/debian/gifski
if [[ ! -x $gifski ]]; then
    log "installing the npm package gifski into $out_dir"
    npm install --prefix "$out_dir" --no-audit --no-fund --no-save gifski >/dev/null
fi
[[ -x $gifski ]] || die "gifski binary not found at $gifski"

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.3f", a / b }'; }
diff6() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%+.6f", a - b }'; }
# True when the comparison holds for two decimal numbers, e.g. cmp 0.98 '>=' 0.97.
cmp() { awk -v a="$1" -v b="$3" -v op="$2" 'BEGIN {
    r = (op == "<") ? a < b : (op == "<=") ? a <= b : (op == ">=") ? a >= b : 0; exit !r }'; }
verdict() { if "$@"; then echo PASS; else echo FAIL; fi; }

# One point of a size/SSIM curve: clip, curve, setting, size, SSIM.
curve_rows=$out_dir/curves.tsv
: >"$curve_rows"
# Measures GIF $3 against the clip and adds it as a point of curve $1 at
# setting $2; prints "size ssim", or nothing when it could not be measured.
add_point() {
    local curve=$1 setting=$2 gif=$3 s
    [[ -s $gif ]] && read -r s _ < <(measure_gif "$gif" "$src") || return 0
    printf '%s\t%s\t%s\t%s\t%s\n' "$clip" "$curve" "$setting" "$(stat -c %s "$gif")" "$s" >>"$curve_rows"
    echo "$(stat -c %s "$gif") $s"
}
fit_limit=$((2 * 1024 * 1024))

# Runs a command with its output in $dst/<tool>.log and adds its wall time and
# CPU time (user + system, all threads and children) to secs[tool], cpu[tool].
timed() {
    local tool=$1 times=$dst/$1.times
    shift
    local TIMEFORMAT='%R %U %S' status=0
    { time "$@" >>"$dst/$tool.log" 2>&1; } 2>"$times" || status=$?
    ((status == 0)) || return "$status"
    local wall user sys
    read -r wall user sys <"$times"
    secs[$tool]=$(awk -v a="${secs[$tool]:-0}" -v b="$wall" 'BEGIN { printf "%.3f", a + b }')
    cpu[$tool]=$(awk -v a="${cpu[$tool]:-0}" -v b="$user" -v c="$sys" 'BEGIN { printf "%.3f", a + b + c }')
}

report=$out_dir/gif-results.md
{
    echo "# GIF encoder benchmark"
    echo
    echo "$(date -u '+%Y-%m-%d %H:%M UTC'), $(nproc) cores, load average $(cut -d' ' -f1-3 /proc/loadavg) at the start;" \
        "${clip_width}x${clip_height} PNG frames at $clip_fps fps."
    echo "kinetta: $kinetta ($kinetta_state). $(ffmpeg -version | head -n1 | cut -d' ' -f1-3);" \
        "$(gifsicle --version | head -n1); $("$gifski" --version)."
    echo "SSIM and PSNR: the decoded GIF against the source frames, frame by frame in time, planar RGB."
} >"$report"

overall=PASS
for clip in "${wanted[@]}"; do
    src=$corpus_dir/$clip
    [[ -d $src ]] || die "no clip folder $src"
    n=$(count_frames "$src")
    ((n > 0)) || die "$src holds no frame-NNNN.png files"
    dst=$out_dir/$clip
    rm -rf "$dst"
    mkdir -p "$dst"
    declare -A size=() ssim=() psnr=() secs=() cpu=() note=()
    tools=(kinetta ffmpeg gifsicle gifski)

    log "$clip: kinetta encode"
    if [[ $kinetta_state == ok ]]; then
        if ! timed kinetta "$kinetta" encode --fps "$clip_fps" -o "$dst/kinetta.gif" "$src"; then
            note[kinetta]="failed: $(tail -n1 "$dst/kinetta.log")"
        fi
    else
        note[kinetta]="not built"
    fi

    log "$clip: ffmpeg two-pass"
    timed ffmpeg ffmpeg -nostdin -v error -framerate "$clip_fps" -i "$src/frame-%04d.png" \
        -vf palettegen=stats_mode=diff -y "$dst/palette.png" || die "ffmpeg failed; see $dst/ffmpeg.log"
    timed ffmpeg ffmpeg -nostdin -v error -framerate "$clip_fps" -i "$src/frame-%04d.png" -i "$dst/palette.png" \
        -lavfi "[0:v][1:v]paletteuse=dither=sierra2_4a:diff_mode=rectangle" -y "$dst/ffmpeg.gif" ||
        die "ffmpeg failed; see $dst/ffmpeg.log"

    log "$clip: gifsicle -O3"
    # Its times include the ffmpeg run it starts from.
    secs[gifsicle]=${secs[ffmpeg]}
    cpu[gifsicle]=${cpu[ffmpeg]}
    timed gifsicle gifsicle -O3 "$dst/ffmpeg.gif" -o "$dst/gifsicle.gif" || die "gifsicle failed; see $dst/gifsicle.log"

    log "$clip: gifski"
    # --width keeps the clip's size: gifski otherwise shrinks anything larger than about 800x600.
    timed gifski "$gifski" --quiet --fps "$clip_fps" --width "$clip_width" -o "$dst/gifski.gif" "$src"/frame-*.png ||
        die "gifski failed; see $dst/gifski.log"

    for tool in "${tools[@]}"; do
        gif=$dst/$tool.gif
        [[ -z ${note[$tool]:-} && -s $gif ]] || continue
        log "$clip: measuring $tool"
        size[$tool]=$(stat -c %s "$gif")
        if ! read -r s p compared gif_frames gif_seconds < <(measure_gif "$gif" "$src"); then
            note[$tool]="measurement failed"
            continue
        fi
        ssim[$tool]=$s
        psnr[$tool]=$p
        if ((compared != n)); then
            note[$tool]="compared $compared of $n frames"
        elif [[ $gif_seconds != "$(awk -v n="$n" -v f="$clip_fps" 'BEGIN { printf "%.2f", n / f }')" ]]; then
            note[$tool]="plays ${gif_seconds} s, $gif_frames frames"
        else
            note[$tool]="$gif_frames frames, ${gif_seconds} s"
        fi
    done

    # What a re-compressor still finds in our output: lossless, so only bytes.
    recompressed=
    if [[ -n ${size[kinetta]:-} ]] && gifsicle -O3 "$dst/kinetta.gif" -o "$dst/kinetta-O3.gif"; then
        recompressed=$(stat -c %s "$dst/kinetta-O3.gif")
    fi

    # Size against SSIM: our quality, gifski's quality, gifsicle's lossy
    # compression over the ffmpeg output, each swept.
    # The finer levels near the top, where the anchors' best points lie.
    our_qualities=(100 95 90 85 80 75 50 30)
    sweep=
    declare -A swept=()
    if [[ -n ${ssim[kinetta]:-} ]]; then
        add_point kinetta 100 "$dst/kinetta.gif" >/dev/null
        swept[100]="${size[kinetta]} ${ssim[kinetta]}"
        sweep="100: ${size[kinetta]} B, SSIM ${ssim[kinetta]}"
        for quality in "${our_qualities[@]:1}"; do
            gif=$dst/kinetta-q$quality.gif
            log "$clip: kinetta encode --quality $quality"
            if "$kinetta" encode --fps "$clip_fps" --quality "$quality" -o "$gif" "$src" \
                >>"$dst/kinetta-sweep.log" 2>&1 && point=$(add_point kinetta "$quality" "$gif") &&
                [[ -n $point ]]; then
                swept[$quality]=$point
                sweep+="; $quality: ${point% *} B, SSIM ${point#* }"
            else
                sweep+="; $quality: failed (see $dst/kinetta-sweep.log)"
            fi
        done
    fi
    for quality in 100 90 70 50; do
        log "$clip: gifski --quality $quality"
        "$gifski" --quiet --fps "$clip_fps" --width "$clip_width" --quality "$quality" \
            -o "$dst/gifski-q$quality.gif" "$src"/frame-*.png >>"$dst/gifski-sweep.log" 2>&1 &&
            add_point gifski "$quality" "$dst/gifski-q$quality.gif" >/dev/null
    done
    for lossy in 20 60 120; do
        log "$clip: gifsicle -O3 --lossy=$lossy"
        gifsicle -O3 --lossy="$lossy" "$dst/ffmpeg.gif" -o "$dst/gifsicle-lossy$lossy.gif" \
            >>"$dst/gifsicle-sweep.log" 2>&1 &&
            add_point "ffmpeg+gifsicle" "lossy=$lossy" "$dst/gifsicle-lossy$lossy.gif" >/dev/null
    done

    # A size target: it fits, scores within 0.005 SSIM of the best swept
    # quality that fits, and takes at most 2.5 times one default encode.
    fit=
    if [[ -n ${ssim[kinetta]:-} ]]; then
        log "$clip: kinetta encode --max-size 2M"
        if timed kinetta_fit "$kinetta" encode --fps "$clip_fps" --max-size 2M -o "$dst/kinetta-2M.gif" "$src" &&
            point=$(add_point kinetta-max-size 2M "$dst/kinetta-2M.gif") && [[ -n $point ]]; then
            fit_size=${point% *} fit_ssim=${point#* }
            best_quality='' best_ssim=''
            for quality in "${our_qualities[@]}"; do
                [[ -n ${swept[$quality]:-} ]] || continue
                read -r z s <<<"${swept[$quality]}"
                if ((z <= fit_limit)) && { [[ -z $best_ssim ]] || cmp "$s" '>=' "$best_ssim"; }; then
                    best_quality=$quality best_ssim=$s
                fi
            done
            chosen=$(sed -n 's/^kinetta encode: //p' "$dst/kinetta_fit.log" | tail -n1)
            fit="--max-size 2M: $fit_size B, SSIM $fit_ssim ($chosen); fits $(verdict test "$fit_size" -le "$fit_limit")"
            if [[ -n $best_quality ]]; then
                fit+="; best swept quality that fits: $best_quality (SSIM $best_ssim), within 0.005"
                fit+=" $(verdict cmp "$fit_ssim" '>=' "$(awk -v s="$best_ssim" 'BEGIN { print s - 0.005 }')")"
            else
                fit+="; no swept quality fits"
            fi
            fit+="; wall time / default encode $(ratio "${secs[kinetta_fit]}" "${secs[kinetta]}"),"
            fit+=" CPU time / default encode $(ratio "${cpu[kinetta_fit]}" "${cpu[kinetta]}")"
            fit+=" (at most 2.5 on CPU time: $(verdict cmp "$(ratio "${cpu[kinetta_fit]}" "${cpu[kinetta]}")" '<=' 2.5))"
        else
            fit="--max-size 2M: failed: $(tail -n1 "$dst/kinetta_fit.log")"
        fi
    fi

    declare -A names=([kinetta]="kinetta encode" [ffmpeg]="ffmpeg two-pass" [gifsicle]="ffmpeg + gifsicle -O3"
        [gifski]="gifski")
    {
        echo
        echo "## $clip ($n frames)"
        echo
        echo "| encoder | size (bytes) | SSIM | PSNR (dB) | wall time (s) | CPU time (s) | notes |"
        echo "|---|---:|---:|---:|---:|---:|---|"
        for tool in "${tools[@]}"; do
            if [[ -n ${ssim[$tool]:-} ]]; then
                echo "| ${names[$tool]} | ${size[$tool]} | ${ssim[$tool]} | ${psnr[$tool]} |" \
                    "${secs[$tool]} | ${cpu[$tool]} | ${note[$tool]:-} |"
            else
                echo "| ${names[$tool]} | - | - | - | ${secs[$tool]:--} | ${cpu[$tool]:--} | ${note[$tool]:-} |"
            fi
        done
        echo
        if [[ -n ${ssim[kinetta]:-} && -n ${ssim[gifsicle]:-} && -n ${ssim[gifski]:-} ]]; then
            k=kinetta
            echo "- size kinetta / (ffmpeg + gifsicle): $(ratio "${size[$k]}" "${size[gifsicle]}");" \
                "SSIM kinetta - (ffmpeg + gifsicle): $(diff6 "${ssim[$k]}" "${ssim[gifsicle]}")"
            echo "- size kinetta / gifski: $(ratio "${size[$k]}" "${size[gifski]}");" \
                "SSIM kinetta - gifski: $(diff6 "${ssim[$k]}" "${ssim[gifski]}")"
            echo "- wall time kinetta / ffmpeg two-pass: $(ratio "${secs[$k]}" "${secs[ffmpeg]}");" \
                "kinetta / gifski: $(ratio "${secs[$k]}" "${secs[gifski]}");" \
                "CPU time kinetta / ffmpeg two-pass: $(ratio "${cpu[$k]}" "${cpu[ffmpeg]}")"
            echo "- kinetta --quality sweep: $sweep"
            echo "- $fit"
            # A lossless re-compressor finds under 1 % left in our output.
            left_ok=FAIL
            if [[ -n $recompressed ]]; then
                saved=$(awk -v a="${size[$k]}" -v b="$recompressed" 'BEGIN { printf "%.2f", 100 * (a - b) / a }')
                left_ok=$(verdict cmp "$saved" '<' 1)
                echo "- gifsicle -O3 over kinetta's output: $recompressed bytes, saves $saved % (under 1 %: $left_ok)"
            fi
            if [[ $clip == mandelbrot ]]; then
                size_ok=$(verdict cmp "${size[$k]}" '<=' "${size[gifski]}")
                ssim_ok=$(verdict cmp "${ssim[$k]}" '>=' "${ssim[gifski]}")
                echo "- bar: size no larger than gifski $size_ok; SSIM at least gifski's $ssim_ok;" \
                    "faster than ffmpeg two-pass $(verdict cmp "${secs[$k]}" '<' "${secs[ffmpeg]}")"
            else
                # Where every colour fits one table both are exact: ours may tie.
                than='<' than_text="smaller than"
                [[ $clip != *-216 ]] || than='<=' than_text="no larger than"
                size_ok=$(verdict cmp "${size[$k]}" "$than" "${size[gifsicle]}")
                ssim_ok=$(verdict cmp "${ssim[$k]}" '>=' "$(awk -v s="${ssim[gifsicle]}" 'BEGIN { print s - 0.001 }')")
                echo "- bar: $than_text ffmpeg + gifsicle $size_ok; SSIM within 0.001 of it $ssim_ok;" \
                    "faster than ffmpeg two-pass $(verdict cmp "${secs[$k]}" '<' "${secs[ffmpeg]}")"
            fi
            time_ok=$(verdict cmp "${secs[$k]}" '<' "${secs[ffmpeg]}")
            [[ "$size_ok $ssim_ok $time_ok $left_ok" == "PASS PASS PASS PASS" ]] || overall=FAIL
        else
            echo "- bar: not judged (kinetta: ${note[kinetta]:-no result})"
            [[ $overall == FAIL ]] || overall="not judged"
        fi
    } >>"$report"
    unset size ssim psnr secs cpu note swept
done

# Debian's interpreter, which python3-matplotlib is installed for.
/usr/bin/python3 "$(dirname "$0")/curves.py" "$curve_rows" "$out_dir" >>"$report"

{
    echo
    echo "Overall: $overall"
} >>"$report"
cat "$report"
log "table written to $report"
