# What ffprobe (and sox, for the sound files) reads in the files the
# exporters wrote.
cd "$1"
probe() {
  ffprobe -v error -show_entries stream=codec_type,codec_name,width,height,sample_rate,channels \
    -show_entries format=duration -of csv=p=0 "$1" | paste -sd ' '
}
for f in all-* part.avi small.avi slow.mp4; do
  case "$f" in
    all-grex*) continue ;;
  esac
  printf '%s: %s\n' "$f" "$(probe "$f")"
done
printf 'image sequence: %s files, the first %s\n' "$(ls all-grex* | wc -l)" \
  "$(identify -format '%m %wx%h' "$(ls all-grex* | head -1)")"
for f in all-AIFF.aiff all-AIFC.aiff all-WAVE.wav track.wav; do
  printf '%s (sox): %s Hz, %s channels, %s s\n' "$f" "$(soxi -r "$f")" "$(soxi -c "$f")" "$(soxi -D "$f")"
done
for f in video-track.wav empty.avi; do
  [ -e "$f" ] && echo "$f left behind"
done
printf 'fast atoms in fast.set: %s\n' "$(grep -ao fast fast.set | wc -l)"
cmp avi.set avi2.set && echo "avi.set round-trips"
exit 0
