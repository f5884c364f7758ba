"""Writes pages without any charset declaration in the charsets a detector has to find, made
from translated Debian manual pages: CODEC.html (the page in its charset) and CODEC.txt (its
text in UTF-8, tags dropped, as Python's codecs decode the page).
Usage: charset_pages.py OUTPUT_DIRECTORY"""
import gzip
import html
import os
import re
import sys

# codec, manual page in a language written in it
SOURCES = [
    ("cp1251", "/usr/share/man/ru/man1/man.1.gz"),
    ("shift_jis", "/usr/share/man/ja/man1/man.1.gz"),
    ("gb18030", "/usr/share/man/zh_CN/man1/man.1.gz"),
    ("iso8859_2", "/usr/share/man/pl/man1/man.1.gz"),
    ("cp1252", "/usr/share/man/fr/man1/man.1.gz"),
]
TEXT_SIZE = 3000  # characters of text per page: enough for a detector to be sure


def text_lines(path):
    """The running text of a manual page: no requests, no font or character escapes."""
    with gzip.open(path, "rt", encoding="utf-8") as page:
        for line in page:
            if line.startswith((".", "'", "\\\"")):
                continue
            line = re.sub(r"\\f(\[[^]]*\]|\(..|.)", "", line)
            line = re.sub(r"\\(\(..|\[[^]]*\]|.)", " ", line)
            line = " ".join(line.split())
            if line:
                yield line


def main(out):
    for codec, source in SOURCES:
        if not os.path.exists(source):
            continue
        lines, size = [], 0
        for line in text_lines(source):
            if line.isascii():
                continue  # untranslated: options, examples
            try:
                line.encode(codec)
            except UnicodeEncodeError:
                continue
            lines.append(line)
            size += len(line)
            if size >= TEXT_SIZE:
                break
        body = "".join("<p>" + html.escape(line, quote=False) + "\n" for line in lines)
        page = ("<html><head><title>man</title></head><body>\n" + body + "</body></html>\n").encode(codec)
        with open(os.path.join(out, codec + ".html"), "wb") as f:
            f.write(page)
        with open(os.path.join(out, codec + ".txt"), "w", encoding="utf-8") as f:
            f.write(html.unescape(re.sub(r"<[^>]*>", " ", page.decode(codec))))


if __name__ == "__main__":
    main(sys.argv[1])
