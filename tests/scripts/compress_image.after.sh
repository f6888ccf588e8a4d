# What ImageMagick reads in the picture files the script wrote.
for name in still frame picture; do
  identify -format '%m %wx%h\n' "$1/$name.pct"
done
[ -e "$1/nothing.pct" ] && echo "nothing.pct written"
# A settings file read and written again is the same file.
cmp "$1/image.set" "$1/image2.set" && echo "image.set round-trips"
# Its header: 512 zero bytes, QTLB, and the writer's type.
head -c 512 "$1/image.set" | tr -d '\0' | wc -c
dd if="$1/image.set" bs=1 skip=512 count=4 2>/dev/null; echo
grep -c CMPI "$1/image.set"
# The version big-endian, the preference flags (16, 2 and 32) little-endian:
# each atom's data follows its 20-byte header, 16 bytes after its type.
for atom in VERS FLGS; do
  at=$(grep -boa "$atom" "$1/image.set" | head -1 | cut -d: -f1)
  printf '%s:%s\n' "$atom" "$(od -An -tx1 -j $((at + 16)) -N4 "$1/image.set")"
done
exit 0
