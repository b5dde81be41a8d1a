#!/usr/bin/env bash
# Makes the small sample JPEGs in samples/ (the README there says what each one shows). Needs
# ImageMagick and exiftool (tools/setup-debian.sh installs both). The pictures are drawn, so
# the samples are ours to redistribute; run again to rebuild them.
set -euo pipefail
out="${1:-$(dirname "$0")/../samples}"
mkdir -p "$out"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

# A picture whose top is easy to see: a sky-blue band above a green field, and a red
# marker in the top-left corner.
scene() {  # width height file
  convert -size "$1x$2" xc:'#2e8b57' \
    -fill '#87ceeb' -draw "rectangle 0,0 $(($1 - 1)),$(($2 * 2 / 5))" \
    -fill '#d62828' -draw "rectangle 0,0 $(($1 / 5)),$(($2 / 5))" \
    -fill '#ffd166' -draw "circle $(($1 * 3 / 4)),$(($2 / 5)) $(($1 * 3 / 4 + $2 / 10)),$(($2 / 5))" \
    -quality 85 "$3"
}

# Stored turned on its side, as a camera held upright writes it: Exif orientation 6 says
# "turn 90 degrees clockwise to show".
scene 480 640 "$work/sideways.jpg"
convert "$work/sideways.jpg" -rotate -90 -quality 85 "$out/exif-orientation-6.jpg"
exiftool -q -overwrite_original -n -Orientation=6 -Artist="Vantory samples" "$out/exif-orientation-6.jpg"

# An Exif thumbnail of 160 x 120 inside, and an XMP title.
scene 800 600 "$out/exif-thumbnail.jpg"
scene 160 120 "$work/small.jpg"
exiftool -q -overwrite_original "-ThumbnailImage<=$work/small.jpg" \
  -XMP-dc:Title="A field under a blue sky" "$out/exif-thumbnail.jpg"

# An XMP packet with a stored 256 x 192 JPEG thumbnail (xmp:Thumbnails), a title, a
# creator and a rating.
scene 1024 768 "$out/xmp-thumbnail.jpg"
scene 256 192 "$work/stored.jpg"
cat >"$work/packet.xmp" <<XMP
<?xpacket begin="" id="W5M0MpCehiHzreSzNTczkc9d"?>
<x:xmpmeta xmlns:x="adobe:ns:meta/">
 <rdf:RDF xmlns:rdf="http://www.w3.org/1999/02/22-rdf-syntax-ns#">
  <rdf:Description rdf:about=""
    xmlns:dc="http://purl.org/dc/elements/1.1/"
    xmlns:xmp="http://ns.adobe.com/xap/1.0/"
    xmlns:xmpGImg="http://ns.adobe.com/xap/1.0/g/img/">
   <dc:title><rdf:Alt><rdf:li xml:lang="x-default">Sample with a stored thumbnail</rdf:li></rdf:Alt></dc:title>
   <dc:creator><rdf:Seq><rdf:li>Vantory samples</rdf:li></rdf:Seq></dc:creator>
   <xmp:Rating>3</xmp:Rating>
   <xmp:Thumbnails>
    <rdf:Alt>
     <rdf:li rdf:parseType="Resource">
      <xmpGImg:format>JPEG</xmpGImg:format>
      <xmpGImg:width>256</xmpGImg:width>
      <xmpGImg:height>192</xmpGImg:height>
      <xmpGImg:image>$(base64 -w 0 "$work/stored.jpg")</xmpGImg:image>
     </rdf:li>
    </rdf:Alt>
   </xmp:Thumbnails>
  </rdf:Description>
 </rdf:RDF>
</x:xmpmeta>
<?xpacket end="w"?>
XMP
exiftool -q -overwrite_original "-xmp<=$work/packet.xmp" "$out/xmp-thumbnail.jpg"
ls -l "$out"/*.jpg
