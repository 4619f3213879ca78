#!/bin/bash
# The real show/pause cycle with stored intervals of 1 and 2 seconds: the
# banner for about a second, a pause of about two, a joke from the joke file
# for about one, and so on; the intervals survive the run.
source "$(dirname "$0")/lib.sh"
setup
reg_set_options 'Witze\Blondinen.txt 1 2'

started=$(date +%s%N)
start_grinsel
watch_from=$(( ($(date +%s%N) - started) / 1000000 ))
trace=$(drv watch 7000) || fail "watch failed"
printf '%s\n' "$trace" > "$ARTIFACTS/trace.txt"
log "visibility trace (ms visible left top right bottom), from ${watch_from} ms after the start:"
sed 's/^/    /' <<<"$trace"

# the expected bubble sizes: one per joke of the file, and the fallback text
jokes=$(drv measure 'Witze\Blondinen.txt') || fail "cannot measure the jokes"
read -r _ three_lines < <(drv measure - 'x\nx\nx')

mapfile -t events < <(printf '%s\n' "$trace")
[ ${#events[@]} -ge 5 ] || fail "expected at least 5 changes in 7 s, got ${#events[@]}"
read -r t0 v0 l0 top0 r0 b0 <<<"${events[0]}"
read -r t1 v1 _ <<<"${events[1]}"
read -r t2 v2 l2 top2 r2 b2 <<<"${events[2]}"
read -r t3 v3 _ <<<"${events[3]}"
read -r t4 v4 l4 top4 r4 b4 <<<"${events[4]}"
expect_eq "order: banner, pause, joke, pause, joke" "$v0$v1$v2$v3$v4" "10101"
expect_eq "the first bubble is the three-line banner" $((b0 - top0)) "$three_lines"

# generous bounds: Wine's timers are not exact and the machine may be busy
expect_between "banner shown (ms since the start)" $((watch_from + t1)) 900 3000
expect_between "pause (ms)" $((t2 - t1)) 1600 2900
expect_between "joke shown (ms)" $((t3 - t2)) 700 1800
expect_between "second pause (ms)" $((t4 - t3)) 1600 2900

for n in 2 4; do
    l=l$n; t=top$n; r=r$n; b=b$n
    which=$([ $n = 2 ] && echo first || echo second)
    size="$((${!r} - ${!l})) $((${!b} - ${!t}))"
    expect "$which joke has the size of a joke of the file ($size)" grep -q -x -F "$size" <<<"$jokes"
    expect_eq "$which joke's lower-right corner" "${!r} ${!b}" "796 580"
done

# a joke on screen, painted; the file is Windows-1252, so the umlauts show
# only if they are drawn as such
drv wait-visible 1 4000 >/dev/null || fail "no further joke"
sleep 0.3
shot joke

drv close >/dev/null || fail "cannot post WM_CLOSE"
wait_exit 10
expect_eq "exit code" "$GRINSEL_STATUS" 0
expect_eq "stored Options" "$(reg_options)" 'Witze\Blondinen.txt 1 2'
