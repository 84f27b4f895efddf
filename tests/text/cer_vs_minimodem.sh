#!/usr/bin/env bash
# Character error rate of the RTTY decoder against minimodem's own receiver on the same files:
# minimodem transmits, sox adds white noise (SNR over the whole 0..5512 Hz band), both decode.
# Usage: tests/text/cer_vs_minimodem.sh [path/to/tellur32-cli]
set -euo pipefail
CLI=${1:-build/tellur32-cli}
W=$(mktemp -d)
trap 'rm -rf "$W"' EXIT
TEXT="RYRYRYRY THE QUICK BROWN FOX JUMPS OVER THE LAZY DOG CQ CQ DE TELLUR KILO LIMA MIKE NOVEMBER OSCAR PAPA QUEBEC ROMEO SIERRA TANGO UNIFORM VICTOR WHISKEY XRAY YANKEE ZULU ALPHA BRAVO CHARLIE DELTA ECHO FOXTROT GOLF HOTEL INDIA JULIET "
cer() { /usr/bin/python3 - "$1" "$2" <<'PY'
import sys
ref = sys.argv[1].strip(); hyp = open(sys.argv[2], errors="replace").read().replace("\n", "").replace("\r", "").strip()
# best-aligned window: edit distance of ref against hyp (insertions at the ends are free)
prev = [0] * (len(hyp) + 1)
for i, a in enumerate(ref, 1):
    cur = [i] + [0] * len(hyp)
    for j, b in enumerate(hyp, 1):
        cur[j] = min(prev[j] + 1, cur[j - 1] + 1, prev[j - 1] + (a != b))
    prev = cur
print(f"{100.0 * min(prev) / len(ref):5.1f}")
PY
}
printf '%-14s %6s %12s %12s\n' mode SNR_dB tellur_CER% minimodem_CER%
for mode in "45.45 170 0" "50 450 3" "75 850 5"; do
  set -- $mode
  baud=$1 shift_hz=$2 row=$3
  m=$((1360 - shift_hz / 2)) s=$((1360 + shift_hz / 2))
  printf '%s' "$TEXT" | minimodem --tx -q -v 0.25 -R 11025 -f "$W/clean.wav" --baudot --stopbits 1.5 -M $m -S $s $baud
  dur=$(soxi -D "$W/clean.wav")
  sig=$(sox "$W/clean.wav" -n stat 2>&1 | awk '/RMS +amplitude/{print $3}')
  for snr in 0 -9 -12 -15 -18 -21; do
    vol=$(/usr/bin/python3 -c "print($sig / (10 ** ($snr / 20.0)) * 3 ** 0.5)")
    sox -n -r 11025 -c 1 -b 16 "$W/noise.wav" synth "$dur" whitenoise vol "$vol" 2>/dev/null
    sox -m "$W/clean.wav" "$W/noise.wav" "$W/noisy.wav"
    "$CLI" --home "$W/home" -q decode rtty "$W/noisy.wav" --rtty-mode $row --center 1360 --baud $baud >"$W/ours.txt" 2>/dev/null
    minimodem --rx -q -f "$W/noisy.wav" --baudot -M $m -S $s $baud >"$W/mm.txt" 2>/dev/null || true
    printf '%-14s %6s %12s %12s\n' "$baud/$shift_hz" "$snr" "$(cer "$TEXT" "$W/ours.txt")" "$(cer "$TEXT" "$W/mm.txt")"
  done
done
