"""What Python's html.parser finds in a fixed sample of about 200 pages, for the tree-building
test. Per page: "# path", then "T title" (references resolved, white space collapsed), then
"W words..." (the ASCII words of the text outside script and style, references taken as word
breaks), then "H href" for each non-empty href of an <a> tag, in document order."""
import html
import html.parser
import pathlib
import re
import sys

WORD = re.compile(r"[A-Za-z0-9_]+")
ASCII_SPACE = re.compile(r"[ \t\n\r\f\v]+")
HIDDEN = ("script", "style")


class TreeOracle(html.parser.HTMLParser):
    def __init__(self):
        super().__init__(convert_charrefs=False)
        self.hidden = 0
        self.in_title = False
        self.title = None
        self.title_parts = []
        self.text = []
        self.hrefs = []

    def handle_starttag(self, tag, attrs):
        if tag in HIDDEN:
            self.hidden += 1
        elif tag == "title" and self.title is None:
            self.in_title = True
        elif tag == "a":
            self.add_href(attrs)

    def handle_startendtag(self, tag, attrs):
        if tag == "a":
            self.add_href(attrs)

    def handle_endtag(self, tag):
        if tag in HIDDEN and self.hidden > 0:
            self.hidden -= 1
        elif tag == "title" and self.in_title:
            self.in_title = False
            self.title = ASCII_SPACE.sub(" ", "".join(self.title_parts)).strip()

    def handle_data(self, data):
        if self.in_title:
            self.title_parts.append(data)
        if self.hidden == 0:
            self.text.append(data)

    def handle_reference(self, reference):
        if self.in_title:
            self.title_parts.append(html.unescape(reference))
        if self.hidden == 0:
            self.text.append(" ")

    def handle_entityref(self, name):
        self.handle_reference("&" + name + ";")

    def handle_charref(self, name):
        self.handle_reference("&#" + name + ";")

    # Targets lose surrounding white space and their line breaks and tabs.
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
        parser = TreeOracle()
        parser.feed((pathlib.Path(root) / page).read_bytes().decode("utf-8", errors="replace"))
        parser.close()
        out.write("# " + page + "\n")
        out.write("T " + (parser.title or "") + "\n")
        out.write("W " + " ".join(WORD.findall("".join(parser.text))) + "\n")
        for href in parser.hrefs:
            out.write("H " + href + "\n")


if __name__ == "__main__":
    main()
