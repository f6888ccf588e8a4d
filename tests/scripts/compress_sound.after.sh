# The AIFF files the sound compressor wrote, as sox reads them: rate,
# channels, bits a sample and length in seconds.
for name in default small dialog; do
  printf '%s: ' "$name"
  printf '%s %s %s %s\n' "$(soxi -r "$1/$name.aiff")" "$(soxi -c "$1/$name.aiff")" \
    "$(soxi -b "$1/$name.aiff")" "$(soxi -D "$1/$name.aiff")"
done
for name in video none; do
  [ -e "$1/$name.aiff" ] && echo "$name.aiff left behind"
done
cmp "$1/sound.set" "$1/sound2.set" && echo "sound.set round-trips"
grep -c CMPS "$1/sound.set"
exit 0
