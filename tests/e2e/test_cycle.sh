#!/bin/bash
# The real show/pause cycle with stored intervals of 1 and 2 seconds: the
# banner for about a second, a pause of about two, a joke from the joke file
# for about one, and so on; the intervals survive the run. The joke file
# holds one joke twice, as editors save it now (UTF-8 with a byte-order
# mark) and in Windows-1252; it has umlauts and a line of 400 characters,
# far wider than the screen: both show alike, wrapped into the work area.
source "$(dirname "$0")/lib.sh"
setup
opa() {  # the joke, CR LF
    printf '%s\r\n' 'Fritzchen erzählt in der Schule:' \
        "$(printf 'Mein Opa lief früher jeden Morgen zwölf Kilometer zur Schule, bergauf.%.0s ' 1 2 3 4 5)Ganz ehrlich, und im Winter auch noch barfuß!" \
        'Fragt die Lehrerin: "Und was lernen wir daraus?" - "Dass Opa übertreibt."' '###'
}
{ printf '\xef\xbb\xbf'; opa; opa | iconv -f UTF-8 -t WINDOWS-1252; } >"$WORK/Witze/Opa.txt"
reg_set_options 'Witze\Opa.txt 1 2'

started=$(date +%s%N)
start_grinsel
watch_from=$(( ($(date +%s%N) - started) / 1000000 ))
trace=$(drv watch 7000) || fail "watch failed"
printf '%s\n' "$trace" > "$ARTIFACTS/trace.txt"
log "visibility trace (ms visible left top right bottom), from ${watch_from} ms after the start:"
sed 's/^/    /' <<<"$trace"

# the expected bubble size, that of the Windows-1252 joke (the driver reads
# bytes as ANSI, so the UTF-8 one would be that size if it were misread)
jokes=$(drv measure 'Witze\Opa.txt') || fail "cannot measure the jokes"
{ read -r misread; read -r joke_size; } <<<"$jokes"
expect "the UTF-8 joke misread would look different ($misread, $joke_size)" test "$misread" != "$joke_size"
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
    expect_eq "$which joke's size" "$size" "$joke_size"
    expect_eq "$which joke's lower-right corner" "${!r} ${!b}" "796 580"
    expect_between "$which joke's left edge" "${!l}" 0 796
done
sizes=$(drv picks 20) || fail "'Nächster Witz ...' stopped answering"
expect_eq "both jokes, twenty picks: all of one size" "$(sort -u <<<"$sizes")" "$joke_size"

# the joke on screen, painted: umlauts, and every line within the screen
drv wait-visible 1 4000 >/dev/null || fail "no further joke"
sleep 0.3
shot joke

drv close >/dev/null || fail "cannot post WM_CLOSE"
wait_exit 10
expect_eq "exit code" "$GRINSEL_STATUS" 0
expect_eq "stored Options" "$(reg_options)" 'Witze\Opa.txt 1 2'
