#!/usr/bin/env python3
"""Writes the seed inputs of the requests fuzz target: byte 0 the function (0 createThumbnail,
1 getMainPacket, 2 updateMainPacket, 3 parseRawXMP), byte 1 the file, then one parameter map
in the wire format (big-endian type and length words, 4-byte aligned)."""
import os
import struct
import sys

def word(v): return struct.pack(">I", v & 0xFFFFFFFF)
def pad(b): return b + b"\0" * ((4 - len(b) % 4) % 4)
def num(v): return word(1) + word(v)
def text(s): b = s.encode(); return word(4) + word(len(b)) + pad(b)
def data(b): return word(5) + word(len(b)) + pad(b)
def lst(*items): return word(6) + word(len(items)) + b"".join(items)
def mapping(**pairs):
    return word(7) + word(len(pairs)) + b"".join(text(k) + v for k, v in pairs.items())

PACKET = (b'<x:xmpmeta xmlns:x="adobe:ns:meta/"><rdf:RDF xmlns:rdf="http://www.w3.org/1999/02/'
          b'22-rdf-syntax-ns#"><rdf:Description rdf:about="" xmlns:xmp="http://ns.adobe.com/'
          b'xap/1.0/" xmlns:tiff="http://ns.adobe.com/tiff/1.0/" xmlns:xmpGImg="http://ns.'
          b'adobe.com/xap/1.0/g/img/"><tiff:Orientation>6</tiff:Orientation><xmp:Thumbnails>'
          b'<rdf:Alt><rdf:li rdf:parseType="Resource"><xmpGImg:format>JPEG</xmpGImg:format>'
          b'<xmpGImg:width>4</xmpGImg:width><xmpGImg:height>4</xmpGImg:height><xmpGImg:image>'
          b'/9j/2wBDAP</xmpGImg:image></rdf:li></rdf:Alt></xmp:Thumbnails></rdf:Description>'
          b'</rdf:RDF></x:xmpmeta>')

SEEDS = {
    "thumb-256-64": bytes([0, 0]) + mapping(filePath=text(""), sizes=lst(num(256), num(64))),
    "thumb-ext-quality": bytes([0, 1]) + mapping(filePath=text(""), ext=text("jpeg"),
                                                 sizes=lst(num(32)), quality=num(12)),
    "thumb-tiff": bytes([0, 2]) + mapping(filePath=text(""), sizes=lst(num(100))),
    "get-basic": bytes([1, 0]) + mapping(filePath=text(""), basicXMP=word(2) + word(1)),
    "get-sizes": bytes([1, 3]) + mapping(filePath=text(""), sizes=lst(num(300), num(50))),
    "update": bytes([2, 1]) + mapping(filePath=text(""), xmp=data(PACKET)),
    "parse": bytes([3, 0]) + mapping(xmp=data(PACKET), sizes=lst(num(64), num(16))),
}

out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "seeds")
os.makedirs(out, exist_ok=True)
for name, seed in SEEDS.items():
    with open(os.path.join(out, name), "wb") as f:
        f.write(seed)
