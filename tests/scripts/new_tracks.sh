# Makes a one-second 22050 Hz sound-only movie whose track a new sound
# track copies from.
ffmpeg -v error -y -f lavfi -i sine=frequency=440:sample_rate=22050 -t 1 \
  -c:a pcm_s16be "$1/tone.mov" </dev/null
