"""Writes what Python's html.parser finds in a fixed sample of about 200 pages: a line "# path"
per page, then one line "T words..." with the ASCII words of the text outside script and style,
then "H href" for each non-empty href of an <a> tag, in document order."""
import html.parser
import pathlib
import re
import sys

WORD = re.compile(r"[A-Za-z0-9_]+")
HIDDEN = ("script", "style")


class TextAndLinks(html.parser.HTMLParser):
    def __init__(self):
        super().__init__(convert_charrefs=True)
        self.hidden = 0
        self.text = []
        self.hrefs = []

    def handle_starttag(self, tag, attrs):
        if tag in HIDDEN:
            self.hidden += 1
        if tag == "a":
            self.add_href(attrs)

    def handle_startendtag(self, tag, attrs):
        if tag == "a":
            self.add_href(attrs)

    def handle_endtag(self, tag):
        if tag in HIDDEN and self.hidden > 0:
            self.hidden -= 1

    def handle_data(self, data):
        if self.hidden == 0:
            self.text.append(data)

    # The library keeps link targets with surrounding blanks stripped and line breaks and tabs
    # removed; the first href of a tag counts.
    def add_href(self, attrs):
        for name, value in attrs:
            if name == "href" and value is not None:
                value = re.sub(r"[\r\n\t]", "", value.strip(" \r\n\t"))
                if value:
                    self.hrefs.append(value)
                return


def sample(root):
    pages = sorted(str(p.relative_to(root)) for p in pathlib.Path(root).rglob("*.html"))
    return pages[:: max(1, len(pages) // 200)][:200]


def main():
    root = sys.argv[1]
    out = sys.stdout
    for page in sample(root):
        parser = TextAndLinks()
        parser.feed((pathlib.Path(root) / page).read_bytes().decode("utf-8", errors="replace"))
        parser.close()
        out.write("# " + page + "\n")
        out.write("T " + " ".join(WORD.findall("".join(parser.text))) + "\n")
        for href in parser.hrefs:
            out.write("H " + href + "\n")


if __name__ == "__main__":
    main()
