"""Writes html.unescape of a page's text, decoded from a code page, as UTF-16LE to stdout."""
import codecs
import html
import sys

# Bytes that Windows-1252 leaves undefined stand for the C1 code point of the same value.
codecs.register_error("c1", lambda e: ("".join(chr(b) for b in e.object[e.start:e.end]), e.end))

path, codepage = sys.argv[1], sys.argv[2]
with open(path, "rb") as page:
    data = page.read()
text = data.decode({"65001": "utf-8", "1252": "cp1252"}[codepage], errors="c1" if codepage == "1252" else "strict")
sys.stdout.buffer.write(html.unescape(text).encode("utf-16-le", errors="surrogatepass"))
