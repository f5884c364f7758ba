#!/usr/bin/python3
"""Parse + text + links over the python3-doc sample the C++ benchmarks read (200 pages spread
over the documentation), through vekparser, lxml.html and BeautifulSoup with html.parser, in one
run with the repetitions interleaved; then vekparser on a ThreadPoolExecutor of 1 and 2 threads.

Prints one JSON object: {"pages", "bytes", "rows": {name: median MB/s}, "threads": {n: median MB/s}}.
The vekparser module comes from PYTHONPATH (a build's python/ folder).

Usage: PYTHONPATH=build/bench/python bench/python/parse_text_links.py [--repetitions N]
"""
import argparse
import json
import pathlib
import statistics
import time
from concurrent.futures import ThreadPoolExecutor

import lxml.html
from bs4 import BeautifulSoup

import vekparser

ROOT = pathlib.Path("/usr/share/doc/python3/html")
SAMPLE_PAGES = 200  # as bench/doctree/QueriesBench.cpp


def sample():
    paths = sorted(str(p.relative_to(ROOT)) for p in ROOT.rglob("*.html"))
    step = max(1, len(paths) // SAMPLE_PAGES)
    return [(ROOT / path).read_bytes() for path in paths[::step][:SAMPLE_PAGES]]


def with_vekparser(page):
    document = vekparser.parse_html(page)
    return document.text(), document.links()


def with_lxml(page):
    root = lxml.html.fromstring(page)
    return root.text_content(), list(root.iterlinks())


def with_beautifulsoup(page):
    soup = BeautifulSoup(page, "html.parser")
    return soup.get_text(), [a.get("href") for a in soup.find_all("a")]


def seconds(work, pages):
    start = time.perf_counter()
    for page in pages:
        work(page)
    return time.perf_counter() - start


def threaded_seconds(pool, pages):
    start = time.perf_counter()
    for _ in pool.map(with_vekparser, pages):
        pass
    return time.perf_counter() - start


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--repetitions", type=int, default=5)
    args = parser.parse_args()
    pages = sample()
    total = sum(map(len, pages)) / 1e6
    works = {"vekparser": with_vekparser, "lxml.html": with_lxml, "BeautifulSoup(html.parser)": with_beautifulsoup}
    times = {name: [] for name in works}
    for _ in range(args.repetitions):
        for name, work in works.items():
            times[name].append(seconds(work, pages))
    threads = {1: [], 2: []}
    pools = {n: ThreadPoolExecutor(n) for n in threads}
    for _ in range(args.repetitions):
        for n, pool in pools.items():
            # Many pages per run, so that the pool's hand-over costs little beside the parsing.
            threads[n].append(threaded_seconds(pool, pages * 4) / 4)
    print(json.dumps({"pages": len(pages), "bytes": int(total * 1e6),
                      "rows": {name: total / statistics.median(t) for name, t in times.items()},
                      "threads": {n: total / statistics.median(t) for n, t in threads.items()}}))


if __name__ == "__main__":
    main()
