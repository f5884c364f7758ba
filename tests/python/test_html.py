"""parse_html, tokens, entities and charsets against Python's own html.parser, html and codecs."""
import codecs
import collections
import gc
import html
import random
import re
import subprocess
import sys
import threading
from concurrent.futures import ThreadPoolExecutor

import pytest

import vekparser
from conftest import SOURCE

sys.path.insert(0, str(SOURCE / "tests/doctree"))
from html_tree_oracle import WORD, TreeOracle  # noqa: E402


def oracle(data):
    parser = TreeOracle()
    parser.feed(data.decode("utf-8", errors="replace"))
    parser.close()
    return parser


def test_words_links_and_title_agree_with_html_parser(pages):
    for path in pages:
        data = path.read_bytes()
        expected = oracle(data)
        document = vekparser.parse_html(data)
        assert document.complete and document.charset == 65001
        assert document.title == expected.title
        found = collections.Counter(WORD.findall(document.text()))
        wanted = WORD.findall("".join(expected.text))
        assert sum(found[w] > 0 for w in wanted) >= 0.95 * len(wanted), path
        urls = collections.Counter(link.url for link in document.links())
        assert not collections.Counter(expected.hrefs) - urls, path


def test_document_fields_and_buffers():
    data = (SOURCE / "samples/welcome.html").read_bytes()
    documents = [vekparser.parse_html(kind(data)) for kind in (bytes, bytearray, memoryview)]
    assert len({(d.text(), tuple(d.links())) for d in documents}) == 1
    page = documents[0]
    assert page.author == page.meta["author"] == "Ada Example"
    assert "parsing" in page.keywords and "Café" in page.text()
    assert page.raw_text(12) == page.raw_text()[:12] and b"&amp;" in page.raw_text()
    assert all(isinstance(link, vekparser.Link) and isinstance(link.caption, str) for link in page.links())
    assert "<title>" in page.dump()


def test_charset_choice_and_meta_redeclaration():
    cyrillic = (SOURCE / "samples/cyrillic.html").read_bytes()
    page = vekparser.parse_html(cyrillic)
    assert page.charset == 1251 and page.meta_charset.lower() == "windows-1251"
    assert page.text() == vekparser.parse_html(cyrillic, charset="windows-1251").text()
    assert vekparser.parse_html(b"caf\xe9").text().strip() == "café"
    assert vekparser.parse_html("\ufeffé".encode("utf-16-le")).text().strip() == "é"
    with pytest.raises(LookupError):
        vekparser.parse_html(b"x", charset="no-such-charset")
    with pytest.raises(ValueError):
        vekparser.parse_html(b"x", profile="nonsense")


def test_tokens_cover_the_page_in_order():
    data = (SOURCE / "samples/latin.html").read_bytes()
    tokens = list(vekparser.tokens(data))
    assert {kind for kind, *_ in tokens} <= {"tag", "comment", "text", "raw-text", "server-block", "section"}
    assert all(a[2] <= b[1] for a, b in zip(tokens, tokens[1:]))
    assert all(kind != "tag" or text.startswith("<") for kind, _, _, text in tokens)


@pytest.mark.parametrize("text", ["a < b & \"c\" – café ☃", "&amp; &eacute;&#8212;&#x41;&bogus; &", "plain"])
def test_entities_agree_with_html_module(text):
    assert vekparser.unescape(vekparser.escape(text)) == text
    assert vekparser.unescape(vekparser.escape(text, numeric=True)) == text
    if "&bogus" not in text:
        assert vekparser.unescape(text) == html.unescape(text)


@pytest.mark.parametrize("charset", ["windows-1251", "koi8-r", "iso-8859-2", "shift_jis", "utf-8"])
def test_expand_agrees_with_codecs(charset):
    text = "Привет, Grüße, ÄÖ" if charset != "shift_jis" else "日本語のテキスト"
    data = text.encode(charset, errors="ignore")
    assert vekparser.expand(data, charset) == codecs.decode(data, charset)


def test_read_warc_gives_the_pages_and_goes_on_after_a_broken_record(tmp_path):
    pages = sorted((SOURCE / "samples").glob("*.html"))
    for case, broken in (([], 0), (["--case", "truncated-middle"], 1)):
        archive = tmp_path / "archive.warc.gz"
        subprocess.run([sys.executable, str(SOURCE / "scripts/make-warc"), "--gzip", *case, str(archive), *map(str, pages)],
                       check=True, capture_output=True, timeout=60)
        records = list(vekparser.read_warc(str(archive)))
        assert sum(bool(record.error) for record in records) == broken
        bodies = {record.url.rsplit("/", 1)[-1]: record.body for record in records if record.type == "response"}
        assert sum(bodies.get(page.name) == page.read_bytes() for page in pages) == len(pages) - broken
    with pytest.raises(FileNotFoundError):
        vekparser.read_warc(str(tmp_path / "missing.warc"))


def test_read_warc_in_byte_ranges_gives_each_record_once(tmp_path):
    """Cut anywhere (at record starts, inside records and gzip members, damaged archives too), the
    parts read in order give the records of the whole archive, each once."""
    pages = [str(page) for page in sorted((SOURCE / "samples").glob("*.html"))]
    archive = tmp_path / "archive.warc"
    for options in ([], ["--gzip"], ["--case", "length-short"], ["--gzip", "--case", "truncated-middle"],
                    ["--case", "garbage"], ["--gzip", "--case", "garbage"]):
        subprocess.run([sys.executable, str(SOURCE / "scripts/make-warc"), *options, str(archive), *pages],
                       check=True, capture_output=True, timeout=60)
        whole = [(r.offset, r.error, r.record_id, r.body) for r in vekparser.read_warc(str(archive))]
        offsets = [offset for offset, *_ in whole]
        size = archive.stat().st_size
        inside = [(a + b) // 2 for a, b in zip(offsets, offsets[1:] + [size])]
        for cuts in (offsets, [o + 1 for o in offsets], inside, random.Random(size).sample(range(size), 20)):
            bounds = [0, *sorted(set(cuts)), None]
            parts = [(r.offset, r.error, r.record_id, r.body)
                     for start, stop in zip(bounds, bounds[1:]) for r in vekparser.read_warc(str(archive), start=start, stop=stop)]
            assert parts == whole, (options, cuts)
    assert list(vekparser.read_warc(str(archive), start=10, stop=10)) == []


def test_threads_give_the_results_of_one_thread(pages):
    pages = [path.read_bytes() for path in pages]

    def work(data):
        document = vekparser.parse_html(data)
        return document.text(), [link.url for link in document.links()]

    with ThreadPoolExecutor(4) as pool:
        assert list(pool.map(work, pages * 3)) == [work(data) for data in pages * 3]


def test_queries_asked_by_finalisers_inside_queries_give_their_own_results(pages):
    # Building a result's objects may collect garbage and run finalisers, which may query too.
    document, other = (vekparser.parse_html(path.read_bytes()) for path in pages[:2])
    expected, other_expected = ((d.text(), d.links()) for d in (document, other))
    inner = []

    class Asks:
        def __del__(self):
            inner.append((other.text(), other.links()))

    threshold = gc.get_threshold()
    gc.set_threshold(1)
    try:
        for _ in range(50):
            cycle = Asks()
            cycle.self = cycle
            del cycle
            assert (document.text(), document.links()) == expected
    finally:
        gc.set_threshold(*threshold)
    assert inner and all(result == other_expected for result in inner)


def test_parsing_releases_the_gil(pages):
    data = b"".join(path.read_bytes() for path in pages) * 4
    steps, stop = [0], threading.Event()

    def spin():
        while not stop.is_set():
            steps[0] += 1

    spinner = threading.Thread(target=spin)
    spinner.start()
    try:
        before = steps[0]
        vekparser.parse_html(data)
        assert steps[0] > before, "no Python code ran while the page was parsed"
    finally:
        stop.set()
        spinner.join()


def test_bad_input_never_crashes():
    rng = random.Random(20)
    pieces = [b"<", b">", b"</", b"<!--", b"-->", b"&", b"&#", b";", b"<script>", b"<table><tr><td>", b"\xff\xfe", b"\x00", b'"', b"<a href=", b"<meta charset=utf-16>"]
    for _ in range(300):
        data = b"".join(rng.choice(pieces) if rng.random() < 0.7 else bytes([rng.randrange(256)]) for _ in range(rng.randrange(200)))
        document = vekparser.parse_html(data)
        document.text(), document.links(), document.dump(), document.hidden_text(), document.meta
        list(vekparser.tokens(data))
    deep = vekparser.parse_html(b"<div><b>" * 50000)
    assert not deep.complete and isinstance(deep.text(), str)
    assert vekparser.parse_html(b"").text() == "" and list(vekparser.tokens(b"")) == []


@pytest.mark.parametrize("call", [
    lambda: vekparser.parse_html("text"),
    lambda: vekparser.parse_html(None),
    lambda: vekparser.tokens(1),
    lambda: vekparser.escape(b"bytes"),
    lambda: vekparser.expand("text", "utf-8"),
    lambda: vekparser.parse_html(b"x", charset=1.5),
])
def test_wrong_argument_types_raise_type_error(call):
    with pytest.raises(TypeError):
        call()


def test_every_public_name_is_documented():
    for name in vekparser.__all__:
        assert getattr(vekparser, name).__doc__, name
    assert re.search(r"parse_html\(data", vekparser.parse_html.__doc__)
