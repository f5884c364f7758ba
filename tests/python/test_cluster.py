"""vekparser.cluster: the shards hold exactly the records of `vekparse --json`, on a LocalCluster,
on a scheduler and workers started as processes, and when a worker is killed in the middle."""
import contextlib
import glob
import json
import os
import signal
import subprocess
import sys
import time

import pytest

from conftest import PYTHON_DOC, SOURCE
from vekparser import cluster

LOOPBACK = "127.0.0.1"
# Tornado, under distributed, warns about its own event loop use.
pytestmark = pytest.mark.filterwarnings("ignore::DeprecationWarning")


def vekparse_records(vekparse, command, inputs):
    """The records of `vekparse COMMAND --json`, sorted, and its lines about documents not simply done."""
    run = subprocess.run([vekparse, command, "--json", *inputs], capture_output=True, timeout=120)
    return sorted(run.stdout.splitlines()), run.stderr.decode().splitlines()[:-1]


def shard_records(out):
    lines = []
    for shard in glob.glob(os.path.join(out, "part-*.jsonl")):
        with open(shard, "rb") as stream:
            lines.extend(stream.read().splitlines())
    return sorted(lines)


def wait_for(condition, seconds, what):
    deadline = time.monotonic() + seconds
    while not condition():
        if time.monotonic() > deadline:
            raise TimeoutError(what)
        time.sleep(0.05)


@contextlib.contextmanager
def processes_cluster(tmp_path, workers):
    """A `dask scheduler` and `dask worker` processes on the loopback interface; all stopped on exit."""
    scheduler_file = tmp_path / "scheduler.json"
    dask = [sys.executable, "-m"]
    started = [subprocess.Popen(dask + ["distributed.cli.dask_scheduler", "--host", LOOPBACK, "--port", "0",
                                        "--no-dashboard", "--scheduler-file", str(scheduler_file)],
                                stderr=subprocess.DEVNULL)]
    try:
        wait_for(scheduler_file.exists, 60, "the scheduler did not start")
        wait_for(lambda: "address" in scheduler_file.read_text(), 10, "no scheduler address")
        address = json.loads(scheduler_file.read_text())["address"]
        for i in range(workers):
            started.append(subprocess.Popen(dask + ["distributed.cli.dask_worker", address, "--host", LOOPBACK,
                                                    "--nthreads", "1", "--no-nanny", "--no-dashboard",
                                                    "--local-directory", str(tmp_path / f"worker-{i}")],
                                            stderr=subprocess.DEVNULL))
        from distributed import Client

        with Client(address, timeout="30s") as client:
            client.wait_for_workers(workers, timeout=60)
        yield address, started[1:]
    finally:
        for process in started:
            process.terminate()
        for process in started:
            try:
                process.wait(timeout=20)
            except subprocess.TimeoutExpired:
                process.kill()
                process.wait()


@pytest.fixture(scope="module")
def sample(tmp_path_factory):
    if not PYTHON_DOC.is_dir():
        pytest.skip("python3-doc is not installed")
    # Pages, the samples, web archives of them (gzip'd and plain) with a broken record, and a missing file.
    archives = tmp_path_factory.mktemp("warc")
    pages = [str(page) for page in sorted((SOURCE / "samples").glob("*.html"))]
    for name, options in (("broken.warc.gz", ["--gzip", "--case", "truncated-middle"]),
                          ("broken.warc", ["--case", "length-short", "--repeat", "3"])):
        subprocess.run([sys.executable, str(SOURCE / "scripts/make-warc"), *options, str(archives / name), *pages],
                       check=True, capture_output=True, timeout=60)
    return [str(PYTHON_DOC / "library"), str(SOURCE / "samples"), str(archives / "broken.warc.gz"),
            str(archives / "broken.warc"), str(SOURCE / "no-such-page.html")]


def test_local_cluster_of_two_workers_with_archives_in_byte_ranges(tmp_path, vekparse, sample):
    summary = cluster.run("links", sample, str(tmp_path), workers=2, split_size=2000)
    records, failures = vekparse_records(vekparse, "links", sample)
    assert shard_records(tmp_path) == records
    assert ["vekparse: %s: %s" % (path, note) for path, _, note in summary.notes] == failures
    for archive in sample[2:4]:
        shards = [shard for shard in summary.shards
                  if any(json.loads(line).get("warc_file") == archive for line in open(shard, "rb"))]
        assert len(shards) >= 2, archive


def test_scheduler_and_workers_as_processes(tmp_path, vekparse, sample):
    with processes_cluster(tmp_path, 2) as (address, _):
        out = tmp_path / "out"
        run = subprocess.run([sys.executable, "-m", "vekparser.cluster", "text", "--out", str(out), "--scheduler",
                              address, *sample], capture_output=True, timeout=120)
    assert run.returncode == 1 and b"no-such-page.html" in run.stderr  # the missing page
    assert shard_records(out) == vekparse_records(vekparse, "text", sample)[0]


def test_a_worker_killed_in_the_middle(tmp_path, vekparse):
    if not PYTHON_DOC.is_dir():
        pytest.skip("python3-doc is not installed")
    inputs = [str(PYTHON_DOC)]
    with processes_cluster(tmp_path, 2) as (address, workers):
        out = tmp_path / "out"
        run = subprocess.Popen([sys.executable, "-m", "vekparser.cluster", "meta", "--out", str(out), "--scheduler",
                                address, "--files-per-task", "1", "--glob", "*.html", *inputs],
                               stderr=subprocess.PIPE)
        wait_for(lambda: len(glob.glob(str(out / "part-*.jsonl"))) >= 20, 60, "no shards were written")
        os.kill(workers[0].pid, signal.SIGKILL)
        shards_at_kill = len(glob.glob(str(out / "part-*.jsonl")))
        _, errors = run.communicate(timeout=120)
    expected = vekparse_records(vekparse, "meta", ["--glob", "*.html", *inputs])[0]
    assert run.returncode == 0, errors
    assert shards_at_kill < len(expected), "the run ended before the worker was killed"
    assert shard_records(out) == expected
    assert not glob.glob(str(out / ".part-*"))
