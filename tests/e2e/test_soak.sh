#!/bin/bash
# Endurance: the show/pause cycle with stored intervals of 0 (the platform's
# shortest timer period), then more than 10,000 cycles driven step by step,
# 2,000 "Aktiv" switches, 1,000 "Übernehmen" presses and a few hundred
# openings of both dialogs. Afterwards the program still answers and shows
# jokes in a fresh window region, its GDI objects are exactly as many as
# before (counted in its own handle table) and its memory has not grown.
source "$(dirname "$0")/lib.sh"
setup
reg_set_options 'Witze\Blondinen.txt 0 0'

SETTINGS='Grinsel Einstellungen'
IDC_APPLY=1004
IDC_SHOWSECONDS=1006
IDC_PAUSESECONDS=1007
FIGURES=$ARTIFACTS/soak.txt
: >"$FIGURES"
started=$(date +%s)

figure() {
    log "$*"
    echo "$*" >>"$FIGURES"
}

# memory NAME: VmRSS, RssAnon and VmSize of the program (kB) into NAME_rss...
memory() {
    local rss anon size
    read -r rss anon size < <(proc_status "$GRINSEL_PID" VmRSS RssAnon VmSize)
    [ -n "$size" ] || fail "no memory figures for pid $GRINSEL_PID"
    printf -v "$1_rss" '%s' "$rss"
    printf -v "$1_anon" '%s' "$anon"
    figure "memory $1: VmRSS $rss kB, RssAnon $anon kB, VmSize $size kB"
}

# gdi NAME: the program's GDI objects into NAME_gdi (the whole line). While
# the cycle runs on its own a reading may catch a joke being shaped, with
# its regions under way: the least of five readings is the lasting count.
gdi() {
    local line lines i
    for i in 1 2 3 4 5; do
        line=$(drv gdi-objects) || fail "cannot count the program's GDI objects"
        lines+=$line$'\n'
    done
    line=$(sed 's/^gdi=//' <<<"${lines%$'\n'}" | sort -n | head -1)
    printf -v "$1_gdi" '%s' "gdi=$line"
    figure "gdi $1: gdi=$line"
}

answers() {
    drv ping 2000 >/dev/null
}

# grew_little WHAT BEFORE AFTER [LIMIT]: anonymous memory (the heap) grew
# by less than LIMIT kB (256) between two memory readings
grew_little() {
    local before=${2}_anon after=${3}_anon limit=${4:-256}
    expect "anonymous memory after $1 grew less than $limit kB ($((${!after} - ${!before})) kB)" \
        test $((${!after} - ${!before})) -lt "$limit"
}

jokes=$(drv measure 'Witze\Blondinen.txt') || fail "cannot measure the jokes"
[ "$(wc -l <<<"$jokes")" = "$(grep -c '^###' "$WORK/Witze/Blondinen.txt")" ] ||
    fail "not one size per joke of Witze\\Blondinen.txt"
start_grinsel
wait_until "the banner is visible" 5000 bubble_visible
memory start

# 1. the real timer, armed with 0 ms: the platform's shortest period
read -r flips polls gap ms < <(drv count-flips 20000 | tr -s ' =' ' ' |
    awk '{ print $2, $4, $6, $8 }') || fail "cannot watch the bubble"
figure "real timer with intervals 0 0: $flips visibility changes seen in $ms ms ($polls polls, longest gap between polls ${gap} us)"
expect "the cycle runs at least 10 changes a second (seen: $flips in 20 s)" test "$flips" -ge 200
expect "the program answers" answers

# 2. the settings dialog, open behind the running cycle: 1,000 x "Übernehmen"
drv post-command $IDM_SETTINGS >/dev/null || fail "cannot post IDM_SETTINGS"
drv dialog "$SETTINGS" 5000 >/dev/null || fail "no settings dialog"
drv clicks "$SETTINGS" $IDC_APPLY 100 5000 >/dev/null || fail "'Übernehmen' does not answer"
memory apply_before
gdi apply_before
t=$(date +%s%N)
drv clicks "$SETTINGS" $IDC_APPLY 1000 5000 >/dev/null || fail "'Übernehmen' stopped answering"
figure "1000 presses of 'Übernehmen' in $(( ($(date +%s%N) - t) / 1000000 )) ms"
memory apply_after
gdi apply_after
expect_eq "GDI objects after 1,000 x 'Übernehmen'" "$apply_after_gdi" "$apply_before_gdi"
grew_little "1,000 x 'Übernehmen'" apply_before apply_after

# long intervals from now on, so that only the steps below move the cycle;
# the running 0 ms timer arms them at its next tick
drv dlg-set "$SETTINGS" $IDC_SHOWSECONDS 3600 >/dev/null || fail "cannot set the show interval"
drv dlg-set "$SETTINGS" $IDC_PAUSESECONDS 3600 >/dev/null || fail "cannot set the pause interval"
drv clicks "$SETTINGS" $IDC_APPLY 1 >/dev/null || fail "'Übernehmen' stopped answering"
drv dlg-click "$SETTINGS" 2 >/dev/null || fail "cannot press 'Abbrechen'"
drv dlg-gone "$SETTINGS" 3000 || fail "the settings dialog did not close"
drv count-flips 500 >/dev/null
expect_eq "the cycle stands still with intervals of an hour" \
    "$(drv count-flips 1000 | sed 's/ .*//')" "flips=0"

# 3. the cycle step by step: each WM_TIMER is one step and must flip the
# bubble; a warm-up first (the about box's icon is loaded at its first
# opening), then 20,000 steps = 10,000 show/pause cycles
drv dialog-cycles $IDM_ABOUT 'Grinsel 1.0' 1 1 5000 >/dev/null || fail "no about box"
drv steps 2000 10000 >/dev/null || fail "warm-up steps failed"
memory steps_before
gdi steps_before
t=$(date +%s%N)
for chunk in 1 2 3 4; do
    out=$(drv steps 5000 10000) || fail "steps failed in chunk $chunk"
    log "chunk $chunk: $out"
    memory "chunk$chunk"
done
steps_ms=$(( ($(date +%s%N) - t) / 1000000 ))
figure "20000 steps (10000 show/pause cycles), each answered and flipping the bubble, in $steps_ms ms"
gdi steps_after
expect_eq "GDI objects after 10,000 cycles" "$steps_after_gdi" "$steps_before_gdi"
grew_little "10,000 cycles" steps_before chunk4

# 4. "Aktiv" off and on: each switch loads an icon and hands it to the tray
out=$(drv toggles 2000 10000) || fail "'Aktiv' switches failed"
figure "2000 'Aktiv' switches (off, on, ...): $out"
memory toggles_after
gdi toggles_after
expect_eq "GDI objects after 2,000 'Aktiv' switches" "$toggles_after_gdi" "$steps_before_gdi"
# Wine 8 itself keeps about 64 bytes of every icon loaded from a resource
# and destroyed again (a bare LoadImage/DestroyIcon loop shows it too), so
# 2,000 icons cost it some 130-250 kB
grew_little "2,000 'Aktiv' switches" chunk4 toggles_after 512

# 5. both dialogs opened and closed again, after a warm-up (the first
# openings fill the heap with what the dialogs' controls keep)
drv dialog-cycles $IDM_SETTINGS "$SETTINGS" 2 50 5000 >/dev/null || fail "settings dialog openings failed"
drv dialog-cycles $IDM_ABOUT 'Grinsel 1.0' 1 50 5000 >/dev/null || fail "about box openings failed"
memory dialogs_before

out=$(drv dialog-cycles $IDM_SETTINGS "$SETTINGS" 2 200 5000) || fail "settings dialog openings failed"
figure "200 openings of the settings dialog: $out"
out=$(drv dialog-cycles $IDM_ABOUT 'Grinsel 1.0' 1 200 5000) || fail "about box openings failed"
figure "200 openings of the about box: $out"
memory end
gdi end
expect_eq "GDI objects after 500 dialog openings" "$end_gdi" "$steps_before_gdi"
grew_little "400 dialog openings" dialogs_before end

growth=$((end_rss - steps_before_rss))
anon_growth=$((end_anon - steps_before_anon))
figure "memory growth after the warm-up: VmRSS $growth kB, RssAnon $anon_growth kB"
expect "VmRSS grew less than 2 MiB after the warm-up ($growth kB)" test "$growth" -lt 2048

# the program still answers, shows jokes, and gets new window regions
expect "the program answers" answers
drv send-command $IDM_NEXTJOKE >/dev/null || fail "'Nächster Witz ...' does not answer"
size=$(bubble_size)
expect "'Nächster Witz ...' shows a joke of the file ($size)" size_in "$size" "$jokes"
rgn=$(drv bubble-rgn) || fail "the bubble has no window region"
log "window region: $rgn"
read -r type box win < <(tr -s '= ' ' ' <<<"$rgn" | awk '{ print $2, $6 - $4 "x" $7 - $5, $9 "x" $10 }')
expect_eq "the bubble's window region is complex" "$type" 3
expect_eq "its box has the window's size" "$box" "$win"
expect_eq "and the joke's size" "$box" "${size/ /x}"
shot after-soak

drv close >/dev/null || fail "cannot post WM_CLOSE"
wait_exit 10
expect_eq "exit code" "$GRINSEL_STATUS" 0
expect_eq "stored Options" "$(reg_options)" 'Witze\Blondinen.txt 3600 3600'
cycles=$(( flips / 2 + 10000 + 1000 + 1000 ))
figure "show/pause cycles in all: $cycles ($((flips / 2)) by the 0 ms timer, 1000 warm-up, 10000 counted, 1000 by 'Aktiv'); $(( $(date +%s) - started )) s"
