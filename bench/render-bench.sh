#!/usr/bin/env bash
# Whole-render benchmark: renders three slideshows with `vemo render` and the same
# three videos with FFmpeg's own filters and with MLT's melt, and reports wall time,
# frames per second, peak resident memory, the speed-up of two threads over one and
# Vemo's speed against the fastest of the others.
#
#   slideshow  12 pictures, each shot 4 s (held 3 s, then a 1 s cross-fade into the next)
#   zoom       the same, each picture zooming from the whole to its centred 80 %
#   caption    the same as slideshow, with a two-line caption over each picture
#
# Each is made as AVI with rawvideo (BGR24) and with libx264, on 1 and 2 threads.
# The pictures (4000x3000 JPEG, drawn by FFmpeg's sources) are made once and kept.
# melt is optional (Debian package melt): without it its runs are left out, with a
# note. Its MLT documents (DIR/KIND.mlt) are written beside the scenarios. The
# threads are Vemo's render workers (--threads), FFmpeg's filter and encoder
# threads, and the frames melt renders at once (real_time=-N), its slice threads and
# its encoder's threads held to the same count.
#
# Usage: bench/render-bench.sh [options]
#   --quick              2 smaller pictures on a 960x540 screen, short shots: a smoke run
#   --dir DIR            scratch folder (default build/bench-render)
#   --vemo PATH          the vemo program (default: build-release/cli/vemo, built in
#                        Release when missing)
#   --scenarios LIST     comma-separated subset of slideshow,zoom,caption
#   --codecs LIST        subset of rawvideo,libx264
#   --threads LIST       subset of 1,2
#   --programs LIST      subset of vemo,ffmpeg,melt (melt only when it is installed)
#   --repeat N           run each render N times and report the fastest (default 1)
#   --keep               keep the rendered videos (each rawvideo one is several GB)
#   --prepare            make the pictures and scenarios, check them, render nothing
#   --length             also render the slideshow for 1 and for 10 minutes (mpeg4, two
#                        threads) and compare their peak memory: it should not grow
#                        with the video's length
#   --pair               also make each scenario's video (the first codec) as two one-thread
#                        renders at once: the work two cores give two renders that share
#                        nothing, the measure for the speed-up of two threads
#   -h, --help
#
# The table goes to standard output and to DIR/results.md (results-quick.md with
# --quick); progress goes to standard error. "CPU %" is user plus system time over
# wall time (100 = one core): on a shared machine it shows how much of the two
# cores a run actually had. "vs fastest peer", on Vemo's rows, is the seconds of the
# fastest other program at the same scenario, codec and threads over Vemo's, with
# that program named: above 1x Vemo is the faster. Every run starts after a sync;
# "write-back s" is how long the sync after it took to put on disk what the run left
# in the page cache (a program that writes past the cache leaves little). Under the
# table, each rawvideo scenario rendered on both thread counts gets the rate Vemo
# wrote its bytes at on each, the rate a 1.7x speed-up would need, and the fastest
# rate of any Vemo rawvideo render in the run: where two threads write about as fast
# as that, the disk, not the processor, set their time.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/.." && pwd)

quick=0
dir=""
vemo=""
scenarios="slideshow,zoom,caption"
codecs="rawvideo,libx264"
thread_counts="1,2"
programs="vemo,ffmpeg,melt"
keep=0
prepare=0
length_check=0
pair_check=0
repeat=1

usage() { sed -n '/^# Usage:/,/^# --quick/{/^# --quick/!p}' "$0" | sed 's/^# \{0,1\}//'; }
help() { sed -n '2,/^set -euo/{/^set -euo/!p}' "$0" | sed 's/^# \{0,1\}//'; }
fail() {
    echo "render-bench: $*" >&2
    exit 1
}
note() { echo "render-bench: $*" >&2; }

while (($# > 0)); do
    case "$1" in
    --quick) quick=1 ;;
    --length) length_check=1 ;;
    --pair) pair_check=1 ;;
    --dir) dir=${2:?--dir needs a folder}; shift ;;
    --vemo) vemo=${2:?--vemo needs a path}; shift ;;
    --scenarios) scenarios=${2:?--scenarios needs a list}; shift ;;
    --codecs) codecs=${2:?--codecs needs a list}; shift ;;
    --threads) thread_counts=${2:?--threads needs a list}; shift ;;
    --programs) programs=${2:?--programs needs a list}; shift ;;
    --keep) keep=1 ;;
    --prepare) prepare=1 ;;
    --repeat) repeat=${2:?--repeat needs a count}; shift ;;
    -h | --help) help; exit 0 ;;
    *) usage >&2; fail "unknown option $1" ;;
    esac
    shift
done

# Checks that every item of a comma-separated list is one of the allowed words.
check_list() {
    local what=$1 list=$2 allowed=$3 item
    [[ -n "$list" ]] || fail "--$what is empty"
    IFS=, read -r -a items <<<"$list"
    for item in "${items[@]}"; do
        [[ ",$allowed," == *",$item,"* ]] || fail "--$what: '$item' is not one of $allowed"
    done
}
[[ "$repeat" =~ ^[1-9][0-9]*$ ]] || fail "--repeat needs a count of 1 or more"
check_list scenarios "$scenarios" slideshow,zoom,caption
check_list codecs "$codecs" rawvideo,libx264
check_list threads "$thread_counts" 1,2
check_list programs "$programs" vemo,ffmpeg,melt
IFS=, read -r -a scenario_list <<<"$scenarios"
IFS=, read -r -a codec_list <<<"$codecs"
IFS=, read -r -a thread_list <<<"$thread_counts"
IFS=, read -r -a program_list <<<"$programs"

# melt is optional: without it, its runs are left out.
melt_missing=0
if [[ " ${program_list[*]} " == *" melt "* ]] && ! command -v melt >/dev/null; then
    note "melt is not installed (sudo apt-get install melt): its runs are left out"
    melt_missing=1
    kept=()
    for program in "${program_list[@]}"; do
        [[ $program == melt ]] || kept+=("$program")
    done
    ((${#kept[@]} > 0)) || fail "nothing to run without melt"
    program_list=("${kept[@]}")
fi

# ---- the shape of the run ----
if ((quick)); then
    pictures=2 pic_w=1600 pic_h=1200 screen_w=960 screen_h=540 rate=30 shot=60 fade=15
    font_w=20 font_h=40 suffix="-quick"
else
    pictures=12 pic_w=4000 pic_h=3000 screen_w=1920 screen_h=1080 rate=30 shot=120 fade=30
    font_w=40 font_h=80 suffix=""
fi
# The frames of MAIN; vemo render writes the last one once more at the end.
scenario_frames=$((pictures * shot - (pictures - 1) * fade))
frames_expected=$((scenario_frames + 1))

for tool in ffmpeg ffprobe iconv fc-match python3; do
    command -v "$tool" >/dev/null || fail "$tool is missing: run scripts/bootstrap.sh"
done
[[ -x /usr/bin/time ]] || fail "GNU time (/usr/bin/time) is missing: run scripts/bootstrap.sh"

dir=${dir:-$root/build/bench-render}
mkdir -p "$dir"
dir=$(cd "$dir" && pwd)
picdir="$dir/pictures-${pic_w}x${pic_h}"
outdir="$dir/out$suffix"
results="$dir/results$suffix.md"
mkdir -p "$picdir" "$outdir"

font=$(fc-match -f '%{file}' IPAGothic)
[[ -f "$font" ]] || fail "no file for the IPAGothic face (fonts-ipafont-gothic)"

# ---- vemo, in Release ----
if [[ " ${program_list[*]} " == *" vemo "* ]]; then
    if [[ -z "$vemo" ]]; then
        vemo="$root/build-release/cli/vemo"
        if [[ ! -x "$vemo" ]]; then
            note "building vemo in Release into build-release"
            cmake -S "$root" -B "$root/build-release" -G Ninja -DCMAKE_BUILD_TYPE=Release \
                -DVEMO_GUI=OFF >/dev/null
            cmake --build "$root/build-release" --target vemo >&2
        fi
    fi
    [[ -x "$vemo" ]] || fail "no vemo program at $vemo"
fi

# ---- the pictures: made once, reused ----
# Picture i is drawn by one of four recipes, each with its own seed, place and
# colours, then given grain (so it compresses like a photograph) and its number.
picture_graph() {
    local i=$1 w=$2 h=$3 g
    local -a points=("-0.743643887037151:0.13182590420533:0.02"
        "-0.7453:0.1127:0.008" "-1.25066:0.02012:0.0015" "-0.1592:1.0317:0.03")
    case $((i % 4)) in
    0)
        IFS=: read -r px py ps <<<"${points[$(((i / 4) % 4))]}"
        g="mandelbrot=size=${w}x${h}:rate=1:start_x=$px:start_y=$py:start_scale=$ps"
        g+=":maxiter=256:outer=normalized_iteration_count,hue=h=$((i * 37))"
        ;;
    1)
        local types=(linear radial circular spiral)
        g="gradients=size=${w}x${h}:rate=1:seed=$((i * 7 + 1)):nb_colors=$((3 + i % 5))"
        g+=":type=${types[$(((i / 4) % 4))]},format=gbrp[g];testsrc2=size=$((w / 4))x$((h / 4))"
        g+=":rate=1,scale=$w:$h:flags=neighbor,format=gbrp[t];[g][t]blend=all_mode=overlay"
        ;;
    2)
        g="cellauto=size=$((w / 8))x$((h / 8)):rate=1:rule=$((30 + i * 15)):random_seed=$i"
        g+=",scale=$w:$h:flags=neighbor,format=yuv420p[c];gradients=size=${w}x${h}:rate=1"
        g+=":seed=$((i * 11 + 3)):type=radial,format=yuv420p[g];[g][c]blend=all_mode=softlight"
        ;;
    3)
        g="testsrc2=size=$((w / 2))x$((h / 2)):rate=1,scale=$w:$h:flags=bicubic,format=gbrp[t];"
        g+="gradients=size=${w}x${h}:rate=1:seed=$((i * 5 + 2)):type=circular,format=gbrp[g];"
        g+="[t][g]blend=all_mode=multiply,hue=h=$((i * 29)):s=1.3"
        ;;
    esac
    g+=",format=yuv444p,noise=alls=8:allf=u,drawtext=fontfile='$font':text='$((i + 1))'"
    g+=":fontsize=$((h / 5)):fontcolor=white:borderw=$((h / 200 + 1)):x=w/20:y=h/20"
    printf '%s' "$g"
}

make_pictures() {
    local i name tmp
    for ((i = 0; i < pictures; i++)); do
        name=$(printf '%s/p%02d.jpg' "$picdir" $((i + 1)))
        [[ -s "$name" ]] && continue
        note "drawing $(basename "$name") (${pic_w}x${pic_h})"
        tmp="$name.part.jpg"
        ffmpeg -nostdin -hide_banner -loglevel error -y -filter_complex \
            "$(picture_graph "$i" "$pic_w" "$pic_h"),format=yuvj420p" \
            -frames:v 1 -q:v 2 "$tmp"
        mv "$tmp" "$name"
    done
}

# ---- the scenarios ----
# The caption of picture i, two lines.
caption_line1() { printf '写真 %d / %d' "$1" "$pictures"; }
caption_line2() { printf 'Vemo whole-render benchmark, shot %d' "$1"; }

# The inclusive rectangle of the picture scaled by percent/100 about its centre;
# with "screen", first cropped to the screen's aspect (what KEEP_ASPECT does).
zoom_rect() {
    local percent=$1 cw=$pic_w ch=$pic_h l t
    if [[ ${2:-} == screen ]]; then
        if ((pic_w * screen_h > pic_h * screen_w)); then
            cw=$((pic_h * screen_w / screen_h))
        else
            ch=$((pic_w * screen_h / screen_w))
        fi
    fi
    cw=$((cw * percent / 100)) ch=$((ch * percent / 100))
    l=$(((pic_w - cw) / 2)) t=$(((pic_h - ch) / 2))
    printf '%d %d %d %d' "$l" "$t" $((l + cw - 1)) $((t + ch - 1))
}

# The shots cycle through the pictures; by default there is one shot per picture.
write_scenario() {
    local kind=$1 file=$2 shots=${3:-$pictures} i n p folder
    folder=$(basename "$picdir")
    {
        printf '# Whole-render benchmark: %s, %d pictures.\n' "$kind" "$pictures"
        printf 'SCREEN\t\t%d\t%d\nFRAMERATE\t%d\n\n' "$screen_w" "$screen_h" "$rate"
        for ((i = 1; i <= pictures; i++)); do
            n=$(printf '%02d' "$i")
            printf 'IMAGE "p%s"\t{ FILE "%s\\p%s.jpg" }\n' "$n" "$folder" "$n"
        done
        printf '\n'
        for ((i = 1; i <= shots; i++)); do
            n=$(printf '%02d' "$i") p=$(printf '%02d' $(((i - 1) % pictures + 1)))
            case $kind in
            slideshow)
                printf 'STILL "s%s"\t{ INPUT "p%s" FRAMES %d }\n' "$n" "$p" "$shot"
                ;;
            zoom)
                printf 'ZOOM "s%s"\n{\n\tINPUT\t\t"p%s"\n' "$n" "$p"
                printf '\tSRC_START\t%s\n' "$(zoom_rect 100 | tr ' ' '\t')"
                printf '\tSRC_END\t\t%s\n' "$(zoom_rect 80 | tr ' ' '\t')"
                printf '\tKEEP_ASPECT\n\tFRAMES\t\t%d\n}\n' "$shot"
                ;;
            caption)
                printf 'TEXT "c%s"\n{\n\tSIZE\t%d\t%d\n' "$n" "$screen_w" $((screen_h * 2 / 9))
                printf '\tFONT\t"ＭＳ ゴシック"\t%d\t%d\n' "$font_w" "$font_h"
                printf '\tSTRING\t"%s\\\\%s"\n' "$(caption_line1 "$i")" "$(caption_line2 "$i")"
                printf '\tALIGN\tCENTER\n\tVALIGN\tCENTER\n\tCOLOR\t255\t255\t255\t255\n}\n'
                printf 'STILL "s%s"\t{ INPUT "p%s" INPUT "c%s" 0 %d %d %d FRAMES %d }\n' \
                    "$n" "$p" "$n" $((screen_h * 7 / 9)) $((screen_w - 1)) $((screen_h - 1)) "$shot"
                ;;
            esac
        done
        printf '\nCROSSFADE "show"\n{\n'
        for ((i = 1; i <= shots; i++)); do printf '\tINPUT\t"s%02d"\n' "$i"; done
        printf '\tFRAMES\t%d\n}\n\nMAIN\n{\n\tINPUT\t"show"\n}\n' "$fade"
    } | sed 's/$/\r/' | iconv -f UTF-8 -t CP932 >"$file.part"
    mv "$file.part" "$file"
}

# ---- the FFmpeg graphs ----
# The size of a picture fitted inside the screen (even, for 4:2:0).
fit_size() {
    local w h
    if ((pic_w * screen_h > pic_h * screen_w)); then
        w=$screen_w h=$(((pic_h * screen_w / pic_w) / 2 * 2))
    else
        h=$screen_h w=$(((pic_w * screen_h / pic_h) / 2 * 2))
    fi
    printf '%d %d' "$w" "$h"
}

# Writes the filter graph of one scenario into a file: each picture decoded once,
# made into its shot (fitted and padded, or zoomed, captioned once), repeated by
# the loop filter, then the shots chained by xfade.
ffmpeg_graph() {
    local kind=$1 pixfmt=$2 i line last fw fh crop w h seconds offset
    read -r fw fh <<<"$(fit_size)"
    read -r -a crop <<<"$(zoom_rect 100 screen)"
    seconds=$(python3 -c "print($fade / $rate)")
    for ((i = 0; i < pictures; i++)); do
        case $kind in
        slideshow | caption)
            printf '[%d:v]scale=%d:%d:flags=area,pad=%d:%d:(ow-iw)/2:(oh-ih)/2' \
                "$i" "$fw" "$fh" "$screen_w" "$screen_h"
            if [[ $kind == caption ]]; then
                # One drawtext a line, each centred, the two lines centred in the band.
                for line in 1 2; do
                    printf ',drawtext=fontfile=%s:textfile=%s:fontsize=%d:fontcolor=white' \
                        "$font" "$dir/caption$suffix-$((i + 1))-$line.txt" "$font_h"
                    printf ':x=(w-text_w)/2:y=%d' \
                        $((screen_h * 7 / 9 + (screen_h * 2 / 9 - 2 * font_h) / 2 + (line - 1) * font_h))
                done
            fi
            printf ',format=%s,loop=loop=%d:size=1:start=0,setpts=N/(%d*TB)[v%d];\n' \
                "$pixfmt" $((shot - 1)) "$rate" "$i"
            ;;
        zoom)
            # The picture cropped to the screen's aspect, repeated, then scaled each
            # frame so that the centred screen-sized crop shows the source shrinking
            # linearly to 80 %: the whole at frame 0, 80 % at the shot's last frame.
            # The crop's position is worked out from n: its in_w is that of the
            # first frame only.
            w="trunc($screen_w/(1-0.2*n/$((shot - 1)))/2)*2"
            h="trunc($screen_h/(1-0.2*n/$((shot - 1)))/2)*2"
            printf '[%d:v]crop=%d:%d:%d:%d,loop=loop=%d:size=1:start=0,setpts=N/(%d*TB),' \
                "$i" $((crop[2] - crop[0] + 1)) $((crop[3] - crop[1] + 1)) "${crop[0]}" "${crop[1]}" \
                $((shot - 1)) "$rate"
            printf "scale=w='%s':h='%s':eval=frame:flags=bilinear," "$w" "$h"
            printf "crop=%d:%d:x='(%s-%d)/2':y='(%s-%d)/2',format=%s[v%d];\n" \
                "$screen_w" "$screen_h" "$w" "$screen_w" "$h" "$screen_h" "$pixfmt" "$i"
            ;;
        esac
    done
    last="v0"
    for ((i = 1; i < pictures; i++)); do
        offset=$(python3 -c "print($i * ($shot - $fade) / $rate)")
        printf '[%s][v%d]xfade=transition=fade:duration=%s:offset=%s[x%d];\n' \
            "$last" "$i" "$seconds" "$offset" "$i"
        last="x$i"
    done
    # vemo render ends with the last frame once more, giving it its display time.
    printf '[%s]tpad=stop=1:stop_mode=clone,setpts=N/(%d*TB)[out]\n' "$last" "$rate"
}

# ---- the MLT documents ----
# The zoom of one shot as key frames of the affine filter's rectangle, which places
# the whole picture on the screen: at frame n the centred screen-shaped crop is
# (1 - 0.2 n / (shot - 1)) of the whole one, as in the scenario and the FFmpeg graph.
# Every frame is a key frame: between key frames MLT moves the picture's size
# linearly, which is not the crop's.
zoom_keyframes() {
    local crop
    read -r -a crop <<<"$(zoom_rect 100 screen)"
    python3 - "$pic_w" "$pic_h" "$screen_w" "$screen_h" "$shot" "${crop[@]}" <<'EOF'
import sys
pw, ph, sw, sh, shot, l, t, r, b = map(int, sys.argv[1:])
keys = []
for n in range(shot):
    s = 1 - 0.2 * n / (shot - 1)
    cw, ch = (r - l + 1) * s, (b - t + 1) * s
    sx, sy = sw / cw, sh / ch
    keys.append(f"{n}={(cw - pw) / 2 * sx + 0:.3f}/{(ch - ph) / 2 * sy + 0:.3f}:{pw * sx:.3f}x{ph * sy:.3f}")
print(";".join(keys))
EOF
}

# Writes the MLT document of one scenario: a producer a shot (its picture, with the
# affine filter for the zoom or the text filter for the caption), the shots taking
# turns on two tracks so that each overlaps the next by the cross-fade, and over
# each overlap a luma transition without a luma file, which is a dissolve. Colours
# go through BT.601, as Vemo's and FFmpeg's do.
melt_xml() {
    local kind=$1 i n len track keys="" step=$((shot - fade)) gap=$((shot - 2 * fade))
    local band_y=$((screen_h * 7 / 9)) band_h=$((screen_h * 2 / 9))
    ((gap >= 0)) || fail "melt_xml: shots of $shot frames overlap more than their neighbours"
    [[ $kind == zoom ]] && keys=$(zoom_keyframes)
    printf '<?xml version="1.0" encoding="utf-8"?>\n'
    printf '<!-- Whole-render benchmark: %s, %d pictures. -->\n' "$kind" "$pictures"
    printf '<mlt LC_NUMERIC="C" producer="show">\n'
    printf '  <profile description="render-bench" width="%d" height="%d" progressive="1"' \
        "$screen_w" "$screen_h"
    printf ' sample_aspect_num="1" sample_aspect_den="1" display_aspect_num="%d"' "$screen_w"
    printf ' display_aspect_den="%d" frame_rate_num="%d" frame_rate_den="1" colorspace="601"/>\n' \
        "$screen_h" "$rate"
    for ((i = 1; i <= pictures; i++)); do
        n=$(printf '%02d' "$i")
        # As vemo render does, the video ends with the last frame once more.
        len=$shot
        ((i < pictures)) || len=$((shot + 1))
        printf '  <producer id="s%s" in="0" out="%d">\n' "$n" $((len - 1))
        printf '    <property name="resource">%s/p%s.jpg</property>\n' "$picdir" "$n"
        case $kind in
        zoom)
            printf '    <filter>\n      <property name="mlt_service">affine</property>\n'
            printf '      <property name="transition.distort">1</property>\n'
            printf '      <property name="transition.rect">%s</property>\n    </filter>\n' "$keys"
            ;;
        caption)
            # Both lines centred in the band of the scenario's TEXT, in white.
            printf '    <filter>\n      <property name="mlt_service">text</property>\n'
            printf '      <property name="argument">%s\n%s</property>\n' \
                "$(caption_line1 "$i")" "$(caption_line2 "$i")"
            printf '      <property name="geometry">0/%d:%dx%d:100</property>\n' \
                "$band_y" "$screen_w" "$band_h"
            printf '      <property name="family">IPAGothic</property>\n'
            printf '      <property name="size">%d</property>\n' "$font_h"
            printf '      <property name="fgcolour">0xffffffff</property>\n'
            printf '      <property name="bgcolour">0x00000000</property>\n'
            printf '      <property name="halign">center</property>\n'
            printf '      <property name="valign">middle</property>\n    </filter>\n'
            ;;
        esac
        printf '  </producer>\n'
    done
    # Shot i starts at (i - 1) * step on track (i - 1) % 2.
    for track in 0 1; do
        printf '  <playlist id="track%d">\n' "$track"
        ((track == 0)) || printf '    <blank length="%d"/>\n' "$step"
        for ((i = track + 1; i <= pictures; i += 2)); do
            if ((i > 2 && gap > 0)); then
                printf '    <blank length="%d"/>\n' "$gap"
            fi
            len=$shot
            ((i < pictures)) || len=$((shot + 1))
            printf '    <entry producer="s%02d" in="0" out="%d"/>\n' "$i" $((len - 1))
        done
        printf '  </playlist>\n'
    done
    printf '  <tractor id="show" in="0" out="%d">\n    <multitrack>\n' $((frames_expected - 1))
    printf '      <track producer="track0"/>\n      <track producer="track1"/>\n    </multitrack>\n'
    # Into an even shot from track 0 to track 1; into an odd one, back.
    for ((i = 2; i <= pictures; i++)); do
        printf '    <transition in="%d" out="%d">\n' $(((i - 1) * step)) $(((i - 1) * step + fade - 1))
        printf '      <property name="mlt_service">luma</property>\n'
        printf '      <property name="a_track">0</property>\n      <property name="b_track">1</property>\n'
        printf '      <property name="reverse">%d</property>\n    </transition>\n' $((i % 2))
    done
    printf '  </tractor>\n</mlt>\n'
}

# ---- one measured run ----
# Runs a command under GNU time; sets run_seconds, run_mib and run_cpu (per cent
# of one core, user and system time over wall time).
measure() {
    local log=$1 timing=$2
    shift 2
    if ! /usr/bin/time -f '%e %M %P' -o "$timing" "$@" >"$log" 2>&1; then
        note "FAILED: $*"
        sed 's/^/    /' "$log" | tail -20 >&2
        return 1
    fi
    read -r run_seconds run_kib run_cpu < <(tail -1 "$timing")
    run_cpu=${run_cpu%\%}
    run_mib=$(python3 -c "print(f'{$run_kib / 1024:.0f}')")
}

count_frames() {
    ffprobe -v error -select_streams v:0 -count_packets \
        -show_entries stream=nb_read_packets -of csv=p=0 "$1"
}

# ---- the run ----
make_pictures
for ((i = 1; i <= pictures; i++)); do
    caption_line1 "$i" >"$dir/caption$suffix-$i-1.txt"
    caption_line2 "$i" >"$dir/caption$suffix-$i-2.txt"
done
for kind in "${scenario_list[@]}"; do
    scenario="$dir/$kind$suffix.txt"
    write_scenario "$kind" "$scenario"
    if [[ -n "$vemo" ]]; then
        summary=$("$vemo" check "$scenario") || fail "vemo check failed on $scenario"
        note "$kind: $summary"
        [[ "$summary" == *", $scenario_frames frames,"* ]] ||
            fail "$scenario: vemo check counts other than $scenario_frames frames"
    fi
    if [[ " ${program_list[*]} " == *" melt "* ]]; then
        melt_xml "$kind" >"$dir/$kind$suffix.mlt.part"
        mv "$dir/$kind$suffix.mlt.part" "$dir/$kind$suffix.mlt"
    fi
done

if ((prepare)); then
    note "pictures in $picdir, scenarios in $dir"
    exit 0
fi

# Read the pictures once so that the first run does not pay for the disk.
cat "$picdir"/p*.jpg >/dev/null

started=$(date -u '+%Y-%m-%d %H:%M UTC')
melt_version=""
if [[ " ${program_list[*]} " == *" melt "* ]]; then
    melt_version="; $(melt -version 2>/dev/null | sed -n '1{/^melt /p}')"
fi
load_before=$(cut -d' ' -f1-3 /proc/loadavg)
declare -a rows=() row_keys=()
declare -A seconds_of bytes_of
declare -a oddities=()
for kind in "${scenario_list[@]}"; do
    scenario="$dir/$kind$suffix.txt"
    for codec in "${codec_list[@]}"; do
        for program in "${program_list[@]}"; do
            for threads in "${thread_list[@]}"; do
                name="$outdir/$kind-$codec-$program-t$threads"
                note "$kind $codec $program threads=$threads"
                if [[ $program == vemo ]]; then
                    cmd=("$vemo" render "$scenario" -o "$name" --format avi --codec "$codec"
                        --threads "$threads")
                elif [[ $program == melt ]]; then
                    if [[ $codec == rawvideo ]]; then
                        enc=(vcodec=rawvideo pix_fmt=bgr24)
                    else
                        enc=(vcodec=libx264 pix_fmt=yuv420p bf=0)
                    fi
                    # real_time=-N renders N frames at once and drops none; the slice
                    # threads of its scalers and transitions are held to N as well,
                    # and the encoder has N, as FFmpeg's has.
                    cmd=(env MLT_SLICES_COUNT="$threads" melt -quiet "$dir/$kind$suffix.mlt"
                        -consumer "avformat:$name.avi" f=avi an=1 "${enc[@]}"
                        real_time=-"$threads" threads="$threads")
                else
                    if [[ $codec == rawvideo ]]; then
                        # Planar RGB through the graph: xfade has no packed form,
                        # and gbrp packs into bgr24 far faster than 4:2:0 converts.
                        pixfmt=gbrp enc=(-c:v rawvideo -pix_fmt bgr24)
                    else
                        pixfmt=yuv420p enc=(-c:v libx264 -pix_fmt yuv420p -bf 0)
                    fi
                    ffmpeg_graph "$kind" "$pixfmt" >"$outdir/$kind-$codec.graph"
                    inputs=()
                    for ((i = 1; i <= pictures; i++)); do
                        inputs+=(-framerate "$rate" -i "$(printf '%s/p%02d.jpg' "$picdir" "$i")")
                    done
                    cmd=(ffmpeg -nostdin -hide_banner -loglevel error -y
                        -filter_complex_threads "$threads" "${inputs[@]}"
                        -filter_complex_script "$outdir/$kind-$codec.graph" -map '[out]'
                        -filter_threads "$threads" -threads "$threads" "${enc[@]}"
                        -f avi "$name.avi")
                fi
                # The best of the repetitions: the one with the least wall time.
                failed=0 best_seconds="" best_mib="" best_cpu="" best_flush=""
                for ((rep = 1; rep <= repeat; rep++)); do
                    rm -f "$name.avi"
                    # The last output's dirty pages are written out before, not during.
                    sync
                    if ! measure "$name.log" "$name.time" "${cmd[@]}"; then
                        failed=1
                        break
                    fi
                    # What the run left in the page cache, written out after it.
                    flush_start=$(date +%s.%N)
                    sync
                    run_flush=$(python3 -c "print(f'{$(date +%s.%N) - $flush_start:.2f}')")
                    if [[ -z "$best_seconds" ]] ||
                        python3 -c "import sys; sys.exit(0 if $run_seconds < $best_seconds else 1)"; then
                        best_seconds=$run_seconds best_mib=$run_mib best_cpu=$run_cpu
                        best_flush=$run_flush
                    fi
                done
                if ((failed)); then
                    oddities+=("$kind $codec $program threads=$threads failed: see $name.log")
                    rows+=("| $kind | $codec | $program | $threads | — | failed | — | — | — | — | — |")
                    row_keys+=("$kind/$codec/$program/$threads")
                    continue
                fi
                run_seconds=$best_seconds run_mib=$best_mib run_cpu=$best_cpu
                frames=$(count_frames "$name.avi")
                bytes_of["$kind/$codec/$program/$threads"]=$(stat -c %s "$name.avi")
                ((keep)) || rm -f "$name.avi"
                if ((frames != frames_expected)); then
                    oddities+=("$kind $codec $program threads=$threads wrote $frames frames, not $frames_expected")
                fi
                if ((threads == 1 && run_cpu > 130)); then
                    oddities+=("$kind $codec $program threads=1 kept ${run_cpu} % of a core busy")
                fi
                fps=$(python3 -c "print(f'{$frames / max($run_seconds, 0.01):.1f}')")
                seconds_of["$kind/$codec/$program/$threads"]=$run_seconds
                speedup="—"
                base=${seconds_of["$kind/$codec/$program/1"]:-}
                if ((threads > 1)) && [[ -n "$base" ]]; then
                    speedup=$(python3 -c "print(f'{$base / max($run_seconds, 0.01):.2f}×')")
                fi
                rows+=("| $kind | $codec | $program | $threads | $frames | $run_seconds | $best_flush | $fps | $run_mib | $speedup | $run_cpu |")
                row_keys+=("$kind/$codec/$program/$threads")
                note "  $frames frames in $run_seconds s ($fps fps), peak $run_mib MiB, CPU $run_cpu %"
            done
        done
    done
done

# Peak memory against the video's length: the same slideshow for about 1 and 10
# minutes, encoded compactly (the 10-minute video would take over 100 GB as rawvideo).
length_lines=()
if ((length_check)) && [[ -n "$vemo" ]]; then
    for minutes in 1 10; do
        shots=$(((minutes * 60 * rate - fade) / (shot - fade)))
        file="$dir/slideshow-${minutes}min$suffix.txt"
        write_scenario slideshow "$file" "$shots"
        name="$outdir/slideshow-${minutes}min"
        total=$((shots * shot - (shots - 1) * fade))
        note "slideshow of $total frames ($shots shots), mpeg4, vemo threads=2"
        if ! measure "$name.log" "$name.time" "$vemo" render "$file" -o "$name" --format avi \
            --codec mpeg4 --threads 2; then
            length_lines+=("slideshow of $total frames failed: see $name.log")
            continue
        fi
        rm -f "$name.avi"
        note "  $total frames in $run_seconds s, peak $run_mib MiB"
        length_lines+=("peak memory of the slideshow at $total frames (mpeg4, 2 threads): $run_mib MiB")
    done
fi

# Two one-thread renders at once share no frame, batch or writer: what they make
# in their time, against one render alone, is what the two cores give this work.
pair_lines=()
if ((pair_check)) && [[ -n "$vemo" ]]; then
    codec=${codec_list[0]}
    for kind in "${scenario_list[@]}"; do
        name="$outdir/$kind-$codec-pair"
        note "$kind $codec: two vemo renders at once, one thread each"
        best=""
        for ((rep = 1; rep <= repeat; rep++)); do
            rm -f "$name-a.avi" "$name-b.avi"
            sync
            # shellcheck disable=SC2016
            if ! measure "$name.log" "$name.time" bash -c \
                '"$1" render "$2" -o "$3-a" --format avi --codec "$4" --threads 1 & a=$!
                 "$1" render "$2" -o "$3-b" --format avi --codec "$4" --threads 1; b=$?
                 wait "$a" && exit "$b"' \
                _ "$vemo" "$dir/$kind$suffix.txt" "$name" "$codec"; then
                best=""
                break
            fi
            if [[ -z "$best" ]] ||
                python3 -c "import sys; sys.exit(0 if $run_seconds < $best else 1)"; then
                best=$run_seconds
            fi
        done
        rm -f "$name-a.avi" "$name-b.avi"
        if [[ -z "$best" ]]; then
            pair_lines+=("two renders of $kind at once failed: see $name.log")
            continue
        fi
        line="two one-thread renders of $kind ($codec) at once: $best s"
        one=${seconds_of["$kind/$codec/vemo/1"]:-}
        two=${seconds_of["$kind/$codec/vemo/2"]:-}
        if [[ -n "$one" ]]; then
            line+=", $(python3 -c "print(f'{2 * $one / max($best, 0.01):.2f}')")× the work of one alone in its time"
        fi
        if [[ -n "$one" && -n "$two" ]]; then
            line+="; one render on two threads: $(python3 -c "print(f'{$one / max($two, 0.01):.2f}')")×"
        fi
        note "  $line"
        pair_lines+=("$line")
    done
fi

# What the disk took: an uncompressed video is as fast as its bytes reach the disk, so
# each rawvideo scenario's rate on one and two threads stands beside the fastest rate
# any Vemo render wrote at in this run.
disk_lines=()
fastest_rate=0
for key in "${!bytes_of[@]}"; do
    [[ $key == */rawvideo/vemo/* ]] || continue
    fastest_rate=$(python3 -c "print(max($fastest_rate, ${bytes_of[$key]} / 1e9 / max(${seconds_of[$key]}, 0.01)))")
done
for kind in "${scenario_list[@]}"; do
    one=${bytes_of["$kind/rawvideo/vemo/1"]:-}
    two=${bytes_of["$kind/rawvideo/vemo/2"]:-}
    [[ -n "$one" && -n "$two" ]] || continue
    disk_lines+=("$(python3 -c "
one, two = $one / 1e9 / max(${seconds_of["$kind/rawvideo/vemo/1"]}, 0.01), $two / 1e9 / max(${seconds_of["$kind/rawvideo/vemo/2"]}, 0.01)
print(f'$kind rawvideo: {$two / 1e9:.2f} GB written at {one:.2f} GB/s on one thread and {two:.2f} on two '
      f'(1.7× over one thread needs {1.7 * one:.2f}); the fastest rawvideo render of this run wrote {$fastest_rate:.2f} GB/s')")")
done

# On Vemo's rows: the seconds of the fastest other program at the same scenario,
# codec and threads over Vemo's, and which program that was.
vs_fastest_peer() {
    local kind codec program threads peer peer_seconds best="" best_peer=""
    IFS=/ read -r kind codec program threads <<<"$1"
    if [[ $program != vemo || -z "${seconds_of[$1]:-}" ]]; then
        printf '—'
        return
    fi
    for peer in "${program_list[@]}"; do
        peer_seconds=${seconds_of["$kind/$codec/$peer/$threads"]:-}
        [[ $peer != vemo && -n "$peer_seconds" ]] || continue
        if [[ -z "$best" ]] ||
            python3 -c "import sys; sys.exit(0 if $peer_seconds < $best else 1)"; then
            best=$peer_seconds best_peer=$peer
        fi
    done
    if [[ -z "$best" ]]; then
        printf '—'
        return
    fi
    python3 -c "print(f'{$best / max(${seconds_of[$1]}, 0.01):.2f}× $best_peer', end='')"
}

load_after=$(cut -d' ' -f1-3 /proc/loadavg)
cpu=$(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -1)
{
    echo "| scenario | codec | program | threads | frames | seconds | write-back s | fps | peak MiB | speed-up | CPU % | vs fastest peer |"
    echo "|---|---|---|---|---|---|---|---|---|---|---|---|"
    for ((i = 0; i < ${#rows[@]}; i++)); do
        printf '%s %s |\n' "${rows[i]}" "$(vs_fastest_peer "${row_keys[i]}")"
    done
    echo
    echo "- $started, $(nproc) cores ($cpu), $(free -g | awk '/^Mem:/ {print $2}') GiB;" \
        "load average $load_before before, $load_after after"
    echo "- the fastest of $repeat run(s) of each render"
    echo "- $pictures pictures of ${pic_w}x${pic_h}, SCREEN $screen_w $screen_h, $rate frames/s," \
        "shots of $shot frames cross-faded over $fade: $scenario_frames frames, written as" \
        "$frames_expected (the last frame once more)"
    echo "- vemo $(git -C "$root" describe --always --dirty 2>/dev/null || echo '?');" \
        "$(ffmpeg -version | head -1 | cut -d' ' -f1-3)$melt_version"
    if ((melt_missing)); then
        echo "- melt is not installed (sudo apt-get install melt): its runs are left out"
    fi
    if ((${#pair_lines[@]} > 0)); then
        printf -- '- %s\n' "${pair_lines[@]}"
    fi
    if ((${#disk_lines[@]} > 0)); then
        printf -- '- %s\n' "${disk_lines[@]}"
    fi
    if ((${#length_lines[@]} > 0)); then
        printf -- '- %s\n' "${length_lines[@]}"
    fi
    if ((${#oddities[@]} > 0)); then
        printf -- '- %s\n' "${oddities[@]}"
    fi
} | tee "$results"
note "table written to $results"
