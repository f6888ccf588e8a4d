# What ImageMagick makes of the pictures picture_files.bas saved in the
# directory given: each file's format and size, and how far its pixels are
# from the picture ImageMagick drew (made.png): not a pixel apart for PNG
# and BMP, every channel within 8 levels of 255 for JPEG.
cd "$1" || exit 1
for file in saved.png saved.bmp saved.jpg saved.JPEG saved-png saved-bmp saved-jpeg; do
  format=$(identify -format '%m %w %h' "$file" 2>&1)
  case $format in
    JPEG*)
      peak=$(compare -metric PAE "$file" made.png null: 2>&1 | sed 's/.*(\(.*\)).*/\1/')
      verdict=$(awk -v peak="$peak" 'BEGIN { print (peak != "" && peak * 255 <= 8) ? "within 8 levels" : "off by " peak * 255 }')
      ;;
    *)
      verdict="$(compare -metric AE "$file" made.png null: 2>&1) pixels differ"
      ;;
  esac
  echo "$file: $format, $verdict"
done
