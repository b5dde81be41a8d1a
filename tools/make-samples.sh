#!/usr/bin/env bash
# Makes the small sample files in samples/ (the README there says what each one shows). Needs
# ImageMagick, exiftool and qpdf (tools/setup-debian.sh installs them). The pictures are drawn, so
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

# A PDF of three pages, written object by object: each page has a heading, a drawing and a
# link to another file (a remote document, a program to launch, and a file specification with
# both its byte and its Unicode path), so `vantory pages` and `vantory refs` have something
# to show.
pdf_objects=()
page_content() {  # page-number colour
  printf 'BT /F1 28 Tf 72 700 Td (Sample page %s) Tj ET\n' "$1"
  printf '%s rg 72 360 468 260 re f 0 0 0 RG 4 w 72 360 m 540 620 l S\n' "$2"
  printf '0 g BT /F1 14 Tf 72 320 Td (The box below links to another file.) Tj ET\n'
  printf '0 0 1 RG 1 w 72 250 200 40 re S\n'
}
add_page() {  # page-number colour link-action
  local n=${#pdf_objects[@]} content
  content="$(page_content "$1" "$2")"
  # This page, its contents and its link take the next three object numbers.
  pdf_objects+=("<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Resources << /Font << /F1 3 0 R >> >> /Contents $((n + 2)) 0 R /Annots [$((n + 3)) 0 R] >>")
  pdf_objects+=("<< /Length ${#content} >>
stream
$content
endstream")
  pdf_objects+=("<< /Type /Annot /Subtype /Link /Rect [72 250 272 290] /Border [0 0 1] /A $3 >>")
}
pdf_objects=("<< /Type /Catalog /Pages 2 0 R >>" "PAGES" "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>")
add_page 1 "1 0.82 0.4" "<< /S /GoToR /F (other-document.pdf) /D [0 /Fit] >>"
add_page 2 "0.53 0.81 0.92" "<< /S /Launch /F (notes/readme.txt) >>"
add_page 3 "0.18 0.55 0.34" "<< /S /GoToR /F << /Type /Filespec /F (archive/2019/report.pdf) /UF (archive/2019/report.pdf) >> /D [0 /Fit] >>"
pdf_objects[1]="<< /Type /Pages /Kids [4 0 R 7 0 R 10 0 R] /Count 3 >>"
write_pdf() {  # file
  local LC_ALL=C body="%PDF-1.7"$'\n' offsets=() i
  for i in "${!pdf_objects[@]}"; do
    offsets+=("${#body}")
    body+="$((i + 1)) 0 obj"$'\n'"${pdf_objects[$i]}"$'\n'"endobj"$'\n'
  done
  local xref=${#body}
  {
    printf '%s' "$body"
    printf 'xref\n0 %d\n0000000000 65535 f \n' $((${#pdf_objects[@]} + 1))
    printf '%010d 00000 n \n' "${offsets[@]}"
    printf 'trailer\n<< /Size %d /Root 1 0 R >>\nstartxref\n%d\n%%%%EOF\n' \
      $((${#pdf_objects[@]} + 1)) "$xref"
  } >"$1"
}
write_pdf "$work/links.pdf"
# qpdf checks the file and writes it again with compressed streams.
qpdf --check "$work/links.pdf" >/dev/null
qpdf --compress-streams=y --deterministic-id "$work/links.pdf" "$out/links-3pages.pdf"
ls -l "$out"/*.jpg "$out"/*.pdf
