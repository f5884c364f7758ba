"""decode_ber and decode_pem against `openssl asn1parse`, Python's int and datetime, and bad input."""
import datetime
import pathlib
import random
import re
import subprocess

import pytest

import vekparser
from conftest import SOURCE

# "   13:d=2  hl=2 l=  20 prim: INTEGER           :3CC5C4D0..."
LINE = re.compile(r"\s*(\d+):d=(\d+)\s+hl=(\d+)\s+l=\s*(\d+|inf)\s+(prim|cons):\s+(.*?)\s*(?::(.*))?$")


def openssl_lines(der):
    out = subprocess.run(["openssl", "asn1parse", "-inform", "DER"], input=der, capture_output=True, check=True).stdout
    return [LINE.match(line).groups() for line in out.decode().splitlines()]


def walk(nodes):
    for node in nodes:
        yield node
        yield from walk(node.children)


def certificates():
    system = sorted(pathlib.Path("/etc/ssl/certs").glob("*.pem"))[:1]
    if not system:
        pytest.skip("no system certificates")
    der = subprocess.run(["openssl", "x509", "-outform", "DER", "-in", str(system[0])], capture_output=True, check=True).stdout
    return [(SOURCE / "samples/sample-cert.der").read_bytes(), der]


@pytest.mark.parametrize("index", [0, 1])
def test_nodes_agree_with_openssl_asn1parse(index):
    der = certificates()[index]
    lines = openssl_lines(der)
    # The library unwraps a context-specific tag onto the value inside it.
    wrappers = [line for line in lines if line[5].startswith("cont [")]
    values = [line for line in lines if not line[5].startswith("cont [")]
    nodes = list(walk(vekparser.decode_ber(der)))
    assert [(int(l[0]), int(l[2]), int(l[3]), l[4] == "cons") for l in values] == [
        (n.offset, n.header_length, n.length, n.constructed) for n in nodes]
    assert [int(re.search(r"\d+", w[5]).group()) for w in wrappers] == [n.tag for n in nodes if n.tag is not None]
    for line, node in zip(values, nodes):
        name, text = line[5], line[6]
        if name == "INTEGER":
            assert node.value == int(text, 16)
        elif name in ("PRINTABLESTRING", "UTF8STRING", "IA5STRING"):
            assert node.value == text
        elif name in ("UTCTIME", "GENERALIZEDTIME"):
            written = ("20" if text < "50" else "19") + text if name == "UTCTIME" else text
            expected = datetime.datetime.strptime(written[:14], "%Y%m%d%H%M%S").replace(tzinfo=datetime.timezone.utc)
            assert node.value == expected
        elif name == "OBJECT":
            assert isinstance(node.value, tuple) and all(isinstance(arc, int) for arc in node.value)


def test_pem_blocks_decode_as_their_der():
    blocks = vekparser.decode_pem((SOURCE / "samples/certificates.pem").read_text())
    assert [label for label, _ in blocks] == ["CERTIFICATE", "CERTIFICATE"]
    assert all(nodes[0].constructed for _, nodes in blocks)
    assert vekparser.decode_pem(b"text without a block") == []
    with pytest.raises(ValueError):
        vekparser.decode_pem("-----BEGIN X-----\n@@@@\n-----END X-----\n")


BIG = 2**200 + 12345
VALUES = [
    (b"\x01\x01\xff", "Boolean", True),
    (b"\x02\x01\x80", "Integer", -128),
    (b"\x02" + bytes([len(BIG.to_bytes(26, "big", signed=True))]) + BIG.to_bytes(26, "big", signed=True), "BigInteger", BIG),
    (b"\x02\x1a" + (-BIG).to_bytes(26, "big", signed=True), "BigInteger", -BIG),
    (b"\x05\x00", "Null", None),
    (b"\x06\x06\x2a\x86\x48\x86\xf7\x0d", "ObjectIdentifier", (1, 2, 840, 113549)),
    (b"\x0c\x05" + "café".encode(), "WideString", "café"),
    (b"\x04\x03\x00\x01\x02", "OctetString", b"\x00\x01\x02"),
    (b"\x03\x02\x07\x80", "BitString", (b"\x80", 1)),
    (b"\x17\x0d250102030405Z", "Time", datetime.datetime(2025, 1, 2, 3, 4, 5, tzinfo=datetime.timezone.utc)),
    (b"\x17\x0dnot a time!!Z", "Time", None),
]


@pytest.mark.parametrize("der,kind,value", VALUES)
def test_values_are_python_values(der, kind, value):
    (node,) = vekparser.decode_ber(der)
    assert (node.type, node.value, node.tag, node.constructed) == (kind, value, None, False)
    assert type(node.value) is type(value)


def test_explicit_tags_and_indefinite_lengths():
    (node,) = vekparser.decode_ber(b"\x30\x80\xa1\x03\x02\x01\x05\x00\x00")
    assert node.constructed and node.length is None and node.type is None
    (child,) = node.children
    assert (child.tag, child.value) == (1, 5)


@pytest.mark.parametrize("der,error", [
    (b"\x30\x05\x02\x01", vekparser.PrematureEOFError),
    (b"\x02\x84\xff\xff\xff\xff", vekparser.PrematureEOFError),
    (b"\x00\x00", vekparser.EOCError),
    (b"\x30\x80" * 300, vekparser.ASNError),
])
def test_malformed_ber_raises_the_library_errors(der, error):
    with pytest.raises(error) as raised:
        vekparser.decode_ber(der)
    assert isinstance(raised.value, ValueError) and str(raised.value)


def test_bad_input_never_crashes():
    rng = random.Random(20)
    seed = (SOURCE / "samples/sample-cert.der").read_bytes()
    assert vekparser.decode_ber(b"") == []
    for _ in range(500):
        data = bytearray(seed[: rng.randrange(len(seed))])
        for _ in range(rng.randrange(1, 8)):
            if data:
                data[rng.randrange(len(data))] = rng.randrange(256)
        try:
            for node in walk(vekparser.decode_ber(data)):
                node.value, node.type, repr(node)
        except vekparser.ASNError:
            pass
