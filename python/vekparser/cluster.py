"""Runs a vekparse command over many documents on a Dask cluster.

    python3 -m vekparser.cluster COMMAND --out DIR [--scheduler tcp://HOST:PORT] [--workers N]
                                 [--split-size BYTES] [vekparse options] INPUTS...

COMMAND is a per-document vekparse command (text, links, meta, ...); INPUTS and the options are
those of vekparse (files, directories, --files-from LIST, --glob, --charset, --hidden, ...). The
documents are listed once, split into tasks of consecutive documents, and each task writes the
JSON Lines records of `vekparse COMMAND --json` for its documents to its own shard
DIR/part-NNNNN.jsonl: the shards in name order hold the records in input order. A web archive
larger than the split size (64 MiB) is read by several tasks, one per byte range: each takes the
records that start in its range. Tasks carry file names, not bytes: every worker must see the
same paths (a shared filesystem), and resolves a relative one in its own working directory.

A shard is written to a temporary file and renamed, so a task that runs again after its worker
died replaces its shard whole: every record is present exactly once. Without --scheduler a
LocalCluster of worker processes runs on this machine.
"""
import argparse
import glob
import os
import sys
import time
import uuid
from dataclasses import dataclass, field

from . import _vekparser

COMMANDS = ("text", "links", "meta", "dump", "tokens", "asn1")
# Enough tasks per worker to even out documents of different sizes, few enough that the
# scheduler's cost per task stays small beside the parsing.
TASKS_PER_WORKER = 4
MAX_FILES_PER_TASK = 2000
# A few seconds of parsing per task; big enough that a range's cost of finding its first record
# and its last does not count.
SPLIT_SIZE = 64 << 20


@dataclass
class Summary:
    """What a run did: the documents, the shards written, and the line vekparse writes about each
    document that failed, was skipped or is incomplete, as (path, kind, note) in input order."""

    documents: int = 0
    shards: list = field(default_factory=list)
    notes: list = field(default_factory=list)

    @property
    def failures(self):
        return [(path, note) for path, kind, note in self.notes if kind == "failed"]

    @property
    def ok(self):
        return not self.failures


def write_shard(arguments, task, out, index):
    """Runs on a worker: writes the records of a task (paths, start, stop) to shard `index` of
    `out`: those of the files, each record of a web archive one, or of one archive only those
    that start in the byte range [start, stop). Returns the number of documents and the
    (path, kind, note) of each that is not simply done."""
    paths, start, stop = task
    records = _vekparser._records(arguments, paths, start, stop)
    shard = os.path.join(out, "part-%05d.jsonl" % index)
    temporary = os.path.join(out, ".part-%05d.%s.tmp" % (index, uuid.uuid4().hex))
    with open(temporary, "wb") as stream:
        stream.writelines(line for line, _, _, _ in records)
    os.replace(temporary, shard)
    documents = sum(kind != "skipped" for _, kind, _, _ in records)
    return documents, [(path, kind, note) for _, kind, note, path in records if kind != "done"]


def byte_ranges(size, split_size):
    """[start, stop) ranges of split_size bytes that cover a file of `size` bytes; the last one
    open, so that it reads to the end whatever the size."""
    starts = range(0, max(size, 1), split_size)
    return [(start, start + split_size if start + split_size < size else None) for start in starts]


def _archive_size(path):
    """The bytes of a web archive to split; 0 when the file is gone, which its task reports."""
    try:
        return os.path.getsize(path)
    except OSError:
        return 0


def partition(files, workers, files_per_task=None, split_size=SPLIT_SIZE):
    """Tasks (paths, start, stop) in input order. files: (path, size) with size the bytes of a
    web archive, 0 for a file that is read whole. Archives larger than split_size make a task per
    byte range; the other files consecutive slices of files_per_task (default: an even split)."""
    whole = [path for path, size in files if size <= split_size]
    if not files_per_task:
        tasks = max(1, workers * TASKS_PER_WORKER)
        files_per_task = min(MAX_FILES_PER_TASK, max(1, -(-len(whole) // tasks)))
    tasks, run = [], []

    def close_run():
        tasks.extend((run[i : i + files_per_task], 0, None) for i in range(0, len(run), files_per_task))
        run.clear()

    for path, size in files:
        if size <= split_size:
            run.append(path)
            continue
        close_run()
        tasks.extend(([path], start, stop) for start, stop in byte_ranges(size, split_size))
    close_run()
    return tasks


def _clear(out, pattern):
    for path in glob.glob(os.path.join(glob.escape(out), pattern)):
        os.remove(path)


def _client(scheduler, workers):
    from distributed import Client, LocalCluster

    if scheduler:
        return Client(scheduler, timeout="30s"), None
    cluster = LocalCluster(
        n_workers=workers or os.cpu_count() or 1,
        threads_per_worker=1,
        processes=True,
        host="127.0.0.1",
        dashboard_address=None,
    )
    return Client(cluster), cluster


def run(command, inputs, out, scheduler=None, workers=None, options=(), files_per_task=None, split_size=SPLIT_SIZE):
    """Writes the records of `vekparse COMMAND --json [options] inputs` as shards in `out`.

    inputs: files and directories; options: further vekparse options ("--files-from", "LIST",
    "--glob", "*.html", "--hidden", ...). scheduler: the address of a running Dask scheduler
    ("tcp://host:8786"); None starts a LocalCluster of `workers` processes (default: the cores).
    A web archive larger than split_size bytes is read in byte ranges, a task each.
    Shards of an earlier run in `out` are removed first. Returns a Summary.
    """
    if split_size < 1:
        raise ValueError("the split size must be at least 1 byte")
    if command not in COMMANDS:
        raise ValueError("command must be one of " + ", ".join(COMMANDS))
    # Workers parse the same command line; the documents they read are the ones they are given.
    arguments = [command, *options, *inputs]
    listed = _vekparser._inputs(arguments)
    os.makedirs(out, exist_ok=True)
    _clear(out, "part-*.jsonl")
    order = {path: i for i, (path, _, _) in enumerate(listed)}
    notes = [entry for entry in listed if entry[1] not in ("file", "warc")]
    files = [(path, _archive_size(path) if kind == "warc" else 0) for path, kind, _ in listed if kind in ("file", "warc")]
    summary = Summary(documents=sum(kind == "failed" for _, kind, _ in listed))
    client, cluster = _client(scheduler, workers)
    try:
        slots = sum(client.nthreads().values()) or 1
        tasks = partition(files, slots, files_per_task, split_size)
        run_id = uuid.uuid4().hex
        futures = [
            client.submit(write_shard, arguments, task, os.path.abspath(out), i, key="vekparser-%s-%05d" % (run_id, i))
            for i, task in enumerate(tasks)
        ]
        for documents, result in client.gather(futures):
            summary.documents += documents
            notes.extend(result)
        summary.shards = [os.path.join(out, "part-%05d.jsonl" % i) for i in range(len(tasks))]
    finally:
        client.close()
        if cluster is not None:
            cluster.close()
    _clear(out, ".part-*.tmp")  # left by workers that died while writing
    summary.notes = sorted(notes, key=lambda note: order[note[0]])
    return summary


def main(argv=None):
    parser = argparse.ArgumentParser(
        prog="python3 -m vekparser.cluster",
        description="Run a vekparse command over many documents on a Dask cluster; "
        "other options and the inputs are those of vekparse.",
    )
    parser.add_argument("command", choices=COMMANDS)
    parser.add_argument("--out", required=True, metavar="DIR", help="where the shards part-NNNNN.jsonl go")
    parser.add_argument("--scheduler", metavar="tcp://HOST:PORT", help="a running Dask scheduler")
    parser.add_argument("--workers", type=int, metavar="N", help="processes of the local cluster (default: the cores)")
    parser.add_argument("--files-per-task", type=int, metavar="N", help="documents per task (default: even split)")
    parser.add_argument("--split-size", type=int, default=SPLIT_SIZE, metavar="BYTES",
                        help="web archives larger than this are read in byte ranges of this size, a task each "
                        "(default: %(default)s)")
    known, rest = parser.parse_known_args(argv)
    if not rest:
        parser.error("no input documents")
    start = time.monotonic()
    try:
        summary = run(known.command, rest, known.out, known.scheduler, known.workers,
                      files_per_task=known.files_per_task, split_size=known.split_size)
    except ValueError as error:
        parser.error(str(error))
    for path, _, note in summary.notes:
        print("vekparser.cluster: %s: %s" % (path, note), file=sys.stderr)
    counts = ", ".join("%d %s" % (sum(kind == k for _, kind, _ in summary.notes), k) for k in ("failed", "incomplete", "skipped"))
    print("%d documents, %s, %d shards, %.3f s" % (summary.documents, counts, len(summary.shards), time.monotonic() - start), file=sys.stderr)
    return 0 if summary.ok else 1


if __name__ == "__main__":
    sys.exit(main())
