"""Writes the start and end tag names that Python's html.parser reports for a fixed sample of
pages: a line "# path" per page, then "S name" or "E name" per tag, names lower-cased."""
import html.parser
import pathlib
import sys


class TagNames(html.parser.HTMLParser):
    def __init__(self):
        super().__init__(convert_charrefs=True)
        self.lines = []

    def handle_starttag(self, tag, attrs):
        self.lines.append("S " + tag)

    # <br/> is one tag, not a start and an end.
    def handle_startendtag(self, tag, attrs):
        self.lines.append("S " + tag)

    def handle_endtag(self, tag):
        self.lines.append("E " + tag)


def sample(root, step):
    pages = sorted(str(p.relative_to(root)) for p in pathlib.Path(root).rglob("*.html"))
    return pages[::step]


def main():
    root, step = sys.argv[1], int(sys.argv[2])
    out = sys.stdout
    for page in sample(root, step):
        parser = TagNames()
        parser.feed((pathlib.Path(root) / page).read_bytes().decode("utf-8", errors="replace"))
        parser.close()
        out.write("# " + page + "\n")
        for line in parser.lines:
            out.write(line + "\n")


if __name__ == "__main__":
    main()
