# What frame_functions.bas left in the directory given: the files of each
# frame folder, and ImageMagick's reading of the first and last picture
# files of the whole and the trimmed frames (size, and pixels on either
# side of the white square's edge and far from it).
cd "$1" || exit 1
for folder in frames escaped again trimmed faulty sound; do
  echo "$folder:" $(ls "$folder")
done
echo "again/000001 still: $(cat again/000001)"
echo "zero bytes before the picture: $(head -c 512 frames/000001 | tr -d '\000' | wc -c) others"
for file in frames/000001 frames/000005 trimmed/000001 trimmed/000005; do
  png=$(echo "$file" | tr / -).png
  if ! convert "PICT:$file" "PNG24:$png" 2>/dev/null; then
    echo "$file: not read"
    continue
  fi
  echo "$file:" $(convert "$png" -format '%w %h %[pixel:p{7,7}] %[pixel:p{8,8}] %[pixel:p{30,22}]' info:)
done
